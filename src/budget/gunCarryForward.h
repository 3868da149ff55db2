#pragma once
// Carrying the previous year's indicators into the working year (年度结转).

#include "budget/gunBudgetSave.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

// What a carry would do, before it writes.
struct TCarryPlan {
    int FromYear = 0;
    int ToYear = 0;
    std::vector<TBudget> ToCopy; // as read from the year before
    int Duplicates = 0;          // the new year has their like (carried already, say)
    int Alike = 0;               // the like of another one carried: only the first is
    int Missing = 0;             // left out: their unit, subject or item is not in the new year
    QStringList MissingElements; // "单位 101001009", "科目 2050202", "项目 …", each once, sorted
    QStringList OutOfRange;      // ids of those left out for an amount beyond Currency::InRange
};

// The indicators of fromYear whose ids the statement idsSql gives (a list's statement over
// that year), checked against toYear. Raises TExceptBudgetManage when they cannot be read.
TCarryPlan PlanCarryForward(int fromYear, int toYear, const QString& idsSql);

using TCarryProgress = TWriteProgress;

// Writes the plan in one write transaction: each indicator anew with an id drawn as the entry
// dialog draws them, today's dates, the operator as user and auditor, no split and the remark
// "结转" + the year before; the rest (amounts, codes, flags) as it was. The duplicate rule is
// applied again inside the transaction, an empty document number matching a missing one, so a
// second carry adds nothing. Returns how many were written; 0 and nothing written when
// cancelled. Raises TExceptBudgetManage when the write fails (nothing is written then either).
int CarryForward(const TCarryPlan& plan, const TCarryProgress& progress = {});
