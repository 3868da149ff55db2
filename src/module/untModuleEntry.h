#pragma once
// What each plug-in module does on load and unload, and the body of its one export.

#include "context/untWorkContext.h"
#include "plugin/untPlugInEntry.h"

// Constructor = attach, destructor = detach; the detach puts the library's own application
// and screen objects back before finalisation frees what the library created.
struct TModuleLifetime {
    explicit TModuleLifetime(void (*registerClasses)())
    {
        LibraryExitHandler(1);
        PlugInInitialize();
        registerClasses();
    }
    ~TModuleLifetime()
    {
        LibraryExitHandler(0);
        PlugInFinalize();
    }
};

inline int ShowModuleWindow(const char* name, TPlugInHostRec* host)
{
    if (!host)
        return -1;
    // Every data access of every window reads the context the host handed over last.
    SetCurrentWorkContext(host->WorkContext);
    return ShowPlugInWindowImpl(name, host);
}
