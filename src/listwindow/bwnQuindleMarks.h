#pragma once
// The marked rows of the list: mark all, and the rows a delete or an amount copy works on.

#include "budget/gunBudgetBulk.h"

#include <QList>
#include <vector>

class TNextGrid;
class TNextGridManager;

// The marked rows of the list. The totals row is never one of them.
class TListMarks
{
public:
    TListMarks(TNextGrid* grid, TNextGridManager* manager) : m_grid(grid), m_manager(manager) {}

    bool AnyMarked() const;
    void MarkAll(bool marked);
    // The marked indicators' ids, in the list's order.
    std::vector<TBulkRow> MarkedIds() const;
    // The marked indicators with the entered (or else the finance) amount as their new control
    // amount; a cell that is not an amount raises, before anything is written.
    std::vector<TBulkRow> MarkedAmounts(bool fromEntered) const;

private:
    bool Marked(int row) const;
    bool IsTotalsRow(int row) const;
    QList<int> MarkedRows() const;

    TNextGrid* m_grid;
    TNextGridManager* m_manager;
};
