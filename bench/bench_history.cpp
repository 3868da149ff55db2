// The cost of the history of changes on the writes: N indicators inserted in one write
// transaction (the import's and the carry's writer) and single saves of the entry dialog, with
// and without the history triggers, interleaved in the same run.
// bench_history [--runs N] [--folder DIR] [--pg CONNECTION] [N rows]   (default 100000)
// bench_history --open [--runs N] [--folder DIR] [--pg CONNECTION]: the history of one indicator
// opened (read, the dialog filled and drawn) on the 1,000,000-indicator database whose history
// holds 3,000,000 rows (filled once by SQL: every indicator added and modified twice).
#include "BenchSupport.h"
#include "budget/gunBudgetSave.h"
#include "db/DbSchema.h"
#include "listwindow/bwnBudgetHistory.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTableWidget>
#include <algorithm>
#include <cstdio>
#include <ctime>

namespace
{
constexpr int kYear = 2030; // empty in the bench database: written and cleared by each run
constexpr int kSaves = 200;

void Run(const QString& sql)
{
    if (!ExecSql(sql)) {
        std::fprintf(stderr, "%s\n%s\n", qPrintable(sql), qPrintable(LastDbError()));
        std::exit(1);
    }
}

void SetHistory(bool on, bool pg)
{
    for (const char* t : {"insert", "update", "delete", "rekey"})
        Run(QStringLiteral("DROP TRIGGER IF EXISTS busibudget_history_%1%2")
                .arg(QLatin1String(t), pg ? " ON busibudget" : ""));
    if (on)
        InstallHistory(GetDefConnection());
}

QString Value(const QString& sql)
{
    TQueryRef query;
    if (!OpenSql(sql, query)) {
        std::fprintf(stderr, "%s\n%s\n", qPrintable(sql), qPrintable(LastDbError()));
        std::exit(1);
    }
    return query->Dataset()->Fields(0).AsString();
}

// Three versions of every indicator as the triggers keep them: added (no image), then modified
// twice (both images).
void FillHistory(bool pg)
{
    const int wanted = 3 * Value("select count(*) from busibudget").toInt();
    if (Value("select count(*) from busibudgethistory").toInt() >= wanted)
        return;
    std::printf("filling the history with %d rows ...\n", wanted);
    std::fflush(stdout);
    QElapsedTimer t;
    t.start();
    TQueryRef columns;
    OpenSql("select * from busibudget where 1=0", columns);
    QStringList texts;
    for (int i = 0; i < columns->Dataset()->FieldCount(); ++i) {
        const QString c = columns->Dataset()->Fields(i).FieldName().toLower();
        texts << (pg ? QStringLiteral("b.%1::text AS %1").arg(c)
                     : QStringLiteral("'%1', CAST(b.%1 AS TEXT)").arg(c));
    }
    Run("delete from busibudgethistory");
    Run(pg ? "CREATE TEMP TABLE img AS SELECT t.datayear::integer AS datayear, t.budgid, t.eid, "
             "row_to_json(t)::text AS img FROM (SELECT " +
                 texts.join(", ") + " FROM busibudget b) t"
           : "CREATE TEMP TABLE img AS SELECT datayear, budgid, eid, json_object(" +
                 texts.join(", ") + ") AS img FROM busibudget b");
    const QString insert = QStringLiteral(
        "INSERT INTO busibudgethistory (datayear, budgid, eid, action, changedat, operator, path, "
        "oldrow, newrow) SELECT datayear, budgid, eid, ");
    Run(insert + "'增加', '2026-01-05 09:00:00.000', 'admin', '导入', NULL, NULL FROM img");
    for (const char* day : {"2026-03-02", "2026-06-01"})
        Run(insert + "'修改', '" + day + " 10:00:00.000', 'admin', '录入', img, img FROM img");
    Run("DROP TABLE img");
    if (pg)
        Run("analyze busibudgethistory");
    std::printf("filled in %.0f s\n", t.elapsed() / 1000.0);
}

int OpenHistory(const BenchArgs& args)
{
    const bool pg = !args.PgServer.isEmpty();
    const QString base =
        pg ? BenchPgDatabase(args.PgServer, 1000000) : BenchDatabase(args.Folder, 1000000);
    BenchListContext context(base);
    Run("select count(*) from busibudget"); // opens the connection
    InstallHistory(GetDefConnection());     // a database made before the history
    FillHistory(pg);
    std::printf("history of one indicator opened on %s: %s indicators, %s history rows, %d "
                "runs of 20 indicators\n",
                pg ? "PostgreSQL" : "SQLite", qPrintable(Value("select count(*) from busibudget")),
                qPrintable(Value("select count(*) from busibudgethistory")), args.Runs);
    TQueryRef ids;
    OpenSql("select budgid from busibudget where datayear = 2026", ids);
    QStringList spread;
    const int count = ids->Dataset()->RecordCount();
    for (TARQuery* ds = ids->Dataset(); !ds->Eof(); ds->Next())
        if (ds->RecNo() % std::max(1, count / 20) == 7)
            spread << ds->Fields(0).AsString();
    std::vector<double> opens;
    int versions = 0;
    for (int run = 0; run < args.Runs; ++run)
        for (const QString& id : spread) {
            QElapsedTimer t;
            t.start();
            TfrmBudgetHistory dialog(2026, id);
            dialog.grab(); // laid out and drawn
            opens.push_back(t.nsecsElapsed() / 1e6);
            versions = std::max(versions, dialog.Versions());
        }
    std::printf("open: median %.1f ms, longest %.1f ms (up to %d lines)\n", Median(opens),
                *std::max_element(opens.begin(), opens.end()), versions);
    std::printf("peak memory %.0f MB\n", PeakRssMb());
    return 0;
}

// The process's CPU time: on a machine shared with other work the wall time varies with their
// load and disk traffic, this much less.
double CpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

TBudget Indicator(int i)
{
    TBudget b;
    b.DataYear = kYear;
    b.Eid = QStringLiteral("101001");
    b.Bkid = QStringLiteral("21");
    b.Mid = QStringLiteral("11");
    b.IPid = QStringLiteral("11");
    b.Bid = QStringLiteral("2050202");
    b.FileName = QStringLiteral("历史%1").arg(i);
    b.BudgMoney = b.DueMoney = b.InputMoney = *Currency::FromText(QString::number(1000 + i % 7919));
    b.UserId = QStringLiteral("admin");
    return b;
}
} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList options = app.arguments().mid(1);
    if (options.removeAll(QStringLiteral("--open")) > 0)
        return OpenHistory(ParseBenchArgs(options, {}));
    const BenchArgs args = ParseBenchArgs(options, {100000});
    const int rows = args.Sizes.first();
    const bool pg = !args.PgServer.isEmpty();
    const QString base =
        pg ? BenchPgDatabase(args.PgServer, 100000) : BenchDatabase(args.Folder, 100000);
    BenchListContext context(base);
    TRecordObject user, unit;
    TSysParams params;
    user.SetValue(0, QStringLiteral("admin"));
    unit.SetValue(0, QStringLiteral("101001"));
    context.Context.CurrentUser = &user;
    context.Context.CurrentUnit = &unit;
    context.Context.SysParams = &params;
    context.Context.DataYear = kYear;
    context.Manager.SetSessionOperator(QStringLiteral("admin"));
    Run("select count(*) from busibudget"); // opens the connection
    InstallHistory(GetDefConnection());     // the table, once
    std::printf("%d rows and %d saves into year %d of a database of 100,000 indicators on %s, "
                "%d runs each way, interleaved\n",
                rows, kSaves, kYear, pg ? "PostgreSQL" : "SQLite", args.Runs);
    std::vector<double> inserts[2], saves[2], cpus[2], insertRatios, saveRatios, cpuRatios;
    for (int run = 0; run < args.Runs; ++run) {
        double insertMs[2] = {0, 0}, saveMs[2] = {0, 0}, cpuMs[2] = {0, 0};
        for (int k = 0; k < 2; ++k) {
            const int with = (run + k) % 2; // alternate which goes first
            SetHistory(with, pg);
            QElapsedTimer t;
            t.start();
            const double cpu = CpuMs();
            const int written =
                InsertNewBudgets(kYear, TWritePath::Import, rows, [](int i, TBudget& b) {
                    b = Indicator(i);
                    CompleteNewBudgetFields(b, QStringLiteral("预算数"));
                    return true;
                });
            insertMs[with] = t.nsecsElapsed() / 1e6;
            cpuMs[with] = CpuMs() - cpu;
            if (written != rows) {
                std::fprintf(stderr, "wrote %d of %d\n", written, rows);
                return 1;
            }
            TBudgetManage store;
            t.restart();
            for (int i = 0; i < kSaves; ++i) {
                TBudget b = Indicator(rows + i);
                if (SaveBudgetChecked(store, b, true, QStringLiteral("预算数")) !=
                    TSaveOutcome::Saved)
                    return 1;
            }
            saveMs[with] = t.nsecsElapsed() / 1e6 / kSaves;
            SetHistory(false, pg);
            Run(QStringLiteral("delete from busibudget where datayear=%1").arg(kYear));
            Run(QStringLiteral("delete from busibudgethistory where datayear=%1").arg(kYear));
        }
        for (int w = 0; w < 2; ++w) {
            inserts[w].push_back(insertMs[w]);
            saves[w].push_back(saveMs[w]);
            cpus[w].push_back(cpuMs[w]);
        }
        insertRatios.push_back(insertMs[1] / insertMs[0]);
        saveRatios.push_back(saveMs[1] / saveMs[0]);
        cpuRatios.push_back(cpuMs[1] / cpuMs[0]);
        std::printf("  run %d: insert %.0f / %.0f ms (CPU %.0f / %.0f ms), save %.2f / %.2f ms "
                    "(without / with)\n",
                    run + 1, insertMs[0], insertMs[1], cpuMs[0], cpuMs[1], saveMs[0], saveMs[1]);
    }
    std::printf("insert of %d rows: %.0f ms without, %.0f ms with the history, ratio %.2f\n", rows,
                Median(inserts[0]), Median(inserts[1]), Median(insertRatios));
    std::printf("  its CPU time (this process): %.0f ms without, %.0f ms with, ratio %.2f\n",
                Median(cpus[0]), Median(cpus[1]), Median(cpuRatios));
    std::printf("one save: %.2f ms without, %.2f ms with the history, ratio %.2f\n",
                Median(saves[0]), Median(saves[1]), Median(saveRatios));
    std::printf("peak memory %.0f MB\n", PeakRssMb());
    SetHistory(true, pg);
    return 0;
}
