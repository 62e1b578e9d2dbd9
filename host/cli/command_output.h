// The command's output, chosen once for both commands (POSIX and Windows): the sink that shows
// the message window in the format the command line asks for, and the outcome sink after it that
// decides the exit status.
//
// Ownership: the stream and the failure flag are the caller's and outlive the sinks.
// Threading: made on the IDE's thread before the search; the sinks are then called under the
// message window's lock. Context lines off a terminal are made and written on a thread of their
// own (host/ide/context_sink.h); the message window's flush waits for it.
// Tested by tests/host/cli/command_e2e_test.cpp (every format through the real command).
#ifndef VANTREL_HOST_COMMAND_OUTPUT_H_
#define VANTREL_HOST_COMMAND_OUTPUT_H_

#include <atomic>
#include <memory>
#include <ostream>

#include "host/cli/command_args.h"
#include "host/cli/command_outcome.h"
#include "host/ide/message_window.h"
#include "host/ide/scope_filter.h"
#include "host/ide/sink_options.h"

namespace vantrel {

struct CommandOutput {
  std::shared_ptr<host::MessageSink> shown;
  std::shared_ptr<OutcomeSink> outcome;
  // With --scope: before both, so the exit status too counts only the hit lines kept.
  std::shared_ptr<host::ScopeFilter> scope;

  // Adds the shown sink, then the outcome sink, to `window` (behind the scope filter, if any).
  void attachTo(host::MessageWindow& window) const {
    if (scope) return window.addSink(scope);
    window.addSink(shown);
    window.addSink(outcome);
  }
  // Tells the scope filter (if any) the search the dialog confirmed.
  void setSearch(const std::string& text, int options) const {
    if (scope) scope->setSearch(text, options);
  }
  // The command's own line about what --scope left out, or "" (none given, nothing to tell).
  std::string scopeReport() const;
};

// The sink that shows the message window on `out` in `format`, with `before` and `after` lines
// of context around each hit (text and json). Given `outputFailed`, context is made and written
// on a thread of the sink's own, which sets the flag when `out` fails, and `onItsOwnThread` (if
// given) is set.
std::shared_ptr<host::MessageSink> makeOutputSink(OutputFormat format, std::ostream& out,
                                                  const host::SinkOptions& options, int before = 0,
                                                  int after = 0,
                                                  std::atomic<bool>* outputFailed = nullptr,
                                                  bool* onItsOwnThread = nullptr);

// The output for `line` on `out`; `flushEachLine` for a terminal. A failed stream sets
// `outputFailed`.
CommandOutput makeCommandOutput(const CommandLine& line, std::ostream& out, bool flushEachLine,
                                std::atomic<bool>& outputFailed);

}  // namespace vantrel

#endif  // VANTREL_HOST_COMMAND_OUTPUT_H_
