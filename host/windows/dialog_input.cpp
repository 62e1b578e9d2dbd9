// The dialog script's input calls on Windows' own dialog manager (see host/cli/dialog_input.h):
// each action is the window messages that the real controls receive and send when a user acts
// on them. Typing sets the combo box's text (WM_SETTEXT) and notifies the dialog with
// CBN_EDITCHANGE, as the combo's edit field does; picking is CB_SETCURSEL with CBN_SELCHANGE; a
// check box is set with BM_SETCHECK and notifies BN_CLICKED; a push button notifies BN_CLICKED;
// Enter and Esc are the dialog manager's IDOK and IDCANCEL.
//
// A dialog has ended once EndDialog hid it: Windows hides the dialog there and destroys it only
// when its modal loop returns. Tested under Wine by tests/windows/wine_test.sh.
#include "host/cli/dialog_input.h"

namespace {

void notify(HWND dialog, HWND control, int code) {
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code),
               reinterpret_cast<LPARAM>(control));
}

bool usable(HWND control) { return control && IsWindowEnabled(control); }

bool isCheckBox(HWND control) {
  LONG type = GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK;
  return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE ||
         type == BS_AUTO3STATE;
}

bool pressButton(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  if (!usable(button)) return false;
  notify(dialog, button, BN_CLICKED);
  return true;
}

}  // namespace

BOOL VwinDialogKey(HWND dialog, UINT virtualKey, BOOL shift) {
  (void)shift;
  if (virtualKey == VK_ESCAPE) {
    HWND cancel = GetDlgItem(dialog, IDCANCEL);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(cancel));
    return TRUE;
  }
  if (virtualKey == VK_RETURN) return pressButton(dialog, IDOK);
  HWND focus = GetFocus();
  if (!focus) return FALSE;
  SendMessageA(focus, WM_KEYDOWN, virtualKey, 0);
  SendMessageA(focus, WM_KEYUP, virtualKey, 0);
  return TRUE;
}

BOOL VwinDialogChar(HWND dialog, char character) {
  (void)dialog;
  HWND focus = GetFocus();
  if (!focus) return FALSE;
  SendMessageA(focus, WM_CHAR, static_cast<unsigned char>(character), 0);
  return TRUE;
}

BOOL VwinDialogType(HWND dialog, int id, LPCSTR text) {
  HWND control = GetDlgItem(dialog, id);
  if (!usable(control)) return FALSE;
  SetFocus(control);
  if (!SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text))) return FALSE;
  notify(dialog, control, CBN_EDITCHANGE);
  return TRUE;
}

BOOL VwinDialogPick(HWND dialog, int id, int index) {
  HWND control = GetDlgItem(dialog, id);
  if (!usable(control)) return FALSE;
  if (SendMessageA(control, CB_SETCURSEL, static_cast<WPARAM>(index), 0) == CB_ERR) return FALSE;
  notify(dialog, control, CBN_SELCHANGE);
  return TRUE;
}

BOOL VwinDialogClick(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  if (!usable(control)) return FALSE;
  if (isCheckBox(control)) {
    bool checked = SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
    SendMessageA(control, BM_SETCHECK, checked ? BST_UNCHECKED : BST_CHECKED, 0);
  }
  notify(dialog, control, BN_CLICKED);
  return TRUE;
}

BOOL VwinDialogEnded(HWND dialog, INT_PTR* result) {
  (void)result;  // Windows keeps the result to itself until DialogBoxParamA returns it
  return !IsWindow(dialog) || !IsWindowVisible(dialog);
}
