// The message window as the terminal front end keeps it: a sink of the host's message window
// that turns every heading and entry into a row ready to show, as it happens (a worker search
// adds rows while the front end draws).
//
// A heading row shows its text (a file's heading, or a message of the add-on's own); a hit entry
// row shows "LINE:COLUMN: TEXT" under its heading and keeps its file, line and column for the
// editor and the quickfix file; an entry without a file (a file's error) shows its text. Every
// text is escaped for the terminal (host/ide/text_encoding.h): no control character from a file is
// ever drawn. Groups, beeps and message boxes add no row.
// Threading: event() is called under the message window's lock from any thread; the readers
// (size, row, version, quickfix) may be called from any thread; one lock guards the rows.
// Tested by tests/tui_message_list_test.cpp.
#ifndef VANTREL_HOST_TUI_MESSAGE_LIST_H_
#define VANTREL_HOST_TUI_MESSAGE_LIST_H_

#include <mutex>
#include <string>
#include <vector>

#include "host/ide/message_event.h"
#include "host/ide/path_display.h"

namespace tui {

struct Row {
  enum Kind { kHeading, kHit, kNote };
  Kind kind = kHeading;
  std::string shown;  // the row's text as drawn (escaped, UTF-8)
  std::string file;   // kHit: the file as shown (POSIX path unless Windows paths were asked for)
  std::string path;   // kHit: the file's POSIX path as bytes, for the editor
  int line = 0;
  int column = 0;
  std::string quickfix;  // kHit: "FILE:LINE:COLUMN: TEXT"
};

class MessageList final : public host::MessageSink {
 public:
  explicit MessageList(bool windowsPaths = false)
      : windowsPaths_(windowsPaths), paths_(windowsPaths), posixPaths_(false) {}

  void event(const host::MessageEvent& event) override;
  // Adds a line of the front end's own after the rows so far, shown as a heading is.
  void addLine(const std::string& text);

  size_t size() const;
  // A copy of row `index` (an empty heading row when out of range).
  Row row(size_t index) const;
  // Rows [first, first + count) (fewer at the end).
  std::vector<Row> rows(size_t first, size_t count) const;
  // Raised by every added row: a reader redraws when it changed.
  unsigned long version() const;
  size_t hitCount() const;

  // Writes every hit row's quickfix line to `path` (created or replaced). Answers the number of
  // lines written, or -1 with errno set when the file could not be written.
  long writeQuickfix(const std::string& path) const;

 private:
  mutable std::mutex mutex_;
  std::vector<Row> rows_;
  unsigned long version_ = 0;
  size_t hits_ = 0;
  bool windowsPaths_;
  host::PathDisplay paths_;
  host::PathDisplay posixPaths_;
};

}  // namespace tui

#endif  // VANTREL_HOST_TUI_MESSAGE_LIST_H_
