#include "fixtures/TestDatabase.h"
#include "budget/gunBudget.h"
#include "budget/gunBudgetBulk.h"
#include "budget/gunFunCheck.h"
#include "budget/gunBudgetSave.h"

#include <QElapsedTimer>
#include <functional>

#include <gtest/gtest.h>

namespace
{
class Store : public ::testing::TestWithParam<Engine>
{
protected:
    void SetUp() override { ASSERT_TRUE(db.Ok()) << db.Error().toStdString(); }
    TBudget Full(const QString& id) const
    {
        TBudget b;
        b.DataYear = 2026;
        b.BudgId = id;
        b.Eid = "101004001";
        b.Bkid = "21";
        b.Mid = "11";
        b.IPid = "12";
        b.Pid = "10";
        b.Bid = "2050202";
        b.Iid = "1101004000001";
        b.IIdName = QStringLiteral("教育局业务专项经费");
        b.EKid = "30201";
        b.Wid = "W1", b.Vid = "V1", b.UCid = "UC", b.UDid = "UD", b.UMid = "UM", b.UNid = "UN",
        b.UVid = "UV";
        b.FileName = QStringLiteral("市财预〔2026〕8号");
        b.FileDate = "2026-02-01";
        b.InputMoney = *Currency::FromText("1234567.1234");
        b.DueMoney = *Currency::FromText("12.5");
        b.BudgMoney = *Currency::FromText("-3.25");
        b.SplitMoney = *Currency::FromText("0.0001");
        b.InputDate = "2026-02-03";
        b.UserId = "0001";
        b.AuditDate = "2026-02-04";
        b.AuditId = "0002";
        b.SplitDate = "2026-02-05";
        b.SplitId = "0003";
        b.IniBudgId = "1", b.CBudgId = "2", b.PBudgId = "3";
        b.ReplaceFlag = "0", b.PayFlag = "2", b.ExpFlag = "3", b.ImpFlag = "4", b.Status = "5";
        b.Memoo = QStringLiteral("备注");
        b.BudgetSource = "BS";
        b.BurId = "02";
        b.DeptClass = "1";
        b.SplitType = "S";
        b.BType = "1";
        b.BTypeChild = "2";
        b.IsSecret = "0";
        b.BSource = "01";
        return b;
    }
    TestDatabase db{GetParam()};
    TBudgetManage store;
};
INSTANTIATE_TEST_SUITE_P(Db, Store, ::testing::Values(Engine::SQLite, Engine::PostgreSQL),
                         EngineName);
} // namespace

TEST_P(Store, InsertThenLoadRoundTripsEveryField)
{
    const TBudget written = Full("9");
    ASSERT_TRUE(store.InsertBudget(written));
    TBudget read;
    read.DataYear = 2026;
    read.BudgId = "9";
    ASSERT_TRUE(store.LoadBudget(read));
    // Load leaves the fields it does not read as they were.
    TBudget expected = written;
    expected.DeptClass = read.DeptClass;
    expected.SplitType = read.SplitType;
    expected.BType = read.BType;
    expected.IsSecret = read.IsSecret;
    expected.BSource = read.BSource;
    EXPECT_EQ(read, expected);
    EXPECT_EQ(read.InputMoney.Raw(), 12345671234);
    EXPECT_EQ(read.SplitMoney.Raw(), 1);
    EXPECT_EQ(
        db.Scalar("select deptclass || splittype || btype || issecret || bsource from busibudget "
                  "where budgid='9'"),
        "1S1001");
}

TEST_P(Store, EmptyOptionalFieldsTakeTheDatabaseDefaults)
{
    TBudget b;
    b.DataYear = 2026;
    b.BudgId = "1";
    b.ReplaceFlag.clear(); // a "value" field: written as empty text
    ASSERT_TRUE(store.InsertBudget(b));
    EXPECT_EQ(db.Scalar("select count(*) from busibudget where budgid='1' and filedate is null and "
                        "inputdate is null and userid is null and filename is null"),
              "1");
    EXPECT_EQ(db.Scalar("select replaceflag from busibudget where budgid='1'"), "");
}

TEST_P(Store, UpdateKeepsWhatIsNotSet)
{
    ASSERT_TRUE(store.InsertBudget(Full("5")));
    TBudget b;
    b.DataYear = 2026;
    b.BudgId = "5";
    b.Eid = "101004002";
    b.Mid = "12";
    b.InputMoney = *Currency::FromText("100");
    b.DueMoney = *Currency::FromText("999");
    b.BudgMoney = *Currency::FromText("200.5");
    b.PayFlag.clear(), b.ExpFlag.clear(), b.ImpFlag.clear(), b.Status.clear();
    ASSERT_TRUE(store.UpdateBudget(b, 3));
    TBudget read;
    read.DataYear = 2026;
    read.BudgId = "5";
    ASSERT_TRUE(store.LoadBudget(read));
    EXPECT_EQ(read.Eid, "101004002");
    EXPECT_EQ(read.Mid, "12");
    EXPECT_EQ(read.Bkid, "21"); // not set: kept
    EXPECT_EQ(read.FileName, QStringLiteral("市财预〔2026〕8号"));
    EXPECT_EQ(read.FileDate, "2026-02-01");
    EXPECT_EQ(read.InputMoney.ToSqlText(), "100");
    EXPECT_EQ(read.DueMoney.ToSqlText(), "12.5"); // mode 3 leaves DueMoney
    EXPECT_EQ(read.BudgMoney.ToSqlText(), "200.5");
    EXPECT_EQ(read.ReplaceFlag, "0"); // never assigned
    EXPECT_EQ(read.PayFlag, "2");
    // An update of a missing row changes nothing and is no failure.
    b.BudgId = "404";
    EXPECT_TRUE(store.UpdateBudget(b, 3));
}

TEST_P(Store, DeleteByIdAndByCondition)
{
    for (const char* id : {"1", "2", "3"})
        ASSERT_TRUE(store.InsertBudget(Full(id)));
    TBudget other = Full("4");
    other.Eid = "101005001";
    ASSERT_TRUE(store.InsertBudget(other));
    TBudget key;
    key.DataYear = 2026;
    key.BudgId = "2";
    EXPECT_TRUE(store.DeleteBudget(key, ""));
    EXPECT_EQ(db.Scalar("select count(*) from busibudget"), "3");
    EXPECT_TRUE(store.DeleteBudget(key, " and eid='101004001'"));
    EXPECT_EQ(db.Scalar("select budgid from busibudget"), "4");
    EXPECT_TRUE(store.UpdateBudgetFields(key, " BudgMoney= 77.5", " and budgid='4'"));
    EXPECT_EQ(db.Scalar("select budgmoney from busibudget where budgid='4'"), "77.5");
    EXPECT_FALSE(store.DeleteBudget(key, " and nosuchcolumn=1"));
    EXPECT_FALSE(store.UpdateBudgetFields(key, " nosuchcolumn= 1", ""));
}

TEST_P(Store, NewIdsPerYear)
{
    EXPECT_EQ(GetNewBudgId(), "1");
    for (int i = 1; i <= 57; ++i) {
        TBudget b = Full(QString::number(i));
        ASSERT_TRUE(store.InsertBudget(b));
    }
    ASSERT_TRUE(store.InsertBudget(Full(""))); // an empty id counts as 0
    EXPECT_EQ(GetNewBudgId(), "58");
    TBudget other = Full("900");
    other.DataYear = 2025;
    ASSERT_TRUE(store.InsertBudget(other));
    EXPECT_EQ(GetNewBudgId(), "58");
    EXPECT_EQ(GetNextNumber("busibudget", "budgid", " datayear=2025"), "901");
}

TEST_P(Store, QuotesInEveryTextFieldRoundTrip)
{
    TBudget b = Full("q'1");
    for (QString* f :
         {&b.Eid,          &b.Bkid,    &b.Mid,       &b.IPid,      &b.Pid,      &b.Bid,
          &b.Iid,          &b.IIdName, &b.EKid,      &b.Wid,       &b.Vid,      &b.UCid,
          &b.UDid,         &b.UMid,    &b.UNid,      &b.UVid,      &b.FileName, &b.UserId,
          &b.AuditId,      &b.SplitId, &b.IniBudgId, &b.CBudgId,   &b.PBudgId,  &b.Memoo,
          &b.BudgetSource, &b.BurId,   &b.DeptClass, &b.SplitType, &b.BSource})
        *f = "x'--'y"; // fits the shortest code columns
    for (QString* f : {&b.ReplaceFlag, &b.PayFlag, &b.ExpFlag, &b.ImpFlag, &b.Status, &b.BType,
                       &b.BTypeChild, &b.IsSecret})
        *f = "'";
    ASSERT_TRUE(store.InsertBudget(b));
    ASSERT_TRUE(store.InsertBudget(Full("2")));
    TBudget read;
    read.DataYear = 2026;
    read.BudgId = "q'1";
    ASSERT_TRUE(store.LoadBudget(read));
    TBudget expected = b;
    expected.DeptClass = read.DeptClass, expected.SplitType = read.SplitType,
    expected.BType = read.BType;
    expected.IsSecret = read.IsSecret, expected.BSource = read.BSource;
    EXPECT_EQ(read, expected);
    b.Memoo = "it's changed";
    ASSERT_TRUE(store.UpdateBudget(b, 3));
    EXPECT_EQ(db.Scalar("select memoo from busibudget where budgid='2'"), QStringLiteral("备注"));
    EXPECT_TRUE(store.DeleteBudget(b, ""));
    EXPECT_EQ(db.Scalar("select count(*) from busibudget"), "1");
}

TEST_P(Store, FailuresRaiseTheirMessagesAndLeaveRecordsAlone)
{
    ASSERT_TRUE(store.InsertBudget(Full("1")));
    try {
        store.InsertBudget(Full("1")); // duplicate key
        ADD_FAILURE() << "duplicate accepted";
    } catch (const TExceptBudgetManage& e) {
        // The described text, then the database's reason.
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("插入指标数据失败!\n")))
            << e.Message().toStdString();
    }
    TBudget missing;
    missing.DataYear = 2026;
    missing.BudgId = "77";
    const TBudget before = missing;
    EXPECT_FALSE(store.LoadBudget(missing));
    EXPECT_EQ(missing, before);

    db.Def()->Close();
    try {
        store.UpdateBudget(Full("1"), 3);
        ADD_FAILURE() << "update on a closed connection succeeded";
    } catch (const TExceptBudgetManage& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("指标修改失败!\n")))
            << e.Message().toStdString();
    }
    TBudget one;
    one.DataYear = 2026;
    one.BudgId = "1";
    EXPECT_FALSE(store.LoadBudget(one));
    EXPECT_TRUE(one.Eid.isEmpty());
    EXPECT_THROW(GetNewBudgId(), TExceptBudgetManage); // never an invented id
    EXPECT_FALSE(SetSysParam("setDefaultBType", "2"));
    try { // named as what it is, not as a save
        DeleteBudgets(2026, {{"1"}}, [](const QString&, bool) { return true; });
        ADD_FAILURE() << "deleted on a closed connection";
    } catch (const TExceptBudgetManage& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("无法开始删除，没有写入任何数据：")))
            << e.Message().toStdString();
    }
}

TEST_P(Store, SetSysParamWritesTheParameter)
{
    db.Exec("insert into sysparament (paramname,paramvalue) values ('setDefaultBType','1')");
    EXPECT_TRUE(SetSysParam("setDefaultBType", "2"));
    EXPECT_EQ(db.Scalar("select paramvalue from sysparament where paramname='setDefaultBType'"),
              "2");
}

// Deletes and amount copies in batches: a refused row found inside its batch and reported with
// the database's reason, going on or stopping, exact amounts, and a cancel that writes nothing.
TEST_P(Store, BulkRunsFindTheRefusedRowAndCancelWritesNothing)
{
    const int count = kBulkBatch * 2 + 37;
    db.Exec(
        QString(GetParam() == Engine::SQLite
                    ? "with recursive n(i) as (select 1 union all select i+1 from n where "
                      "i<%1) insert into busibudget (datayear,budgid,btype,budgmoney,duemoney) "
                      "select 2026,cast(i as text),'1',0,i*1.0001 from n"
                    : "insert into busibudget (datayear,budgid,btype,budgmoney,duemoney) select "
                      "2026,cast(i as varchar),'1',0,i*1.0001 from generate_series(1,%1) i")
            .arg(count));
    db.Exec("insert into busibudget (datayear,budgid,btype,budgmoney) values (2025,'5','1',7)");
    const QString refused = QString::number(kBulkBatch + 10); // inside the second batch
    db.Exec(GetParam() == Engine::SQLite
                ? "create trigger refuse before update on busibudget when old.budgid='" + refused +
                      "' begin select raise(abort, 'row is locked'); end"
                : "create function refuse() returns trigger as $$ begin if old.budgid='" + refused +
                      "' then raise exception 'row is locked'; end if; return new; end $$ "
                      "language plpgsql; create trigger refuse before update on busibudget for "
                      "each row execute function refuse()");
    std::vector<TBulkRow> rows;
    for (int i = 1; i <= count; ++i)
        rows.push_back({QString::number(i)}); // its finance amount: i + i/10000
    const auto amount = [&](int id) {
        TQueryRef q;
        EXPECT_TRUE(OpenSql(QString("select budgmoney from busibudget where datayear=2026 and "
                                    "budgid='%1'")
                                .arg(id),
                            q));
        return q->Dataset()->Fields(0).AsCurrency().Raw();
    };

    // Cancelled in the second batch: what the first wrote is rolled back.
    TBulkOutcome r = CopyControlAmounts(
        2026, rows, false, [](const QString&, bool) { return true; },
        [](int done, int) { return done < kBulkBatch; });
    EXPECT_TRUE(r.Cancelled);
    EXPECT_EQ(r.Written, 0);
    EXPECT_EQ(amount(1), 0);

    // Stopped at the refused row: the rows before it written, the rest untouched.
    QStringList reasons;
    r = CopyControlAmounts(2026, rows, false, [&](const QString& reason, bool last) {
        reasons << reason + (last ? "|last" : "");
        return false;
    });
    EXPECT_EQ(r.Written, kBulkBatch + 9);
    EXPECT_TRUE(r.Stopped);
    EXPECT_FALSE(r.AllOk);
    ASSERT_EQ(reasons.size(), 1);
    EXPECT_TRUE(reasons[0].contains("row is locked")) << reasons[0].toStdString();
    EXPECT_EQ(db.Scalar("select count(*) from busibudget where datayear=2026 and budgmoney<>0"),
              QString::number(kBulkBatch + 9));
    EXPECT_EQ(amount(kBulkBatch + 9), (kBulkBatch + 9) * 10001);

    // Going on: every row but the refused one, exact to the ten-thousandth.
    r = CopyControlAmounts(2026, rows, false, [](const QString&, bool) { return true; });
    EXPECT_EQ(r.Written, count - 1);
    EXPECT_FALSE(r.Stopped);
    TQueryRef q;
    ASSERT_TRUE(OpenSql("select budgid,budgmoney from busibudget where datayear=2026", q));
    for (TARQuery* ds = q->Dataset(); !ds->Eof(); ds->Next()) {
        const int id = ds->Fields(0).AsString().toInt();
        EXPECT_EQ(ds->Fields(1).AsCurrency().Raw(), id == refused.toInt() ? 0 : id * 10001) << id;
    }

    // Deleting: the refused row is the last one, reported as such; the other year untouched.
    db.Exec(GetParam() == Engine::SQLite ? "drop trigger refuse"
                                         : "drop trigger refuse on busibudget");
    db.Exec(GetParam() == Engine::SQLite
                ? "create trigger refuse before delete on busibudget when old.budgid='" +
                      QString::number(count) + "' begin select raise(abort, 'kept'); end"
                : "create or replace function refuse() returns trigger as $$ begin if "
                  "old.budgid='" +
                      QString::number(count) +
                      "' then raise exception 'kept'; end if; return old; end $$ language "
                      "plpgsql; create trigger refuse before delete on busibudget for each row "
                      "execute function refuse()");
    reasons.clear();
    r = DeleteBudgets(2026, rows, [&](const QString& reason, bool last) {
        reasons << reason + (last ? "|last" : "");
        return true;
    });
    EXPECT_EQ(r.Written, count - 1);
    ASSERT_EQ(reasons.size(), 1);
    EXPECT_TRUE(reasons[0].endsWith("|last")) << reasons[0].toStdString();
    EXPECT_EQ(db.Scalar("select count(*) from busibudget where datayear=2026"), "1");
    EXPECT_EQ(db.Scalar("select count(*) from busibudget where datayear=2025"), "1");
}

// What is stored decides, not what was listed: an id drawn anew for another operator's indicator
// is left alone (no longer stored as listed), and a stored amount beyond the range is refused.
TEST_P(Store, BulkRunsActOnlyOnTheIndicatorsListed)
{
    db.Exec("insert into busibudget (datayear,budgid,eid,btype,btypechild,filename,budgmoney,"
            "duemoney) values (2026,'1','101001001','1','0','F',0,12.5),"
            "(2026,'2','101001001','1','0','F',0,50000000000000),"
            "(2026,'3','101002001','1','0','F',0,7),(2026,'4','101001001','1','0','NEW',0,7)");
    // As the list showed them: unit, codes, document number, then the amounts compared.
    const auto listed = [](const char* id, const char* eid, const QStringList& amounts) {
        QStringList key(11, QString());
        key[0] = eid;
        key[8] = "1";
        key[9] = "0";
        key[10] = "F";
        return TBulkRow{id, key + amounts};
    };
    // 3 was listed in another unit, 4 with another document number: deleted meanwhile and their
    // ids taken again by other indicators. 9 is gone.
    std::vector<TBulkRow> rows;
    for (const char* id : {"1", "2", "3", "4", "9"})
        rows.push_back(listed(id, "101001001", {"0"}));
    QStringList reasons;
    TBulkOutcome r = CopyControlAmounts(2026, rows, false, [&](const QString& reason, bool) {
        reasons << reason;
        return true;
    });
    EXPECT_EQ(r.Written, 1);
    EXPECT_EQ(r.Missing, 1);
    EXPECT_EQ(r.Altered, 2);
    ASSERT_EQ(reasons.size(), 1);
    EXPECT_TRUE(reasons[0].startsWith(QStringLiteral("编号为2的指标的财政金额为“")))
        << reasons[0].toStdString();
    EXPECT_TRUE(reasons[0].contains(Currency::RangeText()));
    EXPECT_EQ(db.Scalar("select count(*) from busibudget where budgmoney<>0"), "1");

    // Deleting compares the amounts as well: 2's control amount changed since it was listed.
    rows[0] = listed("1", "101001001", {"0.00", "12.50", "12.5"}); // the same amounts
    rows[1] = listed("2", "101001001", {"0", "50000000000000", "0"});
    db.Exec("update busibudget set budgmoney=1 where budgid='2'");
    for (size_t i = 2; i < rows.size(); ++i)
        rows[i].Key << "0"
                    << "7";
    r = DeleteBudgets(2026, rows, [](const QString&, bool) { return true; });
    EXPECT_EQ(r.Written, 1);
    EXPECT_EQ(r.Missing, 1);
    EXPECT_EQ(r.Altered, 3);
    EXPECT_EQ(db.Scalar("select count(*) from busibudget"), "3");
}

// Another program holds the table (PostgreSQL: a table lock, not the writers' lock): the run
// waits the lock timeout once and says nothing more was written, instead of meeting the lock
// again row by row and showing the server's words; what a committed transaction wrote is named.
TEST_P(Store, BulkRunMeetingATableLockEndsWithThePlainReason)
{
    if (GetParam() != Engine::PostgreSQL)
        GTEST_SKIP() << "SQLite's writers wait at BEGIN IMMEDIATE";
    db.Exec("insert into busibudget (datayear,budgid,btype,budgmoney) select 2026,"
            "cast(i as varchar),'1',0 from generate_series(1,300) i");
    db.Exec("create function refuse() returns trigger as $$ begin if old.budgid='3' then raise "
            "exception 'kept'; end if; return old; end $$ language plpgsql; create trigger "
            "refuse before delete on busibudget for each row execute function refuse()");
    std::vector<TBulkRow> rows;
    for (int i = 1; i <= 300; ++i)
        rows.push_back({QString::number(i)});
    TDbManager waitingDb;
    waitingDb.ConnectionString = db.ConnectionString() + ";Lock Timeout=1";
    TWorkContext waiting = db.Context();
    waiting.DbManager = &waitingDb;
    SetCurrentWorkContext(&waiting);
    const auto run = [&](const std::function<void()>& atRefusal) {
        try {
            DeleteBudgets(2026, rows, [&](const QString&, bool) {
                atRefusal();
                return true;
            });
        } catch (const TExceptBudgetManage& e) {
            return e.Message();
        }
        return QString();
    };
    const QString waited = QStringLiteral("其他操作员正在保存预算指标，等了1秒仍未轮到，没有写入"
                                          "任何数据。请稍后再试。");
    // Taken before the run: nothing written, and one wait, not one per row.
    db.Exec("begin");
    db.Exec("lock table busibudget in exclusive mode");
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(run([] {}), waited);
    EXPECT_LT(clock.elapsed(), 4000);
    db.Exec("rollback");
    // Taken while the refused row's question is answered: the rows before it are named.
    EXPECT_EQ(run([&] {
                  db.Exec("begin");
                  db.Exec("lock table busibudget in exclusive mode");
              }),
              QStringLiteral("已删除2条指标；其余的没有删除：") + waited);
    db.Exec("rollback");
    SetCurrentWorkContext(&db.Context());
    EXPECT_EQ(db.Scalar("select count(*) from busibudget where datayear=2026"), "298");
}
