#include "budget/gunBudgetBulk.h"

#include "context/untDbError.h"
#include "context/untPreparedSql.h"
#include "context/untSqlDialect.h"
#include "context/untWorkContext.h"

#include <QScopeGuard>
#include <algorithm>
#include <map>
#include <optional>

namespace
{
QString Marks(int rows)
{
    return QStringList(rows, QStringLiteral("?")).join(QLatin1Char(','));
}

// The stored values against the listed ones: amounts as amounts (the list and the engines write
// their digits differently), the rest as texts.
bool SameAsListed(const QStringList& fields, const QStringList& listed, const QStringList& stored)
{
    if (listed.size() != fields.size())
        return false;
    for (qsizetype f = 0; f < fields.size(); ++f) {
        if (listed[f] == stored.value(f))
            continue;
        if (!fields[f].endsWith(QLatin1String("money")))
            return false;
        const std::optional<Currency> a = Currency::FromText(listed[f]);
        const std::optional<Currency> b = Currency::FromText(stored.value(f));
        if (!a || !b || a->Raw() != b->Raw())
            return false;
    }
    return true;
}

// `columns` of the year's indicators among `ids`, by id; raises TExceptBudgetManage with
// `failure` of the database's message when they cannot be read.
std::map<QString, QStringList> StoredValues(int dataYear, const QStringList& columns,
                                            const QStringList& ids,
                                            const std::function<QString(const QString&)>& failure)
{
    QStringList quoted;
    for (const QString& id : ids)
        quoted << "'" + SqlText(id) + "'";
    TQueryRef query;
    if (!OpenSql(QStringLiteral("select budgid,%1 from busibudget where datayear=%2 and budgid "
                                "in (%3)")
                     .arg(columns.join(QLatin1Char(',')))
                     .arg(dataYear)
                     .arg(quoted.join(QLatin1Char(','))),
                 query))
        throw TExceptBudgetManage(failure(LastDbError()));
    std::map<QString, QStringList> stored;
    for (TARQuery* ds = query->Dataset(); !ds->Eof(); ds->Next()) {
        QStringList& values = stored[ds->Fields(0).AsString()];
        for (int c = 1; c <= columns.size(); ++c)
            values << ds->Fields(c).AsString();
    }
    return stored;
}

// How a run writes `n` rows: the statement (bound with the year and the ids).
struct BulkKind {
    QString (*Sql)(int rows);
    TWritePath Path;        // what the history records the rows were written by
    const char16_t* Verb;   // what the run does to a row, as the operator is told
    const char* Source;     // the stored amount a copy writes, checked before it is
    const char16_t* Amount; // that amount as the operator knows it
};

class BulkRun
{
public:
    BulkRun(int dataYear, const std::vector<TBulkRow>& rows, const BulkKind& kind,
            const TWriteProgress& progress)
        : m_year(dataYear), m_rows(rows), m_kind(kind), m_progress(progress),
          m_postgres(DefDialect().GetKind() == TSqlDialect::PostgreSQL)
    {
        // In the order of their ids (numbers: shorter first), the table's own order: a long
        // run then reads and writes each page once instead of jumping about.
        std::stable_sort(m_rows.begin(), m_rows.end(), [](const TBulkRow& a, const TBulkRow& b) {
            return a.BudgId.size() != b.BudgId.size() ? a.BudgId.size() < b.BudgId.size()
                                                      : a.BudgId < b.BudgId;
        });
    }

    TBulkOutcome Run(const TBulkRefusal& refused)
    {
        TBulkOutcome outcome;
        while (m_next < m_rows.size()) {
            QString reason;
            std::optional<int> written;
            try {
                written = WriteUntilRefused(reason);
            } catch (const TExceptBudgetManage& e) {
                if (outcome.Written == 0)
                    throw;
                // Transactions before the failed one were committed.
                throw TExceptBudgetManage(QStringLiteral("已%1%L2条指标；其余的没有%1：%3")
                                              .arg(QString::fromUtf16(m_kind.Verb))
                                              .arg(outcome.Written)
                                              .arg(e.Message()));
            }
            if (!written) {
                outcome.Cancelled = true;
                return outcome;
            }
            outcome.Written += *written;
            outcome.Missing = m_missing;
            outcome.Altered = m_altered;
            if (m_next >= m_rows.size())
                break;
            // m_next is the refused row: it stays as it is.
            outcome.AllOk = false;
            const bool last = m_next + 1 == m_rows.size();
            ++m_next;
            if (!refused(reason, last)) {
                outcome.Stopped = !last;
                return outcome;
            }
        }
        if (m_progress)
            m_progress(int(m_rows.size()), int(m_rows.size()));
        return outcome;
    }

private:
    // Writes from m_next in one transaction until the end or a refused row (m_next then points
    // at it, `reason` says why); how many rows were written, none when cancelled. Rows the
    // database no longer holds count in m_missing once committed.
    std::optional<int> WriteUntilRefused(QString& reason)
    {
        TBudgetWriteTransaction transaction(m_year, m_kind.Path);
        m_transaction = &transaction;
        const auto done = qScopeGuard([this] { m_transaction = nullptr; });
        int written = 0;
        m_changed = 0;
        m_alteredNow = 0;
        while (m_next < m_rows.size()) {
            if (!Going())
                return std::nullopt; // rolled back
            const int n = int(std::min<size_t>(kBulkBatch, m_rows.size() - m_next));
            if (!Try(n, reason)) {
                if (!Going())
                    return std::nullopt; // the failure was the cancel's own
                // One row at a time finds the refused one; the rows before it are written.
                int k = 0;
                while (k < n && Try(1, reason)) {
                    ++m_next;
                    ++k;
                }
                written += k;
                if (k == n)
                    continue;
                if (!Going())
                    return std::nullopt;
                break;
            }
            m_next += size_t(n);
            written += n;
        }
        transaction.Commit();
        m_missing += written - m_changed - m_alteredNow;
        m_altered += m_alteredNow;
        return m_changed;
    }

    bool Going() { return !m_progress || m_progress(int(m_next), int(m_rows.size())); }

    // The ids of the n rows from m_next that are stored as listed, and how many are stored
    // under their id with another key; false with the reason when a copy would write an amount
    // beyond the range. Read inside the write transaction, under the writers' lock that bulk
    // runs, imports and carries take (a single save, which locks only its row, checks the range
    // of what it writes itself).
    bool Stored(int n, QVariantList& ids, int& altered, QString& reason)
    {
        QStringList listed;
        for (int i = 0; i < n; ++i)
            listed << m_rows[m_next + size_t(i)].BudgId;
        const QStringList& fields = BulkKeyFields(!m_kind.Source);
        const int keys = int(fields.size());
        const std::map<QString, QStringList> stored = StoredValues(
            m_year, m_kind.Source ? fields + QStringList{QLatin1String(m_kind.Source)} : fields,
            listed, [this](const QString& error) { return m_transaction->Failure(error); });
        for (int i = 0; i < n; ++i) {
            const TBulkRow& row = m_rows[m_next + size_t(i)];
            const auto found = stored.find(row.BudgId);
            if (found == stored.end())
                continue;
            if (!row.Key.isEmpty() && !SameAsListed(fields, row.Key, found->second)) {
                ++altered;
                continue;
            }
            if (m_kind.Source && !AmountFits(row.BudgId, found->second.value(keys), reason))
                return false;
            ids << row.BudgId;
        }
        return true;
    }

    bool AmountFits(const QString& id, const QString& text, QString& reason) const
    {
        const std::optional<Currency> value = Currency::FromText(text);
        if (value && value->InRange())
            return true;
        bool number = false;
        text.toDouble(&number);
        reason = QStringLiteral("编号为%1的指标的%2为“%3”，%4")
                     .arg(id, QString::fromUtf16(m_kind.Amount), text,
                          number ? Currency::RangeText() : QStringLiteral("不是有效的金额"));
        return false;
    }

    // Runs the statement for n rows from m_next; false with the database's reason when refused.
    // A failure that is no refusal of the rows (the connection lost, another's lock held for the
    // whole wait) ends the run: trying the rows one by one would only meet it again.
    bool Try(int n, QString& reason)
    {
        QVariantList ids;
        int altered = 0;
        if (!Stored(n, ids, altered, reason))
            return false;
        if (ids.isEmpty()) {
            m_alteredNow += altered;
            return true;
        }
        // Filled up with the last id (one more time in the list changes nothing): the batch's
        // statement serves, however many rows were left out.
        while (ids.size() < n)
            ids << ids.last();
        TPreparedSql& statement = Statement(n);
        QVariantList values{m_year};
        values += ids;
        if (m_postgres)
            Exec(QStringLiteral("SAVEPOINT vw_bulk"));
        try {
            const qint64 changed = statement.Exec(values);
            m_changed += int(changed);
            m_alteredNow += altered;
        } catch (const TExceptDbManager& e) {
            if (m_transaction->Interrupted())
                throw TExceptBudgetManage(m_transaction->Failure(e.Message()));
            reason = e.Message();
            if (m_postgres)
                Exec(QStringLiteral("ROLLBACK TO SAVEPOINT vw_bulk"));
            return false;
        }
        if (m_postgres)
            Exec(QStringLiteral("RELEASE SAVEPOINT vw_bulk"));
        return true;
    }

    TPreparedSql& Statement(int n)
    {
        std::unique_ptr<TPreparedSql>& s = m_statements[n];
        if (!s) {
            try {
                s = std::make_unique<TPreparedSql>(m_kind.Sql(n));
            } catch (const TExceptDbManager& e) {
                throw TExceptBudgetManage(m_transaction->Failure(e.Message()));
            }
        }
        return *s;
    }

    void Exec(const QString& sql)
    {
        if (!ExecSql(sql))
            throw TExceptBudgetManage(m_transaction->Failure(LastDbError()));
    }

    int m_year;
    std::vector<TBulkRow> m_rows;
    const BulkKind& m_kind;
    const TWriteProgress& m_progress;
    const bool m_postgres;
    size_t m_next = 0;
    int m_changed = 0;    // rows the current transaction's statements changed
    int m_missing = 0;    // rows not found, in transactions committed
    int m_alteredNow = 0; // rows stored with another key, in the current transaction
    int m_altered = 0;    // and in transactions committed
    const TBudgetWriteTransaction* m_transaction = nullptr; // the one writing, while it lasts
    // By row count; declared before any transaction, so freed after it ends.
    std::map<int, std::unique_ptr<TPreparedSql>> m_statements;
};

const BulkKind kDelete{&BulkDeleteSql, TWritePath::Delete, u"删除", nullptr, nullptr};
const BulkKind kCopyFinance{&BulkCopyFinanceSql, TWritePath::Copy, u"复制金额", "DueMoney",
                            u"财政金额"};
const BulkKind kCopyEntered{&BulkCopyEnteredSql, TWritePath::Copy, u"复制金额", "InputMoney",
                            u"录入金额"};
} // namespace

const QStringList& BulkKeyFields(bool deleting)
{
    static const QStringList key{"eid", "bid",  "iid",   "mid",        "bkid",    "ipid",
                                 "pid", "ekid", "btype", "btypechild", "filename"};
    static const QStringList deleted = key + QStringList{"inputmoney", "duemoney", "budgmoney"};
    static const QStringList copied = key + QStringList{"budgmoney"};
    return deleting ? deleted : copied;
}

TListedState StoredAsListed(int dataYear, const TBulkRow& row)
{
    const QStringList& fields = BulkKeyFields(true);
    const std::map<QString, QStringList> stored =
        StoredValues(dataYear, fields, {row.BudgId}, [&row](const QString& error) {
            return QStringLiteral("无法读取编号为%1的预算指标：%2").arg(row.BudgId, error);
        });
    const auto found = stored.find(row.BudgId);
    if (found == stored.end())
        return TListedState::Gone;
    return row.Key.isEmpty() || SameAsListed(fields, row.Key, found->second)
               ? TListedState::AsListed
               : TListedState::Altered;
}

QString BulkDeleteSql(int rows)
{
    return QStringLiteral("delete from busibudget where datayear=? and budgid in (%1)")
        .arg(Marks(rows));
}

// The stored amount, not the one the list showed: another operator may have changed it since.
QString BulkCopyFinanceSql(int rows)
{
    return QStringLiteral(
               "update busibudget set BudgMoney=DueMoney where datayear=? and budgid in (%1)")
        .arg(Marks(rows));
}

QString BulkCopyEnteredSql(int rows)
{
    return QStringLiteral(
               "update busibudget set BudgMoney=InputMoney where datayear=? and budgid in (%1)")
        .arg(Marks(rows));
}

TBulkOutcome DeleteBudgets(int dataYear, const std::vector<TBulkRow>& rows,
                           const TBulkRefusal& refused, const TWriteProgress& progress)
{
    return BulkRun(dataYear, rows, kDelete, progress).Run(refused);
}

TBulkOutcome CopyControlAmounts(int dataYear, const std::vector<TBulkRow>& rows, bool fromEntered,
                                const TBulkRefusal& refused, const TWriteProgress& progress)
{
    return BulkRun(dataYear, rows, fromEntered ? kCopyEntered : kCopyFinance, progress)
        .Run(refused);
}
