// The host's status line on Windows (see host/ide/status_line.h): a real, hidden window of the
// status bar's size for the add-on to draw its progress line into, as the IDE's status bar
// would be; nothing shows it. Tested under Wine by tests/windows/wine_test.sh.
#include "host/ide/status_line.h"

namespace host {

namespace {

// The cell of the POSIX host's status line, so a status line is as wide in pixels on both.
constexpr int kCellWidth = 8;
constexpr int kCellHeight = 16;

}  // namespace

StatusLine::StatusLine(int columns, int row) : RefCounted(IID_StatusLineService) {
  if (columns <= 0) return;
  window_ = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, row * kCellHeight, columns * kCellWidth,
                            kCellHeight, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

StatusLine::~StatusLine() {
  if (window_) DestroyWindow(window_);
}

}  // namespace host
