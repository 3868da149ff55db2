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

    // A header click to the sorted grid painted: ascending, then descending.
    for (const char* column : {"ename", "budgmoney", "budgid", "filename", "inputdate"}) {
        const int col = grid.ColumnIndex(column);
        std::vector<double> asc, desc;
        for (int run = 0; run < args.Runs; ++run) {
            for (auto* times : {&asc, &desc}) {
                QElapsedTimer t;
                t.start();
                emit grid.horizontalHeader()->sectionClicked(col);
                grid.viewport()->repaint();
                times->push_back(t.nsecsElapsed() / 1e6);
            }
            grid.SortByColumn(col, TGridSort::None);
        }
        std::printf("sort by %-10s ascending %7.1f ms   descending %7.1f ms\n", column, Median(asc),
                    Median(desc));
        std::fflush(stdout);
    }

    // Find: the first search reads every visible cell; the next ones step through its matches.
    grid.SortByColumn(grid.ColumnIndex("ename"), TGridSort::Ascending);
    for (const char* text : {"教育", "2050", "1,000.00"}) {
        std::vector<double> first, next;
        for (int run = 0; run < args.Runs; ++run) {
            bar.edtFind->clear(); // forgets the matches
            bar.edtFind->setText(QString::fromUtf8(text));
            grid.SetSelectedRow(0);
            QElapsedTimer t;
            t.start();
            bar.FindNext();
            grid.viewport()->repaint();
            first.push_back(t.nsecsElapsed() / 1e6);
            t.restart();
            bar.FindNext();
            grid.viewport()->repaint();
            next.push_back(t.nsecsElapsed() / 1e6);
        }
        std::printf("find %-8s first %7.1f ms   next %6.2f ms   (%s)\n", text, Median(first),
                    Median(next), qPrintable(bar.labCount->text()));
    }
    std::printf("peak memory %.0f MB\n", PeakRssMb());
    return 0;
}
