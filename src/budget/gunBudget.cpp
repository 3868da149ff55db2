#include "budget/gunBudget.h"

#include "context/untWorkContext.h"

namespace
{
QString Q(const QString& text)
{
    return SqlText(text);
}

QString Money(Currency c)
{
    return c.ToSqlText();
}
} // namespace

QString TBudgetManage::InsertSql(const TBudget& b)
{
    QString cols = QStringLiteral(
        " insert into busibudget ( DataYear,BudgId,Eid,Mid,Bkid,IPid,Pid,EKid,Bid,Iid,IIdName, "
        "InputMoney,DueMoney,BudgMoney,SplitMoney, ReplaceFlag,PayFlag,ExpFlag,ImpFlag,Status, "
        "Wid,Vid,UCid,UDid,UMid,UNid,UVid,IniBudgId,CBudgId,PBudgId,Memoo,BurId,BudgetSource,"
        "DeptClass,SplitType,BType,BTypeChild,BSource,IsSecret");
    QString vals = ") values( " + QString::number(b.DataYear) + ",'" + Q(b.BudgId) + "','" +
                   Q(b.Eid) + "','" + Q(b.Mid) + "','" + Q(b.Bkid) + "','" + Q(b.IPid) + "','" +
                   Q(b.Pid) + "','" + Q(b.EKid) + "','" + Q(b.Bid) + "','" + Q(b.Iid) + "','" +
                   Q(b.IIdName) + "'," + Money(b.InputMoney) + "," + Money(b.DueMoney) + "," +
                   Money(b.BudgMoney) + "," + Money(b.SplitMoney) + ",'" + Q(b.ReplaceFlag) +
                   "','" + Q(b.PayFlag) + "','" + Q(b.ExpFlag) + "','" + Q(b.ImpFlag) + "','" +
                   Q(b.Status) + "','" + Q(b.Wid) + "','" + Q(b.Vid) + "','" + Q(b.UCid) + "','" +
                   Q(b.UDid) + "','" + Q(b.UMid) + "','" + Q(b.UNid) + "','" + Q(b.UVid) + "','" +
                   Q(b.IniBudgId) + "','" + Q(b.CBudgId) + "','" + Q(b.PBudgId) + "','" +
                   Q(b.Memoo) + "','" + Q(b.BurId) + "','" + Q(b.BudgetSource) + "','" +
                   Q(b.DeptClass) + "','" + Q(b.SplitType) + "','" + Q(b.BType) + "','" +
                   Q(b.BTypeChild) + "','" + Q(b.BSource) + "','" + Q(b.IsSecret) + "'";
    const TSqlDialect d = DefDialect();
    auto text = [&](const QString& value, const char* column) {
        if (!value.isEmpty()) {
            cols += QLatin1String(column);
            vals += ",'" + Q(value) + "'";
        }
    };
    auto date = [&](const QString& value, const char* column) {
        if (!value.isEmpty()) {
            cols += QLatin1String(column);
            vals += "," + d.DateLiteral(value);
        }
    };
    text(b.FileName, " ,FileName ");
    date(b.FileDate, " ,FileDate ");
    date(b.InputDate, " ,InputDate ");
    text(b.UserId, " ,UserId ");
    date(b.AuditDate, " ,AuditDate ");
    text(b.AuditId, " ,AuditId ");
    date(b.SplitDate, " ,SplitDate ");
    text(b.SplitId, " ,SplitId ");
    return cols + vals + ")";
}

QString TBudgetManage::UpdateSql(const TBudget& b, int amountMode)
{
    QString sql = " update busibudget  set Eid= '" + Q(b.Eid) + "'," + " Mid= '" + Q(b.Mid) + "'," +
                  " Bid= '" + Q(b.Bid) + "'," + " Iid= '" + Q(b.Iid) + "'," + " IIdName= '" +
                  Q(b.IIdName) + "'," + " IsSecret= '" + Q(b.IsSecret) + "'," +
                  " SplitMoney= " + Money(b.SplitMoney);
    switch (amountMode) {
    case 0:
        sql += ",inputMoney= " + Money(b.InputMoney);
        break;
    case 1:
        sql += ",DueMoney= " + Money(b.DueMoney);
        break;
    case 2:
        sql += ",BudgMoney= " + Money(b.BudgMoney);
        break;
    case 3:
        sql += ",inputMoney= " + Money(b.InputMoney) + ",BudgMoney= " + Money(b.BudgMoney);
        break;
    case 4:
        sql += ",DueMoney= " + Money(b.DueMoney) + ", BudgMoney= " + Money(b.BudgMoney);
        break;
    default:
        break;
    }
    const TSqlDialect d = DefDialect();
    auto text = [&](const QString& value, const char* piece) {
        if (!value.isEmpty())
            sql += QLatin1String(piece) + Q(value) + "'";
    };
    auto date = [&](const QString& value, const char* piece) {
        if (!value.isEmpty())
            sql += QLatin1String(piece) + d.DateLiteral(value);
    };
    text(b.Bkid, ",Bkid ='");
    text(b.IPid, " ,IPid ='");
    text(b.Pid, " ,Pid ='");
    text(b.EKid, " ,EKid ='");
    text(b.Wid, " ,Wid ='");
    text(b.Vid, " ,Vid ='");
    text(b.UCid, " ,UCid ='");
    text(b.UDid, " ,UDid ='");
    text(b.UMid, " ,UMid ='");
    text(b.UNid, " ,UNid ='");
    text(b.UVid, " ,UVid ='");
    text(b.FileName, " ,FileName ='");
    date(b.FileDate, " ,FileDate =");
    date(b.InputDate, " ,InputDate =");
    text(b.UserId, " ,UserId ='");
    date(b.AuditDate, " ,AuditDate =");
    text(b.AuditId, " ,AuditId ='");
    date(b.SplitDate, " ,SplitDate =");
    text(b.SplitId, " ,SplitId ='");
    text(b.IniBudgId, " ,IniBudgId ='");
    text(b.CBudgId, " ,CBudgId ='");
    text(b.PBudgId, " ,PBudgId ='");
    text(b.PayFlag, " , PayFlag= '");
    text(b.ExpFlag, " ,ExpFlag= '");
    text(b.ImpFlag, " ,ImpFlag= '");
    text(b.Status, " ,Status= '");
    text(b.Memoo, " ,Memoo ='");
    text(b.BudgetSource, " ,BudgetSource ='");
    text(b.BSource, " ,BSource ='");
    text(b.BurId, " ,BurId ='");
    return sql + " where DataYear=" + QString::number(b.DataYear) + " and BudgId= '" + Q(b.BudgId) +
           "'";
}

QString TBudgetManage::DeleteSql(const TBudget& b, const QString& condition)
{
    const QString head = " delete from busibudget  where datayear=" + QString::number(b.DataYear);
    if (condition.isEmpty())
        return head + " and BudgId='" + Q(b.BudgId) + "'";
    return head + condition;
}

QString TBudgetManage::UpdateFieldsSql(const TBudget& b, const QString& assignments,
                                       const QString& condition)
{
    const QString head =
        " update busibudget  set " + assignments + " where datayear=" + QString::number(b.DataYear);
    if (condition.isEmpty())
        return head + "   and BudgId='" + Q(b.BudgId) + "'";
    return head + condition;
}

QString TBudgetManage::LoadSql(const TBudget& b)
{
    return " select *  from busiBudget  where datayear=" + QString::number(b.DataYear) +
           " and budgid='" + Q(b.BudgId) + "'";
}

bool TBudgetManage::InsertBudget(const TBudget& b)
{
    if (!ExecSql(InsertSql(b)))
        throw TExceptBudgetManage(QStringLiteral("插入指标数据失败!"));
    return true;
}

bool TBudgetManage::UpdateBudget(const TBudget& b, int amountMode)
{
    if (!ExecSql(UpdateSql(b, amountMode)))
        throw TExceptBudgetManage(QStringLiteral("指标修改失败!"));
    return true;
}

bool TBudgetManage::DeleteBudget(const TBudget& b, const QString& condition)
{
    return ExecSql(DeleteSql(b, condition));
}

bool TBudgetManage::UpdateBudgetFields(const TBudget& b, const QString& assignments,
                                       const QString& condition)
{
    return ExecSql(UpdateFieldsSql(b, assignments, condition));
}

bool TBudgetManage::LoadBudget(TBudget& b)
{
    TQueryRef query;
    if (!OpenSql(LoadSql(b), query))
        return false;
    TARQuery* ds = query->Dataset();
    if (ds->RecordCount() <= 0)
        return false;
    TBudget r = b; // filled completely before the caller's record changes
    auto text = [ds](const char* column) {
        return ds->FieldByName(QLatin1String(column)).AsString();
    };
    auto money = [ds](const char* column) {
        return ds->FieldByName(QLatin1String(column)).AsCurrency();
    };
    r.Eid = text("Eid");
    r.Bkid = text("BKid");
    r.Mid = text("Mid");
    r.IPid = text("IPid");
    r.Pid = text("Pid");
    r.Bid = text("Bid");
    r.Iid = text("Iid");
    r.IIdName = text("IIdName");
    r.EKid = text("EKid");
    r.Wid = text("Wid");
    r.Vid = text("Vid");
    r.UCid = text("UCid");
    r.UDid = text("UDid");
    r.UMid = text("UMid");
    r.UNid = text("UNid");
    r.UVid = text("UVid");
    r.FileName = text("FileName");
    r.FileDate = text("FileDate");
    r.InputMoney = money("InputMoney");
    r.DueMoney = money("DueMoney");
    r.BudgMoney = money("BudgMoney");
    r.SplitMoney = money("SplitMoney");
    r.InputDate = text("InputDate");
    r.UserId = text("UserId");
    r.AuditDate = text("AuditDate");
    r.AuditId = text("AuditId");
    r.SplitDate = text("SplitDate");
    r.SplitId = text("SplitId");
    r.IniBudgId = text("IniBudgId");
    r.CBudgId = text("CBudgId");
    r.PBudgId = text("PBudgId");
    r.ReplaceFlag = text("ReplaceFlag");
    r.PayFlag = text("PayFlag");
    r.ExpFlag = text("ExpFlag");
    r.Memoo = text("Memoo");
    r.ImpFlag = text("ImpFlag");
    r.Status = text("Status");
    r.BudgetSource = text("BudgetSource");
    r.BTypeChild = text("BTypeChild");
    r.BurId = text("BurId");
    b = r;
    return true;
}
