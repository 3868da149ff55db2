// Sorting the list grid by a header click and finding in it, on the filled list of a demo
// database (the whole year: 0.8 of the indicators).
// bench_sort_find [--runs N] [--folder DIR] [N indicators]   (default 500000: 400,000 rows)
#include "BenchSupport.h"
#include "controls/TFindBar.h"
#include "controls/TNextGrid.h"
#include "listwindow/bwnQuindleList.h"
#include "support/gunNextGridManager.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QEventLoop>
#include <cstdio>

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
    TFindBar bar(&grid, &window, &window);
    window.resize(1400, 800);
    grid.resize(1400, 760);
    window.show();
    TNextGridManager gridManager(ListColumnDefinitions("1"), "ngdBench");
    gridManager.BuildColumns(&grid);
    gridManager.Fill(&grid, list.ListSql, true, false, true);
    grid.SetSelectedRow(0);
    std::printf("%d indicators: %d rows, %d runs, medians\n", size, grid.RowCount() - 1, args.Runs);

    // A header click to the sorted grid painted: the column's first sort (texts ranked), then
    // ascending and descending again (the ranks kept).
    for (const char* column : {"ename", "budgmoney", "budgid", "filename", "inputdate"}) {
        const int col = grid.ColumnIndex(column);
        std::vector<double> first, asc, desc;
        for (int run = 0; run < args.Runs; ++run) {
            grid.SortByColumn(grid.ColumnIndex("ename"), TGridSort::Ascending);
            if (col != grid.ColumnIndex("ename"))
                grid.SortByColumn(grid.ColumnIndex("ename"), TGridSort::None); // another memo
            else
                grid.SortByColumn(grid.ColumnIndex("filename"), TGridSort::Ascending);
            for (auto* times : {&first, &asc, &desc}) {
                QElapsedTimer t;
                t.start();
                emit grid.horizontalHeader()->sectionClicked(col);
                grid.viewport()->repaint();
                times->push_back(t.nsecsElapsed() / 1e6);
                if (times == &first)
                    grid.SortByColumn(col, TGridSort::None);
            }
            grid.SortByColumn(col, TGridSort::None);
        }
        std::printf(
            "sort by %-10s first %7.1f ms   again: ascending %6.1f ms   descending %6.1f ms\n",
            column, Median(first), Median(asc), Median(desc));
        std::fflush(stdout);
    }

    // Find: the first Enter shows the nearest match; the search of every visible cell goes on
    // between the window's events until the count is shown; the next ones step through it.
    grid.SortByColumn(grid.ColumnIndex("ename"), TGridSort::Ascending);
    for (const char* text : {"教育", "2050", "1,000.00", "NO-SUCH"}) {
        std::vector<double> found, first, counted, gaps, next;
        for (int run = 0; run < args.Runs; ++run) {
            bar.edtFind->clear(); // forgets the matches
            bar.edtFind->setText(QString::fromUtf8(text));
            grid.SetSelectedRow(0);
            QElapsedTimer t;
            t.start();
            bar.FindNext();
            found.push_back(t.nsecsElapsed() / 1e6);
            grid.viewport()->repaint();
            first.push_back(t.nsecsElapsed() / 1e6);
            // Until the count (or 没有找到) is shown, the longest time between two events.
            QEventLoop loop;
            QTimer tick;
            double last = t.nsecsElapsed() / 1e6, gap = 0;
            QObject::connect(&tick, &QTimer::timeout, [&] {
                const double now = t.nsecsElapsed() / 1e6;
                gap = std::max(gap, now - last);
                last = now;
                if (!bar.labCount->text().startsWith(QStringLiteral("正在")))
                    loop.quit();
            });
            tick.start(1);
            loop.exec();
            grid.viewport()->repaint();
            counted.push_back(t.nsecsElapsed() / 1e6);
            gaps.push_back(gap);
            t.restart();
            bar.FindNext();
            grid.viewport()->repaint();
            next.push_back(t.nsecsElapsed() / 1e6);
        }
        std::printf("find %-8s first match %6.1f ms (painted %6.1f ms)   counted %6.1f ms (longest "
                    "gap %5.1f ms)   next %6.2f ms   (%s)\n",
                    text, Median(found), Median(first), Median(counted), Median(gaps), Median(next),
                    qPrintable(bar.labCount->text()));
    }
    std::printf("peak memory %.0f MB\n", PeakRssMb());
    return 0;
}
