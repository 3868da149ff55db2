#pragma once
// The plug-in's side of the handshake: the exported entry's body, library load and unload.

#include "plugin/untPlugInHost.h"

class TResRefManager;

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
