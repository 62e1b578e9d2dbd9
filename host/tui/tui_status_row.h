// The bottom row of the terminal: the host's status window as the add-on drew it (its cells'
// characters in their colours: the progress bar), or between searches the keys of the front end
// and its last note ("1Wrote 2 entries to vantrel.qf").
//
// Threading: the thread that owns the curses screen. Tested by tests/tui_app_test.cpp.
#ifndef VANTREL_HOST_TUI_STATUS_ROW_H_
#define VANTREL_HOST_TUI_STATUS_ROW_H_

#include <string>

#include "host/tui/tui_palette.h"
#include "win32/include/windef.h"

namespace tui {

// The keys shown between searches, while a worker search runs, while a dialog is open and while
// a message box is.
extern const char kKeysHint[];  // a hit selected; on a file's heading, on the files not searched:
extern const char kHeadingKeysHint[];
extern const char kNoticesKeysHint[];
extern const char kWorkerKeysHint[];
extern const char kDialogKeysHint[];
extern const char kBoxKeysHint[];

// Paints the status window as the host's, before a search draws into it: light grey, with the
// stop key in the cells at its right that the progress bar leaves to the host, so nothing of an
// earlier search stays there.
void paintStatusWindow(HWND window);

// Draws the status window's surface in screen row `row`.
void drawStatusWindow(HWND window, int row, Palette& palette);

// Draws the keys between searches and `note` in screen row `row`; with `between` false, `note`
// alone (the dialog's keys).
void drawKeys(int row, const std::string& note, Palette& palette, bool between = true,
              const char* keys = kKeysHint);

}  // namespace tui

#endif  // VANTREL_HOST_TUI_STATUS_ROW_H_
