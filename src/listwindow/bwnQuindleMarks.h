#pragma once
// The marked rows of the list: mark all, delete, amount copies.

#include <QList>
#include <QString>
#include <functional>

class TNextGrid;
class TNextGridManager;
class TBudgetManage;

// The marked rows of the list and what is done to them. The totals row is never one of them.
class TListMarks
{
public:
    TListMarks(TNextGrid* grid, TNextGridManager* manager, TBudgetManage* store)
        : m_grid(grid), m_manager(manager), m_store(store)
    {
    }

    bool AnyMarked() const;
    void MarkAll(bool marked);

    // How a run went: Changed when at least one row was written (the list must be read again),
    // AllOk when every marked row succeeded, Stopped when the operator ended it after a failure
    // (the rows not yet tried are untouched). A failing row is reported with the database's
    // reason; the operator may go on with the others or stop.
    struct Outcome {
        bool Changed = false;
        bool AllOk = false;
        bool Stopped = false;
    };
    Outcome DeleteMarked(int dataYear);
    // Copies the entered (or else the finance) amount into the control amount; a cell that is
    // not an amount raises and ends the run.
    Outcome CopyAmounts(int dataYear, bool fromEntered);

private:
    bool Marked(int row) const;
    bool IsTotalsRow(int row) const;
    QList<int> MarkedRows() const;
    Outcome Run(const QString& failure, const std::function<bool(int row)>& action);

    TNextGrid* m_grid;
    TNextGridManager* m_manager;
    TBudgetManage* m_store;
};
