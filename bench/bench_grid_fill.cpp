// The grid manager's Fill of the list statement against the engine's C interface reading the same
// statement on a connection opened once: every cell as text, and by type. Each run fills, then
// reads raw, so both meet the same machine; the ratios are medians of the per-run ratios.
// bench_grid_fill [--runs N] [--folder DIR] [--pg CONNECTION] [N indicators ...]
//   (default 100000 1000000)
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
    const bool pg = !args.PgServer.isEmpty();

    std::printf("%s, %d runs, medians (ratios: medians of the per-run ratios)\n",
                pg ? "PostgreSQL" : "SQLite", args.Runs);
    std::printf("%10s %8s %9s %9s %9s %11s %11s %8s %8s\n", "indicators", "rows", "fill ms",
                "text ms", "typed ms", "÷ text", "÷ typed", "peak MB", "free ms");
    for (int size : args.Sizes) {
        const QString source =
            pg ? BenchPgDatabase(args.PgServer, size) : BenchDatabase(args.Folder, size);
        const BenchListContext list(source);
        const QString& sql = list.ListSql;
        RawReader raw(source);

        TNextGrid grid;
        TNextGridManager gridManager(ListColumnDefinitions("1"), "ngdBench");
        gridManager.BuildColumns(&grid);
        raw.Read(sql); // warms the caches for both
        std::vector<double> fills, texts, typeds, textRatios, typedRatios, frees;
        double peak = 0;
        int rows = 0;
        for (int r = 0; r < args.Runs; ++r) {
            QElapsedTimer t;
            t.start();
            gridManager.Fill(&grid, sql, true, false, true);
            fills.push_back(t.nsecsElapsed() / 1e6);
            rows = grid.RowCount() - 1;
            peak = std::max(peak, PeakRssMb());
            t.restart();
            grid.ClearRows();
            frees.push_back(t.nsecsElapsed() / 1e6);
            const RawReader::Times text = raw.Read(sql);
            const RawReader::Times typed = raw.Read(sql, true);
            if (text.Rows != rows)
                std::fprintf(stderr, "row counts differ: %ld raw, %d grid\n", text.Rows, rows);
            texts.push_back(text.Whole);
            typeds.push_back(typed.Whole);
            textRatios.push_back(fills.back() / text.Whole);
            typedRatios.push_back(fills.back() / typed.Whole);
        }
        std::printf("%10d %8d %9.0f %9.0f %9.0f %11.2f %11.2f %8.0f %8.1f\n", size, rows,
                    Median(fills), Median(texts), Median(typeds), Median(textRatios),
                    Median(typedRatios), peak, Median(frees));
        std::fflush(stdout);
    }
    return 0;
}
