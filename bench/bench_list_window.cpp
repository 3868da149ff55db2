// The list window on a large database: the unit tree, the first list at show, the top unit,
// a department and a filter change, each against SQLite stepping the same statement.
// bench_list_window [--runs N] [--folder DIR] [N indicators]   (default 1000000)
#include "context/untSqlTrace.h"
#include "BenchSupport.h"
#include "controls/TNextGrid.h"
#include "controls/TTreeView.h"
#include "listwindow/bwnQuindle.h"
#include "listwindow/bwnQuindleList.h"
#include "platform/untApplication.h"
#include "support/untDynamicTree.h"
#include "plugin/untPlugInEntry.h"
#include "plugin/untShareResRefManager.h"
#include "context/untWorkContext.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QMdiArea>
#include <cstdio>

namespace
{
QString g_lastList;

double TimeMs(const std::function<void()>& run)
{
    QElapsedTimer t;
    t.start();
    run();
    return t.nsecsElapsed() / 1e6;
}

void Report(const char* what, double windowMs, double rawMs, int rows)
{
    if (rawMs > 0)
        std::printf("%-34s %8d rows %9.1f ms   raw %9.1f ms   ratio %5.2f\n", what, rows, windowMs,
                    rawMs, windowMs / rawMs);
    else
        std::printf("%-34s %8d rows %9.1f ms\n", what, rows, windowMs);
    std::fflush(stdout);
}
} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const BenchArgs args = ParseBenchArgs(app.arguments().mid(1), {1000000});
    const int runs = args.Runs;
    const int size = args.Sizes.first();
    const QString folder = args.Folder;
    const QString file = BenchDatabase(folder, size);

    TApplication hostApp;
    TScreen hostScreen;
    Application = &hostApp;
    Screen = &hostScreen;
    QMainWindow main;
    auto* area = new QMdiArea(&main);
    main.setCentralWidget(area);
    main.resize(1280, 800);
    hostApp.SetMainForm(&main);
    hostApp.SetMdiArea(area);
    main.show();

    TDbManager manager;
    manager.ConnectionString = "Provider=SQLite;Data Source=" + file;
    TSysParams params;
    params.BureauMode = "1";
    params.DefaultBType = 1;
    TRecordObject user, unit;
    user.SetValue(0, "admin");
    unit.SetValue(0, "101");
    unit.SetValue(3, QStringLiteral("市本级"));
    TWorkContext ctx;
    ctx.DataYear = 2026;
    ctx.DbManager = &manager;
    ctx.CurrentUser = &user;
    ctx.SysParams = &params;
    ctx.CurrentUnit = &unit;
    SetCurrentWorkContext(&ctx);
    PlugInInitialize();
    RegisterListWindow();
    TPlugInStatus status{1, nullptr, nullptr, nullptr};
    TPlugInHostRec host{&ctx, &status, nullptr, &hostApp, &hostScreen};
    SetSqlObserver([](const SqlTraceEntry& e) {
        if (e.Sql.contains(QLatin1String("from vwBudget")))
            g_lastList = e.Sql;
    });
    RawSqliteRead(file, "select * from busibudget"); // warm the file cache

    std::printf("%d indicators, %d runs, medians\n", size, runs);
    // The unit tree on its own: built and its first leaf selected.
    {
        TTreeView view;
        std::vector<double> times;
        int nodes = 0;
        for (int r = 0; r < runs; ++r) {
            TDynamicTree tree;
            tree.SqlTable = {UnitTreeSource("", true, TSqlDialect(TSqlDialect::SQLite))};
            tree.SetFieldId("eid");
            tree.FieldPid = "peid";
            tree.FieldIsLeaf = "leafflag";
            tree.FieldCaption = "ename";
            tree.FieldText = "tname";
            tree.ValueIsLeaf = "0";
            tree.SetTopVirNodeTitle(QStringLiteral("预算单位"));
            tree.SetAdoConn(GetDefConnection());
            tree.SetLoadAll(true);
            tree.SetAutoExpandKind(aekFirstLeaf);
            tree.SetTreeView(&view);
            times.push_back(TimeMs([&] { tree.SetActive(true); }));
            nodes = 0;
            for (QTreeWidgetItemIterator it(&view); *it; ++it)
                ++nodes;
        }
        Report("unit tree + first leaf selected", Median(times), 0, nodes);
    }

    std::vector<double> show, top, topRaw, dept, deptRaw, change, changeRaw, add, modify;
    QElapsedTimer dialogTimer;
    double dialogShown = 0;
    // The entry dialog, timed from the action until it is on screen; then cancelled.
    hostApp.SetModalDriver([&](QDialog* d) {
        d->show();
        QCoreApplication::processEvents();
        dialogShown = dialogTimer.nsecsElapsed() / 1e6;
        return int(mrCancel);
    });
    int topRows = 0, deptRows = 0, changeRows = 0;
    for (int r = 0; r < runs; ++r) {
        TbfrmQuindle* w = nullptr;
        show.push_back(TimeMs([&] {
            ShowPlugInWindowImpl("TbfrmQuindle", &host);
            w = static_cast<TbfrmQuindle*>(ResRefManager()->FindObj("TbfrmQuindle"));
        }));
        QTreeWidgetItem* root = w->trvList->topLevelItem(0);
        top.push_back(TimeMs([&] { w->trvList->setCurrentItem(root); }));
        topRows = w->RowsListed() - 1;
        const QString topSql = g_lastList;
        topRaw.push_back(MedianMs(1, [&] { RawSqliteRead(file, topSql); }));

        QTreeWidgetItem* department =
            root->child(0)->child(std::min(3, root->child(0)->childCount() - 1));
        dept.push_back(TimeMs([&] { w->trvList->setCurrentItem(department); }));
        deptRows = w->RowsListed() - 1;
        const QString deptSql = g_lastList;
        deptRaw.push_back(MedianMs(1, [&] { RawSqliteRead(file, deptSql); }));

        change.push_back(TimeMs([&] {
            w->cobMid->setCurrentIndex(2);
            emit w->cobMid->activated(2);
        }));
        changeRows = w->RowsListed() - 1;
        const QString changeSql = g_lastList;
        changeRaw.push_back(MedianMs(1, [&] { RawSqliteRead(file, changeSql); }));

        dialogTimer.start();
        w->AddIndicator();
        add.push_back(dialogShown);
        w->ngdBudget->SetSelectedRow(0);
        dialogTimer.start();
        w->ModifyIndicator();
        modify.push_back(dialogShown);
        w->close();
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCoreApplication::processEvents();
        }
    }
    Report("show: tree, first leaf and its list", Median(show), 0, 0);
    Report("top unit (all units)", Median(top), Median(topRaw), topRows);
    Report("a department", Median(dept), Median(deptRaw), deptRows);
    Report("filter change on the department", Median(change), Median(changeRaw), changeRows);
    Report("entry dialog open for adding", Median(add), 0, 0);
    Report("entry dialog open for modifying", Median(modify), 0, 0);
    std::printf("peak resident memory %.0f MB\n", PeakRssMb());
    SetSqlObserver({});
    SetCurrentWorkContext(nullptr);
    Application = nullptr;
    Screen = nullptr;
    return 0;
}
