#pragma once
// The marked rows of the list: mark all, and the rows a delete or an amount copy works on.

#include "budget/gunBudgetBulk.h"
#include "controls/TNextGrid.h"

#include <QStringList>
#include <functional>
#include <vector>

// The marked rows of the list as they are when it is made; the totals row is never one of
// them. Made on the window's thread, read on any (the rows of a long list are collected beside
// the window).
class TListMarks
{
public:
    TListMarks(const TNextGrid* grid, bool totalsRow);

    bool AnyMarked() const;
    // How many are marked, and their ids when there are no more than `idsUpTo`.
    int MarkedCount() const;
    QStringList FewMarkedIds(int idsUpTo) const;
    // The marked indicators' ids, in the list's order; none once `going` says no (it is asked
    // every few thousand rows).
    std::vector<TBulkRow> MarkedIds(const std::function<bool()>& going) const;
    // The marked indicators with the entered (or else the finance) amount as their new control
    // amount; a cell that is not an amount raises, before anything is written.
    std::vector<TBulkRow> MarkedAmounts(bool fromEntered, const std::function<bool()>& going) const;

    static void MarkAll(TNextGrid* grid, bool marked);
    // A row's id and what it is listed with (BulkKeyFields(deleting)).
    TBulkRow Row(int r, bool deleting) const;

private:
    std::vector<int> MarkedRows() const;

    TGridCells m_cells;
    int m_rows;  // without the totals row
    int m_check; // the columns: mark, id, amounts
    int m_id;
    int m_entered;
    int m_finance;
    // The columns of BulkKeyFields(deleting) and of BulkKeyFields(copying); empty when one is
    // not shown.
    std::vector<int> m_deleteKey, m_copyKey;
};
