// The grid manager's Fill of the list statement against SQLite stepping the same statement.
// bench_grid_fill [--runs N] [--folder DIR] [N indicators ...]   (default 100000 1000000)
#include "BenchSupport.h"
#include "controls/TNextGrid.h"
#include "listwindow/bwnQuindleList.h"
#include "support/gunNextGridManager.h"
#include "plugin/untPlugInEntry.h"
#include "context/untWorkContext.h"

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const BenchArgs args = ParseBenchArgs(app.arguments().mid(1), {100000, 1000000});
    const int runs = args.Runs;
    const QString folder = args.Folder;
    const QList<int> sizes = args.Sizes;

    std::printf("%10s %8s %10s %10s %7s %10s %9s\n", "indicators", "rows", "raw ms", "fill ms",
                "ratio", "peak MB", "free ms");
    for (int size : sizes) {
        const QString file = BenchDatabase(folder, size);
        const BenchListContext list(file);
        const QString& sql = list.ListSql;

        TNextGrid grid;
        TNextGridManager gridManager(ListColumnDefinitions("1"), "ngdBench");
        gridManager.BuildColumns(&grid);
        RawSqliteRead(file, sql); // warm the file cache for both
        std::vector<double> fills, frees;
        for (int r = 0; r < runs; ++r) {
            QElapsedTimer t;
            t.start();
            gridManager.Fill(&grid, sql, true, false, true);
            fills.push_back(t.nsecsElapsed() / 1e6);
            if (r + 1 < runs) {
                t.restart();
                grid.ClearRows();
                frees.push_back(t.nsecsElapsed() / 1e6);
            }
        }
        const int rows = grid.RowCount() - 1;
        const double peak = PeakRssMb();
        QElapsedTimer t;
        t.start();
        grid.ClearRows();
        frees.push_back(t.nsecsElapsed() / 1e6);
        long rawRows = 0;
        const double raw = MedianMs(runs, [&] { rawRows = RawSqliteRead(file, sql); });
        if (rawRows != rows)
            std::fprintf(stderr, "row counts differ: %ld raw, %d grid\n", rawRows, rows);
        const double fill = Median(fills);
        std::printf("%10d %8d %10.0f %10.0f %7.2f %10.0f %9.1f\n", size, rows, raw, fill,
                    fill / raw, peak, Median(frees));
        std::fflush(stdout);
    }
    return 0;
}
