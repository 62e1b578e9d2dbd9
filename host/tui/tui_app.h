// The full-screen terminal front end: the IDE around the add-on when vantrel runs on a terminal
// without a text to find. The message window fills the screen above the status row; the tool
// runs at start and again on F2, its dialog and message boxes appearing as boxes over the
// window; a blocking search shows its progress bar in the bottom row and stops on Esc.
//
// Every search confirmed in the dialog gets a result page of its own, shown at once (the message
// window's rows are filed into pages by host/tui/tui_message_list.h). A refused pattern's line is
// shown in a message box over the dialog, reopened with what was typed.
//
// Between searches each key does the action it is bound to in host/tui/tui_key_bindings.h's table
// (kBindings): the one list of the window's keys and mouse actions, which the status row's hints
// are made from and docs/tui.md's key table is held to. Quitting waits for a worker search to end;
// a page's header names the listing rules its search ran under, and a search confirmed from a page
// keeps the scope that page shows.
//
// Ownership: the caller keeps the host (with its message window and status line) and the add-on
// loaded for the whole call. Threading: the calling thread is the IDE's thread; it must be the
// one that runs the tool.
// The front end's state and its parts are host/tui/tui_app_state.h.
// Tested by tests/host/tui/tui_app_test.cpp and tests/host/tui/tui_program_test.cpp.
#ifndef VANTREL_HOST_TUI_APP_H_
#define VANTREL_HOST_TUI_APP_H_

#include <functional>
#include <string>

#include "host/ide/host.h"
#include "host/tui/tui_search_request.h"
#include "win32/include/windef.h"

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
  // What a dialog ended with OK holds, for the page's header; may be empty (no header then).
  std::function<SearchRequest(HWND dialog)> readRequest;
  // Enters a request into a dialog as a user would, the text field focused; may be empty.
  std::function<void(HWND dialog, const SearchRequest& request)> enterRequest;
  // A note for the dialog's current fields and the control it goes under; may be empty.
  std::function<std::string(HWND dialog, int* controlId)> dialogNote;
  // The listing rules in force, in words, for the header of a page confirmed now; may be empty.
  std::function<std::string()> describeRules;
  // Turns ignore files off (on again) for the searches from the next on, never while one runs;
  // answers whether they are now on. May be empty (the key does nothing).
  std::function<bool()> toggleIgnoreFiles;
  // Follows linked folders from the next search, or stops following them; whether it now does.
  std::function<bool()> toggleFollowLinks;
  bool windowsPaths = false;
  // The scopes the first page shows (--scope; host::ScopeBits, 0: every hit).
  unsigned scopes = 0;
  // Where quickfix files and the recent searches go; empty: $XDG_STATE_HOME/vantrel, else
  // ~/.local/state/vantrel. Writing a quickfix file removes those ("search-*.qf") more than a week
  // old.
  std::string stateDirectory;
};

// Runs the front end on the controlling terminal until the user quits. Answers 0 when a hit was
// listed, 1 when none, or -1 when standard input and output are not a usable terminal (nothing
// was done).
int runTerminalFrontEnd(host::Host& host, const FrontEnd& frontEnd);

}  // namespace tui

#endif  // VANTREL_HOST_TUI_APP_H_
