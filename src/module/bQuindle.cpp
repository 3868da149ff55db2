// The plug-in module: the only export, and the library's load/unload handler.
#include "listwindow/bwnQuindle.h"
#include "context/untWorkContext.h"
#include "plugin/untPlugInEntry.h"

#include <QtGlobal>

namespace
{
// Constructor = attach, destructor = detach; the detach puts the library's own application
// and screen objects back before finalisation frees what the library created.
struct LibraryLifetime {
    LibraryLifetime()
    {
        LibraryExitHandler(1);
        PlugInInitialize();
        RegisterListWindow();
    }
    ~LibraryLifetime()
    {
        LibraryExitHandler(0);
        PlugInFinalize();
    }
};
const LibraryLifetime g_lifetime;
} // namespace

extern "C" Q_DECL_EXPORT int ShowPlugInWindow(const char* name, TPlugInHostRec* host)
{
    if (!host)
        return -1;
    // Every data access of every window reads the context the host handed over last.
    SetCurrentWorkContext(host->WorkContext);
    return ShowPlugInWindowImpl(name, host);
}
