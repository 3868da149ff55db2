#include "budget/gunCarryForward.h"

#include "budget/gunBudgetSave.h"
#include "budget/gunFunCheck.h"
#include "context/untWorkContext.h"

#include <QSet>

namespace
{
constexpr int kProgressEvery = 500;

// The duplicate rule's fields, a missing document number read as an empty one.
QString DuplicateKey(const TBudget& b)
{
    return QStringList{b.BType, b.BTypeChild, b.Bkid, b.Eid,     b.Mid,
                       b.IPid,  b.Bid,        b.Iid,  b.FileName}
        .join(QChar(0x1f));
}

// False when the key is taken already.
bool Claim(QSet<QString>& keys, const QString& key)
{
    if (keys.contains(key))
        return false;
    keys.insert(key);
    return true;
}

TQueryRef Read(const QString& sql, const QString& what)
{
    TQueryRef query;
    if (!OpenSql(sql, query))
        throw TExceptBudgetManage(QStringLiteral("无法读取%1：%2").arg(what, LastDbError()));
    return query;
}

QSet<QString> Codes(const QString& sql, const QString& what)
{
    const TQueryRef query = Read(sql, what);
    QSet<QString> codes;
    for (TARQuery* ds = query->Dataset(); !ds->Eof(); ds->Next())
        codes.insert(ds->Fields(0).AsString());
    return codes;
}

// The duplicate keys the year holds now.
QSet<QString> ExistingKeys(int year)
{
    const TQueryRef query =
        Read(QStringLiteral("select btype,btypechild,bkid,eid,mid,ipid,bid,iid,filename from "
                            "busibudget where datayear=%1")
                 .arg(year),
             QStringLiteral("%1年的预算指标").arg(year));
    QSet<QString> keys;
    for (TARQuery* ds = query->Dataset(); !ds->Eof(); ds->Next()) {
        QStringList parts;
        for (int c = 0; c < 9; ++c)
            parts << ds->Fields(c).AsString();
        keys.insert(parts.join(QChar(0x1f)));
    }
    return keys;
}
} // namespace

TCarryPlan PlanCarryForward(int fromYear, int toYear, const QString& idsSql)
{
    TCarryPlan plan;
    plan.FromYear = fromYear;
    plan.ToYear = toYear;
    const TQueryRef source =
        Read(QStringLiteral("select * from busibudget where datayear=%1 and budgid in "
                            "(select budgid from (%2) ids)")
                 .arg(fromYear)
                 .arg(idsSql),
             QStringLiteral("%1年的预算指标").arg(fromYear));
    std::vector<TBudget> budgets = ReadBudgets(source->Dataset(), fromYear);
    const QSet<QString> units =
        Codes(QStringLiteral("select eid from pubdept"), QStringLiteral("预算单位"));
    const QSet<QString> subjects =
        Codes(QStringLiteral("select bid from pubsubject where datayear=%1").arg(toYear),
              QStringLiteral("%1年的科目").arg(toYear));
    const QSet<QString> items =
        Codes(QStringLiteral("select iid from pubitem where datayear=%1").arg(toYear),
              QStringLiteral("%1年的项目").arg(toYear));
    QSet<QString> keys = ExistingKeys(toYear);
    QSet<QString> missing;
    for (TBudget& b : budgets) {
        QStringList lacks;
        if (!units.contains(b.Eid))
            lacks << QStringLiteral("单位 ") + b.Eid;
        if (!b.Bid.isEmpty() && !subjects.contains(b.Bid))
            lacks << QStringLiteral("科目 ") + b.Bid;
        if (!b.Iid.isEmpty() && !items.contains(b.Iid))
            lacks << QStringLiteral("项目 ") + b.Iid;
        if (!lacks.isEmpty()) {
            ++plan.Missing;
            for (const QString& l : lacks)
                missing.insert(l);
            continue;
        }
        // A second indicator of the same key in the year before is refused like the first.
        if (!Claim(keys, DuplicateKey(b))) {
            ++plan.Duplicates;
            continue;
        }
        plan.ToCopy.push_back(std::move(b));
    }
    plan.MissingElements = QStringList(missing.begin(), missing.end());
    plan.MissingElements.sort();
    return plan;
}

int CarryForward(TBudgetManage& store, const TCarryPlan& plan, const TCarryProgress& progress)
{
    TBudgetWriteTransaction transaction(plan.ToYear);
    // Another operator may have written meanwhile: the rule is applied again under the lock.
    QSet<QString> keys = ExistingKeys(plan.ToYear);
    // The entry dialog draws max + 1; under the writers' lock the following ones are ours too.
    qint64 next = GetNextNumber(QStringLiteral("busiBudget"), QStringLiteral("budgid"),
                                QStringLiteral(" datayear= %1").arg(plan.ToYear))
                      .toLongLong();
    const QString today = TodayText();
    const QString user = CurrentUserCode();
    const QString remark = QStringLiteral("结转%1").arg(plan.FromYear);
    const int total = int(plan.ToCopy.size());
    int written = 0;
    for (int i = 0; i < total; ++i) {
        if (progress && i % kProgressEvery == 0 && !progress(i, total))
            return 0; // rolled back
        TBudget b = plan.ToCopy[size_t(i)];
        if (!Claim(keys, DuplicateKey(b)))
            continue;
        b.DataYear = plan.ToYear;
        b.BudgId = QString::number(next++);
        b.SplitMoney = Currency();
        b.SplitDate.clear();
        b.SplitId.clear();
        b.FileDate = b.InputDate = b.AuditDate = today;
        b.UserId = b.AuditId = user;
        b.Memoo = remark;
        store.InsertBudget(b);
        ++written;
    }
    transaction.Commit();
    if (progress)
        progress(total, total);
    return written;
}
