// The host's root object (HostServer): makes strings and files, and answers QueryInterface with
// the services this host has. Each service may be left out, so a host can lack one.
//
// Ownership: a Server is born with one reference; it holds one reference to each service it was
// given and releases them at its last Release. A service answered by QueryInterface carries a
// new reference for the caller.
// Threading: every operation may be called from any thread.
// Tested by tests/host/ide/host_services_test.cpp.
#ifndef VANTREL_HOST_HOST_SERVER_H_
#define VANTREL_HOST_HOST_SERVER_H_

#include "addon/scan_notes.h"
#include "addon/search_threads.h"
#include "host/ide/ref_counted.h"

namespace host {

struct ServiceSet {
  MessageWindowService* messageWindow = nullptr;
  StatusLineService* statusLine = nullptr;
  ProjectService* project = nullptr;
  ToolRegistry* tools = nullptr;
  SearchThreadsService* searchThreads = nullptr;  // our hosts' own; the real IDE has none
  ScanNotesService* scanNotes = nullptr;          // our hosts' own too
};

class Server final : public RefCounted<HostServer> {
 public:
  // Takes a reference to each service given (NULL ones are absent).
  explicit Server(const ServiceSet& services);
  ~Server() override;

  // IID_IUnknown answers the server; a service's id answers the service, when present.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  // A new empty string, or NULL on exhaustion.
  HostString* STDMETHODCALLTYPE createString() override;
  // A new file object, or NULL on exhaustion.
  HostFile* STDMETHODCALLTYPE createFile() override;

 private:
  ServiceSet services_;
};

}  // namespace host

#endif  // VANTREL_HOST_HOST_SERVER_H_
