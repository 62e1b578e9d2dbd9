// The terminal's bottom row (see host/tui/tui_status_row.h).
// Tested by tests/host/tui/tui_app_test.cpp.
#include "host/tui/tui_status_row.h"

#include <curses.h>

#include "host/ide/text_encoding.h"
#include "host/tui/tui_draw.h"
#include "win32/include/wingdi.h"
#include "win32/include/winuser.h"
#include "win32/user32/window.h"

namespace tui {

void paintStatusWindow(HWND window) {
  RECT rect;
  if (!window || !GetClientRect(window, &rect)) return;
  HDC dc = GetDC(window);
  if (!dc) return;
  SetBkColor(dc, RGB(192, 192, 192));
  SetTextColor(dc, RGB(0, 0, 0));
  ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rect, "", 0, nullptr);
  // The 96 pixels at the right stay the host's while the bar is drawn.
  static const char kStop[] = " Esc Stop";
  int x = rect.right - 96;
  if (x > 0) ExtTextOutA(dc, x, 0, 0, nullptr, kStop, sizeof kStop - 1, nullptr);
  ReleaseDC(window, dc);
}

void drawStatusWindow(HWND window, int row, Palette& palette) {
  vwin::Surface surface = vwin::copySurface(window);
  if (surface.rows <= 0) return;
  int width = std::min(surface.cols, COLS);
  std::string text;
  for (int col = 0; col < width;) {
    // One run of cells in the same colours at a time.
    const vwin::Cell& first = surface.at(col, 0);
    int end = col;
    text.clear();
    while (end < width && surface.at(end, 0).fg == first.fg && surface.at(end, 0).bg == first.bg) {
      char ch = surface.at(end, 0).ch;
      if (static_cast<unsigned char>(ch) < 0x20 || ch == 0x7F)
        text.push_back(' ');
      else
        host::appendTerminalText(text, std::string_view(&ch, 1));
      ++end;
    }
    put(row, col, text, end - col, palette.attribute(first.fg, first.bg));
    col = end;
  }
  if (width < COLS)
    blank(row, width, COLS - width, palette.attribute(RGB(0, 0, 0), RGB(192, 192, 192)));
}

void drawKeys(int row, const std::string& note, Palette& palette, bool between,
              const std::string& keys) {
  int attr = palette.attribute(RGB(0, 0, 0), RGB(192, 192, 192));
  // The note first: the keys may not all fit.
  std::string line = between ? keys : note;
  if (between && !note.empty()) line = " " + note + "  " + glyphs().bar + keys;
  put(row, 0, line, COLS, attr, true);
}

}  // namespace tui
