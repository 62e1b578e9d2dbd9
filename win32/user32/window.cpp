// The window table and the generic window calls (see win32/user32/window.h).
// Tested by tests/win32/user32/window_test.cpp.
#include "win32/user32/window.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <unordered_map>

#include "win32/include/winbase.h"
#include "win32/user32/display.h"

namespace vwin {
namespace {

struct Table {
  std::mutex mutex;
  std::unordered_map<HWND, std::unique_ptr<Window>> windows;
  uintptr_t nextHandle = 0x10010;
  int screenWidth = 80 * kCellWidth;
  int screenHeight = 25 * kCellHeight;
};

Table& table() {
  static Table* t = new Table;  // never destroyed: windows may outlive static destruction order
  return *t;
}

void destroyTree(HWND handle) {
  std::unique_ptr<Window> owned;
  {
    Table& t = table();
    std::lock_guard<std::mutex> lock(t.mutex);
    auto it = t.windows.find(handle);
    if (it == t.windows.end()) return;
    owned = std::move(it->second);
    t.windows.erase(it);
  }
  for (HWND child : owned->children) destroyTree(child);
  if (owned->freeClassData && owned->classData) owned->freeClassData(owned->classData);
  if (Window* parent = windowFromHandle(owned->parent)) {
    auto& siblings = parent->children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), handle), siblings.end());
  }
}

}  // namespace

std::string Surface::rowText(int row) const {
  std::string line;
  if (row < 0 || row >= rows) return line;
  for (int c = 0; c < cols; ++c) line.push_back(at(c, row).ch);
  return line;
}

Window* windowFromHandle(HWND handle) {
  if (!handle) return nullptr;
  Table& t = table();
  std::lock_guard<std::mutex> lock(t.mutex);
  auto it = t.windows.find(handle);
  return it == t.windows.end() ? nullptr : it->second.get();
}

void setScreenSize(int width, int height) {
  Table& t = table();
  std::lock_guard<std::mutex> lock(t.mutex);
  t.screenWidth = width;
  t.screenHeight = height;
}

void resizeSurface(Window& window) {
  int cols = std::max(0, static_cast<int>(window.rect.right - window.rect.left) / kCellWidth);
  int rows = std::max(0, static_cast<int>(window.rect.bottom - window.rect.top) / kCellHeight);
  std::lock_guard<std::mutex> lock(window.surfaceMutex);
  Surface& s = window.surface;
  window.deferredText.settle(s);  // drawn at the old size
  if (s.cols == cols && s.rows == rows) return;
  Surface resized;
  resized.cols = cols;
  resized.rows = rows;
  resized.cells.assign(static_cast<size_t>(cols) * rows, Cell{});
  for (int r = 0; r < std::min(rows, s.rows); ++r)
    for (int c = 0; c < std::min(cols, s.cols); ++c) resized.at(c, r) = s.at(c, r);
  s = std::move(resized);
}

Surface copySurface(HWND handle) {
  Window* w = windowFromHandle(handle);
  if (!w) return Surface{};
  std::lock_guard<std::mutex> lock(w->surfaceMutex);
  w->deferredText.settle(w->surface);
  return w->surface;
}

}  // namespace vwin

using vwin::Window;
using vwin::windowFromHandle;

static Window* lookupOrFail(HWND handle) {
  Window* w = windowFromHandle(handle);
  if (!w) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return w;
}

WINAPI_EXPORT HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName,
                                          DWORD style, int x, int y, int width, int height,
                                          HWND parent, HANDLE menuOrId, HINSTANCE, LPVOID) {
  Window* parentWindow = nullptr;
  if (parent && !(parentWindow = lookupOrFail(parent))) return nullptr;
  auto window = std::make_unique<Window>();
  window->className = className ? className : "";
  window->text = windowName ? windowName : "";
  window->style = style;
  window->exStyle = exStyle;
  window->enabled = !(style & WS_DISABLED);
  window->parent = parent;
  if (style & WS_CHILD) window->id = static_cast<int>(reinterpret_cast<intptr_t>(menuOrId));
  LONG originX = (style & WS_CHILD) && parentWindow ? parentWindow->rect.left : 0;
  LONG originY = (style & WS_CHILD) && parentWindow ? parentWindow->rect.top : 0;
  window->rect = RECT{originX + x, originY + y, originX + x + std::max(0, width),
                      originY + y + std::max(0, height)};
  vwin::resizeSurface(*window);
  HWND handle;
  {
    vwin::Table& t = vwin::table();
    std::lock_guard<std::mutex> lock(t.mutex);
    handle = reinterpret_cast<HWND>(t.nextHandle);
    t.nextHandle += 4;
    window->handle = handle;
    t.windows.emplace(handle, std::move(window));
  }
  if (parentWindow) parentWindow->children.push_back(handle);
  return handle;
}

WINAPI_EXPORT BOOL WINAPI DestroyWindow(HWND handle) {
  if (!lookupOrFail(handle)) return FALSE;
  vwin::destroyTree(handle);
  return TRUE;
}

WINAPI_EXPORT BOOL WINAPI IsWindow(HWND handle) { return windowFromHandle(handle) != nullptr; }

WINAPI_EXPORT HWND WINAPI GetParent(HWND handle) {
  Window* w = lookupOrFail(handle);
  return w ? w->parent : nullptr;
}

WINAPI_EXPORT BOOL WINAPI GetWindowRect(HWND handle, LPRECT rect) {
  Window* w = lookupOrFail(handle);
  if (!w || !rect) return FALSE;
  *rect = w->rect;
  return TRUE;
}

WINAPI_EXPORT BOOL WINAPI GetClientRect(HWND handle, LPRECT rect) {
  Window* w = lookupOrFail(handle);
  if (!w || !rect) return FALSE;
  *rect = RECT{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
  return TRUE;
}

static void moveTree(Window& w, LONG dx, LONG dy) {
  w.rect.left += dx;
  w.rect.right += dx;
  w.rect.top += dy;
  w.rect.bottom += dy;
  for (HWND child : w.children)
    if (Window* c = windowFromHandle(child)) moveTree(*c, dx, dy);
}

WINAPI_EXPORT BOOL WINAPI SetWindowPos(HWND handle, HWND, int x, int y, int cx, int cy,
                                       UINT flags) {
  Window* w = lookupOrFail(handle);
  if (!w) return FALSE;
  if (!(flags & SWP_NOMOVE)) {
    LONG originX = 0, originY = 0;
    if (w->style & WS_CHILD)
      if (Window* p = windowFromHandle(w->parent)) originX = p->rect.left, originY = p->rect.top;
    moveTree(*w, originX + x - w->rect.left, originY + y - w->rect.top);
  }
  if (!(flags & SWP_NOSIZE)) {
    w->rect.right = w->rect.left + std::max(0, cx);
    w->rect.bottom = w->rect.top + std::max(0, cy);
    vwin::resizeSurface(*w);
  }
  return TRUE;
}

WINAPI_EXPORT BOOL WINAPI MoveWindow(HWND handle, int x, int y, int width, int height, BOOL) {
  return SetWindowPos(handle, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

WINAPI_EXPORT int WINAPI GetSystemMetrics(int index) {
  vwin::Table& t = vwin::table();
  std::lock_guard<std::mutex> lock(t.mutex);
  if (index == SM_CXSCREEN) return t.screenWidth;
  if (index == SM_CYSCREEN) return t.screenHeight;
  return 0;
}

WINAPI_EXPORT LRESULT WINAPI SendMessageA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* w = lookupOrFail(handle);
  if (!w) return 0;
  if (w->proc) return w->proc(handle, message, wParam, lParam);
  switch (message) {
    case WM_SETTEXT:
      w->text = lParam ? reinterpret_cast<LPCSTR>(lParam) : "";
      return TRUE;
    case WM_GETTEXT: {
      if (wParam == 0 || !lParam) return 0;
      size_t n = std::min<size_t>(w->text.size(), wParam - 1);
      std::memcpy(reinterpret_cast<char*>(lParam), w->text.data(), n);
      reinterpret_cast<char*>(lParam)[n] = '\0';
      return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(w->text.size());
    default:
      return 0;
  }
}

WINAPI_EXPORT BOOL WINAPI SetWindowTextA(HWND handle, LPCSTR text) {
  if (!lookupOrFail(handle)) return FALSE;
  return SendMessageA(handle, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? TRUE : FALSE;
}

WINAPI_EXPORT int WINAPI GetWindowTextA(HWND handle, LPSTR text, int maxCount) {
  if (!text || maxCount <= 0) return 0;
  text[0] = '\0';
  if (!lookupOrFail(handle)) return 0;
  return static_cast<int>(SendMessageA(handle, WM_GETTEXT, static_cast<WPARAM>(maxCount),
                                       reinterpret_cast<LPARAM>(text)));
}

WINAPI_EXPORT int WINAPI GetWindowTextLengthA(HWND handle) {
  return static_cast<int>(SendMessageA(handle, WM_GETTEXTLENGTH, 0, 0));
}

WINAPI_EXPORT BOOL WINAPI EnableWindow(HWND handle, BOOL enable) {
  Window* w = lookupOrFail(handle);
  if (!w) return FALSE;
  BOOL wasDisabled = !w->enabled;
  w->enabled = enable != FALSE;
  if (w->proc) w->proc(handle, WM_ENABLE, enable, 0);
  return wasDisabled;
}

WINAPI_EXPORT BOOL WINAPI IsWindowEnabled(HWND handle) {
  Window* w = lookupOrFail(handle);
  return w && w->enabled;
}

WINAPI_EXPORT BOOL WINAPI InvalidateRect(HWND handle, const RECT*, BOOL) {
  if (!lookupOrFail(handle)) return FALSE;
  if (vwin::Display* display = VwinGetDisplay()) display->surfaceChanged(handle);
  return TRUE;
}

WINAPI_EXPORT HWND WINAPI GetDlgItem(HWND dialog, int id) {
  Window* w = lookupOrFail(dialog);
  if (!w) return nullptr;
  for (HWND child : w->children)
    if (Window* c = windowFromHandle(child); c && c->id == id) return child;
  SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return nullptr;
}

WINAPI_EXPORT int WINAPI GetDlgCtrlID(HWND control) {
  Window* w = lookupOrFail(control);
  return w ? w->id : 0;
}

WINAPI_EXPORT LRESULT WINAPI SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam,
                                                 LPARAM lParam) {
  HWND control = GetDlgItem(dialog, id);
  return control ? SendMessageA(control, message, wParam, lParam) : 0;
}

WINAPI_EXPORT BOOL WINAPI SetDlgItemTextA(HWND dialog, int id, LPCSTR text) {
  HWND control = GetDlgItem(dialog, id);
  return control ? SetWindowTextA(control, text) : FALSE;
}

WINAPI_EXPORT UINT WINAPI GetDlgItemTextA(HWND dialog, int id, LPSTR text, int maxCount) {
  if (text && maxCount > 0) text[0] = '\0';
  HWND control = GetDlgItem(dialog, id);
  return control ? static_cast<UINT>(GetWindowTextA(control, text, maxCount)) : 0;
}

WINAPI_EXPORT BOOL WINAPI CheckDlgButton(HWND dialog, int id, UINT check) {
  HWND control = GetDlgItem(dialog, id);
  if (!control) return FALSE;
  SendMessageA(control, BM_SETCHECK, check, 0);
  return TRUE;
}

WINAPI_EXPORT UINT WINAPI IsDlgButtonChecked(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  return control ? static_cast<UINT>(SendMessageA(control, BM_GETCHECK, 0, 0)) : 0;
}
