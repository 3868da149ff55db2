#pragma once
// The indicator record and its store in busibudget.

#include "platform/untCurrency.h"
#include "platform/untException.h"

#include <QString>
#include <QVariantList>
#include <memory>
#include <vector>

class TExceptBudgetManage : public Exception
{
public:
    using Exception::Exception;
};

// The characters busibudget.filename holds: the longest document number.
inline constexpr int kFileNameLength = 200;

// One row of busibudget. Dates are texts ("yyyy-mm-dd" for new records).
struct TBudget {
    int DataYear = 0;
    QString BudgId;
    QString Eid;
    QString Bkid;
    QString Mid;
    QString IPid;
    QString Pid;
    QString Bid;
    QString Iid;
    QString IIdName;
    QString EKid;
    QString Wid;
    QString Vid;
    QString UCid;
    QString UDid;
    QString UMid;
    QString UNid;
    QString UVid;
    QString FileName;
    QString FileDate;
    Currency InputMoney;
    Currency DueMoney;
    Currency BudgMoney;
    Currency SplitMoney;
    QString InputDate;
    QString UserId;
    QString AuditDate;
    QString AuditId;
    QString SplitDate;
    QString SplitId;
    QString IniBudgId;
    QString CBudgId;
    QString PBudgId;
    QString ReplaceFlag = QStringLiteral("1");
    QString PayFlag = QStringLiteral("1");
    QString ExpFlag = QStringLiteral("1");
    QString Memoo;
    QString ImpFlag = QStringLiteral("1");
    QString Status = QStringLiteral("0");
    QString BudgetSource;
    QString BurId;
    QString DeptClass;
    QString SplitType;
    QString BType = QStringLiteral("1");
    QString BTypeChild = QStringLiteral("0");
    QString IsSecret = QStringLiteral("1");
    QString BSource;

    bool operator==(const TBudget&) const = default;
};

// The indicator store: one statement per operation on the default connection.
class TARQuery;
// The fields a stored indicator is read back with, from the query's current row (the year, id,
// type and the fields a saved entry sets itself are left as they are).
void ReadBudgetFields(TARQuery* ds, TBudget& r);
// Every row of a "select *" over busibudget, whole (id, type and all), from the current row on.
std::vector<TBudget> ReadBudgets(TARQuery* ds, int dataYear);

// Inserts many indicators through prepared statements of many rows each (one round trip and
// one statement per batch): the columns and values InsertSql writes (a document number, date
// or operator that is empty left NULL, as InsertSql leaves them out). For writers of many rows
// inside one transaction: Flush before committing; the inserter is made before the transaction
// and freed after it (a statement cannot be freed in a transaction a failure has aborted).
class TPreparedSql;
class TCopyRows;
class TBudgetInserter
{
public:
    static constexpr int kBatch = 100;
    TBudgetInserter();
    ~TBudgetInserter();
    // Raise TExceptBudgetManage when a statement cannot be prepared or run.
    void Insert(const TBudget& b);
    void Flush();
    // Drops what is not yet written; on PostgreSQL the copy ends refused, so the connection can
    // roll its transaction back. Call it before the transaction ends without Flush.
    void Abandon();

private:
    void Run(std::unique_ptr<TPreparedSql>& statement);
    std::unique_ptr<TPreparedSql> m_batch; // kBatch rows
    std::unique_ptr<TPreparedSql> m_tail;  // the rows left at the end
    std::unique_ptr<TCopyRows> m_copy;     // PostgreSQL: every row through one COPY
    bool m_plain = false;                  // the connection has no COPY
    QVariantList m_pending;
    int m_rows = 0;
};

class TBudgetManage
{
public:
    // Raise TExceptBudgetManage when the statement fails.
    bool InsertBudget(const TBudget& b);
    bool UpdateBudget(const TBudget& b, int amountMode);
    // False when the statement fails; they raise nothing.
    bool DeleteBudget(const TBudget& b, const QString& condition);
    bool UpdateBudgetFields(const TBudget& b, const QString& assignments, const QString& condition);
    // False, record untouched, when the row is missing or cannot be read.
    bool LoadBudget(TBudget& b);

    // The statements as the operations build them.
    static QString InsertSql(const TBudget& b);
    static QString UpdateSql(const TBudget& b, int amountMode);
    static QString DeleteSql(const TBudget& b, const QString& condition);
    static QString UpdateFieldsSql(const TBudget& b, const QString& assignments,
                                   const QString& condition);
    static QString LoadSql(const TBudget& b);
};
