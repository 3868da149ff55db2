// Printing the list to PDF: a list of 1,000 rows written in the calling thread, and the whole
// filled list of a demo database written beside a window, with the longest time the window's
// event loop was held (gaps between the ticks of a 5 ms timer).
// bench_print [--runs N] [--folder DIR] [N indicators]   (default 500000: 400,000 rows)
#include "BenchSupport.h"
#include "basewindows/wnWorkProgress.h"
#include "controls/TNextGrid.h"
#include "listwindow/bwnListPrint.h"
#include "listwindow/bwnQuindleList.h"
#include "support/gunNextGridManager.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>
#include <ctime>

namespace
{
TPrintDocument Document(const TNextGrid& grid, int rows)
{
    TPrintDocument doc;
    doc.Table = GridExportTable(&grid);
    for (int c = 0; c < doc.Table.Columns.size(); ++c)
        if (doc.Table.Columns[c].Name == QLatin1String("budgid"))
            doc.KeyColumn = c;
    if (rows < doc.Table.Rows) { // the first rows, then the totals
        const int all = doc.Table.Rows;
        auto text = doc.Table.Text;
        doc.Table.Text = [text, rows, all](int r, int c) {
            return text(r == rows - 1 ? all - 1 : r, c);
        };
        doc.Table.Rows = rows;
    }
    doc.LastRowIsTotals = true;
    doc.Texts = {QStringLiteral("2026年预算数 — 市本级"), QStringLiteral("资金性质：全部"),
                 QStringLiteral("系统管理员"), QStringLiteral("2026-12-07")};
    doc.Font = grid.font();
    return doc;
}

double CpuMs(clockid_t clock)
{
    timespec ts{};
    clock_gettime(clock, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// The calling thread's time spent waiting for a CPU (runnable, not running), in ms.
double RunQueueMs()
{
    QFile f(QStringLiteral("/proc/thread-self/schedstat"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = f.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() / 1e6 : 0;
}

int Pages(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    return int(f.readAll().count("/Type /Page\n"));
}
} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const BenchArgs args = ParseBenchArgs(app.arguments().mid(1), {500000});
    const int size = args.Sizes.first();
    const QString file = BenchDatabase(args.Folder, size);
    const BenchListContext list(file);
    QWidget window;
    TNextGrid grid(&window);
    window.resize(1400, 800);
    grid.resize(1400, 760);
    window.show();
    TNextGridManager gridManager(ListColumnDefinitions("1"), "ngdBench");
    gridManager.BuildColumns(&grid);
    gridManager.Fill(&grid, list.ListSql, true, false, true);
    const QString out = QDir(args.Folder).filePath("bench-print.pdf");
    std::printf("%d indicators: %d rows, %d runs, medians\n", size, grid.RowCount() - 1, args.Runs);

    const TTablePainter small(Document(grid, 1000));
    std::vector<double> smallMs, smallCpu;
    for (int run = 0; run < args.Runs; ++run) {
        QElapsedTimer t;
        t.start();
        const double cpu = CpuMs(CLOCK_THREAD_CPUTIME_ID);
        PrintTablePdf(small, out);
        smallMs.push_back(t.nsecsElapsed() / 1e6);
        smallCpu.push_back(CpuMs(CLOCK_THREAD_CPUTIME_ID) - cpu);
    }
    std::printf("PDF of 1,000 rows: %7.1f ms (its CPU time %.1f ms; %d pages)\n", Median(smallMs),
                Median(smallCpu), Pages(out));
    std::fflush(stdout);

    // The whole list beside the window, as 导出PDF… runs it.
    auto whole = std::make_shared<const TTablePainter>(Document(grid, grid.RowCount()));
    // The first PDF beside the window (its work thread loads its fonts, the progress window is
    // made) is a short one, reported apart.
    auto first = std::make_shared<const TTablePainter>(Document(grid, 2000));
    grid.repaint(); // the list as the operator sees it before printing
    TWindowWork work(&window, [](bool) {});
    std::vector<double> gaps, busy, totals;
    for (int run = 0; run <= args.Runs; ++run) {
        QEventLoop loop;
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        tick.setInterval(5);
        QElapsedTimer clock;
        double last = 0, gap = 0, gapAt = 0, lastCpu = CpuMs(CLOCK_THREAD_CPUTIME_ID), held = 0;
        double lastQueue = RunQueueMs(), gapCpu = 0, gapQueue = 0;
        int over = 0;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            const double now = clock.nsecsElapsed() / 1e6, cpu = CpuMs(CLOCK_THREAD_CPUTIME_ID);
            const double queue = RunQueueMs();
            held = std::max(held, cpu - lastCpu);
            // A gap is the thread's own work, its wait for a CPU, and the rest blocked.
            if (now - last > 50 && ++over <= 3)
                std::printf("  a gap of %.1f ms at %.0f ms: %.1f ms running, %.1f ms waiting for "
                            "a CPU\n",
                            now - last, now, cpu - lastCpu, queue - lastQueue);
            if (now - last > gap) {
                gap = now - last;
                gapAt = now;
                gapCpu = cpu - lastCpu;
                gapQueue = queue - lastQueue;
            }
            last = now;
            lastCpu = cpu;
            lastQueue = queue;
        });
        TWorkOutcome outcome = TWorkOutcome::Failed;
        QString error;
        clock.start();
        tick.start();
        StartTablePdf(&work, run == 0 ? first : whole, out, [&](TWorkOutcome o, const QString& e) {
            outcome = o;
            error = e;
            loop.quit();
        });
        loop.exec();
        const double total = clock.nsecsElapsed() / 1e6;
        gap = std::max(gap, total - last);
        if (outcome != TWorkOutcome::Done) {
            std::fprintf(stderr, "PDF failed: %s\n", qPrintable(error));
            return 1;
        }
        if (run == 0) {
            std::printf("first PDF beside the window (2,000 rows): %.0f ms, longest event-loop "
                        "gap %.1f ms ending at %.0f ms (%.1f ms of it running, %.1f ms waiting "
                        "for a CPU)\n",
                        total, gap, gapAt, gapCpu, gapQueue);
            std::fflush(stdout);
            continue;
        }
        gaps.push_back(gap);
        busy.push_back(held);
        totals.push_back(total);
    }
    std::printf("PDF of %d rows beside the window: %8.0f ms, longest event-loop gap %5.1f ms "
                "(the window's thread busy %.1f ms of it; %d pages, %.0f MB)\n",
                grid.RowCount(), Median(totals), Median(gaps), Median(busy), Pages(out),
                QFileInfo(out).size() / 1e6);
    std::printf("peak memory %.0f MB\n", PeakRssMb());
    QFile::remove(out);
    return 0;
}
