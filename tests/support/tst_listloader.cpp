#include "fixtures/TestDatabase.h"
#include "support/untListLoader.h"

#include <QSignalSpy>
#include <QThread>
#include <QTest>
#include <atomic>
#include <gtest/gtest.h>

namespace
{
class Loader : public ::testing::TestWithParam<Engine>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(db.Ok()) << db.Error().toStdString();
        db.Exec("create table t (id integer, amount numeric, name varchar(20))");
        db.Exec(GetParam() == Engine::SQLite
                    ? "with recursive n(i) as (select 1 union all select i+1 from n where "
                      "i<5000) insert into t select i, i * 0.25, 'n' || (i % 7) from n"
                    : "insert into t select i, i * 0.25, 'n' || (i % 7) from "
                      "generate_series(1,5000) i");
    }
    // A statement that reads for a long while unless it is stopped.
    QString Slow() const
    {
        return GetParam() == Engine::SQLite
                   ? "with recursive n(i) as (select 1 union all select i+1 from n where "
                     "i<2000000000) select count(*) as c from n"
                   : "select pg_sleep(60) as c";
    }
    TestDatabase db{GetParam()};
};
INSTANTIATE_TEST_SUITE_P(Db, Loader, ::testing::Values(Engine::SQLite, Engine::PostgreSQL),
                         EngineName);
} // namespace

TEST_P(Loader, PartsInOrderWithExactSumsAndCancelling)
{
    {
        TListLoader loader(db.Def());
        EXPECT_EQ(TListLoader::LiveThreads(), 1);
        QList<int> rows;
        QObject::connect(
            &loader, &TListLoader::Part,
            [&](std::shared_ptr<const TColumnStore> part, int) { rows << part->RowCount(); });
        QSignalSpy finished(&loader, &TListLoader::Finished);
        // A slow read is stopped by the next request; nothing of it arrives.
        loader.Start(Slow(), {});
        QTest::qWait(50);
        const int second = loader.Start("select id, amount, name from t order by id", {"amount"});
        ASSERT_TRUE(finished.wait(10000)); // the slow statement was interrupted
        ASSERT_EQ(finished.size(), 1);
        EXPECT_EQ(finished[0][0].toInt(), second);
        EXPECT_TRUE(finished[0][1].toBool()) << finished[0][2].toString().toStdString();
        EXPECT_EQ(finished[0][3].toStringList(), QStringList{"3125625"}); // 0.25 × 5000·5001/2
        ASSERT_GE(rows.size(), 2); // a screenful first, then the rest
        EXPECT_EQ(rows.first(), 64);
        int total = 0;
        for (int r : rows)
            total += r;
        EXPECT_EQ(total, 5000);

        // A failure arrives as such.
        loader.Start("select * from no_such_table", {});
        ASSERT_TRUE(finished.wait(10000));
        EXPECT_FALSE(finished.last()[1].toBool());
        EXPECT_FALSE(finished.last()[2].toString().isEmpty());
        EXPECT_FALSE(loader.Busy()); // what waits for the list may go on

        // Destroyed in the middle of a read: the thread ends with it.
        loader.Start(Slow(), {});
        QTest::qWait(50);
    }
    EXPECT_EQ(TListLoader::LiveThreads(), 0);
}

TEST_P(Loader, AServerThatDropsTheReadMidwayIsAFailureNotAShortList)
{
    if (GetParam() != Engine::PostgreSQL)
        GTEST_SKIP() << "a server's own connection";
    TListLoader loader(db.Def());
    int rows = 0;
    QObject::connect(
        &loader, &TListLoader::Part,
        [&](std::shared_ptr<const TColumnStore> part, int) { rows += part->RowCount(); });
    QSignalSpy finished(&loader, &TListLoader::Finished);
    loader.Start("select i as dropped_read, repeat('x', 2000) as pad, pg_sleep(0.002) as s "
                 "from generate_series(1, 20000) i",
                 {});
    ASSERT_TRUE(QTest::qWaitFor([&] { return rows > 0; }, 10000)); // it is streaming
    db.Exec("select pg_terminate_backend(pid) from pg_stat_activity where query like "
            "'%dropped_read%' and pid <> pg_backend_pid()");
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_FALSE(finished[0][1].toBool());
    EXPECT_FALSE(finished[0][2].toString().isEmpty());
    EXPECT_LT(rows, 20000);
    // The next read works again, on a new connection.
    loader.Start("select count(*) as c from t", {});
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_TRUE(finished.last()[1].toBool()) << finished.last()[2].toString().toStdString();
    // Its connection dropped while idle (a server restart, say): the next read still works.
    db.Exec("select pg_terminate_backend(pid) from pg_stat_activity where query like "
            "'%as c from t%' and pid <> pg_backend_pid()");
    QTest::qWait(100);
    loader.Start("select count(*) as d from t", {});
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_TRUE(finished.last()[1].toBool()) << finished.last()[2].toString().toStdString();
}

TEST_P(Loader, ReleasedResultsAreFreedAsideWhileAReadRuns)
{
    TListLoader loader(db.Def());
    loader.Start(Slow(), {});
    QTest::qWait(50);
    std::atomic<bool> freed{false};
    std::atomic<bool> onThisThread{false};
    QThread* const window = QThread::currentThread();
    TListLoader::Release(
        {std::shared_ptr<const TColumnStore>(new TColumnStore, [&](const TColumnStore* store) {
            onThisThread = QThread::currentThread() == window;
            delete store;
            freed = true;
        })});
    // Neither held until the slow read ends nor freed by the caller.
    EXPECT_TRUE(QTest::qWaitFor([&] { return freed.load(); }, 5000));
    EXPECT_FALSE(onThisThread.load());
    EXPECT_TRUE(loader.Busy());
}
