// The assembled host (see host/ide/host.h).
// Tested by tests/host/ide/host_services_test.cpp.
#include "host/ide/host.h"

namespace host {

Host::Host(const HostConfig& config) {
  if (config.messageWindow) messageWindow_ = new MessageWindow();
  if (config.statusLine) statusLine_ = new StatusLine(config.statusColumns, config.statusRow);
  if (config.project) project_ = new Project();
  if (config.tools) tools_ = new ToolList();
  if (config.searchThreads > 0) searchThreads_ = new SearchThreads(config.searchThreads);
  if (messageWindow_) scanNotes_ = new ScanNotes(messageWindow_);
  server_ = new Server(
      ServiceSet{messageWindow_, statusLine_, project_, tools_, searchThreads_, scanNotes_});
}

Host::~Host() {
  release(server_);
  release(messageWindow_);
  release(statusLine_);
  release(project_);
  release(tools_);
  release(searchThreads_);
  release(scanNotes_);
}

std::shared_ptr<RecordingSink> Host::record() {
  auto sink = std::make_shared<RecordingSink>();
  messageWindow_->addSink(sink);
  return sink;
}

}  // namespace host
