#include "gunfunElement.h"

#include "gunfunElementBase.h"
#include "untWorkContext.h"

#include <QComboBox>

QString AllEntryText()
{
    return QStringLiteral("<全部>");
}

int FillComboByQuery(QComboBox* combo, const QString& sql, bool withAll)
{
    TQueryRef query;
    const bool opened = OpenSql(sql, query);
    combo->clear();
    if (!opened)
        return 0;
    TARQuery* ds = query->Dataset();
    if (ds->IsEmpty())
        return 0;
    const int name = ds->FindField(QStringLiteral("name"));
    if (name < 0)
        return 0;
    QStringList items;
    if (withAll)
        items << AllEntryText();
    for (ds->First(); !ds->Eof(); ds->Next())
        items << ds->Fields(name).AsString();
    combo->addItems(items);
    combo->setCurrentIndex(0);
    const int count = ds->RecordCount();
    ds->Close();
    return count;
}

int FillMoneyKinds(QComboBox* combo, bool withAll, int listType, bool descending,
                   const QString& extraCondition)
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
    return FillComboByQuery(combo, sql, withAll);
}

int FillIncomePayTypes(QComboBox* combo, bool withAll, int listType, const QString& extraCondition,
                       bool descending)
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
    return FillComboByQuery(combo, sql, withAll);
}

int FillBudgetKinds(QComboBox* combo, bool withAll, int listType, const QString& extraCondition)
{
    static const char* const kSql[] = {
        "select bkid as id,bkname as name from pubbudgetkind where leafflag='0' and BKid "
        "in('21','22') ",
        "select bkid as id,bkname as name from pubbudgetkind where leafflag='0' ",
        "select bkid as id,bkname as name from pubbudgetkind where leafflag='0' and bkid='21' "};
    QString sql = listType >= 0 && listType < 3 ? QString::fromLatin1(kSql[listType]) : QString();
    if (!extraCondition.isEmpty())
        sql += extraCondition;
    return FillComboByQuery(combo, sql, withAll);
}

int FillDataKinds(QComboBox* combo, bool withAll, int dataKindType, const QString& extraCondition)
{
    QString sql =
        "select dkid as id,dkname as name from pubdatakind where leafflag='0' and dktype ='" +
        QString::number(dataKindType) + "' ";
    if (!extraCondition.isEmpty())
        sql += extraCondition;
    return FillComboByQuery(combo, sql, withAll);
}

int FillBureaux(QComboBox* combo, bool withAll, const QString& extraCondition)
{
    QString sql =
        QStringLiteral("select burid as id,burname as name from pubBureaux where leafflag='0'  "
                       "and useflag='0' and mainBurview='1' ");
    if (!extraCondition.isEmpty())
        sql += extraCondition;
    return FillComboByQuery(combo, sql, withAll);
}

void FillSecrecy(QComboBox* combo, bool withAll)
{
    combo->clear();
    combo->addItem(QStringLiteral("密"));
    combo->addItem(QStringLiteral("非密"));
    if (withAll)
        combo->addItem(AllEntryText());
    const bool notSecret = CurrentUnitText(17) == QLatin1String("1");
    combo->setCurrentIndex(notSecret ? 1 : 0);
}

void FillIndicatorTypes(QComboBox* combo, bool withAll, bool withTemporary)
{
    combo->clear();
    if (withAll)
        combo->addItem(AllEntryText());
    combo->addItem(QStringLiteral("控制数"));
    combo->addItem(QStringLiteral("预算数"));
    const int index = SysParams().DefaultBType;
    if (withTemporary) {
        combo->addItem(QStringLiteral("临时指标"));
        combo->setCurrentIndex(index < combo->count() ? index : -1);
    } else {
        combo->setCurrentIndex(index == 2 ? 0 : (index < combo->count() ? index : -1));
    }
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
