// Context lines around the add-on's hits: a stage before an output sink (text or JSON) that
// passes every event on and adds, around each hit, up to `before` lines before it and `after`
// lines after it, read from the hit's file (host/ide/file_lines.h), as Context events.
//
// Runs of lines that overlap or touch merge: a line is shown once, a hit line as its hit, never
// as context. Between runs that do not touch, in a file and from one file to the next, goes a
// Break event (text shows "--"; the break between files stands before the next file's heading).
// A file's last run ends when its group ends: at the next group or heading, or at the flush
// after the search. The add-on's own events pass unchanged and in order.
// Ownership: owns the next sink (and its own thread, when it has one).
// Threading: called under the message window's lock, on the searching thread. Made with a thread
// of its own (host/ide/sink_thread.h), from the first hit on it only hands the events over there,
// with a copy of the open file of each file with hits (File::shareOpen), and the file is read,
// the lines found and every event passed on on that thread; `writesFor` is then not answered (a
// terminal, which asks it, gets the lines as they come). Before the first hit, or without a
// thread, it reads the hit's file on the searching thread, once per file with hits.
// Tested by tests/host/cli/command_e2e_test.cpp and tests/host/ide/host_file_test.cpp.
#ifndef VANTREL_HOST_CONTEXT_SINK_H_
#define VANTREL_HOST_CONTEXT_SINK_H_

#include <functional>
#include <memory>

#include "host/ide/file_lines.h"
#include "host/ide/message_event.h"
#include "host/ide/sink_thread.h"

namespace host {

class ContextSink final : public MessageSink {
 public:
  ContextSink(std::shared_ptr<MessageSink> next, int before, int after)
      : next_(std::move(next)), before_(before), after_(after) {}
  // On a thread of its own; `written` runs there after each event was passed on (the command
  // looks at its stream there).
  ContextSink(std::shared_ptr<MessageSink> next, int before, int after,
              std::function<void()> written);
  void event(const MessageEvent& event) override;
  bool writesFor(const MessageEvent& event) const override;
  void flush() override;

 private:
  void startThread();
  // Passes `event` on with the context it calls for, reading its file through `lent` if given.
  void handle(const MessageEvent& event, File* lent);
  // Shows the file's lines from `from` up to `to` (both included) that exist.
  void showLines(long from, long to);
  // Shows what is due after the last hit, up to line `limit` at most.
  void endRun(long limit);
  void breakRuns();

  std::shared_ptr<MessageSink> next_;
  long before_;
  long after_;
  FileLines lines_;
  bool readable_ = false;
  int group_ = 0;          // the group of the file whose hits came last (0 none)
  long lastShown_ = 0;     // the last line of that file shown, hit or context (0 none yet)
  long afterUntil_ = 0;    // the last line the last hit's context reaches
  bool runShown_ = false;  // a run was shown since the last break
  MessageEvent line_;      // the Context event, reused
  std::function<void()> written_;
  bool ownThread_ = false;  // made for a thread of its own (started at the first hit)
  int lentGroup_ = 0;  // `group_` as the searching thread sees it, to lend a file when it changes
  std::unique_ptr<SinkThread> thread_;  // last: stopped before the state it uses goes
};

}  // namespace host

#endif  // VANTREL_HOST_CONTEXT_SINK_H_
