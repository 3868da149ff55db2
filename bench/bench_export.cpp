// Exporting a filled list grid to a workbook and to CSV, against reading the same statement raw.
// bench_export [--runs N] [--folder DIR] [N indicators]   (default 1000000)
#include "BenchSupport.h"
#include "context/untWorkContext.h"
#include "controls/TNextGrid.h"
#include "listwindow/bwnQuindleList.h"
#include "support/gunNextGridManager.h"
#include "support/untTableExport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const BenchArgs args = ParseBenchArgs(app.arguments().mid(1), {1000000});
    const int size = args.Sizes.first();
    const QString file = BenchDatabase(args.Folder, size);
    const BenchListContext list(file);
    const QString& sql = list.ListSql;
    TNextGrid grid;
    TNextGridManager gridManager(ListColumnDefinitions("1"), "ngdBench");
    gridManager.BuildColumns(&grid);
    gridManager.Fill(&grid, sql, true, false, true);
    const TExportTable table = GridExportTable(&grid);
    const double filled = CurrentRssMb();

    QTemporaryDir dir;
    std::printf("%d indicators: %d rows × %d columns, %d runs, medians\n", size, table.Rows,
                int(table.Columns.size()), args.Runs);
    RawReader reader(file);
    const double raw = MedianMs(args.Runs, [&] { reader.Read(sql); });
    std::printf("%-28s %9.0f ms\n", "raw read of the statement", raw);
    for (const char* name : {"list.xlsx", "list.csv"}) {
        const QString path = dir.filePath(name);
        const double ms = MedianMs(args.Runs, [&] { ExportTable(table, path, "2026年预算数"); });
        std::printf("%-28s %9.0f ms  (x%.2f of the raw read)  %6.1f MB file\n", name, ms, ms / raw,
                    QFileInfo(path).size() / 1048576.0);
        std::fflush(stdout);
    }
    std::printf("resident memory: %.0f MB with the grid filled, peak %.0f MB\n", filled,
                PeakRssMb());
    return 0;
}
