// The input a host feeds a modal dialog (see win32/user32/dialog_input.h): the keyboard handling of
// Windows' dialog manager (Tab, Enter, Esc, mnemonics) and the user's actions on one control,
// all through the controls' messages, and the key state (GetKeyState) those messages are handled
// under. Tested by tests/win32/user32/dialog_manager_test.cpp and
// tests/win32/user32/combo_edit_test.cpp.
#include "win32/user32/dialog_input.h"

#include <cctype>

#include "win32/user32/controls.h"
#include "win32/user32/dialog.h"

namespace vwin {
namespace {

// Shift as the key being handled on this thread was given (VwinDialogKey's `shift`).
thread_local bool shiftDown = false;

// Holds Shift down (or up) while a key goes to a control, so that GetKeyState answers as it
// would while Windows delivers the key.
class ShiftState {
 public:
  explicit ShiftState(bool down) : previous_(shiftDown) { shiftDown = down; }
  ~ShiftState() { shiftDown = previous_; }
  ShiftState(const ShiftState&) = delete;
  ShiftState& operator=(const ShiftState&) = delete;

 private:
  bool previous_;
};

// The focused window if it is one of the dialog's controls.
HWND focusedControl(HWND dialog) {
  HWND focus = GetFocus();
  return focus && GetParent(focus) == dialog ? focus : nullptr;
}

ControlKind kindOf(HWND control) {
  Window* w = windowFromHandle(control);
  return w ? controlKind(*w) : ControlKind::kOther;
}

HWND defaultButton(HWND dialog) {
  Window* d = windowFromHandle(dialog);
  for (HWND child : d->children)
    if (Window* c = windowFromHandle(child); c && controlKind(*c) == ControlKind::kPushButton &&
                                             (c->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
      return child;
  return GetDlgItem(dialog, IDOK);
}

// Presses a push button as Enter does: the dialog hears BN_CLICKED from it, if it is enabled.
BOOL press(HWND dialog, HWND button) {
  if (!button || !IsWindowEnabled(button)) return FALSE;
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
               reinterpret_cast<LPARAM>(button));
  return TRUE;
}

// Moves the focus as Tab and mnemonics do: an edit field reached so has its whole text selected,
// also when it had the focus already.
void focusFromKeyboard(HWND control) {
  SetFocus(control);
  if (kindOf(control) == ControlKind::kComboBox)
    SendMessageA(control, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
}

// The control with `letter` after '&' in its text ("&&" is a literal '&'). An edit field's text
// is the user's, not a caption: it has no mnemonic.
HWND mnemonicControl(HWND dialog, char letter) {
  Window* d = windowFromHandle(dialog);
  int wanted = toupper(static_cast<unsigned char>(letter));
  for (HWND child : d->children) {
    Window* c = windowFromHandle(child);
    if (!c || !c->enabled || !(c->style & WS_VISIBLE)) continue;
    if (controlKind(*c) == ControlKind::kComboBox) continue;
    const std::string& t = c->text;
    for (size_t i = 0; i + 1 < t.size(); ++i) {
      if (t[i] != '&') continue;
      if (t[i + 1] == '&') {
        ++i;
        continue;
      }
      if (toupper(static_cast<unsigned char>(t[i + 1])) == wanted) return child;
      break;
    }
  }
  return nullptr;
}

}  // namespace
}  // namespace vwin

using namespace vwin;

WINAPI_EXPORT BOOL VwinDialogKey(HWND dialog, UINT key, BOOL shift) {
  if (!dialogState(dialog)) return FALSE;
  HWND focus = focusedControl(dialog);
  switch (key) {
    case VK_TAB: {
      HWND next = nextTabStop(dialog, focus, shift != FALSE);
      if (!next || next == focus) return FALSE;
      focusFromKeyboard(next);
      return TRUE;
    }
    case VK_SPACE:
      return VwinDialogChar(dialog, ' ');
    case VK_RETURN:
      if (focus && comboDropped(focus)) return SendMessageA(focus, WM_KEYDOWN, key, 0) != 0;
      if (focus && kindOf(focus) == ControlKind::kPushButton) return press(dialog, focus);
      return press(dialog, defaultButton(dialog));
    case VK_ESCAPE:
      if (focus && comboDropped(focus)) return SendMessageA(focus, WM_KEYDOWN, key, 0) != 0;
      SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
      return TRUE;
    default: {
      ShiftState held(shift != FALSE);
      return focus && SendMessageA(focus, WM_KEYDOWN, key, 0) != 0;
    }
  }
}

WINAPI_EXPORT BOOL VwinDialogChar(HWND dialog, char character) {
  if (!dialogState(dialog)) return FALSE;
  switch (character) {
    case '\t':
      return VwinDialogKey(dialog, VK_TAB, FALSE);
    case '\r':
    case '\n':
      return VwinDialogKey(dialog, VK_RETURN, FALSE);
    case '\x1b':
      return VwinDialogKey(dialog, VK_ESCAPE, FALSE);
    case '\b':
    case '\x7f':
      return VwinDialogKey(dialog, VK_BACK, FALSE);
    default:
      break;
  }
  HWND focus = focusedControl(dialog);
  return focus && SendMessageA(focus, WM_CHAR, static_cast<unsigned char>(character), 0) != 0;
}

WINAPI_EXPORT BOOL VwinDialogMnemonic(HWND dialog, char letter) {
  if (!dialogState(dialog)) return FALSE;
  HWND control = mnemonicControl(dialog, letter);
  if (!control) return FALSE;
  switch (kindOf(control)) {
    case ControlKind::kPushButton:
    case ControlKind::kCheckBox:
      return VwinDialogClick(dialog, GetDlgCtrlID(control));
    case ControlKind::kStatic:
    case ControlKind::kGroupBox: {
      HWND next = nextTabStop(dialog, control, false);
      if (!next) return FALSE;
      focusFromKeyboard(next);
      return TRUE;
    }
    default:
      focusFromKeyboard(control);
      return TRUE;
  }
}

WINAPI_EXPORT BOOL VwinDialogFocus(HWND dialog, int id) {
  if (!dialogState(dialog)) return FALSE;
  HWND control = GetDlgItem(dialog, id);
  if (!control || !IsWindowEnabled(control)) return FALSE;
  SetFocus(control);
  return TRUE;
}

WINAPI_EXPORT BOOL VwinDialogType(HWND dialog, int id, LPCSTR text) {
  HWND control = dialogState(dialog) ? GetDlgItem(dialog, id) : nullptr;
  if (!control || kindOf(control) != ControlKind::kComboBox || !VwinDialogFocus(dialog, id))
    return FALSE;
  SendMessageA(control, CB_SETEDITSEL, 0, MAKELONG(0, -1));
  if (!text || !*text) {
    if (GetWindowTextLengthA(control) > 0) SendMessageA(control, WM_KEYDOWN, VK_BACK, 0);
    return TRUE;
  }
  return comboPaste(control, text);
}

WINAPI_EXPORT BOOL VwinDialogPick(HWND dialog, int id, int index) {
  HWND control = dialogState(dialog) ? GetDlgItem(dialog, id) : nullptr;
  if (!control || kindOf(control) != ControlKind::kComboBox) return FALSE;
  int count = static_cast<int>(SendMessageA(control, CB_GETCOUNT, 0, 0));
  if (index < 0 || index >= count || !VwinDialogFocus(dialog, id)) return FALSE;
  if (!comboDropped(control)) SendMessageA(control, WM_KEYDOWN, VK_F4, 0);
  for (int steps = 0; steps <= count; ++steps) {  // bounded: the dialog may change the list
    int at;
    comboItems(control, &at);
    if (at == index) break;
    SendMessageA(control, WM_KEYDOWN, at < index ? VK_DOWN : VK_UP, 0);
  }
  SendMessageA(control, WM_KEYDOWN, VK_RETURN, 0);
  return TRUE;
}

WINAPI_EXPORT BOOL VwinDialogClick(HWND dialog, int id) {
  HWND control = dialogState(dialog) ? GetDlgItem(dialog, id) : nullptr;
  ControlKind kind = kindOf(control);
  if (kind != ControlKind::kPushButton && kind != ControlKind::kCheckBox) return FALSE;
  if (!IsWindowEnabled(control)) return FALSE;
  SetFocus(control);
  SendMessageA(control, BM_CLICK, 0, 0);
  return TRUE;
}

WINAPI_EXPORT BOOL VwinDialogEnded(HWND dialog, INT_PTR* result) {
  DialogState* state = dialogState(dialog);
  if (!state || !state->ended) return FALSE;
  if (result) *result = state->result;
  return TRUE;
}

WINAPI_EXPORT SHORT WINAPI GetKeyState(int virtualKey) {
  return virtualKey == VK_SHIFT && shiftDown ? static_cast<SHORT>(0x8000) : 0;
}
