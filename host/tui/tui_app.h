// The full-screen terminal front end: the IDE around the add-on when vantrel runs on a terminal
// without a text to find. The message window fills the screen above the status row; the tool
// runs at start and again on F2, its dialog and message boxes appearing as boxes over the
// window; a blocking search shows its progress bar in the bottom row and stops on Esc.
//
// Keys between searches: F2 runs the tool; the arrows, Page keys, Home and End move the
// selection; Enter on a hit opens its file at its line in $VISUAL/$EDITOR (vi); w writes the hits
// to the quickfix file (vantrel.qf in the current directory, FILE:LINE:COLUMN: TEXT); q, F10 or
// Ctrl-C quits, once a worker search has ended (F2 meanwhile asks whether to stop it). The mouse:
// the wheel scrolls the window, a click selects a row, a click on the selected row opens it.
//
// Ownership: the caller keeps the host (with its message window and status line) and the add-on
// loaded for the whole call. Threading: the calling thread is the IDE's thread; it must be the
// one that runs the tool.
// Tested by tests/tui_app_test.cpp.
#ifndef VANTREL_HOST_TUI_APP_H_
#define VANTREL_HOST_TUI_APP_H_

#include <functional>
#include <string>

#include "host/ide/host.h"

namespace tui {

struct FrontEnd {
  // Runs the tool once, as the IDE's menu does: the dialog (or the stop question), then a
  // blocking search, if any, before it returns. False when there is no tool to run.
  std::function<bool()> runTool;
  // Whether a worker search still runs (the front end waits for it before it ends); may be empty.
  std::function<bool()> searchRunning;
  // Called with the first dialog the tool opens, before the user gets it (to enter what the
  // command line gave); may be empty.
  std::function<void(HWND dialog)> prepareFirstDialog;
  bool windowsPaths = false;
  std::string quickfixFile = "vantrel.qf";
};

// Runs the front end on the controlling terminal until the user quits. Answers 0 when a hit was
// listed, 1 when none, or -1 when standard input and output are not a usable terminal (nothing
// was done).
int runTerminalFrontEnd(host::Host& host, const FrontEnd& frontEnd);

}  // namespace tui

#endif  // VANTREL_HOST_TUI_APP_H_
