// The layer's standard controls inside dialogs: static text, group box, push button, check box
// and the drop-down combo box (an edit text over a list). Each is a window of the table with a
// class procedure answering the messages Windows' controls answer and sending its parent the
// notifications they send (WM_COMMAND with MAKEWPARAM(id, code) and the control's handle).
//
// Keyboard: the dialog manager sends the focused control WM_KEYDOWN (virtual key) and WM_CHAR
// (character); a control answers 1 when it used the key, 0 when the dialog should.
//
// Threading: the thread that runs the dialog. Tested by tests/win32/user32/dialog_manager_test.cpp.
#ifndef VANTREL_WIN32_CONTROLS_H_
#define VANTREL_WIN32_CONTROLS_H_

#include <string>
#include <vector>

#include "win32/user32/window.h"

namespace vwin {

enum class ControlKind { kOther, kStatic, kGroupBox, kPushButton, kCheckBox, kComboBox };

// The kind of a control from its class name and style.
ControlKind controlKind(const Window& window);

// Installs the class procedure and state of `window`'s class; a class the layer does not know
// keeps the default text handling.
void attachControl(Window& window);

// WM_COMMAND(MAKEWPARAM(id, code), control) to the control's parent.
void notifyParent(HWND control, int code);

// WM_SETTEXT, WM_GETTEXT and WM_GETTEXTLENGTH on a window's text, as windows without a procedure
// answer them; 0 for any other message.
LRESULT defaultTextMessage(Window& window, UINT message, WPARAM wParam, LPARAM lParam);

// Whether a combo box's list is dropped down.
bool comboDropped(HWND combo);

// A combo box's list and the highlighted entry while dropped (-1 for none); for hosts drawing it.
std::vector<std::string> comboItems(HWND combo, int* highlighted);

// Where a combo box's edit caret is (a position in its text: the moving end of the edit
// selection, which CB_GETEDITSEL does not tell); for hosts drawing it.
size_t comboCaret(HWND combo);

// Replaces a combo box's edit selection with `text` as a paste does: every byte of it, control
// characters included (typed, they would be keys), cut at the field's CB_LIMITTEXT with a beep;
// one CBN_EDITUPDATE and CBN_EDITCHANGE when the text changed. False for a window that is no
// combo box.
bool comboPaste(HWND combo, const char* text);

// Gives a combo box window its list state and procedure.
void attachCombo(Window& window);

// A control procedure for each class.
LRESULT staticProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT buttonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT comboProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace vwin

#endif  // VANTREL_WIN32_CONTROLS_H_
