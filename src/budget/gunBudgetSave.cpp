#include "budget/gunBudgetSave.h"

#include "budget/gunFunCheck.h"
#include "context/untWorkContext.h"

#include <utility>

namespace
{
// The advisory-lock space of indicator writers on PostgreSQL.
constexpr int kWritersLock = 71;
constexpr int kProgressEvery = 500;

QString Q(const QString& value)
{
    return SqlText(value);
}

// On the transaction's own connection, whichever context is current when it ends; the failure
// stays on the connection.
bool Exec(TAdoConn* conn, const QString& sql)
{
    try {
        ExecuteCommand(conn, sql);
        return true;
    } catch (const TExceptDbManager&) {
        return false;
    }
}
} // namespace

QString WritePathText(TWritePath path)
{
    switch (path) {
    case TWritePath::Entry:
        return QStringLiteral("录入");
    case TWritePath::Import:
        return QStringLiteral("导入");
    case TWritePath::Carry:
        return QStringLiteral("结转");
    case TWritePath::Copy:
        return QStringLiteral("复制");
    case TWritePath::Delete:
        return QStringLiteral("删除");
    case TWritePath::Restore:
        return QStringLiteral("恢复");
    }
    return QString();
}

TBudgetWriteTransaction::TBudgetWriteTransaction(int dataYear, TWritePath path, bool onlyAdds,
                                                 const QString& lockedRow)
    : m_path(path)
{
    const TSqlDialect::Kind kind = DefDialect().GetKind();
    if (kind != TSqlDialect::SQLite && kind != TSqlDialect::PostgreSQL)
        return;
    m_conn = GetDefConnection();
    // SQLite waits for the lock through its busy timeout, PostgreSQL through lock_timeout set for
    // this transaction: the same wait, the connection's lock timeout, on both.
    const QString begin =
        kind == TSqlDialect::SQLite ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN");
    // A connection lost since its last statement is opened anew: the BEGIN that met the loss
    // is simply tried once more.
    if (!Exec(m_conn, begin) && !(m_conn->Lost() && Exec(m_conn, begin)))
        throw TExceptBudgetManage(Refusal());
    m_open = true;
    m_conn->SetInTransaction(true);
    const QString lock =
        lockedRow.isEmpty()
            ? QStringLiteral("select pg_advisory_xact_lock(%1, %2)").arg(kWritersLock).arg(dataYear)
            : QStringLiteral("select budgid from busibudget where datayear=%1 and budgid='%2' "
                             "for update")
                  .arg(QString::number(dataYear), Q(lockedRow));
    if (kind == TSqlDialect::PostgreSQL &&
        !(Exec(m_conn,
               QStringLiteral("SET LOCAL lock_timeout = %1").arg(m_conn->LockTimeout() * 1000)) &&
          Exec(m_conn, lock))) {
        // Begun, then ended while it waited for the lock (a terminated session): not a refusal.
        const QString refusal = m_conn->Lost() ? Failure(m_conn->LastError()) : Refusal();
        End();
        throw TExceptBudgetManage(refusal);
    }
    m_conn->SetLastError(QString()); // what fails from here is this transaction's own
    try {
        m_conn->SetWritePath(WritePathText(path));
        m_writer = m_conn->MarkWriter(onlyAdds);
    } catch (const TExceptDbManager&) {
        const QString refusal = Refusal();
        End();
        throw TExceptBudgetManage(refusal);
    }
}

TBudgetWriteTransaction::~TBudgetWriteTransaction()
{
    End();
}

namespace
{
QString LockWaitText(int seconds)
{
    return QStringLiteral("其他操作员正在保存预算指标，等了%1秒仍未轮到，没有写入任何数据。"
                          "请稍后再试。")
        .arg(seconds);
}
} // namespace

QString TBudgetWriteTransaction::Refusal() const
{
    if (m_conn->LastErrorWasLockWait())
        return LockWaitText(m_conn->LockTimeout());
    const QString work = m_path == TWritePath::Delete ? QStringLiteral("删除")
                         : m_path == TWritePath::Copy ? QStringLiteral("复制金额")
                                                      : QStringLiteral("保存");
    return QStringLiteral("无法开始%1，没有写入任何数据：%2").arg(work, m_conn->LastError());
}

bool TBudgetWriteTransaction::Interrupted() const
{
    return m_conn && (m_conn->LastErrorWasLockWait() || m_conn->Lost());
}

QString TBudgetWriteTransaction::Failure(const QString& error) const
{
    if (m_conn && m_conn->LastErrorWasLockWait())
        return LockWaitText(m_conn->LockTimeout());
    if (m_conn && m_conn->Lost())
        return QStringLiteral("与数据库的连接已断开，没有写入任何数据：%1").arg(error);
    return QStringLiteral("写入未能完成，没有写入任何数据：%1").arg(error);
}

void TBudgetWriteTransaction::End()
{
    if (!m_open)
        return;
    m_open = false;
    Exec(m_conn, QStringLiteral("ROLLBACK")); // its own failure is on the connection's record
    m_conn->SetInTransaction(false);
}

void TBudgetWriteTransaction::Commit()
{
    if (!m_open)
        return;
    // A failure below leaves the rollback to the destructor, as the exception leaves the scope.
    if (m_conn->Lost()) { // the server dropped the transaction with the connection
        throw TExceptBudgetManage(
            QStringLiteral("与数据库的连接已断开，没有写入任何数据：%1").arg(m_conn->LastError()));
    }
    // The writer's name leaves with this transaction: emptied in it, so never committed.
    if (m_writer) {
        try {
            m_conn->UnmarkWriter();
        } catch (const TExceptDbManager& e) {
            throw TExceptBudgetManage(
                QStringLiteral("保存未能完成，没有写入任何数据：%1").arg(e.Message()));
        }
    }
    m_open = false;
    const bool committed = Exec(m_conn, QStringLiteral("COMMIT"));
    m_conn->SetInTransaction(false);
    if (committed)
        return;
    const QString error = m_conn->LastError();
    if (m_conn->Lost()) // lost on the way: the server may have committed or not
        throw TExceptBudgetManage(
            QStringLiteral("提交时与数据库的连接断开，无法确定是否已经写入，请刷新列表查看：%1")
                .arg(error));
    Exec(m_conn, QStringLiteral("ROLLBACK"));
    throw TExceptBudgetManage(QStringLiteral("保存未能完成，没有写入任何数据：%1").arg(error));
}

QString ExistsSameBudgetSql(const TBudget& b, int dataYear, bool adding)
{
    QString sql = "select budgid from BusiBudget   where datayear=" + QString::number(dataYear) +
                  "   and BType='" + Q(b.BType) + "' and BTypeChild='" + Q(b.BTypeChild) +
                  "' and bkid='" + Q(b.Bkid) + "' and eid='" + Q(b.Eid) + "' and mid='" + Q(b.Mid) +
                  "' and ipid='" + Q(b.IPid) + "' and bid='" + Q(b.Bid) + "' and iid='" + Q(b.Iid) +
                  "' and ";
    // A missing document number is the same as an empty one (the entry dialog stores NULL).
    sql += b.FileName.isEmpty() ? DefDialect().EmptyText(QStringLiteral("filename"))
                                : "filename='" + Q(b.FileName) + "'";
    if (!adding)
        sql += " and budgid<>'" + Q(b.BudgId) + "'";
    return sql;
}

bool ExistsSameBudget(const TBudget& b, int dataYear, bool adding)
{
    TQueryRef query;
    if (!OpenSql(ExistsSameBudgetSql(b, dataYear, adding), query))
        throw TExceptBudgetManage(QStringLiteral("无法检查重复的预算指标：%1").arg(LastDbError()));
    return !query->Dataset()->IsEmpty();
}

void CompleteNewBudget(TBudget& b, const QString& typeCaption)
{
    b.BudgId = GetNewBudgId();
    CompleteNewBudgetFields(b, typeCaption);
}

void CompleteNewBudgetFields(TBudget& b, const QString& typeCaption)
{
    b.SplitMoney = Currency();
    b.SplitDate.clear();
    b.FileDate = b.InputDate = b.AuditDate = TodayText();
    b.AuditId = CurrentUserCode();
    b.IniBudgId.clear();
    b.PayFlag = QStringLiteral("1");
    b.ImpFlag = QStringLiteral("1");
    b.Memoo = QStringLiteral("录入") + typeCaption + QStringLiteral("CS");
    b.ReplaceFlag = QStringLiteral("0");
    const TSysParams& params = SysParams();
    b.Status = params.StatusFlag == QLatin1String("0") && params.BureauScope == 1
                   ? QStringLiteral("0")
                   : QStringLiteral("1");
    b.BudgetSource = QStringLiteral("2");
    b.BSource = QStringLiteral("0");
    b.DeptClass = CurrentUnitText(4);
}

TSaveOutcome SaveBudgetChecked(TBudgetManage& store, TBudget& b, bool adding,
                               const QString& typeCaption, const TBudget* stored)
{
    const bool keyKept = !adding && stored && stored->BudgId == b.BudgId &&
                         stored->DataYear == b.DataYear &&
                         BudgetDuplicateKey(*stored) == BudgetDuplicateKey(b);
    TBudgetWriteTransaction transaction(b.DataYear, TWritePath::Entry, false,
                                        keyKept ? b.BudgId : QString());
    if (stored)
        CheckStillStored(store, *stored);
    if (ExistsSameBudget(b, b.DataYear, adding))
        return TSaveOutcome::Duplicate; // rolled back: nothing was written
    if (adding) {
        const TBudget before = b;
        try {
            CompleteNewBudget(b, typeCaption);
            store.InsertBudget(b);
        } catch (...) {
            b = before; // a later try draws its id anew
            throw;
        }
    } else {
        store.UpdateBudget(b, 3);
    }
    transaction.Commit();
    return TSaveOutcome::Saved;
}

bool LoadStoredBudget(TBudgetManage& store, TBudget& b, const QString& unreadable)
{
    if (store.LoadBudget(b))
        return true;
    // False means missing or unreadable: asked again, so that the reason is this read's own.
    TQueryRef query;
    if (!OpenSql(TBudgetManage::LoadSql(b), query) || !query->Dataset()->IsEmpty())
        throw TExceptBudgetManage(unreadable.arg(b.BudgId, LastDbError()));
    return false;
}

void CheckStillStored(TBudgetManage& store, const TBudget& stored)
{
    TBudget now;
    now.DataYear = stored.DataYear;
    now.BudgId = stored.BudgId;
    if (!LoadStoredBudget(store, now,
                          QStringLiteral("无法读取编号为%1的预算指标，没有写入任何数据：%2")))
        throw TExceptBudgetManage(
            QStringLiteral("编号为%1的预算指标已被其他操作员删除，没有写入任何数据。")
                .arg(stored.BudgId));
    if (now == stored)
        return;
    throw TExceptBudgetManage(
        QStringLiteral("编号为%1的预算指标在您打开之后已被其他操作员修改，没有写入任何数据。"
                       "请关闭本窗口，重新打开该指标后再修改。")
            .arg(stored.BudgId));
}

QString BudgetDuplicateKey(const TBudget& b)
{
    return QStringList{b.BType, b.BTypeChild, b.Bkid, b.Eid,     b.Mid,
                       b.IPid,  b.Bid,        b.Iid,  b.FileName}
        .join(QChar(0x1f));
}

namespace
{
// The stored keys a batch of rows can meet are read by the whole key in one statement, found
// through the list index's columns (type, unit, subject, money kind); beyond so many keys, one
// pass over the year costs less.
constexpr int kKeyCombinationsMost = 20000;

// The duplicate key's columns, in BudgetDuplicateKey's order.
const QStringList& KeyColumns()
{
    static const QStringList columns{"btype", "btypechild", "bkid", "eid",     "mid",
                                     "ipid",  "bid",        "iid",  "filename"};
    return columns;
}

QString YearKeysSql(int dataYear)
{
    return "select " + KeyColumns().join(QLatin1Char(',')) +
           " from busibudget where datayear=" + QString::number(dataYear);
}

void ReadBudgetKeys(int dataYear, const QString& sql, QSet<QString>& keys)
{
    TQueryRef query;
    if (!OpenSql(sql, query))
        throw TExceptBudgetManage(
            QStringLiteral("无法读取%1年的预算指标：%2").arg(dataYear).arg(LastDbError()));
    for (TARQuery* ds = query->Dataset(); !ds->Eof(); ds->Next()) {
        QStringList parts;
        for (int c = 0; c < KeyColumns().size(); ++c)
            parts << ds->Fields(c).AsString();
        keys.insert(parts.join(QChar(0x1f)));
    }
}

// The statement that reads what a batch's rows can meet; the year whole when a row's type is
// empty (a stored one may be NULL, which the key reads as empty) or when the keys are too many.
// Empty: nothing to read.
QString KeysSql(int dataYear, int count, const TBudgetSource& source)
{
    QSet<QString> seen;
    QStringList rows;
    for (int i = 0; i < count; ++i) {
        TBudget b;
        if (!source(i, b))
            continue;
        if (b.BType.isEmpty())
            return YearKeysSql(dataYear);
        const QString key = BudgetDuplicateKey(b);
        if (seen.contains(key))
            continue;
        seen.insert(key);
        const QStringList parts = key.split(QChar(0x1f));
        if (parts.size() != KeyColumns().size()) // a value holding the key's separator
            return YearKeysSql(dataYear);
        QStringList values;
        for (const QString& v : parts)
            values << "'" + Q(v) + "'";
        rows << "(" + values.join(QLatin1Char(',')) + ")";
        if (rows.size() > kKeyCombinationsMost)
            return YearKeysSql(dataYear);
    }
    if (rows.isEmpty())
        return QString();
    static const QStringList indexed{"btype", "eid", "bid", "mid"}; // the list index's
    QStringList selected, matched;
    for (const QString& c : KeyColumns()) {
        selected << "b." + c;
        // A missing value is read as an empty one, as the key has it.
        matched << (indexed.contains(c) ? "b." + c : "coalesce(b." + c + ",'')") + "=k." + c;
    }
    return "with k(" + KeyColumns().join(QLatin1Char(',')) + ") as (values " +
           rows.join(QLatin1Char(',')) + ") select " + selected.join(QLatin1Char(',')) +
           " from busibudget b join k on b.datayear=" + QString::number(dataYear) + " and " +
           matched.join(QStringLiteral(" and "));
}
} // namespace

QSet<QString> ExistingBudgetKeys(int dataYear)
{
    QSet<QString> keys;
    ReadBudgetKeys(dataYear, YearKeysSql(dataYear), keys);
    return keys;
}

QSet<QString> StoredBudgetKeys(int dataYear, int count, const TBudgetSource& source)
{
    QSet<QString> keys;
    const QString sql = KeysSql(dataYear, count, source);
    if (!sql.isEmpty())
        ReadBudgetKeys(dataYear, sql, keys);
    return keys;
}

QString WaitingToWritePhase()
{
    return QStringLiteral("正在准备写入（其他操作员正在保存时，等其完成）…");
}

TWriteProgress AfterLockTaken(std::function<void()> writing, TWriteProgress progress)
{
    return [writing = std::move(writing), progress = std::move(progress),
            told = false](int done, int total) mutable {
        if (!std::exchange(told, true))
            writing();
        return progress(done, total);
    };
}

int InsertNewBudgets(int dataYear, TWritePath path, int count, const TBudgetSource& source,
                     const TWriteProgress& progress, std::vector<int>* duplicates)
{
    // Prepared before the transaction and freed after it ends: a statement cannot be freed
    // inside a transaction that a failed insert has aborted.
    TBudgetInserter inserter;
    // Worked out before the writers' lock is taken: under it only the keys the rows can meet
    // are read, not the whole year's.
    const QString keysSql = KeysSql(dataYear, count, source);
    // Its refusal says nothing was written; it only adds.
    TBudgetWriteTransaction transaction(dataYear, path, true);
    int written = 0;
    std::vector<int> repeated;
    try {
        QSet<QString> keys;
        if (!keysSql.isEmpty())
            ReadBudgetKeys(dataYear, keysSql, keys);
        qint64 next = GetNextNumber(QStringLiteral("busiBudget"), QStringLiteral("budgid"),
                                    QStringLiteral(" datayear= %1").arg(dataYear))
                          .toLongLong();
        for (int i = 0; i < count; ++i) {
            if (progress && i % kProgressEvery == 0 && !progress(i, count)) {
                inserter.Abandon();
                return 0; // rolled back
            }
            TBudget b;
            if (!source(i, b))
                continue;
            b.DataYear = dataYear;
            const QString key = BudgetDuplicateKey(b);
            if (keys.contains(key)) {
                repeated.push_back(i);
                continue;
            }
            keys.insert(key);
            b.BudgId = QString::number(next++);
            inserter.Insert(b);
            ++written;
        }
        inserter.Flush();
    } catch (const Exception& e) {
        inserter.Abandon(); // the transaction can then be rolled back
        throw TExceptBudgetManage(transaction.Failure(e.Message()));
    } catch (...) {
        inserter.Abandon();
        throw;
    }
    transaction.Commit();
    if (progress)
        progress(count, count);
    if (duplicates)
        *duplicates = std::move(repeated);
    return written;
}
