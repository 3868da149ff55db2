// The summary window on a large database, top unit: each 汇总方式's statement alone, the same
// summary read and shown in the window (刷新: from the choice to the table and chart painted,
// while a 10 ms timer measures the longest time the event loop was held), a switch to it at once
// after another was shown (cancelling the reading ahead) and once the window has read the other
// groupings ahead, and a choice that overtakes a running summary (from the second choice to its
// result shown).
// bench_summary [--runs N] [--folder DIR] [--pg CONNECTION] [N indicators] (default 1000000)
#include "BenchHost.h"
#include "BenchSupport.h"
#include "listwindow/bwnQuindle.h"
#include "listwindow/bwnSummary.h"
#include "listwindow/bwnSummaryQuery.h"

#include <QApplication>
#include <QChartView>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <cstdio>

namespace
{

struct Shown {
    double Ms = 0;
    double Gap = 0;
};

// Chooses `by` (after `first`, `overtakeAfterMs` later, when given; with `fresh` through 刷新,
// read again whatever was kept) and runs the event loop until the summary is shown and painted.
Shown Choose(TbfrmSummary* w, int by, int first = -1, int overtakeAfterMs = 0, bool fresh = false)
{
    QElapsedTimer clock;
    const auto now = [&clock] { return clock.nsecsElapsed() / 1e6; };
    Shown s;
    double lastTick = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        s.Gap = std::max(s.Gap, now() - lastTick);
        lastTick = now();
    });
    const auto choose = [w, fresh](int index) {
        w->Controls().cobBy->setCurrentIndex(index);
        if (fresh)
            w->Controls().tbtnRefresh->trigger();
        else
            emit w->Controls().cobBy->activated(index);
    };
    QEventLoop loop;
    const auto done = QObject::connect(w, &TbfrmSummary::SummaryShown, &loop, &QEventLoop::quit);
    double from = 0;
    clock.start();
    tick.start();
    if (first >= 0) {
        choose(first);
        QTimer::singleShot(overtakeAfterMs, [&] {
            from = now();
            choose(by);
        });
    } else {
        choose(by);
    }
    loop.exec();
    QObject::disconnect(done);
    w->Controls().chvSummary->viewport()->repaint(); // the chart drawn for the new sums
    w->repaint();
    s.Ms = now() - from;
    s.Gap = std::max(s.Gap, now() - lastTick);
    return s;
}
} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const BenchArgs args = ParseBenchArgs(app.arguments().mid(1), {1000000});
    const int size = args.Sizes.first();
    const bool pg = !args.PgServer.isEmpty();
    const QString connection =
        pg ? BenchPgDatabase(args.PgServer, size)
           : "Provider=SQLite;Data Source=" + BenchDatabase(args.Folder, size);

    BenchHost bench(connection, 1400, 860);

    std::printf("%s, %d indicators, %d runs, medians, the top unit's 预算数\n",
                pg ? "PostgreSQL" : "SQLite", size, args.Runs);
    auto* w = static_cast<TbfrmSummary*>(bench.Open("TbfrmSummary"));
    if (!w) {
        std::printf("the summary window did not open\n");
        return 1;
    }
    QElapsedTimer first;
    first.start();
    while (w->Reading() || w->Table().Rows.empty()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        if (first.elapsed() > 120000) {
            std::printf("no summary within 120 s\n");
            return 1;
        }
    }
    const ListFilter top = w->CurrentFilter();
    const QStringList captions = SummaryByCaptions();
    std::vector<double> shownAll, gapAll;
    for (int by = 0; by < captions.size(); ++by) {
        const QString sql = SummaryStatement(top, TSummaryBy(by), DefDialect());
        size_t groups = 0;
        std::vector<double> cpu;
        const double statement = MedianMs(args.Runs, [&] {
            const double from = ThreadCpuMs();
            groups = ReadSummary(GetDefConnection(), sql).size();
            cpu.push_back(ThreadCpuMs() - from);
        });
        // The operator steps down the list: the reading ahead reads `by` first.
        const int other = (by + int(captions.size()) - 1) % int(captions.size());
        std::vector<double> shown, gaps, atOnce, second, ahead, aheadMs;
        for (int r = 0; r < args.Runs; ++r) {
            const Shown s = Choose(w, by, -1, 0, true); // read again
            shown.push_back(s.Ms);
            gaps.push_back(s.Gap);
            // A switch at once waits for the reading ahead's read of it.
            Choose(w, other, -1, 0, true);
            const Shown now = Choose(w, by);
            atOnce.push_back(now.Ms);
            gaps.push_back(now.Gap);
            // A second later.
            Choose(w, other, -1, 0, true);
            QTest::qWait(1000);
            const Shown after = Choose(w, by);
            second.push_back(after.Ms);
            gaps.push_back(after.Gap);
            // A switch once the other groupings have been read ahead.
            Choose(w, other, -1, 0, true);
            QElapsedTimer wait;
            wait.start();
            while (w->ReadingAhead())
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
            aheadMs.push_back(double(wait.elapsed()));
            const Shown later = Choose(w, by);
            ahead.push_back(later.Ms);
            gaps.push_back(later.Gap);
        }
        shownAll.push_back(Median(shown));
        gapAll.push_back(*std::max_element(gaps.begin(), gaps.end()));
        std::printf("%-14s %5zu groups | statement %7.1f ms (own CPU %6.1f) | read and shown "
                    "%7.1f ms | switch at once %7.1f ms, 1 s later %7.1f ms, after reading ahead "
                    "(%5.0f ms) %6.1f ms | longest gap %5.1f ms\n",
                    captions[by].toUtf8().constData(), groups, statement, Median(cpu),
                    Median(shown), Median(atOnce), Median(second), Median(aheadMs), Median(ahead),
                    gapAll.back());
        std::fflush(stdout);
    }
    std::vector<double> overtake, overtakeGap;
    for (int r = 0; r < args.Runs; ++r) {
        const Shown s =
            Choose(w, int(TSummaryBy::MoneyKind), int(TSummaryBy::SubjectItem), 40, true);
        overtake.push_back(s.Ms);
        overtakeGap.push_back(s.Gap);
    }
    std::printf("switch while 按科目（项） runs, to 按资金性质 shown: %.1f ms | longest gap %.1f "
                "ms\n",
                Median(overtake), Median(overtakeGap));
    std::printf("slowest summary shown %.1f ms, longest gap %.1f ms; peak memory %.0f MB\n",
                *std::max_element(shownAll.begin(), shownAll.end()),
                *std::max_element(gapAll.begin(), gapAll.end()), PeakRssMb());
    w->close();
    return 0;
}
