// The bottom row of the terminal: the host's status window as the add-on drew it (its cells'
// characters in their colours: the progress bar), or between searches the keys of the front end
// (host/tui/tui_key_bindings.h) after its last note ("Wrote 2 hits: vim -q ...").
//
// Threading: the thread that owns the curses screen. Tested by tests/host/tui/tui_app_test.cpp.
#ifndef VANTREL_HOST_TUI_STATUS_ROW_H_
#define VANTREL_HOST_TUI_STATUS_ROW_H_

#include <string>

#include "host/tui/tui_palette.h"
#include "win32/include/windef.h"

namespace tui {

// Paints the status window as the host's, before a search draws into it: light grey, with the
// stop key in the cells at its right that the progress bar leaves to the host, so nothing of an
// earlier search stays there.
void paintStatusWindow(HWND window);

// Draws the status window's surface in screen row `row`.
void drawStatusWindow(HWND window, int row, Palette& palette);

// Draws `note` and then `keys` (the keys between searches) in screen row `row`; with `between`
// false, `note` alone (the dialog's keys).
void drawKeys(int row, const std::string& note, Palette& palette, bool between = true,
              const std::string& keys = std::string());

}  // namespace tui

#endif  // VANTREL_HOST_TUI_STATUS_ROW_H_
