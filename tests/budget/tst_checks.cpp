#include "fixtures/TestDatabase.h"
#include "fixtures/TestSupport.h"
#include "budget/gunFunCheck.h"
#include "plugin/untPlugInEntry.h"

#include <gtest/gtest.h>

namespace
{
struct ItemCase {
    int year, kind;
    const char *mid, *ipid, *pid, *secrecy, *item;
    bool result;
    const char* message; // starting from "prior:"
};

const ItemCase kItemCases[] = {
    {2012, 0, "11", "12", "", "1", "", true, "prior:一般预算项目支出必须存在预算项目！"},
    {2012, 0, "21", "12", "", "1", "", false, "prior:"},
    {2012, 0, "11", "11", "", "1", "", false, "prior:"},
    {2012, 0, "11", "22", "", "1", "", false, "prior:"},
    {2012, 0, "11", "12", "", "0", "", false, "prior:"},
    {2012, 0, "31", "17", "10", "1", "", true,
     "prior:国有资本经营预算资本性支出直接支付必须存在预算项目！"},
    {2012, 1, "12", "18", "10", "1", "", true, "prior:基金费用性支出直接支付必须存在预算项目！"},
    {2012, 1, "12", "18", "20", "1", "", false, "prior:"},
    {2012, 3, "11", "19", "10", "1", "", true, "prior:一般预算其它支出直接支付必须存在预算项目！"},
    {2012, 4, "11", "19", "10", "1", "", false, "prior:"},
    {2012, 0, "11", "12", "", "1", "101000000001", true,
     "预算项目编码位数不正确，正确编码为13位！"},
    {2011, 0, "11", "12", "", "1", "1010000001", true, "预算项目编码位数不正确，正确编码为13位！"},
    {2010, 0, "11", "12", "", "1", "1010000000001", true,
     "预算项目编码位数不正确，正确编码为10位！"},
    {2010, 0, "11", "12", "", "1", "1010000001", false, "prior:"},
    {2012, 1, "11", "11", "10", "1", "9970000000001", false, "prior:"},
    {2012, 1, "11", "11", "10", "1", "1010010000001", true, "prior:工资、离退休项目编码不正确！"},
    {2010, 1, "11", "11", "10", "1", "9960000001", false, "prior:"},
    {2012, 1, "11", "11", "10", "1", "99700000001", true,
     "预算项目编码位数不正确，正确编码为13位！工资、离退休项目编码不正确！"},
    {2012, 2, "11", "11", "10", "1", "1010010000001", false, "prior:"},
};
} // namespace

TEST(Checks, ItemCodeRulesAndMessages)
{
    TWorkContext ctx;
    SetCurrentWorkContext(&ctx);
    for (const ItemCase& c : kItemCases) {
        ctx.DataYear = c.year;
        QString message = "prior:";
        EXPECT_EQ(CheckItemCode(c.kind, c.mid, c.ipid, c.pid, c.secrecy, c.item, message), c.result)
            << c.year << " kind " << c.kind << " " << c.mid << "/" << c.ipid << "/" << c.item;
        EXPECT_EQ(message, QString::fromUtf8(c.message)) << c.year << " " << c.item;
    }
    SetCurrentWorkContext(nullptr);
}

class Secret : public ::testing::TestWithParam<Engine>
{
};
INSTANTIATE_TEST_SUITE_P(Db, Secret, ::testing::Values(Engine::SQLite, Engine::PostgreSQL),
                         EngineName);

TEST_P(Secret, AsksOnlyOnMismatch)
{
    TestDatabase db(GetParam());
    ASSERT_TRUE(db.Ok()) << db.Error().toStdString();
    db.Exec("insert into pubitem (datayear,iid,iname,issecret) values "
            "(2026,'1000000000001','密项目','0')");
    MessageRecorder recorder;
    EXPECT_FALSE(CheckSecret("1000000000001", "0"));
    EXPECT_TRUE(recorder.Messages().isEmpty());

    recorder.Answer(mrCancel);
    EXPECT_TRUE(CheckSecret("1000000000001", "1"));
    recorder.Answer(mrOk);
    EXPECT_FALSE(CheckSecret("1000000000001", "1"));
    ASSERT_EQ(recorder.Messages().size(), 2);
    const MessageRecord& m = recorder.Messages()[0];
    EXPECT_EQ(m.Text, QStringLiteral("当前数据是不涉密单，您录入了涉密预算项目，是否继续？"));
    EXPECT_EQ(m.Caption, QStringLiteral("Vesperwald 7.1-操作确认"));
    EXPECT_EQ(m.Icon, MsgIcon::Information);
    EXPECT_EQ(m.Buttons, MsgButtons::OkCancel);

    recorder.Clear();
    recorder.Answer(mrCancel);
    EXPECT_TRUE(CheckSecret("9999999999999", "0")); // not in PubItem: reads as "1"
    EXPECT_EQ(recorder.Texts(),
              QStringList{QStringLiteral("当前数据是涉密单，您录入了非涉密预算项目，是否继续？")});
    EXPECT_FALSE(CheckSecret("9999999999999", "1"));
    EXPECT_EQ(recorder.Messages().size(), 1);
}
