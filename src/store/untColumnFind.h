#pragma once
// Finding a text in the cells of a result.

#include "store/untColumnStore.h"

#include <QByteArray>
#include <QString>
#include <vector>

// A text to find in cells, without regard to (Latin) case: the whole cell or a part of it.
// Amount cells are matched as shown without grouping ("1234.50"); as a whole cell, by value
// ("1,234.5" finds 1234.50).
class TTextMatcher
{
public:
    TTextMatcher(const QString& text, bool wholeCell);
    bool Empty() const { return m_text.isEmpty(); }
    bool Matches(const QString& cell) const;
    bool MatchesAmount(const QString& cellText) const;
    // A cell's text, of an amount column or another.
    bool MatchesText(const QString& text, bool amounts) const
    {
        return amounts ? MatchesAmount(text) : Matches(text);
    }
    // Sets hits[first + r] for each row r (from up to to; -1: the last) of a column of a part
    // that matches (amounts: the column holds amounts); rows already set are not read.
    void MarkRows(const TColumnStore& part, int col, bool amounts, std::vector<char>& hits,
                  int first, int from = 0, int to = -1) const;

    // One cell of a part, as MarkRows reads it.
    bool MatchesCell(const TColumnStore& part, int row, int col, bool amounts) const;

private:
    bool MatchesUtf8(QByteArrayView cell) const;
    bool MatchesRaw(qint64 raw) const;

    QString m_text;
    bool m_whole;
    QByteArray m_utf8;             // the text in UTF-8, Latin letters lower case
    QByteArray m_amountText;       // the text without grouping, for amount cells
    bool m_amountShowable = false; // m_amountText can be part of an amount as shown
    bool m_amountValue = false;    // the text is an amount (m_amount)
    qint64 m_amount = 0;
};
