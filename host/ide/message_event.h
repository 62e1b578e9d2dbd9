// What the message window reports: one event for every call the add-on makes on it, and for
// every beep and message box, and the sink interface through which they reach an output.
//
// Texts are the add-on's bytes as it passed them (sinks decide how to show them).
// Threading: the message window calls a sink under its own lock, one event at a time, in the
// order the calls were made; a sink needs no lock for its output.
#ifndef VANTREL_HOST_MESSAGE_EVENT_H_
#define VANTREL_HOST_MESSAGE_EVENT_H_

#include <optional>
#include <string>

#include "addon/platform.h"

namespace host {

struct MessageEvent {
  // Context and Break are the host's own, made around the add-on's hits when context lines are
  // asked for (host/ide/context_sink.h): a line of the hit's file, and the end of a run of lines
  // that does not touch the next.
  enum class Kind { Group, Heading, Entry, Beep, MessageBox, Context, Break };
  Kind kind = Kind::Group;
  int group = 0;     // Group, Heading, Entry, Context: the group's id (1, 2, ... in opening order)
  int handle = 0;    // Heading: its handle; Entry: the parent handle the add-on passed
  std::string text;  // Group: the title; Heading, Entry, MessageBox, Context: the text
  std::string tool;  // Group: the tool name
  std::optional<std::string> file;  // Heading, Entry, Context: the file, or none
  int line = 0;                     // Entry, Context
  int column = 0;                   // Entry
  int entryKind = 0;                // Entry: the kind the add-on passed (5)
  UINT type = 0;                    // Beep, MessageBox: the type
  std::string caption;              // MessageBox
  int answer = 0;                   // MessageBox: the button the box answered

  bool operator==(const MessageEvent&) const = default;
};

// An output of the message window (a terminal, a pipe, a recording).
class MessageSink {
 public:
  virtual ~MessageSink() = default;
  virtual void event(const MessageEvent& event) = 0;
  // Whether event() writes output for `event`; asked just before it is called, so a terminal's
  // status line can be cleared first and the output stand alone.
  virtual bool writesFor(const MessageEvent& event) const {
    (void)event;
    return false;
  }
  // Writes out what is buffered.
  virtual void flush() {}
  // The add-on's scan saw a match in `file` that a NUL byte before it in its line hid
  // (addon/scan_notes.h); told in order with the events, before the search's summary.
  virtual void hitsHiddenByNul(const std::string& file) { (void)file; }
};

}  // namespace host

#endif  // VANTREL_HOST_MESSAGE_EVENT_H_
