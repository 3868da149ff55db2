#pragma once
// Deleting the marked indicators and copying amounts into their control amount, beside the list.

#include "budget/gunBudgetBulk.h"
#include "support/untWorkRunner.h"

#include <functional>
#include <vector>

class TWindowWork;

// Copies: the finance or the entered amount into the control amount.
enum class TBulkAction { Delete, CopyFinance, CopyEntered };

// How a bulk run ended: the writer's outcome, and the work's (Failed with the error).
struct TBulkResult {
    TBulkOutcome Rows;
    TWorkOutcome Work = TWorkOutcome::Done;
    QString Error;
    // The list shows what is no longer so: read it again.
    bool Changed() const
    {
        return Rows.Written > 0 || Rows.Missing > 0 || Rows.Altered > 0 || Rows.Stopped ||
               Work == TWorkOutcome::Failed;
    }
};

// The rows of a run, collected beside the window while `going` says yes (what it raises ends
// the run).
using TBulkRows = std::function<std::vector<TBulkRow>(const std::function<bool()>& going)>;

// Runs the action over the rows on the window's work. A row the database refuses is reported
// with its reason, and the operator chooses to go on with the others or stop (the last row's
// refusal is only reported). `done` runs on the window's thread; false when the work could not
// start.
bool StartBulk(TWindowWork* work, TBulkAction action, int dataYear, TBulkRows rows,
               std::function<void(const TBulkResult&)> done);

// What the operator is told when some marked rows were no longer stored (deleted by another
// operator since the list was read): how many, and how many the action (`what`: 删除,
// 复制金额) did reach.
QString MissingRowsText(const TBulkOutcome& rows, const QString& what);
