// The host assembled: its root server and whichever services it is built with, for the command
// and for tests (which build hosts lacking a service).
//
// Ownership: the Host holds one reference to the server and one to each service, released by its
// destructor; objects the add-on still holds live on until the add-on releases them. Accessors
// lend pointers without a reference; serverReference() gives one for the add-on to take over.
// Threading: build and destroy on one thread; the services themselves are thread-safe.
// Tested by tests/host/ide/host_services_test.cpp.
#ifndef VANTREL_HOST_HOST_H_
#define VANTREL_HOST_HOST_H_

#include <memory>

#include "host/ide/host_server.h"
#include "host/ide/message_window.h"
#include "host/ide/project.h"
#include "host/ide/recording_sink.h"
#include "host/ide/scan_notes.h"
#include "host/ide/search_threads.h"
#include "host/ide/status_line.h"
#include "host/ide/tool_list.h"

namespace host {

struct HostConfig {
  bool messageWindow = true;
  bool statusLine = true;
  int statusColumns = 80;  // the status window's width in cells
  int statusRow = 24;      // its row on the screen
  bool project = true;
  bool tools = true;
  // Threads the add-on's search may read files on (host/ide/search_threads.h); 0 leaves the
  // service out, as the real IDE does.
  int searchThreads = 0;
};

class Host {
 public:
  explicit Host(const HostConfig& config = HostConfig());
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  HostServer* server() const { return server_; }
  // The server with a new reference, as BcwAddOnEntry takes it.
  HostServer* serverReference() const {
    server_->AddRef();
    return server_;
  }
  // NULL for a service the host was built without.
  MessageWindow* messageWindow() const { return messageWindow_; }
  StatusLine* statusLine() const { return statusLine_; }
  Project* project() const { return project_; }
  ToolList* tools() const { return tools_; }

  // Adds a recording sink to the message window (which must exist) and answers it.
  std::shared_ptr<RecordingSink> record();

 private:
  Server* server_ = nullptr;
  MessageWindow* messageWindow_ = nullptr;
  StatusLine* statusLine_ = nullptr;
  Project* project_ = nullptr;
  ToolList* tools_ = nullptr;
  SearchThreads* searchThreads_ = nullptr;
  ScanNotes* scanNotes_ = nullptr;
};

}  // namespace host

#endif  // VANTREL_HOST_HOST_H_
