// The add-on's hold on the IDE: the one HostServer reference and the small functions through which
// every other part obtains services, text objects and file objects.
//
// Threading: called on the IDE's thread and on a worker search's thread. `hostServer` changes only
// at load and unload, when no worker runs.
#ifndef VANTREL_ADDON_HOST_ACCESS_H_
#define VANTREL_ADDON_HOST_ACCESS_H_

#include "addon/ide.h"

// The IDE's root object; NULL while the add-on is not attached. Holds the reference that came
// with it at load; no further reference is added for keeping it.
extern HostServer* hostServer;
// This module's instance handle, saved at every DllEntryPoint call; owner of the dialog resource.
extern HINSTANCE moduleInstance;
// The path of the last project opened, cut to fit; not cleared when the project closes.
constexpr int kProjectPathSize = 274;
extern char projectPath[kProjectPathSize];

// Stores the server (taking over the caller's reference).
void setHostServer(HostServer* server);
// Releases the server, if held, and forgets it.
void releaseHostServer();
// The referenced service of that id (the interface pointer QueryInterface gave), or NULL (no
// server, or the IDE lacks it). Caller releases.
void* getService(REFIID iid);
// A fresh HostString holding `text`, or NULL. The receiver of the string takes it over.
HostString* makeString(LPCSTR text);
// A fresh HostFile, or NULL. Caller releases.
HostFile* makeFile();

#endif  // VANTREL_ADDON_HOST_ACCESS_H_
