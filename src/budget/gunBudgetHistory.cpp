#include "budget/gunBudgetHistory.h"

#include "budget/gunBudget.h"
#include "budget/gunBudgetSave.h"
#include "budget/gunFunCheck.h"
#include "context/untWorkContext.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <algorithm>
#include <optional>
#include <tuple>

namespace
{
constexpr int kReadProgressEvery = 2000;
// Restored in steps of so many: read, checked and written in a few statements each.
constexpr int kRestoreProgressEvery = 200;

// The captions of the fields an operator knows; others show their column name.
QString FieldCaption(const QString& column)
{
    static const QHash<QString, QString> captions{
        {"datayear", "数据年度"},    {"budgid", "指标编号"},       {"eid", "预算单位"},
        {"bkid", "预算来源"},        {"mid", "资金性质"},          {"ipid", "支出类型"},
        {"pid", "支付方式"},         {"bid", "科目编码"},          {"iid", "项目编码"},
        {"iidname", "项目名称"},     {"ekid", "经济分类"},         {"filename", "指标文号"},
        {"filedate", "文号日期"},    {"inputmoney", "录入金额"},   {"duemoney", "财政金额"},
        {"budgmoney", "控制金额"},   {"splitmoney", "拆分金额"},   {"inputdate", "录入日期"},
        {"userid", "录入人"},        {"auditdate", "审核日期"},    {"auditid", "审核人"},
        {"memoo", "备注"},           {"status", "状态"},           {"burid", "所属处室"},
        {"btype", "指标类型"},       {"btypechild", "指标子类型"}, {"issecret", "密级"},
        {"deptclass", "单位类别"},   {"budgetsource", "指标来源"}, {"bsource", "来源标志"},
        {"payflag", "支付标志"},     {"expflag", "支出标志"},      {"impflag", "导入标志"},
        {"replaceflag", "替换标志"}, {"splitdate", "拆分日期"},    {"splitid", "拆分人"},
        {"splittype", "拆分类型"},   {"inibudgid", "原指标编号"}};
    return captions.value(column, column);
}

bool IsMoneyColumn(const QString& column)
{
    return column.endsWith(QLatin1String("money"));
}

// Every amount with grouping and at least two decimals, never rounded.
QString AmountText(const QString& text)
{
    const std::optional<Currency> c = Currency::FromText(text);
    return c ? c->FormatExact() : text;
}

QJsonObject ParseRow(const QString& row)
{
    return row.isEmpty() ? QJsonObject() : QJsonDocument::fromJson(row.toUtf8()).object();
}

QString Value(const QJsonObject& row, const QString& column)
{
    return row.value(column).toString(); // null and missing read as empty
}

bool SameValue(const QString& column, const QString& a, const QString& b)
{
    if (a == b)
        return true;
    if (!IsMoneyColumn(column))
        return false;
    const auto x = Currency::FromText(a.isEmpty() ? QStringLiteral("0") : a);
    const auto y = Currency::FromText(b.isEmpty() ? QStringLiteral("0") : b);
    return x && y && *x == *y;
}

QString OperatorText(TARQuery* ds, int code, int name)
{
    const QString c = ds->Fields(code).AsString();
    if (c.isEmpty())
        return QStringLiteral("程序外写入");
    const QString n = ds->Fields(name).AsString();
    return n.isEmpty() ? c : c + QLatin1Char(' ') + n;
}

TQueryRef OpenOrRaise(const QString& sql, const QString& what)
{
    TQueryRef query;
    if (!OpenSql(sql, query))
        throw TExceptBudgetManage(QStringLiteral("%1：%2").arg(what, LastDbError()));
    return query;
}
} // namespace

bool HistoryInstalled()
{
    TQueryRef query;
    return OpenSql(QStringLiteral("select histid from busibudgethistory where 1=0"), query);
}

QString HistoryNotSetUpText()
{
    return QStringLiteral("这个数据库还没有建立指标历史，无法查看修改记录。请系统管理员运行\n"
                          "vesperwald-db upgrade --connection \"…\"\n"
                          "建立后，此后的每次增加、修改和删除都会记录下来（现有数据不受影响）。");
}

std::vector<THistoryChange> DiffBudgetRows(const QString& oldRow, const QString& newRow)
{
    const QJsonObject before = ParseRow(oldRow);
    const QJsonObject after = ParseRow(newRow);
    QStringList columns = before.keys();
    for (const QString& c : after.keys())
        if (!before.contains(c))
            columns << c;
    // Keep the stored order of the columns (JSON objects come back sorted by key).
    static const QStringList order{"datayear",  "budgid",   "btype",      "btypechild",
                                   "eid",       "bkid",     "mid",        "ipid",
                                   "bid",       "iid",      "iidname",    "filename",
                                   "budgmoney", "duemoney", "inputmoney", "splitmoney"};
    std::stable_sort(columns.begin(), columns.end(), [&](const QString& a, const QString& b) {
        const qsizetype i = order.indexOf(a), j = order.indexOf(b);
        return (i < 0 ? order.size() : i) < (j < 0 ? order.size() : j);
    });
    std::vector<THistoryChange> changes;
    for (const QString& c : columns) {
        const QString a = Value(before, c), b = Value(after, c);
        if (SameValue(c, a, b))
            continue;
        const bool money = IsMoneyColumn(c);
        changes.push_back({FieldCaption(c), money && !a.isEmpty() ? AmountText(a) : a,
                           money && !b.isEmpty() ? AmountText(b) : b});
    }
    return changes;
}

QString BudgetHistorySql(int dataYear, const QString& budgId, qint64 upTo)
{
    return QStringLiteral("select h.changedat, h.operator, u.username, h.action, h.path, "
                          "h.oldrow, h.newrow from busibudgethistory h left join hostuser u on "
                          "u.userid = h.operator where h.datayear = %1 and h.budgid = '%2'%3 "
                          "order by h.histid desc")
        .arg(dataYear)
        .arg(SqlText(budgId),
             upTo > 0 ? QStringLiteral(" and h.histid <= %1").arg(upTo) : QString());
}

QString StoredBudgetRow(int dataYear, const QString& budgId)
{
    TQueryRef query =
        OpenOrRaise(QStringLiteral("select * from busibudget where datayear = %1 and budgid = '%2'")
                        .arg(dataYear)
                        .arg(SqlText(budgId)),
                    QStringLiteral("无法读取指标"));
    TARQuery* ds = query->Dataset();
    if (ds->IsEmpty())
        return QString();
    QJsonObject row;
    for (int i = 0; i < ds->FieldCount(); ++i) {
        const TField f = ds->Fields(i);
        row.insert(f.FieldName().toLower(), f.IsNull() ? QJsonValue() : QJsonValue(f.AsString()));
    }
    return QString::fromUtf8(QJsonDocument(row).toJson(QJsonDocument::Compact));
}

namespace
{
// The deletion a restore under `budgId`, a new id, put back (older than history row `before`
// when given): its old id and history row.
std::optional<std::pair<QString, qint64>> RestoredFrom(int dataYear, const QString& budgId,
                                                       qint64 before)
{
    TQueryRef query = OpenOrRaise(
        QStringLiteral("select budgid, histid from busibudgethistory where datayear = %1 and "
                       "action = '删除' and restoredid = '%2' and budgid <> '%2'%3 order by "
                       "histid desc")
            .arg(dataYear)
            .arg(SqlText(budgId),
                 before > 0 ? QStringLiteral(" and histid < %1").arg(before) : QString()),
        QStringLiteral("无法读取指标历史"));
    TARQuery* ds = query->Dataset();
    if (ds->IsEmpty())
        return std::nullopt;
    return std::make_pair(ds->Fields(0).AsString(), ds->Fields(1).AsString().toLongLong());
}
} // namespace

std::vector<THistoryVersion> ReadBudgetHistory(int dataYear, const QString& budgId)
{
    std::vector<THistoryVersion> versions;
    // Rows come newest first. An addition kept without its image (the triggers keep none) was, as
    // added, the next version's old image, or the stored row while no version followed.
    QString laterOld;
    QString laterAction;
    bool later = false;
    QString id = budgId;
    qint64 upTo = 0; // each step reads older rows only: a chain of restores ends
    for (;;) {
        TQueryRef query =
            OpenOrRaise(BudgetHistorySql(dataYear, id, upTo), QStringLiteral("无法读取指标历史"));
        for (TARQuery* ds = query->Dataset(); !ds->Eof(); ds->Next()) {
            const QString action = ds->Fields(3).AsString();
            // An id freed by a deletion and drawn again by a new indicator: what came before
            // the addition was another indicator's (已删除的指标 lists it).
            if (action == QStringLiteral("删除") && laterAction == QStringLiteral("增加"))
                return versions;
            const QString oldRow = ds->Fields(5).AsString();
            QString newRow = ds->Fields(6).AsString();
            if (newRow.isEmpty() &&
                (action == QStringLiteral("增加") || action == QStringLiteral("恢复")))
                newRow = later ? laterOld : StoredBudgetRow(dataYear, budgId);
            versions.push_back({ds->Fields(0).AsString(), OperatorText(ds, 1, 2), action,
                                ds->Fields(4).AsString(), DiffBudgetRows(oldRow, newRow)});
            laterOld = oldRow;
            laterAction = action;
            later = true;
        }
        if (laterAction != QStringLiteral("恢复"))
            break;
        // Restored under a new id: its versions before go on under the old one, up to the
        // deletion that restore undid.
        const auto from = RestoredFrom(dataYear, id, upTo);
        if (!from)
            break;
        std::tie(id, upTo) = *from;
    }
    return versions;
}

QString DeletedBudgetsSql(int dataYear, const QString& unitPrefix)
{
    return QStringLiteral("select h.histid, h.budgid, h.eid, h.changedat, h.operator, u.username, "
                          "h.oldrow from busibudgethistory h left join hostuser u on u.userid = "
                          "h.operator where h.datayear = %1 and h.action = '删除' and "
                          "h.restoredid is null and h.eid like '%2%' order by h.histid desc")
        .arg(dataYear)
        .arg(SqlText(unitPrefix));
}

std::vector<TDeletedBudget> ReadDeletedBudgets(int dataYear, const QString& unitPrefix,
                                               const TReadProgress& progress)
{
    TQueryRef query = OpenOrRaise(DeletedBudgetsSql(dataYear, unitPrefix),
                                  QStringLiteral("无法读取已删除的指标"));
    std::vector<TDeletedBudget> rows;
    for (TARQuery* ds = query->Dataset(); !ds->Eof(); ds->Next()) {
        if (progress && rows.size() % kReadProgressEvery == 0 && !progress(int(rows.size())))
            break;
        const QJsonObject row = ParseRow(ds->Fields(6).AsString());
        rows.push_back({ds->Fields(0).AsString(), ds->Fields(1).AsString(),
                        ds->Fields(2).AsString(), Value(row, "filename"), Value(row, "bid"),
                        Currency::FromText(Value(row, "budgmoney")).value_or(Currency()),
                        ds->Fields(3).AsString(), OperatorText(ds, 4, 5)});
    }
    return rows;
}

namespace
{
// The duplicate rule's fields of a deleted row.
TBudget KeyFields(const QJsonObject& row, int dataYear)
{
    TBudget b;
    b.DataYear = dataYear;
    b.BType = Value(row, "btype");
    b.BTypeChild = Value(row, "btypechild");
    b.Bkid = Value(row, "bkid");
    b.Eid = Value(row, "eid");
    b.Mid = Value(row, "mid");
    b.IPid = Value(row, "ipid");
    b.Bid = Value(row, "bid");
    b.Iid = Value(row, "iid");
    b.FileName = Value(row, "filename");
    return b;
}

// A deletion as the history keeps it.
struct TDeletion {
    QString BudgId;
    QJsonObject Row;
    bool Restored = false;
    TBudget Fields; // the duplicate rule's
};

// The ids of one step of a restore, as numbers.
QList<qint64> HistIdStep(const QStringList& histIds, qsizetype first)
{
    QList<qint64> step;
    for (const QString& id : histIds.mid(first, kRestoreProgressEvery))
        step << id.toLongLong();
    return step;
}

// `columns` of the year's deletions among `histIds`.
TQueryRef ReadDeletionRows(int dataYear, const QString& columns, const QList<qint64>& histIds)
{
    QStringList ids;
    for (qint64 id : histIds)
        ids << QString::number(id);
    return OpenOrRaise(QStringLiteral("select %1 from busibudgethistory where datayear = %2 and "
                                      "action = '删除' and histid in (%3)")
                           .arg(columns)
                           .arg(dataYear)
                           .arg(ids.join(QLatin1Char(','))),
                       QStringLiteral("无法读取已删除的指标"));
}

// The deletions of `histIds` in the year, by history id.
QHash<qint64, TDeletion> ReadDeletions(int dataYear, const QList<qint64>& histIds)
{
    TQueryRef query =
        ReadDeletionRows(dataYear, QStringLiteral("histid, budgid, oldrow, restoredid"), histIds);
    QHash<qint64, TDeletion> deletions;
    for (TARQuery* ds = query->Dataset(); !ds->Eof(); ds->Next()) {
        const QJsonObject row = ParseRow(ds->Fields(2).AsString());
        deletions.insert(
            ds->Fields(0).AsString().toLongLong(),
            {ds->Fields(1).AsString(), row, !ds->Fields(3).IsNull(), KeyFields(row, dataYear)});
    }
    return deletions;
}

// The largest id the deletions of `histIds` had: ids drawn anew start beyond it, so a row put
// back later in the same run still finds its own id free.
qint64 LargestOwnId(int dataYear, const QStringList& histIds)
{
    qint64 largest = 0;
    for (qsizetype first = 0; first < histIds.size(); first += kRestoreProgressEvery) {
        TQueryRef query =
            ReadDeletionRows(dataYear, QStringLiteral("budgid"), HistIdStep(histIds, first));
        for (TARQuery* ds = query->Dataset(); !ds->Eof(); ds->Next())
            largest = std::max(largest, ds->Fields(0).AsString().toLongLong());
    }
    return largest;
}

// Those of `ids` the year holds.
QSet<QString> StoredIds(int dataYear, const QStringList& ids)
{
    QStringList quoted;
    for (const QString& id : ids)
        quoted << "'" + SqlText(id) + "'";
    TQueryRef query =
        OpenOrRaise(QStringLiteral("select budgid from busibudget where datayear = %1 and budgid "
                                   "in (%2)")
                        .arg(dataYear)
                        .arg(quoted.join(QLatin1Char(','))),
                    QStringLiteral("无法检查指标编号"));
    QSet<QString> stored;
    for (TARQuery* ds = query->Dataset(); !ds->Eof(); ds->Next())
        stored.insert(ds->Fields(0).AsString());
    return stored;
}

// The rows of one insert statement: rows kept with the same columns go in together.
class TRestoreInserts
{
public:
    void Add(const QJsonObject& row)
    {
        static const QRegularExpression columnName(QStringLiteral("^[a-z]+$"));
        QStringList columns, values;
        for (auto it = row.constBegin(); it != row.constEnd(); ++it) {
            if (!columnName.match(it.key()).hasMatch())
                throw TExceptBudgetManage(QStringLiteral("指标历史中的列名%1不正确").arg(it.key()));
            columns << it.key();
            values << (it.value().isNull() ? QStringLiteral("NULL")
                                           : "'" + SqlText(it.value().toString()) + "'");
        }
        const QString head = columns.join(QLatin1Char(','));
        if (head != m_columns)
            Flush();
        m_columns = head;
        m_values << "(" + values.join(QLatin1Char(',')) + ")";
    }
    void Flush()
    {
        if (m_values.isEmpty())
            return;
        if (!ExecSql("insert into busibudget (" + m_columns + ") values " +
                     m_values.join(QLatin1Char(','))))
            throw TExceptBudgetManage(LastDbError());
        m_values.clear();
    }

private:
    QString m_columns;
    QStringList m_values;
};
} // namespace

TRestoreOutcome RestoreDeletedBudgets(int dataYear, const QStringList& histIds,
                                      const TWriteProgress& progress)
{
    TRestoreOutcome outcome;
    TBudgetWriteTransaction transaction(dataYear, TWritePath::Restore);
    try {
        // Ids drawn anew follow the year's largest and the selection's own, skipping those
        // restored meanwhile; the writers' lock keeps others from adding.
        qint64 next = std::max(GetNextNumber(QStringLiteral("busiBudget"), QStringLiteral("budgid"),
                                             QStringLiteral(" datayear= %1").arg(dataYear))
                                   .toLongLong(),
                               LargestOwnId(dataYear, histIds) + 1);
        QSet<QString> restoredIds; // put back by this run
        QSet<QString> keys;        // the duplicate keys stored and restored
        for (qsizetype first = 0; first < histIds.size(); first += kRestoreProgressEvery) {
            if (progress && !progress(int(first), int(histIds.size())))
                return {}; // rolled back
            const QList<qint64> chunk = HistIdStep(histIds, first);
            const QHash<qint64, TDeletion> deletions = ReadDeletions(dataYear, chunk);
            QStringList ownIds;
            std::vector<const TBudget*> fields;
            for (const TDeletion& d : deletions) {
                ownIds << d.BudgId;
                fields.push_back(&d.Fields);
            }
            keys.unite(StoredBudgetKeys(dataYear, int(fields.size()), [&](int i, TBudget& b) {
                b = *fields[size_t(i)];
                return true;
            }));
            const QSet<QString> stored = StoredIds(dataYear, ownIds);
            TRestoreInserts inserts;
            QStringList marks, marked; // "when histid then id" of the history rows restored
            for (qint64 histId : chunk) {
                const auto found = deletions.constFind(histId);
                if (found == deletions.cend() || found->Restored) {
                    outcome.Notes << QStringLiteral("指标%1已经恢复过，没有再次恢复。")
                                         .arg(found == deletions.cend() ? QString::number(histId)
                                                                        : found->BudgId);
                    continue;
                }
                const QString key = BudgetDuplicateKey(found->Fields);
                if (keys.contains(key)) {
                    outcome.Notes << QStringLiteral("指标%1与本年度现有的指标属性相同，没有恢复。")
                                         .arg(found->BudgId);
                    continue;
                }
                QString id = found->BudgId;
                if (stored.contains(id) || restoredIds.contains(id)) {
                    id = QString::number(next++);
                    outcome.Notes << QStringLiteral("指标编号%1已被占用，恢复为新编号%2。")
                                         .arg(found->BudgId, id);
                }
                QJsonObject row = found->Row;
                row.insert(QStringLiteral("datayear"), QString::number(dataYear));
                row.insert(QStringLiteral("budgid"), id);
                inserts.Add(row);
                keys.insert(key);
                restoredIds.insert(id);
                marks << QStringLiteral("when %1 then '%2'").arg(histId).arg(SqlText(id));
                marked << QString::number(histId);
                ++outcome.Restored;
            }
            inserts.Flush();
            if (!marks.isEmpty() &&
                !ExecSql(QStringLiteral("update busibudgethistory set restoredid = case histid "
                                        "%1 end where datayear = %2 and action = '删除' and "
                                        "histid in (%3)")
                             .arg(marks.join(QLatin1Char(' ')))
                             .arg(dataYear)
                             .arg(marked.join(QLatin1Char(',')))))
                throw TExceptBudgetManage(LastDbError());
        }
    } catch (const Exception& e) {
        // Another's lock held for the whole wait, or the connection lost: said as every writer
        // says it, not in the server's words.
        throw TExceptBudgetManage(
            transaction.Interrupted()
                ? transaction.Failure(e.Message())
                : QStringLiteral("恢复未能完成，没有恢复任何指标：%1").arg(e.Message()));
    }
    transaction.Commit();
    return outcome;
}
