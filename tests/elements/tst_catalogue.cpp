#include "fixtures/TestDatabase.h"
#include "platform/untException.h"
#include "elements/gunfunElement.h"
#include "elements/gunfunElementBase.h"
#include "plugin/untPlugInEntry.h"

#include <gtest/gtest.h>

namespace
{
// A working context on an SQL Server connection that is never opened.
class SqlServerContext : public ::testing::Test
{
protected:
    void SetUp() override
    {
        db.ConnectionString = "Provider=SQLOLEDB.1;Data Source=office";
        unit.SetValue(0, "101003001");
        ctx.DbManager = &db;
        ctx.CurrentUnit = &unit;
        ctx.DataYear = 2008;
        SetCurrentWorkContext(&ctx);
    }
    void TearDown() override { SetCurrentWorkContext(nullptr); }
    TDbManager db;
    TRecordObject unit;
    TWorkContext ctx;
};
} // namespace

TEST(ElementKinds, RecognisedByEqualOrContainedName)
{
    const std::pair<const char*, const char*> cases[] = {
        {"PUBDEPT", "Eid"},           {"pubdept2", nullptr},
        {"PubSubject", "Bid"},        {"(select * from PubSubject where 1=1)", "Bid"},
        {" PubItem", "Iid"},          {"vwBudgetItem", "Iid"},
        {"busibudgetbalance", "Iid"}, {"pubeconomykind", "EKid"},
        {"PubBureaux", "BurId"},      {"pubmoneykind", "Mid"},
        {"xpubmoneykind", nullptr},   {"nothing", nullptr}};
    for (const auto& [table, id] : cases) {
        const ElementKind* k = FindElementKind(table);
        if (!id)
            EXPECT_EQ(k, nullptr) << table;
        else
            EXPECT_TRUE(k && QLatin1String(k->IdColumn) == QLatin1String(id)) << table;
    }
}

TEST_F(SqlServerContext, UnitTreeSource)
{
    ElementSource s;
    ASSERT_TRUE(ElementTreeSource("PubDept", true, 0, "", s));
    EXPECT_EQ(s.Source,
              " select Eid as id,EName as name,peid as pid,leafflag,Eid+' '+EName as tname from "
              "pubdept p where 1=1  and eid like '101003%' and useflag='0' ");
    EXPECT_EQ(s.Caption, QStringLiteral("预算单位"));
    EXPECT_EQ(s.TopId, "101");
    EXPECT_EQ(s.PreselectDepth, 3);

    unit.SetValue(0, "101");
    ASSERT_TRUE(ElementTreeSource("PUBDEPT", false, 0, "leafflag='0'", s));
    EXPECT_EQ(s.Source,
              " select Eid as id,EName as name,peid as pid,leafflag,Eid+' '+EName as tname from "
              "pubdept p where 1=1  and eid like '%' and useflag='1'  and leafflag='0'");
    EXPECT_EQ(s.TopId, "");
    EXPECT_FALSE(ElementTreeSource("nothing", true, 0, "", s));
}

TEST_F(SqlServerContext, SubjectSourcesAndYearCondition)
{
    ElementSource s;
    ASSERT_TRUE(ElementTreeSource("PubSubject", true, 0, "", s));
    EXPECT_FALSE(s.Source.contains("datayear")); // year 0: no condition of its own
    ASSERT_TRUE(ElementTreeSource("PubSubject", true, 2008, " bid like '2%' ", s));
    EXPECT_TRUE(
        s.Source.endsWith(" from pubsubject p where 1=1  and datayear=2008 and useflag='0'  and  "
                          "bid like '2%' "))
        << s.Source.toStdString();
    ASSERT_TRUE(ElementTreeSource("(SELECT * FROM PubSubject WHERE type='YN')", true, 0, "", s));
    EXPECT_TRUE(s.Source.contains(" from (select * from pubsubject where type='yn') p where"));
    EXPECT_EQ(s.PreselectDepth, 2);
}

TEST_F(SqlServerContext, SubjectDerivedTable)
{
    const QString w = " leafFlag='0' and datayear=2008 and type='YN'  and useflag='0' ";
    const QString expected =
        "(select b.datayear, b.bid,b.pbid,b.bname,b.leafFlag,b.class,b.type,b.totalname,b.useflag "
        "from  "
        "(SELECT pbid as abid FROM PubSubject where " +
        w +
        " and Len(pbid)=3  union  SELECT left(pbid,3) as "
        "abid FROM PubSubject where " +
        w +
        " and Len(pbid)=5  union  SELECT pbid  as abid FROM PubSubject "
        "where " +
        w + " and Len(pbid)=5  union  SELECT left(pbid,5) as abid FROM PubSubject where " + w +
        "  and Len(pbid)=7  union  SELECT left(pbid,3) as abid FROM PubSubject where " + w +
        " and Len(pbid)=7  union  SELECT pbid as abid FROM PubSubject where " + w +
        " and Len(pbid)=7  union  SELECT bid as abid FROM PubSubject where " + w +
        " ) a  left join PubSubject b on a.abid=b.bid )";
    EXPECT_EQ(SubjectDerivedTable(2008, "12", true, TSqlDialect(TSqlDialect::SqlServer)), expected);
    EXPECT_TRUE(
        SubjectDerivedTable(2008, "31", false, TSqlDialect(TSqlDialect::SQLite))
            .contains("SELECT substr(pbid,1,3) as abid FROM PubSubject where  leafFlag='0' and "
                      "datayear=2008 and type='NY'  and length(pbid)=5"));
    // The subject rules need the database: unreadable, they fall back to the plain table.
    const SubjectSource src = SubjectSelectionSource(0, "22", "12", true, " x=1 ");
    EXPECT_EQ(src.Table, "PubSubject");
    EXPECT_EQ(src.Year, 2008);
    EXPECT_EQ(src.ExtraCondition, " bid like '1%' ");
    EXPECT_EQ(SubjectSelectionSource(2006, "22", "12", true, " x=1 ").ExtraCondition, " x=1 ");
}

class Lookups : public ::testing::TestWithParam<Engine>
{
};
INSTANTIATE_TEST_SUITE_P(Db, Lookups, ::testing::Values(Engine::SQLite, Engine::PostgreSQL),
                         EngineName);

TEST_P(Lookups, CodesAndNamesBothWays)
{
    TestDatabase db(GetParam(), TestDatabase::Demo, 100);
    ASSERT_TRUE(db.Ok()) << db.Error().toStdString();
    QString v;
    EXPECT_TRUE(GetMoneyKindId(QStringLiteral("  一般公共预算资金 "), v));
    EXPECT_EQ(v, "11");
    EXPECT_TRUE(GetBudgetKindId(QStringLiteral("上年结转"), v));
    EXPECT_EQ(v, "22");
    EXPECT_TRUE(GetIncomePayId(QStringLiteral("项目支出"), v));
    EXPECT_EQ(v, "12");
    EXPECT_TRUE(GetBureauId(QStringLiteral("教科文处"), v));
    EXPECT_EQ(v, "02");
    EXPECT_TRUE(GetDataKindId(QStringLiteral("重点项目"), "0", v));
    EXPECT_EQ(v, "02");
    EXPECT_FALSE(GetDataKindId(QStringLiteral("重点项目"), "1", v));
    EXPECT_TRUE(v.isEmpty());
    EXPECT_TRUE(GetDeptName(" 101 ", v));
    EXPECT_EQ(v, QStringLiteral("市本级"));
    EXPECT_TRUE(GetItemName("9990000000001", v, 0));
    EXPECT_EQ(v, QStringLiteral("工资福利支出"));
    EXPECT_FALSE(GetItemName("9990000000001", v, 2001));
    EXPECT_FALSE(GetMoneyKindId(AllEntryText(), v));
    EXPECT_TRUE(v.isEmpty());

    GetItemSecrecy("9990000000001", 2026, v);
    EXPECT_EQ(v, "1");
    db.Exec("update pubitem set issecret='0' where iid='9990000000001' and datayear=2026");
    GetItemSecrecy("9990000000001", 0, v);
    EXPECT_EQ(v, "0");
    GetItemSecrecy("1234", 2026, v);
    EXPECT_EQ(v, "1");

    // A quote is a character like any other, and finds nothing here.
    EXPECT_FALSE(GetDeptName("101' or '1'='1", v));
    db.Exec("insert into pubbureaux (burid,burname) values ('09','O''Brien处')");
    EXPECT_TRUE(GetBureauId("O'Brien处", v));
    EXPECT_EQ(v, "09");

    // A table that cannot be read is no "not found": the reason is raised, naming the table.
    db.Exec(GetParam() == Engine::PostgreSQL ? "drop table pubmoneykind cascade"
                                             : "drop table pubmoneykind");
    try {
        GetMoneyKindId(QStringLiteral("一般公共预算资金"), v);
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("无法读取代码表PubMoneyKind：")))
            << e.what();
    }
    EXPECT_TRUE(v.isEmpty());
}

TEST_P(Lookups, SubjectRulesOnTheDatabase)
{
    TestDatabase db(GetParam(), TestDatabase::Demo, 100);
    ASSERT_TRUE(db.Ok()) << db.Error().toStdString();
    EXPECT_TRUE(SubjectTypesExist(2026));
    EXPECT_FALSE(SubjectTypesExist(1999));
    // Fund money (type YN) for a project: the fund leaves and their ancestors.
    const SubjectSource src = SubjectSelectionSource(0, "12", "12", true, "");
    ASSERT_NE(src.Table, "PubSubject");
    ElementSource s;
    ASSERT_TRUE(ElementTreeSource(src.Table, true, src.Year, src.ExtraCondition, s));
    TQueryRef q;
    ASSERT_TRUE(OpenSql(s.Source + " order by id", q)) << s.Source.toStdString();
    QStringList ids;
    for (q->First(); !q->Eof(); q->Next())
        ids << q->FieldByName("id").AsString();
    EXPECT_EQ(ids, (QStringList{"212", "21208", "2120801", "2120803"}));

    QString name;
    EXPECT_TRUE(GetSubjectName(" 2120801 ", name, "12", "12", 0, "", true));
    EXPECT_EQ(name, QStringLiteral("征地和拆迁补偿支出"));
    EXPECT_FALSE(GetSubjectName("2120801", name, "12", "11", 0, "", true)); // type NN
    EXPECT_FALSE(GetSubjectName("2120801", name, "22", "", 0, "", true));   // revenue only
    EXPECT_TRUE(GetSubjectName("1010101", name, "22", "11", 0, "", true));
    EXPECT_FALSE(GetSubjectName("1010101", name, "", "", 0, "", false)); // empty type: 2% only
    EXPECT_TRUE(GetSubjectName("1010101", name, "0", "", 0, "", false));
    EXPECT_FALSE(GetSubjectName("212", name, "12", "12", 0, "", true)); // not a leaf
}
