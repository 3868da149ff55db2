#include "host/HostContext.h"
#include "fixtures/TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

class Host : public ::testing::TestWithParam<Engine>
{
};
INSTANTIATE_TEST_SUITE_P(Db, Host, ::testing::Values(Engine::SQLite, Engine::PostgreSQL),
                         EngineName);

TEST_P(Host, ContextIsReadFromTheDatabase)
{
    TestDatabase db(GetParam(), TestDatabase::Demo, 100);
    ASSERT_TRUE(db.Ok()) << db.Error().toStdString();
    db.Exec("update sysparament set paramvalue='0' where paramname='BureauMode'");
    db.Exec("update sysparament set paramvalue='2' where paramname='setDefaultBType'");
    HostContext host;
    QString error;
    ASSERT_TRUE(host.Load({db.ConnectionString(), 0, "0002", ""}, &error)) << error.toStdString();
    TWorkContext* ctx = host.Context();
    EXPECT_EQ(ctx->DataYear, 2026);
    EXPECT_EQ(ctx->SysParams->BureauMode, "0");
    EXPECT_EQ(ctx->SysParams->DefaultBType, 2);
    EXPECT_EQ(ctx->SysParams->ConfirmDelete, "1");
    EXPECT_EQ(ItemText(ctx->CurrentUser->Items(0)), "0002");
    EXPECT_EQ(ItemText(ctx->CurrentUser->Items(7)), "02");
    ASSERT_NE(ctx->CurrentUnit, nullptr);
    EXPECT_EQ(ItemText(ctx->CurrentUnit->Items(0)), "101004001"); // the operator's own unit
    EXPECT_FALSE(ItemText(ctx->CurrentUnit->Items(3)).isEmpty());
    EXPECT_EQ(ItemText(ctx->CurrentUnit->Items(17)), "1");

    HostContext other;
    ASSERT_TRUE(other.Load({db.ConnectionString(), 2024, "admin", "101004"}, &error));
    EXPECT_EQ(other.Context()->DataYear, 2024);
    EXPECT_EQ(ItemText(other.Context()->CurrentUnit->Items(0)), "101004");
}

TEST_P(Host, StartUpFaultsGiveClearMessages)
{
    TestDatabase db(GetParam(), TestDatabase::Demo, 50);
    ASSERT_TRUE(db.Ok()) << db.Error().toStdString();
    QString error;
    HostContext a;
    EXPECT_FALSE(a.Load({db.ConnectionString(), 0, "ghost", ""}, &error));
    EXPECT_EQ(error, QStringLiteral("操作员ghost不存在。"));
    HostContext b;
    EXPECT_FALSE(b.Load({db.ConnectionString(), 0, "admin", "999'"}, &error));
    EXPECT_EQ(error, QStringLiteral("单位999'不存在。"));

    TestDatabase empty(GetParam(), TestDatabase::Empty);
    HostContext c;
    EXPECT_FALSE(c.Load({empty.ConnectionString(), 0, "", ""}, &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("数据库缺少本系统需要的表或列")))
        << error.toStdString();
}

TEST(HostStart, UnreachableDatabaseIsReported)
{
    HostContext host;
    QString error;
    EXPECT_FALSE(
        host.Load({"Provider=SQLite;Data Source=/nonexistent/dir/x.db", 0, "", ""}, &error));
    EXPECT_EQ(error, QStringLiteral("数据库文件/nonexistent/dir/x.db不存在。"));
    // An empty file given as the database is reported and left as it was.
    QTemporaryDir dir;
    const QString file = dir.filePath("empty.db");
    QFile(file).open(QIODevice::WriteOnly);
    HostContext onEmpty;
    EXPECT_FALSE(onEmpty.Load({"Provider=SQLite;Data Source=" + file, 0, "", ""}, &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("数据库缺少本系统需要的表或列")))
        << error.toStdString();
    EXPECT_EQ(QFileInfo(file).size(), 0);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"empty.db"});
    HostContext onFolder;
    EXPECT_FALSE(onFolder.Load({"Provider=SQLite;Data Source=" + dir.path(), 0, "", ""}, &error));
    EXPECT_EQ(error, dir.path() + QStringLiteral("是文件夹，不是数据库文件。"));
}

TEST(HostStart, DataYearIsFourDigits)
{
    int year = 0;
    QString error;
    for (const char* bad : {"abc", "0", "-5", "99999999999", "0999", "20 6", ""}) {
        EXPECT_FALSE(ParseDataYear(bad, &year, &error)) << bad;
        EXPECT_TRUE(error.contains(QString("“%1”").arg(bad))) << error.toStdString();
    }
    EXPECT_TRUE(ParseDataYear("2031", &year, &error));
    EXPECT_EQ(year, 2031);
}
