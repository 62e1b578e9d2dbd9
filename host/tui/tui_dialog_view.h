// A modal dialog of the layer on the terminal: drawn as a box over the screen from its windows'
// rectangles (pixels to cells as docs/architecture.md gives them), and driven from the keyboard
// through the dialog manager's input calls (win32/user32/dialog_input.h), so the dialog procedure
// sees the messages a user's keys cause on Windows.
//
// Keys: Tab and Shift-Tab move through the tab stops; typed characters, Backspace and Delete edit
// a combo box's field at its caret, which Left, Right, Home and End move (with Shift they select);
// Up and Down step through its list; Alt+Down or F4 drops the list down or closes it; Space
// toggles a check box; Alt with a letter acts on the control whose caption marks it with '&';
// Enter presses the default button (only while it is enabled); Esc, or Ctrl-C, cancels.
// The mouse: a click on a field gives it the focus (its whole text selected; on its arrow the list
// drops down), on a check box toggles it, on a button presses it, on a label gives the focus to
// its field; while a list is dropped down a click takes the entry clicked or closes the list.
// Static texts and check box captions run on past their rectangle into free cells to their right
// (a cell is wider than the proportional font's letters the template was made for). The focused
// field shows the terminal's cursor at its caret and its selection in the highlight colours.
// Threading: the thread running the dialog's modal loop, which owns the curses screen.
// Tested by tests/tui_app_test.cpp and tests/tui_program_test.cpp.
#ifndef VANTREL_HOST_TUI_DIALOG_VIEW_H_
#define VANTREL_HOST_TUI_DIALOG_VIEW_H_

#include <functional>
#include <map>

#include "host/tui/tui_dialog_layout.h"
#include "host/tui/tui_palette.h"
#include "win32/include/windef.h"

namespace tui {

// The first visible column of each edit field's text, kept from one drawing to the next so that a
// field scrolls only when its caret would leave the visible part.
using FieldScroll = std::map<HWND, int>;

// Draws the dialog (and a dropped-down list) over the screen, the terminal's cursor at the focused
// field's caret; does not refresh. Without `scroll`, each field scrolls from its start.
void drawDialog(HWND dialog, Palette& palette, FieldScroll* scroll = nullptr);

// A click of the left button on cell (`row`, `col`), acted on through the dialog manager's input
// calls as described above. Answers false when the click reached nothing it could act on.
bool clickDialog(HWND dialog, int row, int col);

// Runs the dialog's modal loop until EndDialog. `repaintBelow` redraws what lies under the
// dialog (after a resize). Answers false when `dialog` is not a dialog.
// Ctrl-Z calls `stop` (which gives the terminal to the shell until the program is continued).
bool runDialog(HWND dialog, Palette& palette, const std::function<void()>& repaintBelow,
               const std::function<void()>& stop = {});

}  // namespace tui

#endif  // VANTREL_HOST_TUI_DIALOG_VIEW_H_
