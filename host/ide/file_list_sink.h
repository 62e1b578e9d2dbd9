// The message window as a list of the files with hits (the command's -l and -c).
//
// Files: each file with a hit, once, when its first hit comes, in the add-on's order.
// Counts: "FILE:COUNT" for each file with hits, written once its group has ended (at the next
// group or heading, or at the flush after the search).
// Nothing else prints: no headings, no files not searched, no summary. Paths are shown as the
// text format shows them, control characters escaped.
// Ownership: the stream is the caller's and must outlive the sink.
// Threading: called under the message window's lock.
// Tested by tests/host/cli/command_e2e_test.cpp.
#ifndef VANTREL_HOST_FILE_LIST_SINK_H_
#define VANTREL_HOST_FILE_LIST_SINK_H_

#include <ostream>
#include <string>

#include "host/ide/message_event.h"
#include "host/ide/path_display.h"
#include "host/ide/sink_options.h"

namespace host {

class FileListSink final : public MessageSink {
 public:
  enum class Form { kFiles, kCounts };
  FileListSink(std::ostream& out, SinkOptions options, Form form)
      : out_(out), options_(options), form_(form), paths_(options.windowsPaths) {}
  void event(const MessageEvent& event) override;
  bool writesFor(const MessageEvent& event) const override;
  void flush() override;

 private:
  bool newFile(const MessageEvent& event) const {
    return event.kind == MessageEvent::Kind::Entry && event.file && event.group != group_;
  }
  // Writes the count of the file whose group ended.
  void endFile();

  std::ostream& out_;
  SinkOptions options_;
  Form form_;
  PathDisplay paths_;
  int group_ = 0;  // the group of the file with hits last seen (0 none)
  std::string file_;
  long hits_ = 0;  // its hits not yet written (counts)
  std::string line_;
};

}  // namespace host

#endif  // VANTREL_HOST_FILE_LIST_SINK_H_
