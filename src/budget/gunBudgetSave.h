#pragma once
// Saving an indicator: the duplicate test, new ids and the write transaction around them.

#include "budget/gunBudget.h"

#include <QString>

// Serialises the writers of one data year: on SQLite an immediate transaction (waiting for the
// busy timeout), on PostgreSQL a transaction-scoped advisory lock keyed on the year. Other
// databases run without one. Rolled back unless committed.
class TBudgetWriteTransaction
{
public:
    // Raises TExceptBudgetManage when the transaction cannot begin.
    explicit TBudgetWriteTransaction(int dataYear);
    ~TBudgetWriteTransaction();
    TBudgetWriteTransaction(const TBudgetWriteTransaction&) = delete;
    TBudgetWriteTransaction& operator=(const TBudgetWriteTransaction&) = delete;
    // Raises TExceptBudgetManage when the work cannot be committed (it is rolled back).
    void Commit();

private:
    bool m_open = false;
};

// The duplicate test's statement: same year, type, sub-type, source, unit, money kind,
// expenditure type, subject, item and document number; when modifying not the indicator itself.
QString ExistsSameBudgetSql(const TBudget& b, int dataYear, bool adding);
bool ExistsSameBudget(const TBudget& b, int dataYear, bool adding);

// The bookkeeping of a new indicator, in order: a new id, no split, today's dates, the
// operator as auditor, the flags, the remark "录入" + type caption + "CS", the status, the
// source flags and the unit's department class.
void CompleteNewBudget(TBudget& b, const QString& typeCaption);

enum class TSaveOutcome { Saved, Duplicate };
// The duplicate test and then the insert (with CompleteNewBudget) or the update of both
// amounts, in one write transaction. Raises the store's error when the write fails.
TSaveOutcome SaveBudgetChecked(TBudgetManage& store, TBudget& b, bool adding,
                               const QString& typeCaption);
