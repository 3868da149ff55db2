#pragma once
// Deleting indicators and setting their control amounts in bulk: batches of prepared statements.

#include "budget/gunBudgetSave.h"

#include <QString>
#include <functional>
#include <vector>

// One indicator of a bulk run (the copies take its amounts as stored): its id and, when known,
// the values of BulkKeyFields() it was listed with.
struct TBulkRow {
    QString BudgId;
    QStringList Key = {};
};

// The fields that tell whether a row is stored as it was listed. An id is drawn anew after the
// year's largest is deleted, and another operator may change an indicator after the list was
// read: a row stored under the listed id with other values is left alone and counted apart. A
// delete compares the amounts too; a copy the control amount it replaces (the amount it copies
// is taken as stored).
const QStringList& BulkKeyFields(bool deleting);

// Whether one indicator is stored as it was listed (its Key holds BulkKeyFields(true)). Raises
// TExceptBudgetManage when it cannot be read.
enum class TListedState { AsListed, Gone, Altered };
TListedState StoredAsListed(int dataYear, const TBulkRow& row);

// Told of a row the database refused, with the database's reason and whether it was the last
// row of the run; true goes on with the rows after it.
using TBulkRefusal = std::function<bool(const QString& reason, bool lastRow)>;

struct TBulkOutcome {
    int Written = 0;        // rows written (committed)
    int Missing = 0;        // rows no longer stored (deleted meanwhile): nothing written for them
    int Altered = 0;        // rows stored under their id with another unit or codes: not written
    bool AllOk = true;      // no row was refused
    bool Stopped = false;   // ended after a refusal: the rows not yet tried are untouched
    bool Cancelled = false; // cancelled: nothing since the last refusal was written
};

// The rows in the order of their ids (numbers: shorter first), kBatch per prepared statement, in
// a write transaction. A batch the
// database refuses is tried again row by row (each in a savepoint on PostgreSQL, where a failed
// statement aborts the transaction) to find the refused row: the rows before it are committed,
// then `refused` is asked (no transaction is held while the operator decides); going on starts
// a new transaction after the refused row. `progress` is told every batch; false cancels and
// rolls back what the current transaction wrote. Raises TExceptBudgetManage when the run cannot
// go on (a lost connection, say): what the current transaction wrote is rolled back then.
constexpr int kBulkBatch = 100;
TBulkOutcome DeleteBudgets(int dataYear, const std::vector<TBulkRow>& rows,
                           const TBulkRefusal& refused, const TWriteProgress& progress = {});

// Sets each row's control amount to its stored finance amount (DueMoney) or, `fromEntered`, its
// entered amount (InputMoney).
TBulkOutcome CopyControlAmounts(int dataYear, const std::vector<TBulkRow>& rows, bool fromEntered,
                                const TBulkRefusal& refused, const TWriteProgress& progress = {});

// The statements for `rows` rows as the runs prepare them.
QString BulkDeleteSql(int rows);
QString BulkCopyFinanceSql(int rows);
QString BulkCopyEnteredSql(int rows);
