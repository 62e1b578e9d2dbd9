// The module's entry points and its load and unload sequences (see addon/entry.h). Tested by
// tests/addon/lifetime_test.cpp.
#include "addon/entry.h"

#include <new>

#include "addon/host_access.h"
#include "addon/project_client.h"
#include "addon/vantrel_tool.h"

BOOL oleInitialized;
ProjectService* projectService;
ProjectClient* projectClient;

void attachToHost(HostServer* server) {
  setHostServer(server);
  if (!projectService) {
    projectService = static_cast<ProjectService*>(getService(IID_ProjectService));
    if (!projectService) return;  // stays loaded and inactive: no client, no tool
  }
  if (projectClient) return;  // a second load call without an unload keeps the one client
  ProjectClient* client = new (std::nothrow) ProjectClient();
  if (!client) return;
  projectClient = client;
  client->AddRef();  // the IDE's reference
  projectService->registerClient(client);
}

void detachFromHost() {
  // A worker search still uses the job, the server and the services: stop it first.
  stopWorkerSearch();
  if (!projectService) return;
  if (projectClient) {
    projectClient->AddRef();  // the IDE takes this one
    projectService->unregisterClient(projectClient);
    projectClient->Release();
    projectClient = nullptr;
  }
  projectService->Release();
  projectService = nullptr;
}

VANTREL_EXPORT BOOL WINAPI DllEntryPoint(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)reserved;
  moduleInstance = instance;
  if (reason == DLL_PROCESS_ATTACH) {
    if (OleInitialize(nullptr) < 0) return 0;
    oleInitialized = TRUE;
  } else if (reason == DLL_PROCESS_DETACH) {
    // BcwAddOnEntry(NULL) has stopped and waited for any worker. Should the IDE unload without
    // it, the worker is only told to stop: the loader lock is held here, and a thread cannot end
    // without it, so waiting would hang the process.
    requestWorkerStop();
    if (oleInitialized) {
      OleUninitialize();
      oleInitialized = FALSE;
    }
  }
  return 1;
}

VANTREL_EXPORT void WINAPI BcwAddOnEntry(HostServer* server) {
  if (server) {
    attachToHost(server);
    return;
  }
  detachFromHost();
  releaseHostServer();
}
