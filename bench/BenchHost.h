#pragma once
// The host a benchmark's plug-in windows live in, as the host application sets it up.

#include "context/untWorkContext.h"
#include "platform/untApplication.h"
#include "plugin/untPlugInHost.h"

#include <QMainWindow>

// The main window with its MDI area (shown, of the given size) and the working context over the
// connection: data year 2026, operator admin of unit 101 (市本级), bureau mode, the plug-in
// initialised and the list window registered. Installed as the current context while it lives.
struct BenchHost {
    BenchHost(const QString& connection, int width, int height);
    ~BenchHost();
    BenchHost(const BenchHost&) = delete;
    BenchHost& operator=(const BenchHost&) = delete;
    // Shows the plug-in window of that class; the window, or null.
    QObject* Open(const char* className);

    TApplication HostApp;
    TScreen HostScreen;
    QMainWindow Main;
    TDbManager Manager;
    TSysParams Params;
    TRecordObject User, Unit;
    TWorkContext Context;
    TPlugInStatus Status{1, nullptr, nullptr, nullptr};
    TPlugInHostRec Host{&Context, &Status, nullptr, &HostApp, &HostScreen};
};

// This thread's own CPU time: on a loaded machine the steadier figure.
double ThreadCpuMs();
