#include "fixtures/TestDatabase.h"
#include "plugin/untPlugInEntry.h"
#include "context/untWorkContext.h"

#include <QDate>
#include <gtest/gtest.h>

TEST(WorkContext, ItemTextAndToday)
{
    TRecordItem null, number{12}, text{QStringLiteral("预算")};
    EXPECT_EQ(ItemText(&null), "");
    EXPECT_EQ(ItemText(&number), "12");
    EXPECT_EQ(ItemText(&text), QStringLiteral("预算"));
    EXPECT_EQ(TodayText(), QDate::currentDate().toString("yyyy-MM-dd"));
    EXPECT_EQ(TodayText().size(), 10);
}

TEST(WorkContext, DeptLevelUnitRule)
{
    TSysParams params;
    TRecordObject unit;
    TWorkContext ctx;
    ctx.SysParams = &params;
    SetCurrentWorkContext(&ctx);
    EXPECT_FALSE(IsDeptLevelUnit()); // no unit
    EXPECT_FALSE(HasFewDeptUnits());
    ctx.CurrentUnit = &unit;
    params.DeptLevelFlag = "1";
    const std::pair<const char*, bool> cases[] = {
        {"101001", true}, {"1010011", false}, {"101002", false}, {"001001", true}, {"", false}};
    for (const auto& [code, expected] : cases) {
        unit.SetValue(0, code);
        EXPECT_EQ(IsDeptLevelUnit(), expected) << code;
    }
    unit.SetValue(0, "101001");
    params.DeptLevelFlag = "0";
    EXPECT_FALSE(IsDeptLevelUnit());
    SetCurrentWorkContext(nullptr);
}

class FewUnits : public ::testing::TestWithParam<Engine>
{
};
INSTANTIATE_TEST_SUITE_P(Db, FewUnits, ::testing::Values(Engine::SQLite, Engine::PostgreSQL),
                         EngineName);

TEST_P(FewUnits, CountsUnitsUnderTheDepartmentPrefix)
{
    TestDatabase db(GetParam());
    ASSERT_TRUE(db.Ok()) << db.Error().toStdString();
    db.Unit().SetValue(0, "205002");
    db.Exec("insert into pubdept (eid,peid,ename) values ('205','','A')");
    db.Exec("insert into pubdept (eid,peid,ename) values ('205001','205','B')");
    db.Exec("insert into pubdept (eid,peid,ename) values ('206001','206','other')");
    EXPECT_TRUE(HasFewDeptUnits()); // two rows start with 205
    db.Exec("insert into pubdept (eid,peid,ename) values ('205002','205','C')");
    EXPECT_FALSE(HasFewDeptUnits());

    db.Params().DeptLevelFlag = "1";
    db.Unit().SetValue(0, "205001");
    EXPECT_FALSE(HasFewDeptUnits()); // department level: always the tree

    db.Params().DeptLevelFlag = "0";
    db.Exec(GetParam() == Engine::PostgreSQL ? "drop table pubdept cascade" : "drop table pubdept");
    EXPECT_FALSE(HasFewDeptUnits()); // unreadable: the tree is shown
}
