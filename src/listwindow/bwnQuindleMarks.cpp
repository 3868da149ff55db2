#include "listwindow/bwnQuindleMarks.h"

#include "controls/TNextGrid.h"
#include "support/gunNextGridManager.h"

bool TListMarks::Marked(int row) const
{
    return m_manager->GetText(m_grid, row, QStringLiteral("chk")) == QLatin1String("True");
}

bool TListMarks::IsTotalsRow(int row) const
{
    return m_manager->TotalsFlag() && row == m_grid->RowCount() - 1;
}

QList<int> TListMarks::MarkedRows() const
{
    QList<int> rows;
    for (int r = 0; r < m_grid->RowCount(); ++r)
        if (!IsTotalsRow(r) && Marked(r))
            rows << r;
    return rows;
}

bool TListMarks::AnyMarked() const
{
    for (int r = 0; r < m_grid->RowCount(); ++r)
        if (!IsTotalsRow(r) && Marked(r))
            return true;
    return false;
}

void TListMarks::MarkAll(bool marked)
{
    for (int r = 0; r < m_grid->RowCount(); ++r)
        m_grid->SetCells(0, r, marked ? QStringLiteral("True") : QStringLiteral("False"));
}

std::vector<TBulkRow> TListMarks::MarkedIds() const
{
    std::vector<TBulkRow> ids;
    for (int r : MarkedRows())
        ids.push_back({m_manager->GetText(m_grid, r, QStringLiteral("budgid")), Currency()});
    return ids;
}

std::vector<TBulkRow> TListMarks::MarkedAmounts(bool fromEntered) const
{
    const QString column = fromEntered ? QStringLiteral("inputmoney") : QStringLiteral("duemoney");
    std::vector<TBulkRow> rows;
    for (int r : MarkedRows())
        rows.push_back({m_manager->GetText(m_grid, r, QStringLiteral("budgid")),
                        m_manager->GetCurrency(m_grid, r, column)}); // raises
    return rows;
}
