#include "fixtures/TestDatabase.h"
#include "context/untAdodbIsomer.h"
#include "context/untConnectionString.h"
#include "plugin/untPlugInEntry.h"
#include "context/untWorkContext.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(ConnectionRegistry, DefIsCreatedOnceAndDuplicatesAreRefused)
{
    TDbManager manager;
    manager.ConnectionString = "Provider=SQLite;Data Source=:memory:";
    manager.LoginPrompt = true;
    TAdoConn* def = manager.FindConnection("Def");
    EXPECT_EQ(manager.FindConnection("Def"), def);
    EXPECT_EQ(manager.FindConnection("DEF"), def);
    EXPECT_EQ(def->ConnectionString(), manager.ConnectionString);
    EXPECT_TRUE(def->LoginPrompt());

    auto* other = new TAdoConn;
    try {
        manager.RegisterConnection("def", other);
        ADD_FAILURE() << "no error for a duplicate name";
    } catch (const TExceptDbManager& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("一个名为def的TAdoConn对象已经存在！"));
    }
    EXPECT_EQ(manager.Connections.Count(), 1);
    delete other;
    delete def; // a destroyed connection leaves the registry
    EXPECT_EQ(manager.Connections.Count(), 0);
}

TEST(QueryObject, FreedAtLastReleaseAndNeverTwice)
{
    TAdoConn conn;
    conn.SetConnectionString("Provider=SQLite;Data Source=:memory:");
    int destroyed = 0;
    {
        TIntfPtr<TARQuery> q = TARQuery::Open(&conn, "select 1 as a");
        q->OnDestroy = [&](TARQuery* self) {
            ++destroyed;
            // A late reference taken and dropped during destruction must not free it again.
            self->AddRef();
            self->Release();
        };
        TIntfPtr<TARQuery> copy = q;
        EXPECT_EQ(q->RefCount(), 2);
        DropQuery(q.Get()); // referenced: changes nothing
        EXPECT_EQ(q->RefCount(), 2);
    }
    EXPECT_EQ(destroyed, 1);
}

class Engines : public ::testing::TestWithParam<Engine>
{
};
INSTANTIATE_TEST_SUITE_P(Db, Engines, ::testing::Values(Engine::SQLite, Engine::PostgreSQL),
                         EngineName);

TEST_P(Engines, ValuesReadBackWithTheirTypes)
{
    TestDatabase db(GetParam(), TestDatabase::Empty);
    ASSERT_TRUE(db.Ok()) << db.Error().toStdString();
    const QString money = GetParam() == Engine::PostgreSQL ? "numeric(18,4)" : "numeric";
    db.Exec("create table t (code varchar(10), amount " + money + ", n integer, note varchar(20))");
    db.Exec("insert into t values ('001', 12.5, 3, null)");
    db.Exec("insert into t values ('002', -3.25, 4, '备注')");
    db.Exec("insert into t values ('003', 1234567890.1234, 5, '')");
    TQueryRef q;
    ASSERT_TRUE(OpenSql("select code, amount, n, note from t order by code", q));
    TARQuery* ds = q->Dataset();
    EXPECT_EQ(ds->RecordCount(), 3);
    EXPECT_EQ(ds->FieldByName("code").AsString(), "001");
    EXPECT_EQ(ds->FieldByName("AMOUNT").AsCurrency().ToSqlText(), "12.5");
    EXPECT_EQ(ds->FieldByName("n").AsFloat(), 3.0);
    EXPECT_TRUE(ds->FieldByName("note").IsNull());
    ds->Next();
    EXPECT_EQ(ds->Fields(1).AsCurrency().ToSqlText(), "-3.25");
    EXPECT_EQ(ds->Fields(3).AsString(), QStringLiteral("备注"));
    ds->Next();
    EXPECT_EQ(ds->Fields(1).AsCurrency().ToSqlText(), "1234567890.1234");
    EXPECT_FALSE(ds->Fields(3).IsNull());
    ds->Next();
    EXPECT_TRUE(ds->Eof());
    EXPECT_THROW(ds->FieldByName("nosuch"), Exception);
}

TEST_P(Engines, NextNumberRunsWithEmptyAndNullValues)
{
    TestDatabase db(GetParam(), TestDatabase::Empty);
    ASSERT_TRUE(db.Ok()) << db.Error().toStdString();
    db.Exec("create table t (c varchar(20))");
    // The engine's own dialect, and the standard form an unknown ODBC provider gets.
    for (const TSqlDialect dialect : {db.Def()->Dialect(), TSqlDialect(TSqlDialect::Fallback)}) {
        db.Exec("delete from t");
        EXPECT_EQ(db.Scalar("select " + dialect.NextNumber("c") + " from t"), ""); // null
        db.Exec("insert into t values ('')");
        db.Exec("insert into t values (null)");
        EXPECT_EQ(db.Scalar("select " + dialect.NextNumber("c") + " from t"), "1");
        db.Exec("insert into t values ('9')");
        db.Exec("insert into t values ('10')");
        db.Exec("insert into t values (' 7 ')");
        EXPECT_EQ(db.Scalar("select " + dialect.NextNumber("c") + " from t"), "11");
    }
}

TEST_P(Engines, FaultsGiveFalseAndKeepTheCallersQuery)
{
    TestDatabase db(GetParam(), TestDatabase::Empty);
    ASSERT_TRUE(db.Ok()) << db.Error().toStdString();
    TQueryRef q;
    ASSERT_TRUE(OpenSql("select 1 as one", q));
    TARQuery* before = q.Get();
    EXPECT_FALSE(OpenSql("selec nonsense", q));
    EXPECT_FALSE(OpenSql("select * from no_such_table", q));
    EXPECT_EQ(q.Get(), before);
    EXPECT_FALSE(ExecSql("update no_such_table set a=1"));
    EXPECT_TRUE(ExecSql("create table t (a varchar(5))"));
    EXPECT_FALSE(ExecSql("insert into t values ('toolongvalue')") &&
                 GetParam() == Engine::PostgreSQL);

    db.Def()->Close(); // a lost connection stays lost
    EXPECT_FALSE(OpenSql("select 1 as one", q));
    EXPECT_FALSE(ExecSql("delete from t"));
    EXPECT_EQ(q.Get(), before);
}

TEST_P(Engines, QuoteInAValueNeverChangesTheStatement)
{
    TestDatabase db(GetParam(), TestDatabase::Empty);
    ASSERT_TRUE(db.Ok()) << db.Error().toStdString();
    db.Exec("create table t (name varchar(50))");
    db.Exec("insert into t values ('a')");
    const QString evil = "x' or '1'='1";
    ASSERT_TRUE(ExecSql("insert into t values ('" + SqlText(evil) + "')"));
    TQueryRef q;
    ASSERT_TRUE(OpenSql("select name from t where name='" + SqlText(evil) + "'", q));
    ASSERT_EQ(q->Dataset()->RecordCount(), 1);
    EXPECT_EQ(q->Dataset()->Fields(0).AsString(), evil);
    ASSERT_TRUE(ExecSql("delete from t where name='" + SqlText(evil) + "'"));
    EXPECT_EQ(db.Scalar("select count(*) from t"), "1");
}

TEST_P(Engines, SqlTraceWritesOneLinePerStatement)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("trace.log");
    qputenv("VESPERWALD_SQL_TRACE", path.toLocal8Bit());
    {
        TestDatabase db(GetParam(), TestDatabase::Empty);
        ASSERT_TRUE(db.Ok()) << db.Error().toStdString();
        QFile::remove(path);
        TQueryRef q;
        OpenSql("select 1 as one", q);
        ExecSql("drop table nothing_here");
    }
    qunsetenv("VESPERWALD_SQL_TRACE");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 2);
    const QStringList open = lines[0].split('\t');
    ASSERT_EQ(open.size(), 5);
    EXPECT_EQ(open[1], "Def"); // the registry's name, not the driver's
    EXPECT_EQ(open[2], "open");
    EXPECT_EQ(open[3], "ok");
    EXPECT_EQ(open[4], "select 1 as one");
    const QStringList exec = lines[1].split('\t');
    EXPECT_EQ(exec[2], "exec");
    EXPECT_TRUE(exec[3].startsWith("error: ")) << exec[3].toStdString();
}

TEST(Connections, AFileThatIsNotADatabaseIsNamedAsSuch)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("notes.db");
    QFile junk(path);
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, 'x'));
    junk.close();
    TAdoConn conn;
    conn.SetConnectionString("Provider=SQLite;Data Source=" + path);
    try {
        conn.Database();
        ADD_FAILURE() << "opened";
    } catch (const TExceptDbManager& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("文件%1不是SQLite数据库。").arg(path));
    }
    EXPECT_FALSE(conn.Connected());
    EXPECT_EQ(conn.LastError(), QStringLiteral("文件%1不是SQLite数据库。").arg(path));
    junk.open(QIODevice::ReadOnly);
    EXPECT_EQ(junk.readAll(), QByteArray(4096, 'x')); // untouched
}

TEST(Connections, BadConnectionStringsFailCleanly)
{
    QTemporaryDir dir;
    const QString cases[] = {
        "Data Source=" + dir.filePath("x.db"),                       // no provider
        "Provider=SQLite;Data Source=" + dir.filePath("missing.db"), // file that does not exist
        "Provider=SQLite",                                           // no file
        "Provider=NoSuchProvider;DSN=nowhere",                       // unknown: ODBC without a DSN
    };
    for (const QString& c : cases) {
        TDbManager manager;
        manager.ConnectionString = c;
        TWorkContext ctx;
        ctx.DbManager = &manager;
        SetCurrentWorkContext(&ctx);
        TQueryRef q;
        EXPECT_FALSE(OpenSql("select 1", q)) << c.toStdString();
        EXPECT_FALSE(ExecSql("create table t (a integer)")) << c.toStdString();
        SetCurrentWorkContext(nullptr);
    }
    EXPECT_FALSE(QFile::exists(dir.filePath("missing.db"))); // never created as a side effect
}

TEST(Connections, WrongPostgreSQLLoginFails)
{
    QString conn = qEnvironmentVariable("VESPERWALD_PG_CONNECTION");
    ASSERT_FALSE(conn.isEmpty()) << "VESPERWALD_PG_CONNECTION is not set";
    conn.replace("User ID=postgres", "User ID=nobody_here");
    TAdoConn c;
    c.SetConnectionString(conn + ";Password=wrong");
    try {
        TARQuery::Open(&c, "select 1");
        ADD_FAILURE() << "login accepted";
    } catch (const TExceptDbManager& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("无法连接数据库")))
            << e.Message().toStdString();
    }
}

// A table another program holds whole (its structure being changed, say) stops a PostgreSQL read
// after the connection's read limit, with words an operator can act on, instead of freezing the
// window that reads; the connection works again once the table is free.
TEST(Connections, APostgreSQLReadGivesUpOnATableHeldWhole)
{
    TestDatabase db(Engine::PostgreSQL);
    ASSERT_TRUE(db.Ok()) << db.Error().toStdString();
    TAdoConn reader;
    reader.SetConnectionString(db.ConnectionString() + ";Lock Timeout=1");
    db.Exec("begin");
    db.Exec("lock table busibudget in access exclusive mode");
    QElapsedTimer clock;
    clock.start();
    try {
        TARQuery::Open(&reader, "select count(*) from busibudget");
        ADD_FAILURE() << "read past the lock";
    } catch (const TExceptDbManager& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("要读的表正被其他程序整个占用")))
            << e.Message().toStdString();
    }
    EXPECT_LT(clock.elapsed(), 4000);
    db.Exec("rollback");
    EXPECT_EQ(
        TARQuery::Open(&reader, "select count(*) from busibudget")->Dataset()->Fields(0).AsString(),
        "0");
}

// The file replaced under an open connection (restored from a copy while the program runs):
// the connection still holds the old one, so every statement is refused with the reason, none
// reads the old data as if current.
TEST(Connections, ASqliteFileReplacedIsNoLongerUsed)
{
    TestDatabase db(Engine::SQLite);
    ASSERT_TRUE(db.Ok()) << db.Error().toStdString();
    const QString file = ConnectionStringValue(db.ConnectionString(), "Data Source");
    TAdoConn reader;
    reader.SetConnectionString(db.ConnectionString());
    const auto count = [&] {
        return TARQuery::Open(&reader, "select count(*) from busibudget")
            ->Dataset()
            ->Fields(0)
            .AsString();
    };
    EXPECT_EQ(count(), "0");
    db.Exec("vacuum into '" + file + ".new'");
    ASSERT_EQ(
        ::rename(QFile::encodeName(file + ".new").constData(), QFile::encodeName(file).constData()),
        0);
    try {
        count();
        ADD_FAILURE() << "read the replaced file";
    } catch (const TExceptDbManager& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("被删除或替换")))
            << e.Message().toStdString();
    }
    EXPECT_THROW(ExecuteCommand(&reader, "delete from busibudget"), TExceptDbManager);
}
