#include "budget/gunCarryForward.h"

#include "budget/gunBudgetSave.h"
#include "budget/gunFunCheck.h"
#include "context/untWorkContext.h"

#include <QSet>

namespace
{
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
    const QSet<QString> stored = ExistingBudgetKeys(toYear);
    QSet<QString> keys; // of those carried
    QSet<QString> missing;
    for (TBudget& b : budgets) {
        if (!b.InputMoney.InRange() || !b.DueMoney.InRange() || !b.BudgMoney.InRange()) {
            plan.OutOfRange << b.BudgId;
            continue;
        }
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
        const QString key = BudgetDuplicateKey(b);
        if (stored.contains(key)) {
            ++plan.Duplicates;
            continue;
        }
        if (keys.contains(key)) {
            ++plan.Alike;
            continue;
        }
        keys.insert(key);
        plan.ToCopy.push_back(std::move(b));
    }
    plan.MissingElements = QStringList(missing.begin(), missing.end());
    plan.MissingElements.sort();
    return plan;
}

int CarryForward(const TCarryPlan& plan, const TCarryProgress& progress)
{
    const QString today = TodayText();
    const QString user = CurrentUserCode();
    const QString remark = QStringLiteral("结转%1").arg(plan.FromYear);
    return InsertNewBudgets(
        plan.ToYear, TWritePath::Carry, int(plan.ToCopy.size()),
        [&](int i, TBudget& b) {
            b = plan.ToCopy[size_t(i)];
            b.SplitMoney = Currency();
            b.SplitDate.clear();
            b.SplitId.clear();
            b.FileDate = b.InputDate = b.AuditDate = today;
            b.UserId = b.AuditId = user;
            b.Memoo = remark;
            return true;
        },
        progress);
}
