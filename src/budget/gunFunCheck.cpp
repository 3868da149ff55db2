#include "budget/gunFunCheck.h"

#include "budget/gunBudget.h"
#include "elements/gunfunElementBase.h"
#include "platform/untCodePage.h"
#include "platform/untApplication.h"
#include "context/untWorkContext.h"

QString GetNextNumber(const QString& table, const QString& column, const QString& condition)
{
    QString sql = " select " + DefDialect().NextNumber(column) + " from " + table;
    if (!condition.isEmpty())
        sql += " where " + condition;
    TQueryRef query;
    if (!OpenSql(sql, query))
        throw TExceptBudgetManage(QStringLiteral("无法取得新的编号，请检查数据库连接!"));
    TARQuery* ds = query->Dataset();
    const QString value =
        ds->IsEmpty() || ds->FieldCount() == 0 ? QString() : ds->Fields(0).AsString();
    if (value.isEmpty() || value == QLatin1String("0"))
        return QStringLiteral("1");
    return value;
}

QString GetNewBudgId()
{
    return GetNextNumber("busiBudget", "budgid",
                         " datayear= " + QString::number(WorkingDataYear()));
}

bool SetSysParam(const QString& name, const QString& value)
{
    return ExecSql("update sysparament set paramvalue='" + SqlText(value) + "' where paramname='" +
                   SqlText(name) + "'");
}

bool CheckSecret(const QString& itemCode, const QString& secrecy)
{
    const QString question =
        secrecy == QLatin1String("0")
            ? QStringLiteral("当前数据是涉密单，您录入了非涉密预算项目，是否继续？")
            : QStringLiteral("当前数据是不涉密单，您录入了涉密预算项目，是否继续？");
    QString itemSecrecy;
    GetItemSecrecy(itemCode, WorkingDataYear(), itemSecrecy);
    if (itemSecrecy == secrecy)
        return false;
    return ShowMessage(question, CaptionConfirm(), MsgIcon::Information, MsgButtons::OkCancel) !=
           mrOk;
}

bool CheckItemCode(int kind, const QString& moneyKind, const QString& incomePay,
                   const QString& payKind, const QString& secrecy, const QString& itemCode,
                   QString& message)
{
    bool result = false;
    const int year = WorkingDataYear();
    const qsizetype length = ToCp936(itemCode).size();
    if (!itemCode.isEmpty()) {
        if (year >= 2011 && length != 13) {
            message = QStringLiteral("预算项目编码位数不正确，正确编码为13位！");
            result = true;
        } else if (year <= 2010 && length != 10) {
            message = QStringLiteral("预算项目编码位数不正确，正确编码为10位！");
            result = true;
        }
    }
    QString prefix;
    if (moneyKind == QLatin1String("31"))
        prefix = QStringLiteral("国有资本经营预算");
    else if (moneyKind == QLatin1String("11"))
        prefix = QStringLiteral("一般预算");
    else if (moneyKind == QLatin1String("12"))
        prefix = QStringLiteral("基金");
    if (incomePay == QLatin1String("12"))
        prefix += QStringLiteral("项目支出");
    else if (incomePay == QLatin1String("17"))
        prefix += QStringLiteral("资本性支出");
    else if (incomePay == QLatin1String("18"))
        prefix += QStringLiteral("费用性支出");
    else if (incomePay == QLatin1String("19"))
        prefix += QStringLiteral("其它支出");
    if (payKind == QLatin1String("10"))
        prefix += QStringLiteral("直接支付");

    const bool missing = itemCode.isEmpty();
    const bool basicOrIncome = incomePay == QLatin1String("11") || incomePay == QLatin1String("22");
    bool required = false;
    if (kind == 0)
        required = secrecy == QLatin1String("1") && moneyKind != QLatin1String("21") &&
                   !basicOrIncome && missing;
    else if (kind >= 1 && kind <= 3)
        required = secrecy == QLatin1String("1") && payKind == QLatin1String("10") &&
                   !basicOrIncome && missing;
    if (required) {
        message = message + prefix + QStringLiteral("必须存在预算项目！");
        result = true;
    }

    if (kind == 1 && secrecy == QLatin1String("1") && payKind == QLatin1String("10") &&
        incomePay == QLatin1String("11") && !missing) {
        const QString tail =
            year >= 2011 ? QStringLiteral("0000000001") : QStringLiteral("0000001");
        const QStringList salary{"999" + tail, "997" + tail, "996" + tail};
        if (!salary.contains(itemCode)) {
            message = message + QStringLiteral("工资、离退休项目编码不正确！");
            result = true;
        }
    }
    return result;
}
