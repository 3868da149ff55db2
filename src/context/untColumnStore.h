#pragma once

#include "untCurrency.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <vector>

// A query result held column by column: texts once per distinct value (or packed into one
// buffer when they rarely repeat), numbers as 64-bit ten-thousandths, no object per cell.
class TColumnStore
{
public:
    enum class Kind { Empty, Text, Number, Real };

    void SetColumns(const QStringList& names, const QList<bool>& numeric);
    int ColumnCount() const { return static_cast<int>(m_columns.size()); }
    int RowCount() const { return m_rows; }
    QString ColumnName(int col) const { return m_columns[col].Name; }
    int ColumnIndex(const QString& name) const; // without regard to case; -1 when absent
    Kind ColumnKind(int col) const { return m_columns[col].kind; }

    // Appends one value to each column in turn; call EndRow after the last column.
    void Append(int col, const QVariant& value);
    void EndRow() { ++m_rows; }

    bool IsNull(int row, int col) const;
    QString Text(int row, int col) const;
    double Float(int row, int col) const;
    Currency Money(int row, int col) const; // texts are parsed; null and non-numbers give 0
    QVariant Value(int row, int col) const;

    // Distinct-text id of a cell in a dictionary column (-1 null); lets a view compare
    // and cache without building texts. -2 when the column is not a dictionary column.
    int TextId(int row, int col) const;
    size_t MemoryBytes() const;

private:
    struct Column {
        QString Name;
        bool numericHint = false;
        Kind kind = Kind::Empty;
        int leadingNulls = 0;
        // Text, dictionary mode
        bool packed = false;
        QHash<QString, int> lookup;
        QStringList dict;
        std::vector<qint32> ids;
        // Text, packed mode
        QString buffer;
        std::vector<qint64> offsets; // row start; the end is the next start
        std::vector<bool> nulls;
        // Number / Real
        std::vector<qint64> raws;
        std::vector<double> reals;
        std::vector<bool> numNulls;
    };
    static void AppendText(Column& c, const QString& text, bool isNull);
    static void AppendNumber(Column& c, const QVariant& v, bool isNull);
    static void ToPacked(Column& c);
    static void NumberToReal(Column& c);
    static void NumberToText(Column& c);
    static void FillNulls(Column& c, int count);
    static QString NumberText(const Column& c, int row);

    std::vector<Column> m_columns;
    int m_rows = 0;
};
