#include "budget/gunBudgetImport.h"
#include "budget/gunFunCheck.h"
#include "budget/gunBudgetSave.h"
#include "db/DbDemo.h"
#include "db/DbSchema.h"
#include "fixtures/TestDatabase.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <memory>
#include "store/untColumnStore.h"
#include <gtest/gtest.h>

class Schema : public ::testing::TestWithParam<Engine>
{
};
INSTANTIATE_TEST_SUITE_P(Db, Schema, ::testing::Values(Engine::SQLite, Engine::PostgreSQL),
                         EngineName);

TEST_P(Schema, DemoListsIndicatorsWithNamesAndDifferences)
{
    TestDatabase db(GetParam(), TestDatabase::Demo, 600);
    ASSERT_TRUE(db.Ok()) << db.Error().toStdString();
    EXPECT_TRUE(CheckSchema(db.Def()).isEmpty());
    EXPECT_EQ(db.Scalar("select count(*) from busibudget"), "600");
    EXPECT_EQ(db.Scalar("select count(*) from vwbudget"), "600");
    EXPECT_EQ(db.Scalar("select count(*) from vwbudget where ename is null or bname is null or "
                        "mname is null or iname is null"),
              "0");
    EXPECT_EQ(
        db.Scalar("select count(*) from vwbudget where abs(duebalamoney - (budgmoney - duemoney)) "
                  "> 0.00005 or abs(balamoney - (duemoney - inputmoney)) > 0.00005 or "
                  "abs(inputbalamoney - (budgmoney - inputmoney)) > 0.00005"),
        "0");
    EXPECT_EQ(db.Scalar("select count(*) from vwbudget where (issecret='0' and secret<>'密') or "
                        "(issecret<>'0' and secret<>'非密')"),
              "0");
    EXPECT_NE(db.Scalar("select count(*) from vwbudget where budgmoney <> duemoney"), "0");
    for (int year : kDemoYears)
        EXPECT_NE(
            db.Scalar("select count(*) from busibudget where datayear=" + QString::number(year)),
            "0");
    // Department-level units end in 001; salary items are there for every year.
    EXPECT_NE(db.Scalar("select count(*) from pubdept where eid like '______001' and leafflag='0'"),
              "0");
    EXPECT_EQ(db.Scalar("select count(*) from pubitem where iid='9990000000001'"),
              QString::number(std::size(kDemoYears)));
    EXPECT_EQ(db.Scalar("select count(*) from pubsubject where type='yn' and datayear=2026"),
              db.Scalar("select count(*) from pubsubject where type='YN' and datayear=2026"));
}

TEST_P(Schema, CheckReportsMissingTablesAndColumns)
{
    TestDatabase db(GetParam());
    ASSERT_TRUE(db.Ok()) << db.Error().toStdString();
    const bool pg = GetParam() == Engine::PostgreSQL;
    db.Exec("alter table hostuser drop column burid");
    db.Exec(pg ? "drop table pubbureaux cascade" : "drop table pubbureaux");
    const QStringList problems = CheckSchema(db.Def());
    EXPECT_TRUE(problems.contains(QStringLiteral("缺少表或视图 pubbureaux")))
        << problems.join('|').toStdString();
    EXPECT_TRUE(problems.contains(QStringLiteral("hostuser 缺少列：burid")))
        << problems.join('|').toStdString();

    // The history table gone but not its triggers: every write would fail.
    TestDatabase other(GetParam());
    ASSERT_TRUE(other.Ok()) << other.Error().toStdString();
    EXPECT_TRUE(CheckSchema(other.Def()).isEmpty());
    other.Exec(pg ? "drop table busibudgethistory cascade" : "drop table busibudgethistory");
    EXPECT_EQ(
        CheckSchema(other.Def()).join('|'),
        QStringLiteral("缺少表 busibudgethistory（指标历史的触发器还在，没有它每次写入都会失败）"));
}

// Rows the duplicate rule takes for one (a copy; a missing and an empty document number) are
// listed with their ids; a NULL key column makes no duplicate; nothing is changed.
TEST_P(Schema, CheckListsStoredDuplicates)
{
    TestDatabase db(GetParam());
    ASSERT_TRUE(db.Ok()) << db.Error().toStdString();
    EXPECT_TRUE(StoredDuplicates(db.Def()).isEmpty());
    const QString count = db.Scalar("select count(*) from busibudget");
    db.Exec("insert into busibudget (datayear, budgid, btype, btypechild, bkid, eid, mid, ipid, "
            "bid, iid, filename, budgmoney) values (2026, '900', '1', '1', '21', '101004001', "
            "'11', '12', '2050202', '', 'K-0', 1)");
    db.Exec("create temp table t as select * from busibudget");
    for (const char* change : {"budgid='901', filename='K-1'", "budgid='902', filename='K-1'",
                               "budgid='903', filename=null", "budgid='904', filename=''",
                               "budgid='905', filename=null, btypechild=null",
                               "budgid='906', filename='', btypechild=null"}) {
        db.Exec(QStringLiteral("update t set %1").arg(QLatin1String(change)));
        db.Exec("insert into busibudget select * from t");
    }
    const QStringList lines = StoredDuplicates(db.Def());
    ASSERT_EQ(lines.size(), 2) << lines.join('|').toStdString();
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("指标 903, 904")) ||
                lines[1].endsWith(QStringLiteral("指标 903, 904")))
        << lines.join('|').toStdString();
    EXPECT_TRUE(lines.join('|').contains(QStringLiteral("文号“K-1”：指标 901, 902")))
        << lines.join('|').toStdString();
    EXPECT_EQ(StoredDuplicates(db.Def(), 2), lines); // all listed: no note
    EXPECT_EQ(StoredDuplicates(db.Def(), 1),
              (QStringList{lines[0], QStringLiteral("另有 1 组未列出")}));
    EXPECT_EQ(db.Scalar("select count(*) from busibudget"), QString::number(count.toInt() + 7));
}

TEST_P(Schema, ToolCreatesChecksAndRefusesBadInput)
{
    TestDatabase db(GetParam(), TestDatabase::Empty);
    ASSERT_TRUE(db.Ok()) << db.Error().toStdString();
    auto run = [&](const QStringList& args, QString* out = nullptr) {
        QProcess p;
        p.start(VESPERWALD_DB_TOOL, args);
        p.waitForFinished(120000);
        if (out)
            *out = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
        return p.exitCode();
    };
    QString out;
    EXPECT_EQ(run({"check", "--connection", db.ConnectionString()}, &out), 1);
    EXPECT_TRUE(out.contains(QStringLiteral("缺少表或视图 busibudget"))) << out.toStdString();
    EXPECT_EQ(run({"demo", "--connection", db.ConnectionString(), "--indicators", "250"}, &out), 0)
        << out.toStdString();
    EXPECT_TRUE(out.contains("indicators: 250 of 250")) << out.toStdString();
    EXPECT_EQ(run({"check", "--connection", db.ConnectionString()}), 0);
    EXPECT_EQ(db.Scalar("select count(*) from busibudget"), "250");
    // A second create on a filled database fails and leaves the data alone.
    EXPECT_EQ(run({"create", "--connection", db.ConnectionString()}, &out), 1);
    EXPECT_EQ(db.Scalar("select count(*) from busibudget"), "250");
    EXPECT_EQ(run({"demo", "--connection", db.ConnectionString(), "--indicators", "x"}), 2);
    EXPECT_EQ(run({"drop", "--connection", db.ConnectionString()}), 2);

    // A file that is not a database is named as such and left as it was.
    QTemporaryDir dir;
    QFile notes(dir.filePath("notes.txt"));
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write(QByteArray(2048, 'n'));
    notes.close();
    const QString conn = "Provider=SQLite;Data Source=" + notes.fileName();
    for (const char* command : {"create", "check"}) {
        EXPECT_EQ(run({command, "--connection", conn}, &out), 1);
        EXPECT_TRUE(out.contains(QStringLiteral("不是SQLite数据库"))) << out.toStdString();
    }
    EXPECT_EQ(QFileInfo(notes).size(), 2048);
}

// A database made before the differences were exact and before the history gets the exact view
// and the history from upgrade, which can run again and leaves the data alone. Until then it
// opens and is written as before.
TEST_P(Schema, UpgradeMakesTheDifferencesExactAndAddsTheHistory)
{
    TestDatabase db(GetParam());
    ASSERT_TRUE(db.Ok()) << db.Error().toStdString();
    const bool lite = GetParam() == Engine::SQLite;
    for (const char* t : {"insert", "update", "delete", "rekey"})
        db.Exec(QStringLiteral("drop trigger if exists busibudget_history_%1%2")
                    .arg(QLatin1String(t), lite ? "" : " on busibudget"));
    db.Exec("drop table busibudgethistory");
    TAdoConn before;
    before.SetConnectionString(db.ConnectionString());
    before.SetSessionOperator("0002");
    EXPECT_NO_THROW(before.SetWritePath(QStringLiteral("录入")));
    EXPECT_TRUE(CheckSchema(&before).isEmpty());
    // As it was: plain subtractions (the PostgreSQL form, which SQLite runs as it is).
    db.Exec("drop view vwbudget");
    db.Exec(SchemaStatements(true).filter("CREATE VIEW vwbudget AS").value(0));
    db.Exec("insert into busibudget (datayear,budgid,budgmoney,duemoney,inputmoney) values "
            "(2026,'1',584600.32,583600.33,0.1)");
    const QString exact = "select count(*) from vwbudget where duebalamoney=999.99 and "
                          "balamoney=583600.23 and inputbalamoney=584600.22";
    EXPECT_EQ(db.Scalar(exact), lite ? "0" : "1"); // numeric(18,4) was exact already
    for (int run = 0; run < 2; ++run) {
        QProcess p;
        p.start(VESPERWALD_DB_TOOL, {"upgrade", "--connection", db.ConnectionString()});
        ASSERT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        EXPECT_EQ(db.Scalar(exact), "1");
    }
    EXPECT_TRUE(CheckSchema(db.Def()).isEmpty());
    EXPECT_EQ(db.Scalar("select count(*) from busibudget"), "1");

    // The triggers once: one version per change. The connection open since before records its
    // operator from its next write path on; a worker's clone records the same operator; a write
    // transaction its own path; another program is the database user (SQLite has none), also
    // after a write transaction committed or rolled back.
    db.Def()->SetWritePath(QStringLiteral("录入"));
    db.Exec("update busibudget set memoo='a'");
    std::unique_ptr<TAdoConn> worker(db.Def()->Clone());
    worker->SetWritePath(QStringLiteral("导入"));
    ExecuteCommand(worker.get(), "update busibudget set memoo='b'");
    {
        TBudgetWriteTransaction carry(2026, TWritePath::Carry);
        db.Exec("update busibudget set memoo='t'");
        carry.Commit();
    }
    db.Exec("update busibudget set memoo='u'"); // outside: the connection's own again
    {
        TBudgetWriteTransaction dropped(2026, TWritePath::Copy);
        db.Exec("update busibudget set memoo='r'");
    }
    db.Exec("update busibudget set memoo='v'"); // the rollback took back its path too
    TAdoConn other;
    other.SetConnectionString(db.ConnectionString());
    ExecuteCommand(&other, "update busibudget set memoo='c'");
    ExecuteCommand(&other, "update busibudget set memoo='c'"); // no change, no version
    EXPECT_EQ(db.History(),
              (QStringList{
                  QStringLiteral("2026/1 修改 录入 0001"), QStringLiteral("2026/1 修改 导入 0001"),
                  QStringLiteral("2026/1 修改 结转 0001"), QStringLiteral("2026/1 修改 结转 0001"),
                  QStringLiteral("2026/1 修改 结转 0001"),
                  "2026/1 修改  " + (lite ? QString() : db.Scalar("select session_user"))}));
}

// The new-id index gives the next-number statement's answer (numbers, not texts: 11 after 9
// and 10). On PostgreSQL it refuses an id that is no number, and a database holding one is
// upgraded without it.
TEST_P(Schema, UpgradeIndexesNewIdsWhileTheIdsAreNumbers)
{
    const bool lite = GetParam() == Engine::SQLite;
    const QString made =
        lite ? "select count(*) from sqlite_master where name='ix_busibudget_nextid'"
             : "select count(*) from pg_indexes where indexname='ix_busibudget_nextid'";
    const auto upgrade = [](const TestDatabase& db) {
        QProcess p;
        p.start(VESPERWALD_DB_TOOL, {"upgrade", "--connection", db.ConnectionString()});
        EXPECT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(p.exitCode(), 0);
        return QString::fromUtf8(p.readAllStandardError())
            .contains("ix_busibudget_nextid not made");
    };
    {
        TestDatabase db(GetParam());
        ASSERT_TRUE(db.Ok()) << db.Error().toStdString();
        db.Exec("insert into busibudget (datayear,budgid) values (2026,'9'),(2026,' 10 ')");
        EXPECT_FALSE(upgrade(db));
        EXPECT_EQ(db.Scalar(made), "1");
        EXPECT_EQ(GetNextNumber("busiBudget", "budgid", " datayear= 2026"), "11");
        EXPECT_EQ(GetNextNumber("busiBudget", "budgid", " datayear= 2024"), "1");
        if (!lite) {
            EXPECT_THROW(ExecuteCommand(db.Def(), "insert into busibudget (datayear,budgid) "
                                                  "values (2026,'T2')"),
                         TExceptDbManager);
        }
    }
    TestDatabase db(GetParam());
    ASSERT_TRUE(db.Ok()) << db.Error().toStdString();
    db.Exec("insert into busibudget (datayear,budgid) values (2025,'T1')");
    EXPECT_EQ(upgrade(db), !lite);
    EXPECT_EQ(db.Scalar(made), lite ? "1" : "0");
}

// Every view the filters offer has indicators: type × source × money kind × sub-type.
TEST_P(Schema, DemoCoversEveryFilterCombination)
{
    TestDatabase db(GetParam(), TestDatabase::Demo, 1200);
    ASSERT_TRUE(db.Ok()) << db.Error().toStdString();
    const struct {
        const char* type;
        QStringList children;
    } kinds[] = {{"0", {"0"}}, {"1", {"1", "2"}}, {"2", {"2"}}};
    for (const auto& k : kinds)
        for (const char* source : {"21", "22"})
            for (const char* money : {"11", "12", "21", "31"})
                for (const QString& child : k.children)
                    EXPECT_NE(db.Scalar(QString("select count(*) from busibudget where "
                                                "datayear=2026 and btype='%1' and bkid='%2' and "
                                                "mid='%3' and btypechild='%4'")
                                            .arg(k.type, source, money, child)),
                              "0")
                        << k.type << "/" << source << "/" << money << "/" << child.toStdString();
}

// Row numbers beyond 271,000 overflow 32-bit products in the generator's arithmetic.
TEST(DemoPostgreSQL, LargeDemoStaysInSixtyFourBits)
{
    TestDatabase db(Engine::PostgreSQL);
    ASSERT_TRUE(db.Ok()) << db.Error().toStdString();
    ASSERT_NO_THROW(FillDemo(db.Def(), 280000, {}, 1));
    EXPECT_EQ(db.Scalar("select count(*) from busibudget where datayear=2026"), "280000");
    EXPECT_EQ(db.Scalar("select count(*) from busibudget where datayear<>2026"), "0");
}

// Every demo indicator is one the entry dialog accepts as it is: the import's checks of the
// working year find nothing to refuse or change, and no two share the duplicate rule's fields.
TEST_P(Schema, DemoIndicatorsPassTheEntryChecks)
{
    TestDatabase db(GetParam(), TestDatabase::Demo, 1500);
    ASSERT_TRUE(db.Ok()) << db.Error().toStdString();
    db.Unit().SetValue(0, "101"); // the demo's operator admin
    const QStringList fields = {"eid",       "bid",      "iid",      "mid",        "bkid", "ipid",
                                "budgmoney", "filename", "issecret", "btypechild", "btype"};
    TImportRows rows;
    rows.Headers =
        QStringList{"预算编码",     "科目编码", "项目编码", "资金性质编码", "预算来源编码",
                    "支出类型编码", "指标金额", "指标文号", "涉密",         "指标子类型"};
    auto cells = std::make_shared<TColumnStore>();
    cells->SetColumns(fields, QList<bool>(fields.size(), false));
    const auto ds = TARQuery::Open(db.Def(), "select " + fields.join(',') +
                                                 " from busibudget where datayear=2026");
    for (TARQuery* q = ds->Dataset(); !q->Eof(); q->Next()) {
        for (int c = 0; c < fields.size(); ++c) {
            const QByteArray text =
                (c == 6 ? q->Fields(c).AsCurrency().ToSqlText() : q->Fields(c).AsString()).toUtf8();
            cells->AppendUtf8(c, text.constData(), int(text.size()));
        }
        cells->EndRow();
        rows.Lines.push_back(rows.Count() + 2);
    }
    ASSERT_GT(rows.Count(), 400);
    rows.Cells = cells;
    const TImportMapping mapping = MatchImportColumns(rows.Headers);
    for (const char* type : {"0", "1", "2"}) {
        TImportChecker checker(2026, type);
        for (int r = 0; r < rows.Count(); ++r) {
            auto cell = [&](int c) { return cells->Text(r, c); };
            if (cell(10) != type)
                continue;
            TBudget b;
            EXPECT_EQ(checker.Check(rows, r, mapping, b).join(';').toStdString(), "")
                << "row " << r;
            QStringList got{
                b.Eid,      b.Bid,     b.Iid, b.Mid, b.Bkid, b.IPid, b.BudgMoney.ToSqlText(),
                b.FileName, b.IsSecret};
            QStringList stored;
            for (int c = 0; c < 9; ++c)
                stored << cell(c);
            EXPECT_EQ(got, stored);
        }
    }
    EXPECT_EQ(
        db.Scalar("select count(*) from (select distinct datayear,btype,btypechild,bkid,eid,mid,"
                  "ipid,bid,iid,coalesce(filename,'') from busibudget) k"),
        db.Scalar("select count(*) from busibudget"));
}
