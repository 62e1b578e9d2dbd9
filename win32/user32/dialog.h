// The dialog manager's own state of a dialog window, shared by DialogBoxParamA and the input
// calls of win32/user32/dialog_input.h.
//
// Threading: the thread running the dialog. Tested by tests/win32/user32/dialog_manager_test.cpp.
#ifndef VANTREL_WIN32_DIALOG_H_
#define VANTREL_WIN32_DIALOG_H_

#include "win32/user32/window.h"

namespace vwin {

// The class name of dialog windows.
constexpr char kDialogClass[] = "#32770";

struct DialogState {
  DLGPROC proc = nullptr;
  bool ended = false;  // EndDialog was called
  INT_PTR result = 0;
};

// The state of a dialog window; NULL for any other handle.
DialogState* dialogState(HWND dialog);

// Whether the control takes the focus from Tab: WS_TABSTOP, visible and enabled.
bool isTabStop(HWND control);

// The tab stop after (or before) `from` in creation order, wrapping around; the first (or last)
// when `from` is not one of the dialog's controls. NULL when the dialog has none.
HWND nextTabStop(HWND dialog, HWND from, bool backwards);

}  // namespace vwin

#endif  // VANTREL_WIN32_DIALOG_H_
