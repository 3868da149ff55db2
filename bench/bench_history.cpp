// The cost of the history of changes on the writes: N indicators inserted in one write
// transaction (the import's and the carry's writer) and single saves of the entry dialog, with
// and without the history triggers, interleaved in the same run.
// bench_history [--runs N] [--folder DIR] [--pg CONNECTION] [N rows]   (default 100000)
#include "BenchSupport.h"
#include "budget/gunBudgetSave.h"
#include "db/DbSchema.h"

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>

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
    const BenchArgs args = ParseBenchArgs(app.arguments().mid(1), {100000});
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
    std::vector<double> inserts[2], saves[2], insertRatios, saveRatios;
    for (int run = 0; run < args.Runs; ++run) {
        double insertMs[2] = {0, 0}, saveMs[2] = {0, 0};
        for (int k = 0; k < 2; ++k) {
            const int with = (run + k) % 2; // alternate which goes first
            SetHistory(with, pg);
            QElapsedTimer t;
            t.start();
            const int written =
                InsertNewBudgets(kYear, TWritePath::Import, rows, [](int i, TBudget& b) {
                    b = Indicator(i);
                    CompleteNewBudgetFields(b, QStringLiteral("预算数"));
                    return true;
                });
            insertMs[with] = t.nsecsElapsed() / 1e6;
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
        }
        insertRatios.push_back(insertMs[1] / insertMs[0]);
        saveRatios.push_back(saveMs[1] / saveMs[0]);
        std::printf("  run %d: insert %.0f / %.0f ms, save %.2f / %.2f ms (without / with)\n",
                    run + 1, insertMs[0], insertMs[1], saveMs[0], saveMs[1]);
    }
    std::printf("insert of %d rows: %.0f ms without, %.0f ms with the history, ratio %.2f\n", rows,
                Median(inserts[0]), Median(inserts[1]), Median(insertRatios));
    std::printf("one save: %.2f ms without, %.2f ms with the history, ratio %.2f\n",
                Median(saves[0]), Median(saves[1]), Median(saveRatios));
    std::printf("peak memory %.0f MB\n", PeakRssMb());
    SetHistory(true, pg);
    return 0;
}
