// The status window on a terminal for a run given its text: the progress bar a blocking search
// draws is shown, in its colours, on the terminal's current last line, and cleared again before
// every line of output and at the end, so output lines scroll above it.
//
// Redraws are at most every 50 ms: a search redraws the bar before every file.
// Ownership: the caller keeps the stream and the window alive while the renderer is used.
// Threading: surfaceChanged on the thread that draws (a blocking search's, the IDE's); the sink
// side on the thread writing to the message window, under its lock. Both are the same thread
// whenever a bar is shown; the shown flag is atomic for the worker's events.
// Tested by tests/host/cli/command_status_test.cpp.
#ifndef VANTREL_HOST_COMMAND_STATUS_H_
#define VANTREL_HOST_COMMAND_STATUS_H_

#include <atomic>
#include <chrono>
#include <ostream>
#include <string>

#include "host/ide/message_event.h"
#include "win32/user32/window.h"

namespace vantrel {

// The text that shows `surface`'s first row on a terminal line: carriage return, each cell with
// its colours as 24-bit escapes, at most `columns` cells, control characters as blanks, then the
// colours reset. No newline.
std::string statusLineText(const vwin::Surface& surface, int columns);

class TerminalStatus final : public host::MessageSink {
 public:
  // `output` is the sink that writes the results on `out`; it tells which events write a line.
  TerminalStatus(std::ostream& out, HWND window, int columns, const host::MessageSink& output)
      : out_(out), window_(window), columns_(columns), output_(output) {}

  // The window's surface changed: draws it, unless it was drawn less than 50 ms ago.
  void surfaceChanged(HWND window);
  // A message window event: clears the bar first when the output writes for it, so its line
  // stands alone. Comes before the output among the window's sinks.
  void event(const host::MessageEvent& event) override;
  // Clears the bar, if shown.
  void clear();

 private:
  std::ostream& out_;
  HWND window_;
  int columns_;
  const host::MessageSink& output_;
  std::atomic<bool> shown_{false};
  std::chrono::steady_clock::time_point lastDraw_{};
};

}  // namespace vantrel

#endif  // VANTREL_HOST_COMMAND_STATUS_H_
