#include "elements/gunfunElementBase.h"

#include "platform/untCodePage.h"
#include "platform/untException.h"
#include "context/untWorkContext.h"

namespace
{
using EK = ElementKind;
const ElementKind kKinds[] = {
    {"pubdept", EK::Equal, "预算单位", "Eid", "peid", "EName", EK::UnitPrefix, 3, true},
    {"pubagent", EK::Equal, "供应商", "AgntId", "PAgntId", "AName", EK::NoCondition, 2, false},
    {"pubbudgetkind", EK::Equal, "预算来源", "BKid", "PBKid", "BKName", EK::NoCondition, 2, false},
    {"pubdatakind", EK::Equal, "数据分类", "DKid", "PDKid", "DKName", EK::NoCondition, 2, false},
    {"pubmoneykind", EK::Equal, "资金性质", "Mid", "PMid", "MName", EK::NoCondition, 2, false},
    {"pubincomepay", EK::Equal, "支出类型", "IPid", "PIPid", "IPName", EK::NoCondition, 2, false},
    {"pubpaykind", EK::Equal, "支付方式", "Pid", "PPid", "PName", EK::NoCondition, 2, false},
    {"pubsubject", EK::Contains, "预算科目", "Bid", "PBid", "BName", EK::Year, 2, false},
    {"pubitem", EK::Contains, "预算项目", "Iid", "PIid", "IName", EK::NoCondition, 2, false},
    {"vwbudgetitem", EK::Contains, "预算项目", "Iid", "PIid", "IName", EK::NoCondition, 2, false},
    {"busibudgetbalance", EK::Contains, "结余项目", "Iid", "PIid", "IName", EK::NoCondition, 2,
     false},
    {"pubeconomykind", EK::Equal, "经济分类", "EKid", "PEKid", "EKName", EK::Year, 2, false},
    {"pubbureaux", EK::Equal, "预算处室", "BurId", "PBurId", "BurName", EK::NoCondition, 2, false},
};

// The current unit's code without its last `cut` bytes (empty when it is that short).
QString UnitCodeWithout(int cut)
{
    return Cp936DropRight(CurrentUnitText(0), cut);
}

QString Quoted(const QString& value)
{
    return SqlText(value.trimmed());
}
} // namespace

const ElementKind* FindElementKind(const QString& tableName)
{
    const QString name = tableName.toLower();
    for (const ElementKind& k : kKinds) {
        const QLatin1String key(k.Key);
        if (k.MatchMode == EK::Equal ? name == key : name.contains(key))
            return &k;
    }
    return nullptr;
}

bool LookupValue(const QString& table, const QString& column, const QString& condition,
                 QString& value)
{
    value.clear();
    QString sql = " select " + column + " from " + table + " where 1=1";
    if (!condition.trimmed().isEmpty())
        sql += " and " + condition;
    TQueryRef query;
    // A code table that cannot be read says so: "no such code" would send the operator to
    // correct a code that is right.
    if (!OpenSql(sql, query))
        throw Exception(QStringLiteral("无法读取代码表%1：%2").arg(table, LastDbError()));
    TARQuery* ds = query->Dataset();
    if (ds->IsEmpty() || ds->FieldCount() == 0)
        return false;
    value = ds->Fields(0).AsString();
    ds->Close();
    return true;
}

bool ElementTreeSource(const QString& tableName, bool inUse, int year,
                       const QString& extraCondition, ElementSource& out)
{
    const ElementKind* kind = FindElementKind(tableName);
    if (!kind)
        return false;
    QString condition;
    if (kind->KindCondition == EK::UnitPrefix)
        condition = " and eid like '" + SqlText(UnitCodeWithout(3)) + "%'";
    else if (kind->KindCondition == EK::Year && year != 0)
        condition = " and datayear=" + QString::number(year);
    condition += inUse ? " and useflag='0' " : " and useflag='1' ";
    if (!extraCondition.isEmpty())
        condition += " and " + extraCondition;
    const QString c = DefDialect().ConcatOperator();
    const QString id = QLatin1String(kind->IdColumn);
    const QString nameCol = QLatin1String(kind->NameColumn);
    out.Source = " select " + id + " as id," + nameCol + " as name," +
                 QLatin1String(kind->ParentColumn) + " as pid,leafflag," + id + c + "' '" + c +
                 nameCol + " as tname" + " from " + tableName.toLower() + " p where 1=1 " +
                 condition;
    out.Caption = QString::fromUtf8(kind->Caption);
    out.TopId = kind->UnitTop ? UnitCodeWithout(6) : QString();
    out.PreselectDepth = kind->PreselectDepth;
    return true;
}

bool GetDeptName(const QString& code, QString& name)
{
    return LookupValue("PubDept", "EName", " Eid='" + Quoted(code) + "'", name);
}

bool GetBudgetKindId(const QString& name, QString& code)
{
    return LookupValue("PubBudgetKind", "BKid", " BKName='" + Quoted(name) + "'", code);
}

bool GetMoneyKindId(const QString& name, QString& code)
{
    return LookupValue("PubMoneyKind", "Mid", " MName='" + Quoted(name) + "'", code);
}

bool GetIncomePayId(const QString& name, QString& code)
{
    return LookupValue("PubIncomePay", "IPid", " IPName='" + Quoted(name) + "'", code);
}

bool GetItemName(const QString& code, QString& name, int year)
{
    return LookupValue("PubItem", "IName",
                       " Iid='" + Quoted(code) + "' " +
                           "  and datayear=" + QString::number(WorkingDataYear(year)),
                       name);
}

void GetItemSecrecy(const QString& code, int year, QString& secrecy)
{
    secrecy = QStringLiteral("1");
    QString found;
    if (LookupValue("PubItem", "IsSecret",
                    " Iid='" + Quoted(code) + "' " +
                        "  and datayear=" + QString::number(WorkingDataYear(year)),
                    found))
        secrecy = found;
}

bool GetDataKindId(const QString& name, const QString& type, QString& code)
{
    return LookupValue("PubDataKind", "DKid",
                       " DKName='" + Quoted(name) + "' AND DKType='" + SqlText(type) + "' ", code);
}

bool GetBureauId(const QString& name, QString& code)
{
    return LookupValue("PubBureaux", "Burid", " BurName='" + Quoted(name) + "'", code);
}
