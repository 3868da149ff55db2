#pragma once
// Saving an indicator: the duplicate test, new ids and the write transaction around them.

#include "budget/gunBudget.h"

#include <QSet>
#include <QString>
#include <functional>
#include <vector>

class TAdoConn;

// The program paths the history of changes records with each write.
enum class TWritePath { Entry, Import, Carry, Copy, Delete, Restore };
QString WritePathText(TWritePath path);

// Serialises the writers of one data year: on SQLite an immediate transaction, on PostgreSQL a
// transaction-scoped advisory lock keyed on the year; either waits at most the connection's lock
// timeout for another writer. Other databases run without one. Rolled back unless committed.
class TBudgetWriteTransaction
{
public:
    // Raises TExceptBudgetManage, saying that nothing was written, when the transaction cannot
    // begin: another writer kept the lock for the whole wait, or the connection failed (a lost
    // connection is opened anew once first). A transaction that only adds indicators (onlyAdds)
    // may have their history written at its commit in one statement. One that changes a single
    // stored indicator and none of its duplicate key (lockedRow: its id) cannot make a duplicate
    // or draw an id: on PostgreSQL it locks that row only, so it waits for no import or other
    // save of the year (SQLite takes one writer at a time all the same).
    TBudgetWriteTransaction(int dataYear, TWritePath path, bool onlyAdds = false,
                            const QString& lockedRow = QString());
    ~TBudgetWriteTransaction();
    TBudgetWriteTransaction(const TBudgetWriteTransaction&) = delete;
    TBudgetWriteTransaction& operator=(const TBudgetWriteTransaction&) = delete;
    // Raises TExceptBudgetManage when the work cannot be committed (it is rolled back; a
    // connection lost while committing is said to leave it uncertain).
    void Commit();
    // A statement of the transaction failed for want of the connection (lost, or another's lock
    // held for the whole wait), not for what it wrote: the transaction cannot go on.
    bool Interrupted() const;
    // The failure of a statement of the transaction as the operator reads it: the transaction is
    // rolled back, nothing of it written.
    QString Failure(const QString& error) const;

private:
    QString Refusal() const;
    void End();

    TAdoConn* m_conn = nullptr;
    TWritePath m_path;
    bool m_open = false;
    bool m_writer = false; // named in busibudgetwriter (SQLite)
};

// The duplicate test's statement: same year, type, sub-type, source, unit, money kind,
// expenditure type, subject, item and document number (an empty one matching a missing one);
// when modifying not the indicator itself.
QString ExistsSameBudgetSql(const TBudget& b, int dataYear, bool adding);
bool ExistsSameBudget(const TBudget& b, int dataYear, bool adding);

// The bookkeeping of a new indicator, in order: a new id, no split, today's dates, the
// operator as auditor, the flags, the remark "录入" + type caption + "CS", the status, the
// source flags and the unit's department class.
void CompleteNewBudget(TBudget& b, const QString& typeCaption);
// The same without the id (for writers that draw ids themselves).
void CompleteNewBudgetFields(TBudget& b, const QString& typeCaption);

enum class TSaveOutcome { Saved, Duplicate };
// The duplicate test and then the insert (with CompleteNewBudget) or the update of both
// amounts, in one write transaction. Raises the store's error when the write fails. A
// modification given the record as it was read (`stored`) is refused, nothing written, when
// another operator changed or deleted it since.
TSaveOutcome SaveBudgetChecked(TBudgetManage& store, TBudget& b, bool adding,
                               const QString& typeCaption, const TBudget* stored = nullptr);
// Raises TExceptBudgetManage unless the indicator is stored exactly as `stored`.
void CheckStillStored(TBudgetManage& store, const TBudget& stored);
// Reads the indicator of b's year and id into b; false when it is no longer stored. Raises
// TExceptBudgetManage with `unreadable` (%1 the id, %2 the database's reason) when it cannot be
// read.
bool LoadStoredBudget(TBudgetManage& store, TBudget& b, const QString& unreadable);

// The duplicate rule's fields as one key, a missing document number read as an empty one (the
// rule's SQL would never match NULL, so every re-run would copy such indicators again).
QString BudgetDuplicateKey(const TBudget& b);
// The duplicate keys the year holds now. Raises TExceptBudgetManage when they cannot be read.
QSet<QString> ExistingBudgetKeys(int dataYear);

// Told every few hundred indicators; false cancels.
using TWriteProgress = std::function<bool(int written, int total)>;
// What a batch write says until its first progress: the writers' lock may be another's a while.
QString WaitingToWritePhase();
// `progress` that first calls `writing`, once: the writers' lock is the batch's from then on.
TWriteProgress AfterLockTaken(std::function<void()> writing, TWriteProgress progress);

// Gives the index-th indicator to write, its bookkeeping filled in but not its id; false skips it.
using TBudgetSource = std::function<bool(int index, TBudget& b)>;

// The duplicate keys stored in dataYear that the indicators from `source` can meet (the whole
// year's when they are too many to name). Raises TExceptBudgetManage when they cannot be read.
QSet<QString> StoredBudgetKeys(int dataYear, int count, const TBudgetSource& source);

// Inserts `count` indicators from `source` into dataYear in one write transaction: the duplicate
// rule is applied again under the lock (other operators, and earlier indicators of the same
// call), ids are drawn as the entry dialog draws them (max + 1, the following ones ours under
// the lock). Returns how many were written; 0 and nothing written when cancelled. Raises
// TExceptBudgetManage when the write fails (nothing is written then either). `duplicates` gets
// the indexes, ascending, of the indicators left out as already stored or given earlier.
int InsertNewBudgets(int dataYear, TWritePath path, int count, const TBudgetSource& source,
                     const TWriteProgress& progress = {}, std::vector<int>* duplicates = nullptr);
