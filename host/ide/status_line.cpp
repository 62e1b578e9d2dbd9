// The host's status line (see host/ide/status_line.h).
// Tested by tests/host/ide/host_services_test.cpp.
#include "host/ide/status_line.h"

#include "win32/include/winuser.h"
#include "win32/user32/window.h"

namespace host {

StatusLine::StatusLine(int columns, int row) : RefCounted(IID_StatusLineService) {
  if (columns <= 0) return;
  window_ = CreateWindowExA(0, "msctls_statusbar32", "", WS_POPUP | WS_VISIBLE, 0,
                            row * vwin::kCellHeight, columns * vwin::kCellWidth, vwin::kCellHeight,
                            nullptr, nullptr, nullptr, nullptr);
}

StatusLine::~StatusLine() {
  if (window_) DestroyWindow(window_);
}

}  // namespace host
