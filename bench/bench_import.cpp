// Importing a spreadsheet of N rows: reading (CSV and workbook), checking and writing, against
// the database's C interface running the same insert statements in one transaction.
// bench_import [--runs N] [--folder DIR] [--pg CONNECTION] [N rows]   (default 100000)
#include "BenchSupport.h"
#include "budget/gunBudgetImport.h"
#include "context/untWorkContext.h"
#include "store/untColumnStore.h"
#include "support/untImportFile.h"
#include "support/untTableExport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <sqlite3.h>

namespace
{
// The reference: the same insert statements through SQLite's C interface, one transaction.
double RawInserts(const QString& file, const QStringList& statements)
{
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(file).constData(), &db);
    QElapsedTimer t;
    t.start();
    sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    for (const QString& s : statements)
        if (sqlite3_exec(db, s.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK) {
            std::fprintf(stderr, "raw insert: %s\n", sqlite3_errmsg(db));
            std::exit(1);
        }
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    const double ms = t.nsecsElapsed() / 1e6;
    sqlite3_close(db);
    return ms;
}

void Copy(const QString& from, const QString& to)
{
    QFile::remove(to);
    QFile::remove(to + "-wal");
    QFile::remove(to + "-shm");
    QFile::copy(from, to);
}
} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const BenchArgs args = ParseBenchArgs(app.arguments().mid(1), {100000});
    const int rows = args.Sizes.first();
    const bool pg = !args.PgServer.isEmpty();
    const QString base =
        pg ? BenchPgDatabase(args.PgServer, 100000) : BenchDatabase(args.Folder, 100000);
    QTemporaryDir dir;
    const QString work = pg ? base : dir.filePath("work.db");
    std::unique_ptr<BenchListContext> context;
    // Each run starts from the 100,000 indicators: a fresh copy of the file, or the server's
    // database without what the last run imported.
    auto reset = [&] {
        context.reset();
        if (!pg)
            Copy(base, work);
        context = std::make_unique<BenchListContext>(work);
        if (pg && !ExecSql("delete from busibudget where memoo like '导入%'")) {
            std::fprintf(stderr, "%s\n", qPrintable(LastDbError()));
            std::exit(1);
        }
    };
    reset();
    const TExportTable table = BenchImportTable(rows);
    for (const char* name : {"import.csv", "import.xlsx"})
        ExportTable(table, dir.filePath(name), "指标");
    const double before = CurrentRssMb();
    std::printf("%d rows into a database of 100,000 indicators on %s, %d runs, medians\n", rows,
                pg ? "PostgreSQL" : "SQLite", args.Runs);

    std::vector<double> raws, ratios, csvWrites;
    double importPeak = 0, checkedRss = 0;
    for (const char* name : {"import.csv", "import.xlsx"}) {
        std::vector<double> reads, checks, writes, totals;
        for (int run = 0; run < args.Runs; ++run) {
            reset();
            QElapsedTimer t;
            t.start();
            TImportRows read;
            ReadImportFile(dir.filePath(name), QString(), read);
            const double readMs = t.nsecsElapsed() / 1e6;
            const TImportMapping mapping = MatchImportColumns(read.Headers);
            TImportChecker checker(2026, "1");
            const std::vector<QString> reasons = CheckImportRows(read, mapping, checker);
            const double checkMs = t.nsecsElapsed() / 1e6 - readMs;
            checkedRss = std::max(checkedRss, CurrentRssMb());
            const int written = ImportBudgets(read, mapping, checker, reasons, "预算数", name);
            const double totalMs = t.nsecsElapsed() / 1e6;
            if (written != rows) {
                std::fprintf(stderr, "%s: %d of %d rows written (%s)\n", name, written, rows,
                             qPrintable(reasons.front()));
                return 1;
            }
            reads.push_back(readMs);
            checks.push_back(checkMs);
            writes.push_back(totalMs - readMs - checkMs);
            totals.push_back(totalMs);
            importPeak = std::max(importPeak, PeakRssMb());
            if (QLatin1String(name) == QLatin1String("import.csv"))
                csvWrites.push_back(totalMs - readMs - checkMs);
        }
        std::printf("%-12s read %7.0f ms  check %6.0f ms  write %7.0f ms  total %7.0f ms\n", name,
                    Median(reads), Median(checks), Median(writes), Median(totals));
        std::fflush(stdout);
    }
    // The reference, after the imports (its statement texts would weigh on their memory): the
    // indicators the last run wrote, as the entry dialog's insert statements, into a fresh start.
    QStringList statements;
    {
        TQueryRef q;
        OpenSql("select * from busibudget where datayear=2026 and memoo like '导入%'", q);
        for (const TBudget& b : ReadBudgets(q->Dataset(), 2026))
            statements << TBudgetManage::InsertSql(b);
    }
    for (int run = 0; run < args.Runs; ++run) {
        reset();
        context.reset(); // the reference has the database to itself
        const double raw = pg ? RawPgStatements(work, statements) : RawInserts(work, statements);
        raws.push_back(raw);
        ratios.push_back(csvWrites[size_t(run)] / raw);
    }
    std::printf("raw inserts of the same statements: %.0f ms; the write is x%.2f of it "
                "(median of per-run ratios)\n",
                Median(raws), Median(ratios));
    std::printf("resident memory: %.0f MB before reading, %.0f MB with a file's rows read and "
                "checked, peak %.0f MB through the imports\n",
                before, checkedRss, importPeak);
    return 0;
}
