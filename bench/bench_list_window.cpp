// The list window on a large database, on SQLite or on a PostgreSQL server: the unit tree, the
// top unit, a department, a filter change and a click that overtakes a running fill. Each fill
// reports the time until its first rows are painted, the longest time the event loop was held
// (gaps between ticks of a 10 ms timer), the whole fill until painted, and, in the same run, the
// same statement filled the blocking way and read by the engine's raw C interface.
// bench_list_window [--runs N] [--folder DIR] [--pg CONNECTION] [N indicators] (default 1000000)
#include "context/untSqlTrace.h"
#include "BenchHost.h"
#include "BenchSupport.h"
#include "controls/TNextGrid.h"
#include "controls/TTreeView.h"
#include "listwindow/bwnQuindle.h"
#include "listwindow/bwnQuindleList.h"
#include "support/gunNextGridManager.h"
#include "support/untDynamicTree.h"
#include "context/untWorkContext.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <map>

namespace
{
QString g_lastList;

// The wall time of run, and in *cpu this thread's CPU time in it.
double TimeMs(const std::function<void()>& run, double* cpu = nullptr)
{
    const double cpuStart = ThreadCpuMs();
    QElapsedTimer t;
    t.start();
    run();
    if (cpu)
        *cpu = ThreadCpuMs() - cpuStart;
    return t.nsecsElapsed() / 1e6;
}

// Notes the first paint of a viewport once armed.
class PaintWatch : public QObject
{
public:
    PaintWatch(QWidget* viewport, QElapsedTimer& clock) : m_viewport(viewport), m_clock(clock)
    {
        viewport->installEventFilter(this);
    }
    ~PaintWatch() override { m_viewport->removeEventFilter(this); }
    void Arm() { m_armed = true; }
    double At() const { return m_at; }
    // Runs the event loop until the armed paint came (a second at most); its time.
    double Wait()
    {
        Arm();
        const double limit = Now() + 1000;
        while (m_at < 0 && Now() < limit)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        return m_at;
    }

protected:
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (m_armed && m_at < 0 && e->type() == QEvent::Paint)
            m_at = Now();
        return QObject::eventFilter(o, e);
    }

private:
    double Now() const { return m_clock.nsecsElapsed() / 1e6; }
    QWidget* m_viewport;
    QElapsedTimer& m_clock;
    bool m_armed = false;
    double m_at = -1;
};

// One fill as a person sees it.
struct FillTimes {
    double FirstPaint = 0; // until the first rows are painted
    double LongestGap = 0; // the longest the event loop was held
    double Whole = 0;      // until the whole list and its totals are painted
    double Click = 0;      // the click's own work on the window's thread (its CPU time)
    double WindowCpu = 0;  // the window thread's CPU time until the whole list is painted
};

// Runs the click and the event loop until the window's whole list is painted.
FillTimes MeasureFill(TbfrmQuindle* w, const std::function<void()>& click)
{
    QElapsedTimer clock;
    FillTimes times;
    double lastTick = 0;
    const auto now = [&clock] { return clock.nsecsElapsed() / 1e6; };
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        times.LongestGap = std::max(times.LongestGap, now() - lastTick);
        lastTick = now();
    });
    PaintWatch first(w->Controls().ngdBudget->viewport(), clock);
    PaintWatch last(w->Controls().ngdBudget->viewport(), clock);
    QEventLoop loop;
    const auto arrived =
        QObject::connect(w, &TbfrmQuindle::ListRowsArrived, [&first] { first.Arm(); });
    const auto filled = QObject::connect(w, &TbfrmQuindle::ListFilled, [&] {
        last.Arm(); // the paint that follows shows the whole list
        loop.quit();
    });
    const double cpuStart = ThreadCpuMs();
    clock.start();
    tick.start();
    click();
    times.Click = ThreadCpuMs() - cpuStart;
    if (w->Rows().Filling())
        loop.exec();
    else
        last.Arm();
    QObject::disconnect(arrived);
    QObject::disconnect(filled);
    times.Whole = last.Wait();
    times.WindowCpu = ThreadCpuMs() - cpuStart;
    times.LongestGap = std::max(times.LongestGap, times.Whole - lastTick);
    times.FirstPaint = first.At() >= 0 ? first.At() : times.Whole;
    return times;
}

// The blocking fill the window did before, until its list is painted.
double BlockingFill(TbfrmQuindle* w, const QString& sql)
{
    QElapsedTimer clock;
    PaintWatch painted(w->Controls().ngdBudget->viewport(), clock);
    clock.start();
    w->Rows().Manager()->Fill(w->Controls().ngdBudget, sql, true, false, true);
    return painted.Wait();
}

// The runs of one kind of fill, with its statement's references of the same run.
struct FillSeries {
    std::vector<double> FirstPaint, Gap, Whole, Click, WindowCpu, Blocking, RawFirst, RawWhole,
        RawTyped;
    std::vector<double> BlockingRatio, RawRatio, TypedRatio; // per run: whole / reference
    QString Sql;
    int Rows = 0;
};

void ReportFill(const char* what, const FillSeries& s)
{
    std::printf("%-22s %7d rows | click %5.1f ms (window CPU to the end %6.1f) | first rows %6.1f "
                "ms (raw first row %6.1f) | "
                "longest gap %5.1f ms | whole %7.1f ms; blocking fill %7.1f, ratio %.2f; raw "
                "read %7.1f, ratio %.2f; typed %7.1f, ratio %.2f\n",
                what, s.Rows, Median(s.Click), Median(s.WindowCpu), Median(s.FirstPaint),
                Median(s.RawFirst), Median(s.Gap), Median(s.Whole), Median(s.Blocking),
                Median(s.BlockingRatio), Median(s.RawWhole), Median(s.RawRatio), Median(s.RawTyped),
                Median(s.TypedRatio));
    std::fflush(stdout);
}

void Report(const char* what, double ms, int count, double cpu = -1)
{
    if (cpu >= 0)
        std::printf("%-22s %7d      | %6.1f ms (own CPU %.1f ms)\n", what, count, ms, cpu);
    else
        std::printf("%-22s %7d      | %6.1f ms\n", what, count, ms);
    std::fflush(stdout);
}

void Flush()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}
} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const BenchArgs args = ParseBenchArgs(app.arguments().mid(1), {1000000});
    const int runs = args.Runs;
    const int size = args.Sizes.first();
    const bool pg = !args.PgServer.isEmpty();
    const QString file = pg ? QString() : BenchDatabase(args.Folder, size);
    const QString connection =
        pg ? BenchPgDatabase(args.PgServer, size) : "Provider=SQLite;Data Source=" + file;

    BenchHost bench(connection, 1280, 800);
    SetSqlObserver([](const SqlTraceEntry& e) {
        if (e.Sql.contains(QLatin1String("from vwBudget")))
            g_lastList = e.Sql;
    });
    RawReader raw(pg ? connection : file); // opened before any clock starts
    // Warms the caches (a count: a raw PostgreSQL read of the whole table would be held whole).
    raw.Read("select count(*), sum(inputmoney) from busibudget");

    std::printf("%s, %d indicators, %d runs, medians\n", pg ? "PostgreSQL" : "SQLite", size, runs);
    // The unit tree on its own: built and its first leaf selected.
    {
        TTreeView view;
        std::vector<double> times, cpus;
        int nodes = 0;
        for (int r = 0; r < runs; ++r) {
            TDynamicTree tree;
            tree.SqlTable = {UnitTreeSource("", true, DefDialect())};
            tree.SetFieldId("eid");
            tree.FieldPid = "peid";
            tree.FieldIsLeaf = "leafflag";
            tree.FieldCaption = "ename";
            tree.FieldText = "tname";
            tree.ValueIsLeaf = "0";
            tree.SetTopVirNodeTitle(QStringLiteral("预算单位"));
            tree.SetAdoConn(GetDefConnection());
            tree.SetLoadAll(true);
            tree.SetAutoExpandKind(aekFirstLeaf);
            tree.SetTreeView(&view);
            double cpu = 0;
            times.push_back(TimeMs([&] { tree.SetActive(true); }, &cpu));
            cpus.push_back(cpu);
            nodes = 0;
            for (QTreeWidgetItemIterator it(&view); *it; ++it)
                ++nodes;
        }
        Report("unit tree, first leaf", Median(times), nodes, Median(cpus));
    }

    std::map<std::string, FillSeries> fills;
    const char* const kFills[] = {"top unit (all units)", "a department", "filter change"};
    std::vector<double> show, showCpu, add, modify, overtakeFirst, overtakeWhole, overtakeGap,
        overtakeClick;
    double windowPeak = 0;
    QElapsedTimer dialogTimer;
    double dialogShown = 0;
    // The entry dialog, timed from the action until it is on screen; then cancelled.
    bench.HostApp.SetModalDriver([&](QDialog* d) {
        d->show();
        QCoreApplication::processEvents();
        dialogShown = dialogTimer.nsecsElapsed() / 1e6;
        return int(mrCancel);
    });
    const auto measure = [&](const char* name, TbfrmQuindle* w,
                             const std::function<void()>& click) {
        FillSeries& s = fills[name];
        const FillTimes t = MeasureFill(w, click);
        s.FirstPaint.push_back(t.FirstPaint);
        s.Gap.push_back(t.LongestGap);
        s.Whole.push_back(t.Whole);
        s.Click.push_back(t.Click);
        s.WindowCpu.push_back(t.WindowCpu);
        s.Rows = w->Rows().Count() - 1;
        s.Sql = g_lastList;
    };
    for (int r = 0; r < runs; ++r) {
        TbfrmQuindle* w = nullptr;
        double cpu = 0;
        show.push_back(
            TimeMs([&] { w = static_cast<TbfrmQuindle*>(bench.Open("TbfrmQuindle")); }, &cpu));
        showCpu.push_back(cpu);
        MeasureFill(w, [] {}); // the first leaf's list
        QTreeWidgetItem* root = w->Panes().trvList->topLevelItem(0);
        QTreeWidgetItem* department =
            root->child(0)->child(std::min(3, root->child(0)->childCount() - 1));
        measure(kFills[0], w, [&] { w->Panes().trvList->setCurrentItem(root); });
        measure(kFills[1], w, [&] { w->Panes().trvList->setCurrentItem(department); });
        measure(kFills[2], w, [&] {
            w->Controls().cobMid->setCurrentIndex(2);
            emit w->Controls().cobMid->activated(2);
        });
        MeasureFill(w, [&] {
            w->Controls().cobMid->setCurrentIndex(0);
            emit w->Controls().cobMid->activated(0);
        });

        // The top unit clicked by mistake, the department clicked once its first rows show.
        QEventLoop firstRows;
        const auto arrived =
            QObject::connect(w, &TbfrmQuindle::ListRowsArrived, &firstRows, &QEventLoop::quit);
        w->Panes().trvList->setCurrentItem(root);
        firstRows.exec();
        QObject::disconnect(arrived);
        const FillTimes overtaking =
            MeasureFill(w, [&] { w->Panes().trvList->setCurrentItem(department); });
        overtakeFirst.push_back(overtaking.FirstPaint);
        overtakeWhole.push_back(overtaking.Whole);
        overtakeGap.push_back(overtaking.LongestGap);
        overtakeClick.push_back(overtaking.Click);

        dialogTimer.start();
        w->Entry().AddIndicator();
        add.push_back(dialogShown);
        w->Controls().ngdBudget->SetSelectedRow(0);
        dialogTimer.start();
        w->Entry().ModifyIndicator();
        modify.push_back(dialogShown);
        if (r == 0)
            windowPeak = PeakRssMb(); // the window's own, before any reference ran

        // The references of this run: the blocking fill, then the raw read.
        for (const char* name : kFills) {
            FillSeries& s = fills[name];
            s.Blocking.push_back(BlockingFill(w, s.Sql));
            const RawReader::Times text = raw.Read(s.Sql);
            const double typed = raw.Read(s.Sql, true).Whole;
            s.RawFirst.push_back(pg ? raw.FirstRowMs(s.Sql) : text.FirstRow);
            s.RawWhole.push_back(text.Whole);
            s.RawTyped.push_back(typed);
            s.BlockingRatio.push_back(s.Whole.back() / s.Blocking.back());
            s.RawRatio.push_back(s.Whole.back() / text.Whole);
            s.TypedRatio.push_back(s.Whole.back() / typed);
        }
        w->close();
        Flush();
    }

    Report("show: tree, first leaf", Median(show), 0, Median(showCpu));
    for (const char* name : kFills)
        ReportFill(name, fills[name]);
    std::printf("%-22s              | click %.1f ms, the department's first rows %.1f ms, "
                "whole %.1f ms, longest gap %.1f ms after the click that cancelled the top "
                "unit's fill\n",
                "overtaking click", Median(overtakeClick), Median(overtakeFirst),
                Median(overtakeWhole), Median(overtakeGap));
    Report("entry dialog, adding", Median(add), 0);
    Report("entry dialog, modifying", Median(modify), 0);
    std::printf("peak resident memory: %.0f MB with the window's fills, %.0f MB after the "
                "references\n",
                windowPeak, PeakRssMb());
    SetSqlObserver({});
    return 0;
}
