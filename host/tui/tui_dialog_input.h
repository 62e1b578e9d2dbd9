// The modal loop of a dialog on the terminal (drawn by host/tui/tui_dialog_view.h): keys and
// clicks read from the terminal and given to the dialog through the dialog manager's input calls
// (win32/user32/dialog_input.h), so the dialog procedure sees the messages a user's keys cause
// on Windows.
//
// Keys: Tab and Shift-Tab move through the tab stops; typed characters, Backspace and Delete edit
// a combo box's field at its caret, which Left, Right, Home and End move (with Shift they select);
// Ctrl-A and Ctrl-E go to the field's start and end, Ctrl-U removes what is before the caret,
// Ctrl-W the word before it; Up and Down step through its list; Alt+Down or F4 drops the list down
// or closes it; Space toggles a check box; Alt with a letter acts on the control whose caption
// marks it with '&'; Enter presses the default button (only while it is enabled); Esc, or Ctrl-C,
// cancels. A bracketed paste is typed into the focused field, its line ends as blanks.
// The mouse: a click on a field gives it the focus (its whole text selected; on its arrow the list
// drops down), on a check box toggles it, on a button presses it, on a label gives the focus to
// its field; while a list is dropped down a click takes the entry clicked or closes the list.
// Threading: the thread running the dialog's modal loop, which owns the curses screen.
// Tested by tests/host/tui/tui_app_test.cpp, tests/host/tui/tui_program_test.cpp and
// tests/host/tui/tui_results_test.cpp.
#ifndef VANTREL_HOST_TUI_DIALOG_INPUT_H_
#define VANTREL_HOST_TUI_DIALOG_INPUT_H_

#include <functional>

#include "host/tui/tui_dialog_view.h"
#include "host/tui/tui_palette.h"
#include "win32/include/windef.h"

namespace tui {

// The status row's keys while a dialog is open.
inline constexpr char kDialogKeysHint[] =
    " Tab Next  Alt+letter Field  F4 List  Space Tick  Enter OK  Esc Cancel";

// A click of the left button on cell (`row`, `col`), acted on as described above. Answers false
// when the click reached nothing it could act on.
bool clickDialog(HWND dialog, int row, int col);

// Runs the dialog's modal loop until EndDialog. `repaintBelow` redraws what lies under the
// dialog (after a resize). Answers false when `dialog` is not a dialog.
// Ctrl-Z calls `stop` (which gives the terminal to the shell until the program is continued).
// `note` is drawn as drawDialog draws it.
bool runDialog(HWND dialog, Palette& palette, const std::function<void()>& repaintBelow,
               const std::function<void()>& stop = {}, const DialogNote& note = {});

}  // namespace tui

#endif  // VANTREL_HOST_TUI_DIALOG_INPUT_H_
