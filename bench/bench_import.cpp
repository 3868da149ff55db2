// Importing a spreadsheet of N rows: reading (CSV and workbook), checking and writing, against a
// set-based reference in the same run: the CSV file bulk-loaded into a temporary table (prepared
// inserts in one transaction, as the sqlite3 shell's .import does; COPY … FROM STDIN on
// PostgreSQL) and one INSERT … SELECT with the same joins to the code tables and the same
// duplicate test. Each run imports, then runs the reference, on the same starting database; the
// ratio is the median of the per-run ratios of the CSV import's whole time to the reference's.
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
#include <ctime>
#include <libpq-fe.h>
#include <sqlite3.h>

namespace
{
// The process's CPU time: on a machine other work loads, the steadier figure of the two.
double CpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

void Copy(const QString& from, const QString& to)
{
    QFile::remove(to);
    QFile::remove(to + "-wal");
    QFile::remove(to + "-shm");
    QFile::copy(from, to);
}

[[noreturn]] void Fail(const char* what, const char* message)
{
    std::fprintf(stderr, "reference, %s: %s\n", what, message);
    std::exit(1);
}

// The file's records without its byte-order mark and caption line.
QByteArray CsvBody(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        Fail("read", "cannot open the file");
    QByteArray all = f.readAll();
    if (all.startsWith("\xEF\xBB\xBF"))
        all.remove(0, 3);
    return all.mid(all.indexOf('\n') + 1);
}

const char* const kImportTable = "CREATE TEMP TABLE imp (eid text, bid text, mname text, "
                                 "bkname text, ipname text, amount text, filename text)";

// The whole import as one statement: codes joined to the year's tables (by code or by name, as
// the file gives them), the duplicate test against the year, ids after the year's largest.
QByteArray InsertSelect(bool pg, const QString& fileName)
{
    const QString number = pg ? "budgid::bigint" : "CAST(budgid AS integer)";
    const QString money = pg ? "i.amount::numeric" : "CAST(i.amount AS REAL)";
    const QString today = pg ? "current_date" : "date('now','localtime')";
    return QStringLiteral(
               "INSERT INTO busibudget (datayear, budgid, eid, mid, bkid, ipid, bid, iid, iidname, "
               "inputmoney, duemoney, budgmoney, splitmoney, filename, filedate, inputdate, "
               "auditdate, userid, auditid, replaceflag, payflag, impflag, memoo, status, "
               "budgetsource, bsource, deptclass, btype, btypechild, issecret) "
               "SELECT 2026, (SELECT coalesce(max(%1), 0) FROM busibudget WHERE datayear=2026) + "
               "row_number() OVER (), d.eid, m.mid, k.bkid, t.ipid, s.bid, '', '', %2, 0, %2, 0, "
               "i.filename, %3, %3, %3, 'admin', 'admin', '0', '1', '1', '导入%4', '1', '2', '0', "
               "d.deptclass, '1', '1', '1' "
               "FROM imp i "
               "JOIN pubdept d ON d.eid = i.eid AND d.useflag = '0' "
               "JOIN pubsubject s ON s.datayear = 2026 AND s.bid = i.bid AND s.leafflag = '0' "
               "JOIN pubmoneykind m ON m.mname = i.mname "
               "JOIN pubbudgetkind k ON k.bkname = i.bkname "
               "JOIN pubincomepay t ON t.ipname = i.ipname "
               "WHERE NOT EXISTS (SELECT 1 FROM busibudget b WHERE b.datayear = 2026 AND "
               "b.btype = '1' AND b.btypechild = '1' AND b.bkid = k.bkid AND b.eid = d.eid AND "
               "b.mid = m.mid AND b.ipid = t.ipid AND b.bid = s.bid AND b.iid = '' AND "
               "coalesce(b.filename, '') = coalesce(i.filename, ''))")
        .arg(number, money, today, fileName)
        .toUtf8();
}

// The reference on SQLite: the prepared inserts of every record into the temporary table, then
// the one statement, in one immediate transaction. Returns the rows written.
long SqliteReference(sqlite3* db, const QByteArray& body, const QString& fileName)
{
    auto exec = [db](const char* sql) {
        if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            Fail(sql, sqlite3_errmsg(db));
    };
    exec("BEGIN IMMEDIATE");
    exec(kImportTable);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO imp VALUES (?,?,?,?,?,?,?)", -1, &insert, nullptr);
    for (qsizetype at = 0; at < body.size();) {
        qsizetype end = body.indexOf('\n', at);
        if (end < 0)
            end = body.size();
        qsizetype line = end;
        if (line > at && body[line - 1] == '\r')
            --line;
        int column = 1;
        for (qsizetype cell = at; cell <= line && column <= 7; ++column) {
            qsizetype next = body.indexOf(',', cell);
            if (next < 0 || next > line)
                next = line;
            sqlite3_bind_text(insert, column, body.constData() + cell, int(next - cell),
                              SQLITE_STATIC);
            cell = next + 1;
        }
        if (line > at && sqlite3_step(insert) != SQLITE_DONE)
            Fail("load", sqlite3_errmsg(db));
        sqlite3_reset(insert);
        at = end + 1;
    }
    sqlite3_finalize(insert);
    exec(InsertSelect(false, fileName).constData());
    const long written = long(sqlite3_changes(db));
    exec("DROP TABLE imp");
    exec("COMMIT");
    return written;
}

// The reference on PostgreSQL: COPY into the temporary table, then the one statement.
long PgReference(PGconn* conn, const QByteArray& body, const QString& fileName)
{
    auto exec = [conn](const char* sql, ExecStatusType want = PGRES_COMMAND_OK) {
        PGresult* r = PQexec(conn, sql);
        if (PQresultStatus(r) != want)
            Fail(sql, PQresultErrorMessage(r));
        const long rows = std::atol(PQcmdTuples(r));
        PQclear(r);
        return rows;
    };
    exec("BEGIN");
    exec(kImportTable);
    exec("COPY imp FROM STDIN WITH (FORMAT csv)", PGRES_COPY_IN);
    if (PQputCopyData(conn, body.constData(), int(body.size())) != 1 ||
        PQputCopyEnd(conn, nullptr) != 1)
        Fail("copy", PQerrorMessage(conn));
    PGresult* copied = PQgetResult(conn);
    if (PQresultStatus(copied) != PGRES_COMMAND_OK)
        Fail("copy", PQresultErrorMessage(copied));
    PQclear(copied);
    while (PGresult* rest = PQgetResult(conn))
        PQclear(rest);
    const long written = exec(InsertSelect(true, fileName).constData());
    exec("DROP TABLE imp");
    exec("COMMIT");
    return written;
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

    struct Series {
        std::vector<double> Reads, Checks, Writes, Totals;
    };
    Series series[2];
    const char* const names[] = {"import.csv", "import.xlsx"};
    std::vector<double> raws, ratios, cpuRaws, cpuRatios, cpuOurs;
    double importPeak = 0, checkedRss = 0;
    const QByteArray csvBody = CsvBody(dir.filePath(names[0]));
    for (int run = 0; run < args.Runs; ++run) {
        for (int n = 0; n < 2; ++n) {
            const char* name = names[n];
            reset();
            const double cpuStart = CpuMs();
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
            series[n].Reads.push_back(readMs);
            series[n].Checks.push_back(checkMs);
            series[n].Writes.push_back(totalMs - readMs - checkMs);
            series[n].Totals.push_back(totalMs);
            if (n == 0)
                cpuOurs.push_back(CpuMs() - cpuStart);
            importPeak = std::max(importPeak, PeakRssMb());
        }
        // The reference of this run, from the same start, with the database to itself.
        reset();
        context.reset();
        RawReader raw(work); // connected before the clock starts
        const double cpuStart = CpuMs();
        QElapsedTimer t;
        t.start();
        const long written = pg ? PgReference(raw.Pg(), csvBody, names[0])
                                : SqliteReference(raw.Sqlite(), csvBody, names[0]);
        raws.push_back(t.nsecsElapsed() / 1e6);
        cpuRaws.push_back(CpuMs() - cpuStart);
        cpuRatios.push_back(cpuOurs.back() / cpuRaws.back());
        if (written != rows) {
            std::fprintf(stderr, "reference: %ld of %d rows written\n", written, rows);
            return 1;
        }
        ratios.push_back(series[0].Totals.back() / raws.back());
    }
    for (int n = 0; n < 2; ++n)
        std::printf("%-12s read %7.0f ms  check %6.0f ms  write %7.0f ms  total %7.0f ms\n",
                    names[n], Median(series[n].Reads), Median(series[n].Checks),
                    Median(series[n].Writes), Median(series[n].Totals));
    std::printf("reference (bulk load + one INSERT … SELECT): %.0f ms; the CSV import is x%.2f of "
                "it (median of per-run ratios:",
                Median(raws), Median(ratios));
    for (double r : ratios)
        std::printf(" %.2f", r);
    std::printf(")\n");
    std::printf("CPU time of this process (on PostgreSQL the server's work is not in it): the CSV "
                "import %.0f ms, the reference %.0f ms, x%.2f (per-run ratios:",
                Median(cpuOurs), Median(cpuRaws), Median(cpuRatios));
    for (double r : cpuRatios)
        std::printf(" %.2f", r);
    std::printf(")\n");
    std::printf("resident memory: %.0f MB before reading, %.0f MB with a file's rows read and "
                "checked, peak %.0f MB through the imports\n",
                before, checkedRss, importPeak);
    return 0;
}
