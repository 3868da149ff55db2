#pragma once
// The history of changes of indicators: an indicator's versions, deleted indicators, restore.

#include "budget/gunBudgetSave.h"
#include "platform/untCurrency.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

// One field of a version: its caption and its texts before and after (amounts exact).
struct THistoryChange {
    QString Field;
    QString Old;
    QString New;
};

// One version of an indicator as the history keeps it.
struct THistoryVersion {
    QString Time;
    QString Operator; // code and name; "程序外写入" when another program wrote it
    QString Action;   // 增加, 修改, 删除, 恢复
    QString Path;     // 录入, 导入, 结转, 复制, 删除, 恢复
    std::vector<THistoryChange> Changes;
};

// Whether the database keeps the history (vesperwald-db upgrade sets it up).
bool HistoryInstalled();
// What to say when it does not.
QString HistoryNotSetUpText();

// The fields that differ between two stored rows (JSON objects of texts as the history keeps
// them; either may be empty for an added or a deleted indicator). Amounts are compared as
// amounts (100 and 100.0000 are equal), an empty text as a missing one.
std::vector<THistoryChange> DiffBudgetRows(const QString& oldRow, const QString& newRow);

// The history rows of one id, newest first; with `upTo`, those up to that history row only.
QString BudgetHistorySql(int dataYear, const QString& budgId, qint64 upTo = 0);
// The indicator as stored now, in the history's form (a JSON object of texts); empty when the
// year holds no such indicator. Raises TExceptBudgetManage.
QString StoredBudgetRow(int dataYear, const QString& budgId);
// The versions of one indicator, newest first, back to its addition: an earlier indicator
// deleted under the same id is not part of it; one restored under a new id goes on with the
// versions it had under its old one. Raises TExceptBudgetManage.
std::vector<THistoryVersion> ReadBudgetHistory(int dataYear, const QString& budgId);

// An indicator deleted and not restored since.
struct TDeletedBudget {
    QString HistId;
    QString BudgId;
    QString Eid;
    QString FileName;
    QString Subject;
    Currency Amount; // the control amount
    QString Time;
    QString Operator;
};
QString DeletedBudgetsSql(int dataYear, const QString& unitPrefix);
// Told every few thousand rows read (a bulk delete leaves hundreds of thousands); false stops.
using TReadProgress = std::function<bool(int read)>;
// The indicators deleted in the year whose unit begins with the prefix, newest first; those read
// so far when `progress` stops it. Raises TExceptBudgetManage.
std::vector<TDeletedBudget> ReadDeletedBudgets(int dataYear, const QString& unitPrefix,
                                               const TReadProgress& progress = {});

struct TRestoreOutcome {
    int Restored = 0;
    QStringList Notes; // ids drawn anew, indicators left out and why
};
// Puts the deleted indicators back as they were, with their ids (an id taken since gets the
// next one, said in a note), in one write transaction; one the year holds already by the entry
// dialog's duplicate rule is left out with a note. The history records them as 恢复. Raises
// TExceptBudgetManage saying nothing was written when the write fails; `progress` told every few
// hundred, false rolls back: nothing restored, no notes.
TRestoreOutcome RestoreDeletedBudgets(int dataYear, const QStringList& histIds,
                                      const TWriteProgress& progress = {});
