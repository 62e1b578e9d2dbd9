// The modal dialog manager: DialogBoxParamA builds a dialog from its DLGTEMPLATEEX resource,
// runs it through the host's Display and answers the EndDialog result; EndDialog, GetFocus and
// SetFocus. Keyboard handling shared with the host's input calls is in
// win32/user32/dialog_input.cpp.
//
// Dialog units become pixels as Windows maps them with the font's average character cell: a
// horizontal unit is a quarter of a cell's width, a vertical unit an eighth of its height
// (kCellWidth x kCellHeight pixels; see docs/architecture.md). The template's size is the
// dialog's window rectangle (the layer draws no frame of its own). A drop-down combo box's
// window is one cell high; the template's height includes its dropped list.
//
// Invariants: a dialog window's classData is its DialogState; the focus is one window for the
// process (dialogs are modal and run on one thread at a time); the registry calls the dialog
// procedure makes while it handles one message are one registry transaction (a Batch of
// win32/advapi32/registry_store.h), so a procedure must not wait there for another thread's
// registry work. Tested by tests/win32/user32/dialog_manager_test.cpp and
// tests/dialog/search_dialog_test.cpp.
#include "win32/user32/dialog.h"

#include <atomic>

#include "win32/advapi32/registry_store.h"
#include "win32/include/winbase.h"
#include "win32/user32/controls.h"
#include "win32/user32/dialog_template.h"
#include "win32/user32/display.h"

namespace vwin {
namespace {

std::atomic<HWND> focusWindow{nullptr};

LRESULT dialogWindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* w = windowFromHandle(handle);
  if (!w) return 0;
  DialogState* state = static_cast<DialogState*>(w->classData);
  INT_PTR handled = FALSE;
  if (state->proc) {
    // What the procedure does for one message is one user action: its registry calls (a history
    // read, counted, shifted and written back) are one transaction towards other processes.
    registry::Batch oneAction;
    handled = state->proc(handle, message, wParam, lParam);
  }
  if (handled || message == WM_INITDIALOG) return handled;
  switch (message) {
    case WM_CLOSE:  // as DefDlgProc: closing is cancelling
      SendMessageA(handle, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(handle, IDCANCEL)));
      return 0;
    default:
      return defaultTextMessage(*w, message, wParam, lParam);
  }
}

int toPixelsX(int units) { return units * kCellWidth / 4; }
int toPixelsY(int units) { return units * kCellHeight / 8; }

HWND build(const DialogTemplate& t, HWND owner, HINSTANCE instance, DLGPROC proc) {
  int x = toPixelsX(t.x), y = toPixelsY(t.y);
  if (Window* o = windowFromHandle(owner)) x += o->rect.left, y += o->rect.top;
  HWND dialog =
      CreateWindowExA(t.exStyle, kDialogClass, t.title.c_str(), t.style & ~WS_CHILD, x, y,
                      toPixelsX(t.cx), toPixelsY(t.cy), owner, nullptr, instance, nullptr);
  Window* d = windowFromHandle(dialog);
  if (!d) return nullptr;
  d->classData = new DialogState{proc};
  d->freeClassData = [](void* p) { delete static_cast<DialogState*>(p); };
  d->proc = dialogWindowProc;
  for (const DialogItemTemplate& item : t.items) {
    bool combo = item.className == "combobox";
    int height = combo ? kCellHeight : toPixelsY(item.cy);
    HWND control = CreateWindowExA(
        item.exStyle, item.className.c_str(), item.text.c_str(), item.style | WS_CHILD,
        toPixelsX(item.x), toPixelsY(item.y), toPixelsX(item.cx), height, dialog,
        reinterpret_cast<HANDLE>(static_cast<intptr_t>(item.id)), instance, nullptr);
    Window* c = windowFromHandle(control);
    if (!c) {
      DestroyWindow(dialog);
      return nullptr;
    }
    if (combo) c->text.clear();  // an edit field starts empty whatever the template says
    attachControl(*c);
  }
  return dialog;
}

}  // namespace

DialogState* dialogState(HWND dialog) {
  Window* w = windowFromHandle(dialog);
  if (!w || w->className != kDialogClass || !w->classData) return nullptr;
  return static_cast<DialogState*>(w->classData);
}

bool isTabStop(HWND control) {
  Window* c = windowFromHandle(control);
  return c && (c->style & WS_TABSTOP) && (c->style & WS_VISIBLE) && c->enabled;
}

HWND nextTabStop(HWND dialog, HWND from, bool backwards) {
  Window* d = windowFromHandle(dialog);
  if (!d || d->children.empty()) return nullptr;
  const std::vector<HWND>& kids = d->children;
  int count = static_cast<int>(kids.size());
  int start = -1;
  for (int i = 0; i < count; ++i)
    if (kids[i] == from) start = i;
  if (start < 0) start = backwards ? 0 : count - 1;
  for (int n = 1; n <= count; ++n) {
    int i = ((backwards ? start - n : start + n) % count + count) % count;
    if (isTabStop(kids[i])) return kids[i];
  }
  return nullptr;
}

}  // namespace vwin

using vwin::DialogState;

WINAPI_EXPORT HWND WINAPI GetFocus(void) {
  HWND focus = vwin::focusWindow.load();
  return IsWindow(focus) ? focus : nullptr;
}

WINAPI_EXPORT HWND WINAPI SetFocus(HWND window) {
  if (window && !IsWindow(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  HWND previous = vwin::focusWindow.exchange(window);
  if (previous == window) return previous;
  if (IsWindow(previous)) SendMessageA(previous, WM_KILLFOCUS, reinterpret_cast<WPARAM>(window), 0);
  if (window) SendMessageA(window, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
  return IsWindow(previous) ? previous : nullptr;
}

WINAPI_EXPORT BOOL WINAPI EndDialog(HWND dialog, INT_PTR result) {
  DialogState* state = vwin::dialogState(dialog);
  if (!state) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  state->ended = true;
  state->result = result;
  return TRUE;
}

WINAPI_EXPORT INT_PTR WINAPI DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner,
                                             DLGPROC dialogProc, LPARAM initParam) {
  vwin::Display* display = VwinGetDisplay();
  if (!display) {
    SetLastError(ERROR_NOT_SUPPORTED);  // no desktop to show a dialog on
    return -1;
  }
  HRSRC found = FindResourceA(instance, templateName, RT_DIALOG);
  if (!found) return -1;
  vwin::DialogTemplate parsed;
  if (!vwin::parseDialogTemplate(LockResource(LoadResource(instance, found)),
                                 SizeofResource(instance, found), &parsed)) {
    SetLastError(ERROR_INVALID_DATA);
    return -1;
  }
  HWND dialog = vwin::build(parsed, owner, instance, dialogProc);
  if (!dialog) return -1;
  HWND previousFocus = GetFocus();
  HWND first = vwin::nextTabStop(dialog, nullptr, false);
  LRESULT init = SendMessageA(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), initParam);
  DialogState* state = vwin::dialogState(dialog);
  if (init && first && !state->ended) SetFocus(first);
  bool ran = state->ended || display->runModal(dialog);
  state = vwin::dialogState(dialog);
  INT_PTR result = ran && state && state->ended ? state->result : -1;
  if (!ran) SetLastError(ERROR_NOT_SUPPORTED);
  DestroyWindow(dialog);
  if (!GetFocus()) {
    vwin::focusWindow.store(nullptr);
    if (IsWindow(previousFocus)) SetFocus(previousFocus);
  }
  return result;
}
