#include "elements/gunfunElement.h"

#include "elements/gunfunElementBase.h"
#include "context/untWorkContext.h"
#include "platform/gunStrDeal.h"

QString AllEntryText()
{
    return QStringLiteral("<全部>");
}

bool ReadChoices(const QString& sql, QList<TChoice>& choices)
{
    choices.clear();
    TQueryRef query;
    if (!OpenSql(sql, query))
        return false;
    TARQuery* ds = query->Dataset();
    const int name = ds->FindField(QStringLiteral("name"));
    const int id = ds->FindField(QStringLiteral("id"));
    if (name < 0)
        return true;
    for (ds->First(); !ds->Eof(); ds->Next())
        choices.append(
            {ds->Fields(name).AsString(), id < 0 ? QString() : ds->Fields(id).AsString()});
    ds->Close();
    return true;
}

QString MoneyKindsSql(int listType, bool descending, const QString& extraCondition)
{
    static const char* const kSql[] = {
        "select mid as id,mname as name from pubmoneykind where leafflag='0' ",
        "select mid as id,mname as name from pubmoneykind where leafflag='0' and mid in "
        "('11','12','31')",
        "select mid as id,mname as name from pubmoneykind where leafflag='0' and mid in "
        "('11','21')",
        "select mid as id,mname as name from pubmoneykind where leafflag='0' and mid in "
        "('11','12')"};
    QString sql = listType >= 0 && listType < 4 ? QString::fromLatin1(kSql[listType]) : QString();
    if (!extraCondition.isEmpty())
        sql += extraCondition;
    if (listType == 2 || descending)
        sql += QStringLiteral("order by mid desc ");
    return sql;
}

QString IncomePayTypesSql(int listType, const QString& extraCondition, bool descending)
{
    static const char* const kSql[] = {
        "select ipid as id,ipname as name from pubincomepay where leafflag='0' ",
        "select ipid as id,ipname as name from pubincomepay where leafflag='0'  and ipid in "
        "('11','12','22') ",
        "select ipid as id,ipname as name from pubincomepay where leafflag='0'  and ipid  in "
        "('11','12') ",
        "select ipid as id,ipname as name from pubincomepay where leafflag='0'  and ipid  in "
        "('17','18','19') ",
        "select ipid as id,ipname as name from pubincomepay where leafflag='0'  and ipid  in "
        "('11','12','17','18','19') ",
        "select ipid as id,ipname as name from pubincomepay where leafflag='0'  and ipid  in "
        "('11','12','22','17','18','19') "};
    QString sql = listType >= 0 && listType < 6 ? QString::fromLatin1(kSql[listType]) : QString();
    if (!extraCondition.isEmpty())
        sql += extraCondition;
    sql += QStringLiteral(" order by ipid");
    if (descending)
        sql += QStringLiteral(" desc ");
    return sql;
}

QString BudgetKindsSql(int listType, const QString& extraCondition)
{
    static const char* const kSql[] = {
        "select bkid as id,bkname as name from pubbudgetkind where leafflag='0' and BKid "
        "in('21','22') ",
        "select bkid as id,bkname as name from pubbudgetkind where leafflag='0' ",
        "select bkid as id,bkname as name from pubbudgetkind where leafflag='0' and bkid='21' "};
    QString sql = listType >= 0 && listType < 3 ? QString::fromLatin1(kSql[listType]) : QString();
    if (!extraCondition.isEmpty())
        sql += extraCondition;
    return sql;
}

QString DataKindsSql(int dataKindType, const QString& extraCondition)
{
    QString sql =
        "select dkid as id,dkname as name from pubdatakind where leafflag='0' and dktype ='" +
        QString::number(dataKindType) + "' ";
    if (!extraCondition.isEmpty())
        sql += extraCondition;
    return sql;
}

QString BureauxSql(const QString& extraCondition)
{
    QString sql =
        QStringLiteral("select burid as id,burname as name from pubBureaux where leafflag='0'  "
                       "and useflag='0' and mainBurview='1' ");
    if (!extraCondition.isEmpty())
        sql += extraCondition;
    return sql;
}

TChoiceList SecrecyChoices(bool withAll)
{
    TChoiceList list;
    list.Entries = {{QStringLiteral("密"), QStringLiteral("0")},
                    {QStringLiteral("非密"), QStringLiteral("1")}};
    if (withAll)
        list.Entries.append({AllEntryText(), QString()});
    list.Selected = CurrentUnitText(17) == QLatin1String("1") ? 1 : 0;
    return list;
}

TChoiceList IndicatorTypeChoices(bool withAll, bool withTemporary)
{
    TChoiceList list;
    if (withAll)
        list.Entries.append({AllEntryText(), QString()});
    list.Entries.append({QStringLiteral("控制数"), QStringLiteral("0")});
    list.Entries.append({QStringLiteral("预算数"), QStringLiteral("1")});
    if (withTemporary)
        list.Entries.append({QStringLiteral("临时指标"), QStringLiteral("2")});
    const int index = SysParams().DefaultBType;
    const int count = int(list.Entries.size());
    if (!withTemporary && index == 2)
        list.Selected = 0;
    else
        list.Selected = index >= 0 && index < count ? index : -1;
    return list;
}

bool SubjectTypesExist(int year)
{
    TQueryRef query;
    if (!OpenSql("SELECT distinct type  FROM PubSubject where datayear=" + QString::number(year) +
                     " order by type desc ",
                 query))
        return false;
    TARQuery* ds = query->Dataset();
    return !ds->IsEmpty() && !ds->Fields(0).AsString().trimmed().isEmpty();
}

QString SubjectTypeCondition(const QString& moneyKindCode)
{
    if (moneyKindCode == QLatin1String("12"))
        return QStringLiteral(" and type='YN' ");
    if (moneyKindCode == QLatin1String("31"))
        return QStringLiteral(" and type='NY' ");
    return QStringLiteral(" and type='NN' ");
}

SubjectSource SubjectSelectionSource(int year, const QString& incomePayCode,
                                     const QString& moneyKindCode, bool inUse,
                                     const QString& extraCondition)
{
    SubjectSource out;
    out.Year = WorkingDataYear(year);
    out.ExtraCondition = extraCondition;
    out.Table = QStringLiteral("PubSubject");
    if (out.Year > 2006 && !incomePayCode.isEmpty())
        out.ExtraCondition = incomePayCode == QLatin1String("22")
                                 ? QStringLiteral(" bid like '1%' ")
                                 : QStringLiteral(" bid like '2%' ");
    if (out.Year > 2007 && !moneyKindCode.isEmpty() && SubjectTypesExist(out.Year))
        out.Table = SubjectDerivedTable(out.Year, moneyKindCode, inUse, DefDialect());
    return out;
}

QString SubjectDerivedTable(int year, const QString& moneyKindCode, bool inUse,
                            const TSqlDialect& d)
{
    QString w =
        " leafFlag='0' and datayear=" + QString::number(year) + SubjectTypeCondition(moneyKindCode);
    if (inUse)
        w += QStringLiteral(" and useflag='0' ");
    const QString l = d.LengthFunction();
    return "(select b.datayear, "
           "b.bid,b.pbid,b.bname,b.leafFlag,b.class,b.type,b.totalname,b.useflag "
           "from  (SELECT pbid as abid FROM PubSubject where " +
           w + " and " + l + "(pbid)=3 " + " union " + " SELECT " + d.LeftPart("pbid", 3) +
           " as abid FROM PubSubject where " + w + " and " + l + "(pbid)=5 " + " union " +
           " SELECT pbid  as abid FROM PubSubject where " + w + " and " + l + "(pbid)=5 " +
           " union " + " SELECT " + d.LeftPart("pbid", 5) + " as abid FROM PubSubject where " + w +
           "  and " + l + "(pbid)=7 " + " union " + " SELECT " + d.LeftPart("pbid", 3) +
           " as abid FROM PubSubject where " + w + " and " + l + "(pbid)=7 " + " union " +
           " SELECT pbid as abid FROM PubSubject where " + w + " and " + l + "(pbid)=7 " +
           " union " + " SELECT bid as abid FROM PubSubject where " + w + " ) a " +
           " left join PubSubject b on a.abid=b.bid )";
}

QString ItemSelectionCondition(const QString& unitCode, const QString& mode, const QString& pidFlag,
                               int year, const QString& secrecy)
{
    // The reserved codes follow the working year, whatever year was given.
    const QString reserved =
        WorkingDataYear() > 2010
            ? QStringLiteral(" '9960000000001','9970000000001','9990000000001' ")
            : QStringLiteral(" '9960000001','9970000001','9990000001' ");
    QString condition;
    if (mode == QLatin1String("0")) {
        condition = " and itype='1' and iid not in (" + reserved + ") ";
        QString unit = unitCode;
        if (SysParams().UnitItemsFlag == QLatin1String("1") && !unit.isEmpty()) {
            if (RightText(unit, 3) != QLatin1String("001"))
                unit += QStringLiteral("001");
            condition += " and eid ='" + SqlText(unit) + "' ";
        }
    } else if (mode == QLatin1String("1")) {
        condition = " and itype='1' and iid  in (" + reserved + ") ";
    } else if (mode == QLatin1String("2")) {
        condition = QStringLiteral(" and itype='1' ");
    }
    if (SysParams().ItemPidFlag == QLatin1String("1") && pidFlag == QLatin1String("1"))
        condition += QStringLiteral(" and pid='1' ");
    condition += " and datayear=" + QString::number(WorkingDataYear(year));
    if (!secrecy.isEmpty())
        condition += " and issecret ='" + SqlText(secrecy) + "' ";
    return condition;
}

QString ItemTreeSource(const QString& dataKindCode, const QString& codePrefix,
                       const QString& namePart, const QString& filter, const TSqlDialect& d)
{
    const QString table = SysParams().UnitItemsFlag == QLatin1String("1")
                              ? QStringLiteral("vwBudgetItem")
                              : QStringLiteral(" PubItem");
    QString conditions;
    if (!dataKindCode.isEmpty())
        conditions += " and IKid ='" + SqlText(dataKindCode) + "' ";
    if (!codePrefix.trimmed().isEmpty())
        conditions += " and iid like '" + SqlText(codePrefix.trimmed()) + "%' ";
    if (!namePart.trimmed().isEmpty())
        conditions += " and iname like '%" + SqlText(namePart.trimmed()) + "%' ";
    conditions += filter;
    const QString c = d.ConcatOperator();
    return "select iid as id,piid as pid,leafflag,iname as name,iid" + c + "' '" + c +
           "iname as aText,useflag " + " from " + table + " where  useflag='0' " + conditions;
}

bool GetSubjectName(const QString& code, QString& name, const QString& incomePayCode,
                    const QString& moneyKindCode, int year, const QString& extraCondition,
                    bool leafOnly)
{
    const int y = WorkingDataYear(year);
    const QString bid = SqlText(code.trimmed());
    QString condition;
    if (y > 2007 && !moneyKindCode.isEmpty() && SubjectTypesExist(y))
        condition = " bid='" + bid + "'  and datayear=" + QString::number(y) +
                    SubjectTypeCondition(moneyKindCode) + extraCondition;
    else
        condition = " bid='" + bid + "' and datayear=" + QString::number(y) + extraCondition;
    if (incomePayCode != QLatin1String("0"))
        condition += incomePayCode == QLatin1String("22") ? QStringLiteral(" and bid like '1%' ")
                                                          : QStringLiteral(" and bid like '2%' ");
    if (leafOnly)
        condition += QStringLiteral(" and leafflag='0' ");
    return LookupValue("PubSubject", "bname", condition, name);
}
