#include "listwindow/bwnQuindleMarks.h"

#include "platform/untException.h"
#include "support/gunNextGridManager.h"

#include <algorithm>

TListMarks::TListMarks(const TNextGrid* grid, bool totalsRow)
    : m_cells(grid->Snapshot()), m_rows(grid->RowCount() - (totalsRow && grid->RowCount() > 0)),
      m_check(grid->ColumnIndex(QStringLiteral("chk"))),
      m_id(grid->ColumnIndex(QStringLiteral("budgid"))),
      m_entered(grid->ColumnIndex(QStringLiteral("inputmoney"))),
      m_finance(grid->ColumnIndex(QStringLiteral("duemoney")))
{
    for (const bool deleting : {true, false}) {
        std::vector<int>& key = deleting ? m_deleteKey : m_copyKey;
        for (const QString& field : BulkKeyFields(deleting))
            key.push_back(grid->ColumnIndex(field));
        if (std::find(key.begin(), key.end(), -1) != key.end())
            key.clear();
    }
}

// The row's id and what it is listed with.
TBulkRow TListMarks::Row(int r, bool deleting) const
{
    TBulkRow row{m_cells.ShownText(m_id, r)};
    for (int column : deleting ? m_deleteKey : m_copyKey)
        row.Key << m_cells.ShownText(column, r);
    return row;
}

std::vector<int> TListMarks::MarkedRows() const
{
    std::vector<int> rows;
    for (int r = 0; m_check >= 0 && r < m_rows; ++r)
        if (m_cells.Marked(m_check, r))
            rows.push_back(r);
    return rows;
}

bool TListMarks::AnyMarked() const
{
    for (int r = 0; m_check >= 0 && r < m_rows; ++r)
        if (m_cells.Marked(m_check, r))
            return true;
    return false;
}

int TListMarks::MarkedCount() const
{
    return int(MarkedRows().size());
}

QStringList TListMarks::FewMarkedIds(int idsUpTo) const
{
    const std::vector<int> rows = MarkedRows();
    QStringList ids;
    if (rows.size() <= size_t(idsUpTo))
        for (int r : rows)
            ids << m_cells.ShownText(m_id, r);
    return ids;
}

void TListMarks::MarkAll(TNextGrid* grid, bool marked)
{
    grid->SetAllMarks(grid->ColumnIndex(QStringLiteral("chk")), marked);
}

namespace
{
// Asked every so many rows whether the collection goes on.
constexpr size_t kAskEvery = 4096;
} // namespace

std::vector<TBulkRow> TListMarks::MarkedIds(const std::function<bool()>& going) const
{
    std::vector<TBulkRow> ids;
    for (int r : MarkedRows()) {
        if (ids.size() % kAskEvery == 0 && !going())
            return {};
        ids.push_back(Row(r, true));
    }
    return ids;
}

std::vector<TBulkRow> TListMarks::MarkedAmounts(bool fromEntered,
                                                const std::function<bool()>& going) const
{
    const int amount = fromEntered ? m_entered : m_finance;
    std::vector<TBulkRow> rows;
    for (int r : MarkedRows()) {
        if (rows.size() % kAskEvery == 0 && !going())
            return {};
        const QString id = m_cells.ShownText(m_id, r);
        const Currency value = TNextGridManager::AmountOf(m_cells.ShownText(amount, r)); // raises
        // Every amount is checked before the first is written: one beyond the range an
        // indicator may hold stops the copy with nothing changed.
        if (!value.InRange())
            throw Exception(QStringLiteral("编号为%1的指标%2，没有复制任何金额。")
                                .arg(id, Currency::RangeText()));
        rows.push_back(Row(r, false));
    }
    return rows;
}
