// Exporting a filled list grid to a workbook and to CSV, against reading the same statement raw
// and, for the workbook, against a one-pass writer of the same cells as sheet XML deflated at the
// same level (no zip, places, escaping or styles), interleaved in each run.
// bench_export [--runs N] [--folder DIR] [N indicators]   (default 1000000)
#include "BenchSupport.h"
#include "context/untWorkContext.h"
#include "controls/TNextGrid.h"
#include "listwindow/bwnQuindleList.h"
#include "support/gunNextGridManager.h"
#include "sheets/untXlsxWriter.h"
#include "support/untTableExport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <unistd.h>
#include <zlib.h>

namespace
{
// The reference: every cell as the smallest sheet XML (no places, styles or escaping) in one
// pass, deflated by zlib into a file that is then synced to the disk.
void OnePassSheet(const TExportTable& table, const QString& path)
{
    FILE* out = std::fopen(QFile::encodeName(path).constData(), "wb");
    z_stream z{};
    deflateInit2(&z, TXlsxWriter::kDeflateLevel, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    QByteArray xml, packed(1 << 18, Qt::Uninitialized);
    const auto pump = [&](int flush) {
        z.next_in = reinterpret_cast<Bytef*>(xml.data());
        z.avail_in = uInt(xml.size());
        do {
            z.next_out = reinterpret_cast<Bytef*>(packed.data());
            z.avail_out = uInt(packed.size());
            deflate(&z, flush);
            std::fwrite(packed.constData(), 1, packed.size() - z.avail_out, out);
        } while (z.avail_out == 0);
        xml.clear();
    };
    const int columns = int(table.Columns.size());
    for (int r = 0; r < table.Rows; ++r) {
        xml += "<row>";
        for (int c = 0; c < columns; ++c) {
            const auto amount = table.Columns[c].Amount ? table.Amount(r, c) : std::nullopt;
            if (amount) {
                xml += "<c><v>";
                xml += amount->ToSqlText().toLatin1();
                xml += "</v></c>";
            } else {
                xml += "<c t=\"inlineStr\"><is><t>";
                xml += table.Text(r, c).toUtf8();
                xml += "</t></is></c>";
            }
        }
        xml += "</row>";
        if (xml.size() > (1 << 16))
            pump(Z_NO_FLUSH);
    }
    pump(Z_FINISH);
    deflateEnd(&z);
    std::fflush(out);
    ::fsync(fileno(out)); // on the disk, as the export's file is
    std::fclose(out);
}
} // namespace

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
    std::vector<double> ours, reference, ratios;
    for (int run = 0; run < args.Runs; ++run) {
        double ms[2];
        for (int k = 0; k < 2; ++k) {
            const int which = (run + k) % 2; // alternate which goes first
            QElapsedTimer t;
            t.start();
            if (which == 0)
                ExportTable(table, dir.filePath("list.xlsx"), "2026年预算数");
            else
                OnePassSheet(table, dir.filePath("sheet.deflate"));
            ms[which] = t.nsecsElapsed() / 1e6;
        }
        ours.push_back(ms[0]);
        reference.push_back(ms[1]);
        ratios.push_back(ms[0] / ms[1]);
        std::printf("  run %d: workbook %.0f ms, one-pass sheet XML + deflate %.0f ms\n", run + 1,
                    ms[0], ms[1]);
    }
    std::printf(
        "%-28s %9.0f ms  one-pass reference %.0f ms, ratio %.2f (level %d)  %6.1f MB file\n",
        "list.xlsx", Median(ours), Median(reference), Median(ratios), TXlsxWriter::kDeflateLevel,
        QFileInfo(dir.filePath("list.xlsx")).size() / 1048576.0);
    for (const char* name : {"list.csv"}) {
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
