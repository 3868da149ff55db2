#pragma once
// What a host and a plug-in library agree on: the records handed across and the two exported
// entry points' signatures. A host needs this header and nothing else of the plug-in.

#include "platform/untInterface.h"

#include <QtGlobal>

class TApplication;
class TScreen;
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

// The request for a sibling plug-in's window, handed to the host's exported ShowAWindow.
struct TMitmInfo {
    const char* LibraryName;
    const char* ClassName;
    bool Flag1;
    bool Flag2;
};

using ShowAWindowProc = void (*)(TMitmInfo* info);
