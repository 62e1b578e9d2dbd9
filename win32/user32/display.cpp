// Routes beeps, message boxes, the active window and the key state to the host's Display.
// Tested by tests/host/posix/host_display_test.cpp.
#include "win32/user32/display.h"

#include <atomic>

#include "win32/include/winuser.h"

namespace {
std::atomic<vwin::Display*> installed{nullptr};
}

WINAPI_EXPORT void VwinSetDisplay(vwin::Display* display) { installed.store(display); }

WINAPI_EXPORT vwin::Display* VwinGetDisplay(void) { return installed.load(); }

WINAPI_EXPORT BOOL WINAPI MessageBeep(UINT type) {
  if (vwin::Display* d = installed.load()) d->beep(type);
  return TRUE;
}

WINAPI_EXPORT int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  vwin::Display* d = installed.load();
  if (!d) return 0;
  return d->messageBox(owner, text ? text : "", caption ? caption : "Error", type);
}

WINAPI_EXPORT HWND WINAPI GetActiveWindow(void) {
  vwin::Display* d = installed.load();
  return d ? d->activeWindow() : nullptr;
}

WINAPI_EXPORT SHORT WINAPI GetAsyncKeyState(int virtualKey) {
  vwin::Display* d = installed.load();
  return d ? d->asyncKeyState(virtualKey) : 0;
}
