#include "fixtures/TestDatabase.h"
#include "budget/gunCarryForward.h"

#include <gtest/gtest.h>

namespace
{
class Carry : public ::testing::TestWithParam<Engine>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(db.Ok()) << db.Error().toStdString();
        db.User().SetValue(0, "0007");
        for (const char* eid : {"101001001", "101001002"})
            db.Exec(QString("insert into pubdept (eid,peid,ename,leafflag,replaceflag) values "
                            "('%1','101001','u','0','0')")
                        .arg(eid));
        db.Exec("insert into pubsubject (datayear,bid,pbid,bname,type) values "
                "(2026,'2050202','20502','s','NN')");
        db.Exec("insert into pubitem (datayear,iid,piid,iname,leafflag) values "
                "(2026,'I1','','i','0')");
        // 2025: A, F (no document number), E twice, B (in 2026 already), C (unit gone),
        // D (item gone).
        Add(2025, "1", "101001001", "I1", "A");
        Add(2025, "2", "101001001", "I1", "");
        Add(2025, "3", "101001002", "I1", "E");
        Add(2025, "4", "101001002", "I1", "E");
        Add(2025, "5", "101001002", "I1", "B");
        Add(2025, "6", "101009009", "I1", "C");
        Add(2025, "7", "101001001", "GONE", "D");
        Add(2026, "41", "101001002", "I1", "B");
    }
    void Add(int year, const char* id, const char* eid, const char* iid, const char* file)
    {
        TBudget b;
        b.DataYear = year;
        b.BudgId = id;
        b.Eid = eid;
        b.Bkid = "21", b.Mid = "11", b.IPid = "11", b.Pid = "10", b.Bid = "2050202";
        b.Iid = iid;
        b.FileName = file;
        b.InputMoney = *Currency::FromText("1234567.1234");
        b.DueMoney = *Currency::FromText("0.5");
        b.BType = "1", b.BTypeChild = "1", b.DeptClass = "3";
        b.Memoo = "old";
        store.InsertBudget(b);
    }
    QString Ids(int year)
    {
        return QString("select budgid from busibudget where datayear=%1").arg(year);
    }
    int Count(int year) { return db.Scalar(Ids(year).replace("budgid", "count(*)")).toInt(); }
    TestDatabase db{GetParam()};
    TBudgetManage store;
};
INSTANTIATE_TEST_SUITE_P(Db, Carry, ::testing::Values(Engine::SQLite, Engine::PostgreSQL),
                         EngineName);
} // namespace

TEST_P(Carry, CopiesWhatTheRulesAllowOnceAndAllOrNothing)
{
    // H: an amount an indicator may not hold (both engines store it).
    Add(2025, "8", "101001001", "I1", "H");
    db.Exec("update busibudget set budgmoney=10000000000000 where budgid='8'");
    Add(2025, "10", "101001001", "I1", "H2"); // only its entered amount is beyond
    db.Exec("update busibudget set inputmoney=-10000000000000 where budgid='10'");
    // S: a subject the new year does not have.
    Add(2025, "9", "101001001", "I1", "S");
    db.Exec("update busibudget set bid='2999999' where budgid='9'");
    TCarryPlan plan = PlanCarryForward(2025, 2026, Ids(2025));
    ASSERT_EQ(plan.ToCopy.size(), 3u); // A, F, the first E
    EXPECT_EQ(plan.Duplicates, 1);     // B, in 2026 already
    EXPECT_EQ(plan.Alike, 1);          // the second E, the first's like in 2025
    EXPECT_EQ(plan.OutOfRange, (QStringList{"10", "8"}));
    EXPECT_EQ(plan.Missing, 3);
    EXPECT_EQ(plan.MissingElements,
              (QStringList{QStringLiteral("单位 101009009"), QStringLiteral("科目 2999999"),
                           QStringLiteral("项目 GONE")}));

    // A write that fails half-way leaves the year as it was.
    db.Exec(GetParam() == Engine::SQLite
                ? "create trigger refuse before insert on busibudget when new.filename='E' "
                  "begin select raise(abort, 'refused'); end"
                : "create function refuse() returns trigger as $$ begin if new.filename='E' "
                  "then raise exception 'refused'; end if; return new; end $$ language plpgsql;"
                  "create trigger refuse before insert on busibudget for each row execute "
                  "function refuse()");
    EXPECT_THROW(CarryForward(plan), TExceptBudgetManage);
    EXPECT_EQ(Count(2026), 1);
    db.Exec(GetParam() == Engine::SQLite ? "drop trigger refuse"
                                         : "drop trigger refuse on busibudget");
    // Cancelled: nothing written.
    EXPECT_EQ(CarryForward(plan, [](int, int) { return false; }), 0);
    EXPECT_EQ(Count(2026), 1);

    EXPECT_EQ(CarryForward(plan), 3);
    EXPECT_EQ(Count(2026), 4);
    EXPECT_EQ(db.Scalar("select count(*) from busibudget where datayear=2026 and budgid in "
                        "('42','43','44') and memoo='结转2025' and userid='0007' and "
                        "auditid='0007' and inputmoney=1234567.1234 and deptclass='3'"),
              "3");
    // Only the run that went through left history (the refused and the cancelled one none).
    EXPECT_EQ(db.History("path='结转'"), (QStringList{QStringLiteral("2026/42 增加 结转 0001"),
                                                      QStringLiteral("2026/43 增加 结转 0001"),
                                                      QStringLiteral("2026/44 增加 结转 0001")}));
    // The second run adds nothing, also for the indicator without a document number.
    plan = PlanCarryForward(2025, 2026, Ids(2025));
    EXPECT_TRUE(plan.ToCopy.empty());
    EXPECT_EQ(plan.Duplicates, 5);
    EXPECT_EQ(CarryForward(PlanCarryForward(2025, 2026, Ids(2025))), 0);
    EXPECT_EQ(Count(2026), 4);
}
