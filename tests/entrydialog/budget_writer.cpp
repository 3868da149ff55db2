// One operator adding indicators: vw_budget_writer <connection> <writer> <count> <same|distinct>
// Prints one line per indicator: "added <id>" or "duplicate"; an error ends it with exit 1.
#include "budget/gunBudgetSave.h"
#include "context/untWorkContext.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5)
        return 2;
    TDbManager db;
    db.ConnectionString = args[1];
    TSysParams params;
    TRecordObject user, unit;
    user.SetValue(0, "W" + args[2]);
    unit.SetValue(0, "101001001");
    TWorkContext context;
    context.DataYear = 2026;
    context.DbManager = &db;
    context.SysParams = &params;
    context.CurrentUser = &user;
    context.CurrentUnit = &unit;
    SetCurrentWorkContext(&context);
    TBudgetManage store;
    for (int i = 0; i < args[3].toInt(); ++i) {
        TBudget b;
        b.DataYear = 2026;
        b.Eid = "101001001";
        b.Mid = "11";
        b.Bkid = "21";
        b.IPid = "12";
        b.Bid = "2050202";
        b.BType = "1";
        b.BTypeChild = "1";
        b.FileName =
            args[4] == "same" ? QStringLiteral("同文-1") : "W" + args[2] + "-" + QString::number(i);
        b.BudgMoney = b.InputMoney = Currency::FromRaw(10000 * (i + 1));
        b.UserId = user.Items(0)->Value.toString();
        try {
            if (SaveBudgetChecked(store, b, true, "预算数") == TSaveOutcome::Saved)
                std::printf("added %s\n", qPrintable(b.BudgId));
            else
                std::printf("duplicate\n");
        } catch (const std::exception& e) {
            std::printf("error %s\n", e.what());
            return 1;
        }
        std::fflush(stdout);
    }
    return 0;
}
