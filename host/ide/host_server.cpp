// The host's root object (see host/ide/host_server.h).
// Tested by tests/host/ide/host_services_test.cpp.
#include "host/ide/host_server.h"

#include "host/ide/host_file.h"
#include "host/ide/host_string.h"

namespace host {

namespace {
template <class T>
T* referenced(T* service) {
  if (service) service->AddRef();
  return service;
}

template <class T>
HRESULT answer(T* service, void** out) {
  if (!service) return E_NOINTERFACE;
  service->AddRef();
  *out = service;
  return S_OK;
}
}  // namespace

Server::Server(const ServiceSet& services)
    : services_{referenced(services.messageWindow), referenced(services.statusLine),
                referenced(services.project),       referenced(services.tools),
                referenced(services.searchThreads), referenced(services.scanNotes)} {}

Server::~Server() {
  release(services_.messageWindow);
  release(services_.statusLine);
  release(services_.project);
  release(services_.tools);
  release(services_.searchThreads);
  release(services_.scanNotes);
}

HRESULT Server::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (IsEqualIID(iid, IID_MessageWindowService)) return answer(services_.messageWindow, out);
  if (IsEqualIID(iid, IID_StatusLineService)) return answer(services_.statusLine, out);
  if (IsEqualIID(iid, IID_ProjectService)) return answer(services_.project, out);
  if (IsEqualIID(iid, IID_ToolRegistry)) return answer(services_.tools, out);
  if (IsEqualIID(iid, IID_SearchThreadsService)) return answer(services_.searchThreads, out);
  if (IsEqualIID(iid, IID_ScanNotesService)) return answer(services_.scanNotes, out);
  return RefCounted::QueryInterface(iid, out);
}

// Both come from the objects this thread released last (host/ide/object_pool.h).
HostString* Server::createString() { return StringPool::take(); }

HostFile* Server::createFile() { return FilePool::take(); }

}  // namespace host
