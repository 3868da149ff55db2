// The indicator list plug-in: the only export, and the library's load/unload handler.
#include "listwindow/bwnQuindle.h"
#include "module/untModuleEntry.h"

namespace
{
const TModuleLifetime g_lifetime(RegisterListWindow);
} // namespace

extern "C" Q_DECL_EXPORT int ShowPlugInWindow(const char* name, TPlugInHostRec* host)
{
    return ShowModuleWindow(name, host);
}
