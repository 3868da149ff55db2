#pragma once
// The host records, the entry's handshake with the host, library load and unload.

#include "platform/untInterface.h"

#include <QtGlobal>

class TApplication;
class TScreen;
class TResRefManager;
struct TWorkContext;

// The host's status record; the three texts are reset at every call.
struct TPlugInStatus {
    qint32 HostTag;
    const char* Text1;
    const char* Text2;
    const char* Text3;
};

// The host's notifier; PlugInReleased is the fourth operation of its table.
class IPlugInNotifier : public IInterface
{
public:
    virtual void PlugInReleased(qint32 tag) = 0;

protected:
    ~IPlugInNotifier() = default;
};

// What the host hands to ShowPlugInWindow (field order is part of the host interface).
struct TPlugInHostRec {
    TWorkContext* WorkContext;
    TPlugInStatus* HostStatus;
    IPlugInNotifier* HostNotifier;
    TApplication* HostApplication;
    TScreen* HostScreen;
};

using ShowPlugInWindowProc = int (*)(const char* name, TPlugInHostRec* host);

// The body of the exported ShowPlugInWindow (the module keeps the working context first).
int ShowPlugInWindowImpl(const char* name, TPlugInHostRec* host);

// Library load/unload: reason 1 saves the library's own application and screen objects
// (creating them on first load), reason 0 puts them back; other reasons are ignored.
void LibraryExitHandler(int reason);
// Library initialisation and finalisation: the one reference manager.
void PlugInInitialize();
void PlugInFinalize();

TResRefManager* ResRefManager();
// The one empty text the status texts are reset to.
const char* PlugInEmptyText();

// The request for a sibling plug-in's window, handed to the host's exported ShowAWindow.
struct TMitmInfo {
    const char* LibraryName;
    const char* ClassName;
    bool Flag1;
    bool Flag2;
};

using ShowAWindowProc = void (*)(TMitmInfo* info);
