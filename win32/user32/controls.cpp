// Static texts, group boxes, push buttons and check boxes, and what all controls share
// (see win32/user32/controls.h). Tested by tests/win32/user32/dialog_manager_test.cpp.
#include "win32/user32/controls.h"

#include <strings.h>

#include <algorithm>
#include <cstring>

namespace vwin {

ControlKind controlKind(const Window& window) {
  const std::string& cls = window.className;
  if (strcasecmp(cls.c_str(), "static") == 0) return ControlKind::kStatic;
  if (strcasecmp(cls.c_str(), "combobox") == 0) return ControlKind::kComboBox;
  if (strcasecmp(cls.c_str(), "button") == 0) {
    switch (window.style & BS_TYPEMASK) {
      case BS_PUSHBUTTON:
      case BS_DEFPUSHBUTTON:
        return ControlKind::kPushButton;
      case BS_CHECKBOX:
      case BS_AUTOCHECKBOX:
        return ControlKind::kCheckBox;
      case BS_GROUPBOX:
        return ControlKind::kGroupBox;
      default:
        return ControlKind::kOther;
    }
  }
  return ControlKind::kOther;
}

void notifyParent(HWND control, int code) {
  Window* w = windowFromHandle(control);
  if (!w || !w->parent) return;
  SendMessageA(w->parent, WM_COMMAND, MAKEWPARAM(w->id, code), reinterpret_cast<LPARAM>(control));
}

LRESULT defaultTextMessage(Window& window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETTEXT:
      window.text = lParam ? reinterpret_cast<LPCSTR>(lParam) : "";
      return TRUE;
    case WM_GETTEXT: {
      if (wParam == 0 || !lParam) return 0;
      size_t n = std::min<size_t>(window.text.size(), wParam - 1);
      memcpy(reinterpret_cast<char*>(lParam), window.text.data(), n);
      reinterpret_cast<char*>(lParam)[n] = '\0';
      return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(window.text.size());
    default:
      return 0;
  }
}

LRESULT staticProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* w = windowFromHandle(handle);
  return w ? defaultTextMessage(*w, message, wParam, lParam) : 0;
}

namespace {

struct ButtonState {
  UINT check = BST_UNCHECKED;
};

ButtonState* stateOf(Window& w) { return static_cast<ButtonState*>(w.classData); }

// A click as the user's: a check box of the automatic kind toggles, then the parent hears of it.
void click(HWND handle, Window& w) {
  if (!w.enabled) return;
  if ((w.style & BS_TYPEMASK) == BS_AUTOCHECKBOX)
    stateOf(w)->check = stateOf(w)->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
  notifyParent(handle, BN_CLICKED);
}

}  // namespace

LRESULT buttonProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* w = windowFromHandle(handle);
  if (!w) return 0;
  switch (message) {
    case BM_GETCHECK:
      return stateOf(*w)->check;
    case BM_SETCHECK:
      stateOf(*w)->check = wParam == BST_CHECKED ? BST_CHECKED : BST_UNCHECKED;
      return 0;
    case BM_CLICK:
      click(handle, *w);
      return 0;
    case WM_CHAR:
      if (wParam != ' ') return 0;
      click(handle, *w);
      return 1;
    default:
      return defaultTextMessage(*w, message, wParam, lParam);
  }
}

void attachControl(Window& window) {
  switch (controlKind(window)) {
    case ControlKind::kStatic:
    case ControlKind::kGroupBox:
      window.proc = staticProc;
      break;
    case ControlKind::kPushButton:
    case ControlKind::kCheckBox:
      window.classData = new ButtonState;
      window.freeClassData = [](void* p) { delete static_cast<ButtonState*>(p); };
      window.proc = buttonProc;
      break;
    case ControlKind::kComboBox:
      attachCombo(window);
      break;
    case ControlKind::kOther:
      break;
  }
}

}  // namespace vwin
