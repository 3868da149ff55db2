#include "BenchHost.h"

#include "listwindow/bwnQuindle.h"
#include "plugin/untPlugInEntry.h"
#include "plugin/untShareResRefManager.h"

#include <QMdiArea>
#include <ctime>

BenchHost::BenchHost(const QString& connection, int width, int height)
{
    Application = &HostApp;
    Screen = &HostScreen;
    auto* area = new QMdiArea(&Main);
    Main.setCentralWidget(area);
    Main.resize(width, height);
    HostApp.SetMainForm(&Main);
    HostApp.SetMdiArea(area);
    Main.show();
    Manager.ConnectionString = connection;
    Params.BureauMode = "1";
    Params.DefaultBType = 1;
    User.SetValue(0, "admin");
    Unit.SetValue(0, "101");
    Unit.SetValue(3, QStringLiteral("市本级"));
    Context.DataYear = 2026;
    Context.DbManager = &Manager;
    Context.CurrentUser = &User;
    Context.SysParams = &Params;
    Context.CurrentUnit = &Unit;
    SetCurrentWorkContext(&Context);
    PlugInInitialize();
    RegisterListWindow();
}

BenchHost::~BenchHost()
{
    delete Main.takeCentralWidget(); // the windows go while their context is there
    SetCurrentWorkContext(nullptr);
    Application = nullptr;
    Screen = nullptr;
}

QObject* BenchHost::Open(const char* className)
{
    ShowPlugInWindowImpl(className, &Host);
    return ResRefManager()->FindObj(QLatin1String(className));
}

double ThreadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}
