#pragma once
// The grid manager: columns from definitions or a layout file, fills with totals, cell reads.

#include "platform/untCurrency.h"

#include <QList>
#include <QStringList>
#include <memory>
#include <QString>
#include <vector>

class TColumnStore;
class TNextGrid;

// One grid column: caption, field name, visibility code (1 shown), kind
// (0 number, 1 text, 2 check box, 3 date; others make no column), width, order, output flag.
struct TGridFieldDef {
    QString strFieldTital;
    QString strFieldName;
    quint8 xcFieldType = 1;
    quint8 xcFieldDataType = 1;
    int intFieldLen = 64;
    int intOrder = 0;
    int intOutputFlag = 1;
};

// Builds a grid's columns from definitions (or the grid's layout file), fills it from a
// statement with row numbers and a totals row, and reads its cells by column name.
class TNextGridManager
{
public:
    TNextGridManager(const QList<TGridFieldDef>& definitions, const QString& gridName);

    void BuildColumns(TNextGrid* grid);
    // Raises the data layer's error (after the grid is cleared and unlocked) when the result
    // does not match the definitions. A statement that cannot be opened leaves the grid empty
    // and gives false (the connection keeps the reason).
    bool Fill(TNextGrid* grid, const QString& sql, bool withTotals, bool halveTotals,
              bool withRowNumbers);
    // A fill whose rows are read beside the window and arrive in parts: BeginFill clears the
    // grid (no wait cursor), each AddPart adds the next part (the first one binds the columns;
    // a result that does not fit them is returned as the problem, nothing attached), EndFill
    // adds the totals row from sums made while reading, in NumberColumns' order.
    void BeginFill(TNextGrid* grid, bool withTotals);
    QString AddPart(TNextGrid* grid, std::shared_ptr<const TColumnStore> part, bool withRowNumbers);
    void EndFill(TNextGrid* grid, const QStringList& sums);
    QStringList NumberColumns(TNextGrid* grid) const;
    // A layout file that does not fit the statement is named once and the built-in columns are
    // built; false when the columns are the built-in ones already (the problem is an error).
    bool FallBackFromLayout(TNextGrid* grid, const QString& problem);

    QString GetText(TNextGrid* grid, int row, const QString& columnName) const;
    // Raises when the text is not a number.
    Currency GetCurrency(TNextGrid* grid, int row, const QString& columnName) const;
    // An amount cell's text as an amount; raises, saying why, for one that is none.
    static Currency AmountOf(const QString& text);

    QString LayoutFilePath() const { return m_layoutPath; }
    const QList<TGridFieldDef>& Definitions() const { return m_definitions; }
    bool Filling() const { return m_filling; }
    bool TotalsFlag() const { return m_totals; }

    // The definitions a layout file gives, or nullopt-like false when the file is absent or
    // ignored.
    static bool LoadLayout(const QString& path, QList<TGridFieldDef>& definitions);

private:
    QString AttachResult(TNextGrid* grid, std::shared_ptr<const TColumnStore> store,
                         bool withRowNumbers);
    void AddTotals(TNextGrid* grid, int dataRows, bool halveTotals);
    void Prepare(TNextGrid* grid, bool withTotals);
    bool PlainText(TNextGrid* grid, int column) const;
    void RejectLayout(TNextGrid* grid, const QString& problem);

    QList<TGridFieldDef> m_definitions;
    QList<TGridFieldDef> m_builtIn;
    bool m_fromLayout = false;     // the columns came from the layout file
    bool m_layoutRejected = false; // the file did not fit the statement: built-in columns
    bool m_bound = false;          // the parts of a fill have their columns
    QString m_layoutPath;
    std::vector<int> m_columnKinds; // the definition kind behind each built column
    bool m_filling = false;
    bool m_totals = false;
};
