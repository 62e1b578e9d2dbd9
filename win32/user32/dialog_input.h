// How a host feeds a modal dialog the input a user would give it: keys and characters to the
// focused control, focus moves, typing into a control, choosing a list entry, clicking a button.
// Every call goes through the same messages and notifications the keyboard causes, so the
// dialog's procedure sees what it would see on Windows. The host's Display::runModal calls these
// until VwinDialogEnded answers TRUE.
//
// Threading: the thread running the dialog's modal loop (the one inside DialogBoxParamA).
// Tested by tests/win32/user32/dialog_manager_test.cpp.
#ifndef VANTREL_WIN32_DIALOG_INPUT_H_
#define VANTREL_WIN32_DIALOG_INPUT_H_

#include "win32/include/winuser.h"

// A key press. VK_TAB moves the focus to the next tab stop (the previous one with `shift`; a
// combo box reached so has its whole edit text selected); VK_RETURN presses the default push
// button if it is enabled (the focused push button when the focus is on one), or closes a dropped
// list; VK_ESCAPE closes a dropped list, else sends IDCANCEL; VK_SPACE is the character ' '.
// Every other key goes to the focused control as WM_KEYDOWN, with GetKeyState(VK_SHIFT) showing
// `shift` down while it is handled. A combo box takes:
//   VK_UP, VK_DOWN    the previous, next list entry (its text in the field, all selected)
//   VK_F4             drops the list down or closes it
//   VK_LEFT, VK_RIGHT the caret one character left, right
//   VK_HOME, VK_END   the caret to the start, the end of the edit text
//                     (these four extend the edit selection with `shift`, else remove it)
//   VK_DELETE         deletes the selection, else the character after the caret
//   VK_BACK           deletes the selection, else the character before the caret
// FALSE when no control took the key.
WINAPI_EXPORT BOOL VwinDialogKey(HWND dialog, UINT virtualKey, BOOL shift);

// A typed character to the focused control: for a combo box's edit field it replaces the edit
// selection or goes in at the caret (refused with a beep when the field is at its CB_LIMITTEXT),
// ' ' clicks a button. FALSE when the focused control took no character.
WINAPI_EXPORT BOOL VwinDialogChar(HWND dialog, char character);

// Alt with a letter: the control whose caption marks that letter with '&' (an edit field's text
// is no caption). A button is clicked; a static text gives the focus to the next tab stop after
// it, and a combo box reached so has its whole edit text selected, also when it had the focus
// already. FALSE when no enabled control has the mnemonic.
WINAPI_EXPORT BOOL VwinDialogMnemonic(HWND dialog, char letter);

// Moves the focus to control `id` (as a click into it would). FALSE when there is no such
// enabled control.
WINAPI_EXPORT BOOL VwinDialogFocus(HWND dialog, int id);

// Focuses control `id`, then replaces its text as a user pastes over it: the whole text selected
// and replaced by `text` in one change, every byte kept (a tab or a line end is text here, not a
// key), cut at the field's limit with a beep; VK_BACK when `text` is empty. FALSE when the
// control takes no text.
WINAPI_EXPORT BOOL VwinDialogType(HWND dialog, int id, LPCSTR text);

// Focuses combo box `id`, drops its list down, moves to entry `index` and closes the list with
// Enter (CBN_DROPDOWN, CBN_SELCHANGE, CBN_CLOSEUP). FALSE for a missing control or entry.
WINAPI_EXPORT BOOL VwinDialogPick(HWND dialog, int id, int index);

// Focuses button `id` and clicks it (a check box toggles; every button notifies BN_CLICKED).
// FALSE, with nothing done, when the button is missing or disabled.
WINAPI_EXPORT BOOL VwinDialogClick(HWND dialog, int id);

// TRUE once EndDialog was called on the dialog; *result (if given) gets its result.
WINAPI_EXPORT BOOL VwinDialogEnded(HWND dialog, INT_PTR* result);

#endif  // VANTREL_WIN32_DIALOG_INPUT_H_
