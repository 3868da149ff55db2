// The long actions of the list and import windows on a large database, each beside its window:
// the longest time the event loop was held from the action to its end (gaps between the ticks
// of a 10 ms timer), the time to its end (the list read again where the action does that), and
// how soon a cancel in a phase ended the work. The amount copy is set against the raw
// UPDATE … WHERE budgid IN (…) of the same rows in the same run.
// bench_long_work [--runs N] [--folder DIR] [--pg CONNECTION] [N indicators] (default 1000000)
#include "BenchHost.h"
#include "BenchSupport.h"
#include "basewindows/wnWorkProgress.h"
#include "controls/TNextGrid.h"
#include "controls/TTreeView.h"
#include "importwindow/bwnMorrowell.h"
#include "listwindow/bwnQuindle.h"
#include "support/untTableExport.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <libpq-fe.h>
#include <sqlite3.h>

namespace
{
struct Times {
    double Gap = 0;        // the longest the event loop was held
    double Busy = 0;       // the most CPU the window's thread spent between two ticks
    double Whole = 0;      // until the action had ended
    double Work = -1;      // until its work had ended (before the list is read again)
    double Cancelled = -1; // from the cancel to the end of the work (when cancelled)
};

// Runs the action and the event loop until `ended`. `cancelIn`: cancel the window's work once
// its progress window has shown a phase starting so for that many milliseconds.
Times Measure(TfrmBase* w, const std::function<void()>& action, const std::function<bool()>& ended,
              const QString& cancelIn = QString(), double cancelAfter = 0)
{
    QElapsedTimer clock;
    const auto now = [&clock] { return clock.nsecsElapsed() / 1e6; };
    Times t;
    double lastTick = 0, lastCpu = ThreadCpuMs(), phaseSeen = -1, cancelAt = -1, workEnded = -1;
    QEventLoop loop;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(10);
    QMetaObject::Connection finished;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const double n = now(), cpu = ThreadCpuMs();
        t.Gap = std::max(t.Gap, n - lastTick);
        t.Busy = std::max(t.Busy, cpu - lastCpu);
        lastTick = n;
        lastCpu = cpu;
        if (!finished && w->Work()->Runner())
            finished = QObject::connect(w->Work()->Runner(), &TWorkRunner::Finished,
                                        [&] { workEnded = now(); });
        TfrmWorkProgress* progress = w->Work()->ProgressWindow();
        if (!cancelIn.isEmpty() && cancelAt < 0 && progress && w->WorkRunning() &&
            progress->PhaseText().startsWith(cancelIn)) {
            if (phaseSeen < 0)
                phaseSeen = n;
            if (n - phaseSeen >= cancelAfter) {
                cancelAt = now();
                w->Work()->Cancel();
            }
        }
        if (ended())
            loop.quit();
    });
    clock.start();
    tick.start();
    action();
    if (!ended())
        loop.exec();
    t.Whole = now();
    t.Gap = std::max(t.Gap, t.Whole - lastTick);
    t.Busy = std::max(t.Busy, ThreadCpuMs() - lastCpu);
    QObject::disconnect(finished);
    t.Work = workEnded;
    if (cancelAt >= 0)
        t.Cancelled = (workEnded >= 0 ? workEnded : t.Whole) - cancelAt;
    return t;
}

// The runs of one action, and its cancels.
struct Series {
    std::vector<double> Gap, Busy, Whole, Work, Cancel, Reference, Ratio;
    int Rows = 0;
    void Add(const Times& t)
    {
        if (t.Cancelled >= 0) {
            Cancel.push_back(t.Cancelled);
            return;
        }
        Gap.push_back(t.Gap);
        Busy.push_back(t.Busy);
        Whole.push_back(t.Whole);
        Work.push_back(t.Work);
    }
};

void Report(const char* what, const Series& s, const char* cancelPhase)
{
    std::printf("%-24s %7d rows | longest gap %6.1f ms (its thread busy %5.1f ms) | to the end "
                "%8.0f ms",
                what, s.Rows, Median(s.Gap), Median(s.Busy), Median(s.Whole));
    if (!s.Cancel.empty())
        std::printf(" | cancel in %s: ended %.1f ms later", cancelPhase, Median(s.Cancel));
    if (!s.Reference.empty())
        std::printf(" | its writing %8.0f ms; raw UPDATE %8.0f ms, ratio %.2f", Median(s.Work),
                    Median(s.Reference), Median(s.Ratio));
    std::printf("\n");
    std::fflush(stdout);
}

// Lets the event loop run a moment (deferred deletions included).
void Flush()
{
    QEventLoop loop;
    QTimer::singleShot(100, &loop, &QEventLoop::quit);
    loop.exec();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void Must(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "%s: %s\n", what, qPrintable(LastDbError()));
        std::exit(1);
    }
}

// The raw reference of the copy: one UPDATE of the same rows through the C interface.
double RawUpdate(bool pg, const QString& target, const QString& sql)
{
    if (pg)
        return RawReader(target).Statements({sql});
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(target).constData(), &db);
    sqlite3_busy_timeout(db, 5000);
    QElapsedTimer t;
    t.start();
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "raw update: %s\n", sqlite3_errmsg(db));
        std::exit(1);
    }
    const double ms = t.nsecsElapsed() / 1e6;
    sqlite3_close(db);
    return ms;
}
} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    BenchArgs args = ParseBenchArgs(app.arguments().mid(1), {1000000});
    if (!app.arguments().contains(QLatin1String("--runs")))
        args.Runs = 1; // the heavy actions once unless asked
    const int size = args.Sizes.first();
    const bool pg = !args.PgServer.isEmpty();
    // Everything is written into a copy of the bench database.
    QString work, connection;
    if (pg) {
        connection = work = BenchPgCopy(args.PgServer, size, "long_work");
    } else {
        const QString base = BenchDatabase(args.Folder, size);
        work = args.Folder + "/long-work.db";
        for (const char* suffix : {"", "-wal", "-shm"})
            QFile::remove(work + suffix);
        std::printf("copying %s ...\n", qPrintable(base));
        std::fflush(stdout);
        if (!QFile::copy(base, work))
            return 1;
        connection = "Provider=SQLite;Data Source=" + work;
    }

    BenchHost bench(connection, 1280, 800);
    bench.HostApp.SetMessageResponder([](const MessageRecord& m) {
        if (m.Icon == MsgIcon::Error)
            std::fprintf(stderr, "message: %s\n", qPrintable(m.Text));
        return int(m.Buttons == MsgButtons::YesNo ? mrYes : mrOk);
    });
    bench.Params.ConfirmDelete = "0";
    bench.Params.ShowSuccessMsg = "0";
    TWorkContext& ctx = bench.Context;
    // The carry goes into 2027, which needs its subjects and items.
    for (const char* sql :
         {"insert into pubsubject (datayear,bid,pbid,bname,leafflag,class,type,totalname,useflag) "
          "select 2027,bid,pbid,bname,leafflag,class,type,totalname,useflag from pubsubject "
          "where datayear=2026",
          "insert into pubitem (datayear,iid,piid,iname,leafflag,useflag,issecret,itype,pid,ikid) "
          "select 2027,iid,piid,iname,leafflag,useflag,issecret,itype,pid,ikid from pubitem "
          "where datayear=2026"})
        Must(ExecSql(QLatin1String(sql)), "2027");
    RegisterImportWindow();
    QTemporaryDir dir;

    TbfrmQuindle* w = nullptr;
    const auto idle = [&w] { return !w->WorkRunning() && !w->Rows().Filling(); };
    // The list window on the top unit (budget figures, the first money kind, or all of them).
    const auto list = [&](bool allMoneyKinds) {
        if (w) {
            w->close();
            Flush();
        }
        w = static_cast<TbfrmQuindle*>(bench.Open("TbfrmQuindle"));
        Measure(
            w, [] {}, idle);
        Measure(
            w, [&] { w->Panes().trvList->setCurrentItem(w->Panes().trvList->topLevelItem(0)); },
            idle);
        if (allMoneyKinds)
            Measure(
                w,
                [&] {
                    w->Controls().cobMid->setCurrentIndex(0);
                    emit w->Controls().cobMid->activated(0);
                },
                idle);
        return w->Rows().Count() - 1;
    };

    std::printf("%s, %d indicators, %d run(s) and a cancelled one, medians\n",
                pg ? "PostgreSQL" : "SQLite", size, args.Runs);
    std::map<std::string, Series> series;
    // Each action `runs` times, then once more cancelled in a phase.
    const auto measure = [&](const char* name, const std::function<void()>& prepare,
                             const std::function<void()>& action, const QString& cancelIn,
                             double cancelAfter) {
        Series& s = series[name];
        for (int r = 0; r <= args.Runs; ++r) {
            if (prepare)
                prepare();
            s.Add(Measure(w, action, idle, r == args.Runs ? cancelIn : QString(), cancelAfter));
        }
        return &s;
    };

    // Exports of the whole year's budget figures; the workbook's cancel comes while it is packed.
    const int exported = list(true);
    measure(
        "export CSV", {}, [&] { w->Output().ExportList(dir.filePath("list.csv")); }, "正在写入",
        500)
        ->Rows = exported;
    Report("export CSV", series["export CSV"], "写入");
    measure(
        "export workbook", {}, [&] { w->Output().ExportList(dir.filePath("list.xlsx")); },
        "正在打包", 500)
        ->Rows = exported;
    Report("export workbook", series["export workbook"], "打包");
    QFile::remove(dir.filePath("list.xlsx"));

    // 全选 and the finance amount copied into the control amount on the top unit's list, against
    // the raw UPDATE of the same rows in the same run; both start from control amounts of 0.
    Series& copy = series["select all + copy"];
    copy.Rows = list(false);
    QStringList ids;
    for (int r = 0; r < copy.Rows; ++r)
        ids << "'" + w->Rows().Manager()->GetText(w->Controls().ngdBudget, r, "budgid") + "'";
    const QString in = " where datayear=2026 and budgid in (" + ids.join(',') + ")";
    const QString raw = "update busibudget set budgmoney=duemoney" + in;
    const QString zero = "update busibudget set budgmoney=0" + in;
    const auto copyAll = [&] {
        w->Actions().MarkAll(true);
        w->Actions().CopyAmounts(false);
    };
    for (int r = 0; r < args.Runs; ++r) {
        RawUpdate(pg, work, zero);
        copy.Add(Measure(w, copyAll, idle));
        RawUpdate(pg, work, zero);
        copy.Reference.push_back(RawUpdate(pg, work, raw));
        copy.Ratio.push_back(copy.Work.back() / copy.Reference.back());
    }
    copy.Add(Measure(w, copyAll, idle, "正在复制", 300));
    Report("select all + copy", copy, "写入");

    // 20,000 marked rows deleted (marked as an operator marks them, not timed; the cancelled
    // copy left every row marked).
    measure(
        "delete 20,000 marked",
        [&] {
            w->Actions().MarkAll(false);
            for (int row = 0; row < 20000; ++row)
                w->Controls().ngdBudget->SetCells(0, row, QStringLiteral("True"));
        },
        [&] { w->Actions().Delete(); }, "正在删除", 100)
        ->Rows = 20000;
    Report("delete 20,000 marked", series["delete 20,000 marked"], "写入");

    // The top unit's budget figures carried into 2027: the plan read, asked (yes), written; a
    // cancel in the read, then one in the write.
    const int carried = list(false); // what the carry reads
    ctx.DataYear = 2027;
    list(false);
    const auto noCarry = [] {
        Must(ExecSql("delete from busibudget where datayear=2027"), "2027");
    };
    Series* carry = measure(
        "carry plan + write", noCarry, [&] { w->Carry().Start(); }, "正在写入", 1000);
    noCarry();
    carry->Add(Measure(
        w, [&] { w->Carry().Start(); }, idle, "正在读取", 300));
    TQueryRef written;
    Must(OpenSql("select count(*) from busibudget where datayear=2027", written), "2027");
    if (written->Dataset()->Fields(0).AsString().toInt() != 0)
        std::fprintf(stderr, "a cancelled carry wrote indicators\n");
    carry->Rows = carried;
    Report("carry plan + write", *carry, "写入 / 读取");
    ctx.DataYear = 2026;
    w->close();
    Flush();
    w = nullptr;

    // 100,000 rows imported from a CSV file: read and checked, then written.
    ExportTable(BenchImportTable(100000), dir.filePath("import.csv"), "指标");
    auto* m = static_cast<TbfrmMorrowell*>(bench.Open("TbfrmMorrowell"));
    const auto mIdle = [m] { return !m->WorkRunning(); };
    Series& check = series["import: read + check"];
    Series& write = series["import: write"];
    check.Rows = write.Rows = 100000;
    for (int r = 0; r <= args.Runs; ++r) {
        Must(ExecSql("delete from busibudget where memoo like '导入%'"), "import");
        check.Add(Measure(
            m, [&] { m->OpenFile(dir.filePath("import.csv")); }, mIdle));
        write.Add(Measure(
            m, [&] { m->ImportRows(); }, mIdle,
            r == args.Runs ? QStringLiteral("正在导入") : QString(), 1000));
    }
    Report("import: read + check", check, "");
    Report("import: write", write, "写入");
    m->close();
    Flush();
    std::printf("peak resident memory: %.0f MB\n", PeakRssMb());
    return 0;
}
