// Long work on the runner's thread: its own connection, cancelling a statement, no thread left.
#include "context/untStatementCancel.h"
#include "fixtures/TestDatabase.h"
#include "support/untWorkRunner.h"

#include <QElapsedTimer>
#include <QTest>
#include <QThread>
#include <future>
#include <gtest/gtest.h>
#include <thread>
#include <sys/socket.h>
#include <unistd.h>

namespace
{
class Runner : public ::testing::TestWithParam<Engine>
{
protected:
    void SetUp() override { ASSERT_TRUE(db.Ok()) << db.Error().toStdString(); }
    // A statement that runs for a long while unless it is stopped.
    QString Slow() const
    {
        return GetParam() == Engine::SQLite
                   ? "with recursive n(i) as (select 1 union all select i+1 from n where "
                     "i<2000000000) select count(*) as c from n"
                   : "select pg_sleep(60) as c";
    }
    TestDatabase db{GetParam()};
};
INSTANTIATE_TEST_SUITE_P(Db, Runner, ::testing::Values(Engine::SQLite, Engine::PostgreSQL),
                         EngineName);
} // namespace

TEST_P(Runner, JobsRunOnTheirOwnConnectionAndACancelStopsTheStatement)
{
    {
        TWorkRunner runner(db.Def());
        EXPECT_EQ(TWorkRunner::LiveThreads(), 1);
        QStringList seen;
        QObject::connect(&runner, &TWorkRunner::PhaseChanged, [&](const QString& p) { seen << p; });
        QList<TWorkOutcome> outcomes;
        QStringList errors;
        QObject::connect(&runner, &TWorkRunner::Finished, [&](TWorkOutcome o, const QString& e) {
            outcomes << o;
            errors << e;
        });
        TAdoConn* workerDef = nullptr;
        ASSERT_TRUE(runner.Start([&](TWorkControl& c) {
            c.Phase("one");
            workerDef = GetDefConnection();
            ExecuteCommand(workerDef, "create table w (x integer)");
            return ExecSql("insert into w values (1)") && c.Progress(1, 1);
        }));
        EXPECT_FALSE(runner.Start([](TWorkControl&) { return true; })); // one at a time
        ASSERT_TRUE(QTest::qWaitFor([&] { return !runner.Busy(); }, 10000));
        ASSERT_EQ(outcomes, QList<TWorkOutcome>{TWorkOutcome::Done})
            << errors.join('|').toStdString();
        EXPECT_EQ(seen, QStringList{"one"});
        EXPECT_NE(workerDef, nullptr);
        EXPECT_NE(workerDef, db.Def()); // never the window's connection
        EXPECT_EQ(db.Scalar("select count(*) from w"), "1");
        EXPECT_EQ(GetDefConnection(), db.Def());

        // Cancelled in the middle of a long statement: over at once, a cancel not a failure;
        // the next job gets a working connection.
        ASSERT_TRUE(runner.Start([&](TWorkControl& c) {
            c.Phase("slow");
            TQueryRef q;
            if (!OpenSql(Slow(), q))
                throw TExceptDbManager(LastDbError());
            return true;
        }));
        ASSERT_TRUE(QTest::qWaitFor([&] { return seen.size() == 2; }, 5000));
        QTest::qWait(100);
        QElapsedTimer cancelled;
        cancelled.start();
        runner.Cancel();
        EXPECT_TRUE(runner.CancelRequested());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !runner.Busy(); }, 10000));
        EXPECT_LT(cancelled.elapsed(), 1500);
        EXPECT_EQ(outcomes.last(), TWorkOutcome::Cancelled);
        ASSERT_TRUE(
            runner.Start([](TWorkControl&) { return ExecSql("insert into w values (2)"); }));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !runner.Busy(); }, 10000));
        EXPECT_EQ(outcomes.last(), TWorkOutcome::Done) << errors.last().toStdString();

        // A question waiting for the operator is answered by a cancel; the runner then goes
        // with the window while a statement runs, and takes its thread along.
        int answer = 0;
        QObject::connect(&runner, &TWorkRunner::Question,
                         [&](const MessageRecord&) { runner.Cancel(); });
        ASSERT_TRUE(runner.Start([&](TWorkControl& c) {
            answer = c.Ask({"?", "", MsgIcon::Question, MsgButtons::YesNo});
            return false;
        }));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !runner.Busy(); }, 10000));
        EXPECT_EQ(answer, mrCancel);
        ASSERT_TRUE(runner.Start([&](TWorkControl&) {
            TQueryRef q;
            return OpenSql(Slow(), q);
        }));
        QTest::qWait(100);
    }
    EXPECT_EQ(TWorkRunner::LiveThreads(), 0);
}

// A cancel request that cannot be sent (a server out of reach) is given up after its time: the
// caller never waits, and the connection's socket is cut so that its reader returns.
TEST(CancelSender, GivesUpAndCutsTheConnectionWithoutBlocking)
{
    int sockets[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, sockets), 0);
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    {
        TCancelSender sender([released] { released.wait(); },
                             [s = sockets[0]] { shutdown(s, SHUT_RDWR); }, 300);
        QElapsedTimer timer;
        timer.start();
        sender.Request();
        sender.Request(); // one on its way at a time
        EXPECT_LT(timer.elapsed(), 50);
        EXPECT_EQ(TCancelSender::InFlight(), 1);
        EXPECT_FALSE(sender.Abandoned());
        sender.Settle(); // a stop on its way is waited for, up to the give-up time
        EXPECT_GE(timer.elapsed(), 250);
        char byte;
        EXPECT_EQ(read(sockets[1], &byte, 1), 0); // the peer sees the connection cut
        EXPECT_TRUE(sender.Abandoned());
        EXPECT_GE(timer.elapsed(), 250);
    }
    release.set_value();
    EXPECT_TRUE(QTest::qWaitFor([] { return TCancelSender::InFlight() == 0; }, 2000));
    close(sockets[0]);
    close(sockets[1]);

    // A stop that arrives is waited for until it has: nothing of it is left on its way.
    TCancelSender quick([] { std::this_thread::sleep_for(std::chrono::milliseconds(100)); }, [] {},
                        2000);
    QElapsedTimer settling;
    settling.start();
    quick.Request();
    quick.Settle();
    EXPECT_GE(settling.elapsed(), 90);
    EXPECT_LT(settling.elapsed(), 1000);
    EXPECT_FALSE(quick.Abandoned());
}
