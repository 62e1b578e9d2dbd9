// A message box on the terminal: the caption, the text (its lines as the caller broke them) and
// the buttons of its type (OK, OK/Cancel, Yes/No, Yes/No/Cancel, Retry/Cancel,
// Abort/Retry/Ignore) in a box centred over the screen.
//
// Left, Right, Tab and Shift-Tab move between the buttons, Enter or Space presses the one
// chosen, a button's underlined letter presses it; Esc answers Cancel where there is one (OK in a
// box with only OK) and does nothing otherwise, as on Windows. A click on a button presses it.
// The first button starts chosen.
// Threading: the thread that owns the curses screen. Tested by tests/host/tui/tui_app_test.cpp.
#ifndef VANTREL_HOST_TUI_MESSAGE_BOX_H_
#define VANTREL_HOST_TUI_MESSAGE_BOX_H_

#include <functional>
#include <string>

#include "host/tui/tui_palette.h"
#include "win32/include/windef.h"

namespace tui {

// The status row's keys while a box is open.
inline constexpr char kBoxKeysHint[] = " Left/Right Choose  Enter Press  or the button's letter";

// Shows the box and answers the id of the button pressed (IDOK, IDYES, ...).
int runMessageBox(const std::string& text, const std::string& caption, UINT type, Palette& palette,
                  const std::function<void()>& repaintBelow);

}  // namespace tui

#endif  // VANTREL_HOST_TUI_MESSAGE_BOX_H_
