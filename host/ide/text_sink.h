// The message window as plain lines (the command's text and vimgrep formats).
//
// Text: a hit entry (one that names a file) is "FILE:LINE:COLUMN: TEXT", the form editors'
// quickfix lists read; a heading, and so a free-standing message, is its text, except that a
// file's heading shows its file as the entries show theirs (POSIX unless Windows paths are asked
// for); an entry that names no file (a file's error) is its text indented by two spaces. A context
// line around a hit is "FILE-LINE-TEXT", a tab in it a space as in hit lines, and "--" stands
// between runs of lines that do not touch.
// Groups, beeps and message boxes print nothing, so a file without hits leaves no line.
// Vimgrep: hit entries only, as "FILE:LINE:COLUMN:TEXT"; nothing else prints.
// Texts and paths are written as UTF-8 with every other control character escaped
// (host/ide/text_encoding.h): nothing from a file reaches a terminal raw.
// Ownership: the stream is the caller's and must outlive the sink.
// Threading: called under the message window's lock.
// Tested by tests/host/ide/host_message_window_test.cpp and tests/host/cli/command_e2e_test.cpp.
#ifndef VANTREL_HOST_TEXT_SINK_H_
#define VANTREL_HOST_TEXT_SINK_H_

#include <ostream>

#include "host/ide/message_event.h"
#include "host/ide/path_display.h"
#include "host/ide/sink_options.h"

namespace host {

class TextSink final : public MessageSink {
 public:
  enum class Form { kLines, kVimgrep };
  TextSink(std::ostream& out, SinkOptions options, Form form = Form::kLines)
      : out_(out), options_(options), form_(form), paths_(options.windowsPaths) {}
  void event(const MessageEvent& event) override;
  bool writesFor(const MessageEvent& event) const override;
  void flush() override { out_.flush(); }

 private:
  // Appends `file` as shown; a file's lines come one after another, so it is escaped once.
  void appendFile(const std::string& file);

  std::ostream& out_;
  SinkOptions options_;
  Form form_;
  PathDisplay paths_;
  std::string line_;
  bool pathKnown_ = false;
  std::string lastFile_;   // the last line's file as the add-on gave it
  std::string shownFile_;  // and as shown
  std::string untabbed_;   // a context line with its tabs as spaces
};

}  // namespace host

#endif  // VANTREL_HOST_TEXT_SINK_H_
