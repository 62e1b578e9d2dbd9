// The module's outer shell: the exported entry points through which the platform and the IDE load
// and unload the add-on, and the module globals that hold what the add-on keeps between calls.
//
// Load: DllEntryPoint(attach) initialises OLE; BcwAddOnEntry(server) keeps the server, obtains the
// ProjectService and registers the add-on's ProjectClient there. Unload: BcwAddOnEntry(NULL)
// stops and waits for a worker search, unregisters and releases the client, releases the service
// and the server; DllEntryPoint(detach) uninitialises OLE and never waits for a thread (the
// loader lock is held there).
//
// Ownership: `projectService` and `projectClient` each hold one reference owned by the module.
// Threading: the IDE's thread only. Tested by tests/addon/lifetime_test.cpp.
#ifndef VANTREL_ADDON_ENTRY_H_
#define VANTREL_ADDON_ENTRY_H_

#include "addon/ide.h"

class ProjectClient;

// Set when OleInitialize succeeded at process attach.
extern BOOL oleInitialized;
// The IDE's project service, from load to unload; NULL when the IDE offers none.
extern ProjectService* projectService;
// The add-on's own reference to its client; NULL when none was registered.
extern ProjectClient* projectClient;

// Load with the IDE's root object: takes over the server's reference and registers the client.
void attachToHost(HostServer* server);
// Unload: unregisters and releases the client and the project service. The server is released
// by the caller afterwards (releaseHostServer).
void detachFromHost();

// Called by the platform at process and thread attach and detach. Answers 1, or 0 to refuse the
// load when OLE cannot be initialised.
VANTREL_EXPORT BOOL WINAPI DllEntryPoint(HINSTANCE instance, DWORD reason, LPVOID reserved);
// Called by the IDE with its root object at load and with NULL at unload.
VANTREL_EXPORT void WINAPI BcwAddOnEntry(HostServer* server);

#endif  // VANTREL_ADDON_ENTRY_H_
