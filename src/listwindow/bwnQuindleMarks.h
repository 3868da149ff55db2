#pragma once
// The marked rows of the list: mark all, delete, amount copies.

#include <QString>

class TNextGrid;
class TNextGridManager;
class TBudgetManage;

// The marked rows of the list and what is done to them.
class TListMarks
{
public:
    TListMarks(TNextGrid* grid, TNextGridManager* manager, TBudgetManage* store)
        : m_grid(grid), m_manager(manager), m_store(store)
    {
    }

    bool AnyMarked() const;
    void MarkAll(bool marked);

    // Each returns how the run went: Changed when at least one row was written (so the list
    // must be read again), AllOk when every marked row succeeded. A failing row is reported
    // and the run goes on.
    struct Outcome {
        bool Changed = false;
        bool AllOk = false;
    };
    Outcome DeleteMarked(int dataYear);
    // Copies the entered (or else the finance) amount into the control amount.
    Outcome CopyAmounts(int dataYear, bool fromEntered);

private:
    bool Marked(int row) const;
    TNextGrid* m_grid;
    TNextGridManager* m_manager;
    TBudgetManage* m_store;
};
