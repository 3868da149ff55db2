#include "budget/gunBudgetHistory.h"
#include "budget/gunBudgetSave.h"
#include "fixtures/TestDatabase.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace
{
class History : public ::testing::TestWithParam<Engine>
{
protected:
    TestDatabase db{GetParam()};

    void Add(const char* id, const char* file, const char* amount)
    {
        db.Exec(QStringLiteral("insert into busibudget (datayear,budgid,eid,bkid,mid,ipid,bid,iid,"
                               "filename,budgmoney,duemoney,inputmoney,btype,btypechild,userid) "
                               "values (2026,'%1','101004','21','11','11','2050202','','%2',%3,"
                               "%3,%3,'1','0','0001')")
                    .arg(QLatin1String(id), QString::fromUtf8(file), QLatin1String(amount)));
    }
    QString DeletedRow()
    {
        return db.Scalar("select oldrow from busibudgethistory where action='删除' order by "
                         "histid desc");
    }
};
INSTANTIATE_TEST_SUITE_P(Db, History, ::testing::Values(Engine::SQLite, Engine::PostgreSQL),
                         EngineName);
} // namespace

// Three modifications are three versions over the first, newest first, amounts exact; a delete
// lists the indicator as deleted, and restore brings back the same row under a new id when its
// own is taken, once, through the duplicate rule, recorded as 恢复.
TEST_P(History, VersionsDeletedAndRestored)
{
    ASSERT_TRUE(db.Ok()) << db.Error().toStdString();
    db.Def()->SetWritePath(QStringLiteral("录入"));
    Add("7", "文1", "1234567.1234");
    for (const char* amount : {"10.5", "9999999999999.99", "0.01"})
        db.Exec(QStringLiteral("update busibudget set budgmoney=%1 where budgid='7'")
                    .arg(QLatin1String(amount)));
    std::vector<THistoryVersion> versions = ReadBudgetHistory(2026, "7");
    ASSERT_EQ(versions.size(), 4u);
    EXPECT_EQ(versions[0].Action, QStringLiteral("修改"));
    EXPECT_EQ(versions[0].Operator, "0001");
    EXPECT_TRUE(versions[0].Time.startsWith("20")) << versions[0].Time.toStdString();
    ASSERT_EQ(versions[0].Changes.size(), 1u);
    EXPECT_EQ(versions[0].Changes[0].Field, QStringLiteral("控制金额"));
    EXPECT_EQ(versions[0].Changes[0].Old, "9,999,999,999,999.99");
    EXPECT_EQ(versions[0].Changes[0].New, "0.01");
    EXPECT_EQ(versions[2].Changes[0].Old, "1,234,567.1234");
    EXPECT_EQ(versions[3].Action, QStringLiteral("增加"));
    EXPECT_EQ(versions[3].Path, QStringLiteral("录入"));
    const auto added = [](const THistoryVersion& v, const QString& field) {
        for (const THistoryChange& c : v.Changes)
            if (c.Field == field)
                return c.Old + " -> " + c.New;
        return QStringLiteral("none");
    };
    EXPECT_EQ(added(versions[3], QStringLiteral("控制金额")), " -> 1,234,567.1234"); // as added
    EXPECT_EQ(added(versions[3], QStringLiteral("指标文号")), QStringLiteral(" -> 文1"));

    db.Def()->SetWritePath(QStringLiteral("删除"));
    db.Exec("delete from busibudget where budgid='7'");
    EXPECT_EQ(ReadBudgetHistory(2026, "7").size(), 5u); // a deleted one keeps its versions
    Add("7", "文2", "5"); // the id taken meanwhile: its history is its own
    versions = ReadBudgetHistory(2026, "7");
    ASSERT_EQ(versions.size(), 1u);
    EXPECT_EQ(added(versions[0], QStringLiteral("指标文号")), QStringLiteral(" -> 文2"));
    std::vector<TDeletedBudget> deleted = ReadDeletedBudgets(2026, "101");
    ASSERT_EQ(deleted.size(), 1u);
    EXPECT_EQ(deleted[0].FileName, QStringLiteral("文1"));
    EXPECT_EQ(deleted[0].Operator, "0001"); // the one who deleted it, no other column
    EXPECT_EQ(deleted[0].Amount, *Currency::FromText("0.01"));
    EXPECT_TRUE(ReadDeletedBudgets(2026, "102").empty());

    TRestoreOutcome restored = RestoreDeletedBudgets(2026, {deleted[0].HistId});
    EXPECT_EQ(restored.Restored, 1);
    EXPECT_EQ(restored.Notes, QStringList{QStringLiteral("指标编号7已被占用，恢复为新编号8。")});
    const std::vector<THistoryChange> diff =
        DiffBudgetRows(DeletedRow(), StoredBudgetRow(2026, "8"));
    ASSERT_EQ(diff.size(), 1u); // the same row but for its id
    EXPECT_EQ(diff[0].Field, QStringLiteral("指标编号"));
    EXPECT_EQ(diff[0].Old, "7"); // an id as it is, not as an amount
    EXPECT_EQ(diff[0].New, "8");
    EXPECT_TRUE(ReadDeletedBudgets(2026, "101").empty());
    versions = ReadBudgetHistory(2026, "8"); // and on with its versions under 7, not 文2's
    ASSERT_EQ(versions.size(), 6u);
    EXPECT_EQ(added(versions[0], QStringLiteral("控制金额")), " -> 0.01"); // as stored now
    EXPECT_EQ(versions[1].Action, QStringLiteral("删除"));
    EXPECT_EQ(versions[5].Action, QStringLiteral("增加"));
    EXPECT_EQ(added(versions[5], QStringLiteral("指标文号")), QStringLiteral(" -> 文1"));
    restored = RestoreDeletedBudgets(2026, {deleted[0].HistId});
    EXPECT_EQ(restored.Restored, 0);
    EXPECT_EQ(restored.Notes, QStringList{QStringLiteral("指标7已经恢复过，没有再次恢复。")});

    // Deleted again and entered anew meanwhile: the duplicate rule keeps it out.
    db.Def()->SetWritePath(QStringLiteral("删除"));
    db.Exec("delete from busibudget where budgid='8'");
    db.Def()->SetWritePath(QStringLiteral("录入"));
    Add("9", "文1", "3");
    deleted = ReadDeletedBudgets(2026, "101");
    ASSERT_EQ(deleted.size(), 1u);
    restored = RestoreDeletedBudgets(2026, {deleted[0].HistId});
    EXPECT_EQ(restored.Restored, 0);
    EXPECT_EQ(restored.Notes,
              QStringList{QStringLiteral("指标8与本年度现有的指标属性相同，没有恢复。")});
    EXPECT_EQ(db.Scalar("select count(*) from busibudget"), "2");
    EXPECT_EQ(db.History("action='恢复'"), QStringList{QStringLiteral("2026/8 恢复 恢复 0001")});
}

// A restore of a bulk delete cancelled after hundreds were put back writes nothing: the rows stay
// deleted and listed, no 恢复 is recorded. The list is read in steps that can stop it.
TEST_P(History, CancelledRestoreWritesNothing)
{
    ASSERT_TRUE(db.Ok()) << db.Error().toStdString();
    // Indicator 399 has indicator 400's duplicate key (both document number "399").
    for (int i = 0; i < 400; ++i)
        Add(QByteArray::number(i + 1).constData(),
            QByteArray::number(i == 398 ? 399 : i).constData(), "1");
    db.Def()->SetWritePath(QStringLiteral("删除"));
    db.Exec("delete from busibudget");
    EXPECT_TRUE(ReadDeletedBudgets(2026, "101", [](int) { return false; }).empty()); // stopped
    QStringList ids;
    for (const TDeletedBudget& d : ReadDeletedBudgets(2026, "101"))
        ids << d.HistId;
    ASSERT_EQ(ids.size(), 400);
    QList<int> told;
    const TRestoreOutcome outcome = RestoreDeletedBudgets(2026, ids, [&told](int done, int total) {
        told << done;
        return total == 400 && done < 200;
    });
    EXPECT_EQ(outcome.Restored, 0);
    EXPECT_TRUE(outcome.Notes.isEmpty());
    EXPECT_EQ(told, (QList<int>{0, 200}));
    EXPECT_EQ(db.Scalar("select count(*) from busibudget"), "0");
    EXPECT_EQ(db.Scalar("select count(*) from busibudgethistory where restoredid is not null or "
                        "action='恢复'"),
              "0");
    EXPECT_EQ(ReadDeletedBudgets(2026, "101").size(), 400u);

    // Restored whole, the one taken meanwhile first: the others keep their ids, it gets one
    // beyond all of them; one of two alike left out, an image kept before a column was added
    // restored beside the others.
    Add("1", "新", "1");
    db.Exec(db.GetEngine() == Engine::SQLite
                ? "update busibudgethistory set oldrow = json_remove(oldrow, '$.memoo') where "
                  "budgid = '300'"
                : "update busibudgethistory set oldrow = (oldrow::jsonb - 'memoo')::text where "
                  "budgid = '300'");
    std::reverse(ids.begin(), ids.end());
    const TRestoreOutcome all = RestoreDeletedBudgets(2026, ids);
    EXPECT_EQ(all.Restored, 399);
    EXPECT_EQ(all.Notes,
              (QStringList{QStringLiteral("指标编号1已被占用，恢复为新编号401。"),
                           QStringLiteral("指标400与本年度现有的指标属性相同，没有恢复。")}));
    EXPECT_EQ(db.Scalar("select count(distinct budgid) from busibudget"), "400");
    EXPECT_EQ(db.Scalar("select budgid from busibudget where filename = '0'"), "401");
    EXPECT_EQ(db.Scalar("select count(*) from busibudgethistory where action='恢复'"), "399");
    EXPECT_EQ(ReadDeletedBudgets(2026, "101").size(), 1u); // the one alike
}

// Another program holds the table for longer than the lock timeout: the restore says so as the
// other writers do (not in the server's words) and writes nothing.
TEST_P(History, RestoreMeetingATableLockSaysSoPlainly)
{
    if (GetParam() != Engine::PostgreSQL)
        GTEST_SKIP() << "SQLite's writers wait at BEGIN IMMEDIATE";
    ASSERT_TRUE(db.Ok()) << db.Error().toStdString();
    Add("7", "文", "1");
    db.Exec("delete from busibudget");
    const QString histId = ReadDeletedBudgets(2026, "101").at(0).HistId;
    TDbManager waitingDb;
    waitingDb.ConnectionString = db.ConnectionString() + ";Lock Timeout=1";
    TWorkContext waiting = db.Context();
    waiting.DbManager = &waitingDb;
    SetCurrentWorkContext(&waiting);
    db.Exec("begin");
    db.Exec("lock table busibudget in exclusive mode");
    QString message;
    try {
        RestoreDeletedBudgets(2026, {histId});
    } catch (const TExceptBudgetManage& e) {
        message = e.Message();
    }
    db.Exec("rollback");
    SetCurrentWorkContext(&db.Context());
    EXPECT_EQ(message,
              QStringLiteral("其他操作员正在保存预算指标，等了1秒仍未轮到，没有写入任何数据。"
                             "请稍后再试。"));
    EXPECT_EQ(db.Scalar("select count(*) from busibudget"), "0");
}

// Many indicators added in one write transaction: each has its one addition with the
// transaction's operator, path and time once committed, none when cancelled after some were
// written; a single write, also from another program, is still recorded after either.
TEST_P(History, ManyAdditionsOnlyOnceCommitted)
{
    ASSERT_TRUE(db.Ok()) << db.Error().toStdString();
    db.Def()->SetWritePath(QStringLiteral("录入"));
    Add("7", "文0", "1");
    const TBudgetSource source = [](int i, TBudget& b) {
        b.Eid = "101004";
        b.Bkid = b.Mid = b.IPid = "11";
        b.Bid = "2050202";
        b.FileName = QStringLiteral("批%1").arg(i);
        b.BudgMoney = b.DueMoney = b.InputMoney = *Currency::FromText("2.5");
        CompleteNewBudgetFields(b, QStringLiteral("预算数"));
        return true;
    };
    EXPECT_EQ(InsertNewBudgets(2026, TWritePath::Import, 600, source,
                               [](int done, int) { return done < 500; }),
              0);
    Add("8", "文1", "1");
    EXPECT_EQ(db.History("1=1"), (QStringList{QStringLiteral("2026/7 增加 录入 0001"),
                                              QStringLiteral("2026/8 增加 录入 0001")}));

    QList<int> shown; // the progress: every 500 rows, and the end once written
    ASSERT_EQ(InsertNewBudgets(2026, TWritePath::Carry, 600, source,
                               [&](int done, int count) {
                                   shown << done << count;
                                   return true;
                               }),
              600);
    EXPECT_EQ(shown, (QList<int>{0, 600, 500, 600, 600, 600}));
    EXPECT_EQ(db.Scalar("select count(*) from busibudget b where (select count(*) from "
                        "busibudgethistory h where h.datayear = b.datayear and h.budgid = "
                        "b.budgid and h.action = '增加') <> 1"),
              "0");
    EXPECT_EQ(db.Scalar("select count(distinct changedat) || ' ' || min(cast(budgid as integer)) "
                        "|| ' ' || max(cast(budgid as integer)) || ' ' || count(*) from "
                        "busibudgethistory where path = '结转' and operator = '0001' and oldrow "
                        "is null"),
              "1 9 608 600");
    const std::vector<THistoryVersion> versions = ReadBudgetHistory(2026, "608");
    ASSERT_EQ(versions.size(), 1u);
    EXPECT_EQ(versions[0].Action, QStringLiteral("增加"));
    QStringList file;
    for (const THistoryChange& c : versions[0].Changes)
        if (c.Field == QStringLiteral("指标文号"))
            file << c.Old << c.New;
    EXPECT_EQ(file, (QStringList{"", QStringLiteral("批599")}));

    TAdoConn other;
    other.SetConnectionString(db.ConnectionString());
    ExecuteCommand(&other, "insert into busibudget (datayear, budgid) values (2026, '900')");
    EXPECT_EQ(db.Scalar("select count(*) from busibudgethistory where budgid = '900'"), "1");
}
