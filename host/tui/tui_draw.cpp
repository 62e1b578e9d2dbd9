// Drawing helpers (see host/tui/tui_draw.h).
#include "host/tui/tui_draw.h"

#include <curses.h>

namespace tui {
namespace {

constexpr Glyphs kUnicodeGlyphs{"\xe2\x96\xbe ", "\xe2\x96\xb8 ", "\xe2\x94\x82", "\xe2\x96\xb6"};
constexpr Glyphs kAsciiGlyphs{"v ", "> ", "|", ">"};
const Glyphs* chosen = &kUnicodeGlyphs;

}  // namespace

const Glyphs& glyphs() { return *chosen; }
void useAsciiGlyphs(bool ascii) { chosen = ascii ? &kAsciiGlyphs : &kUnicodeGlyphs; }

int columns(std::string_view text) {
  int n = 0;
  for (unsigned char c : text)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

std::string_view clip(std::string_view text, int width) {
  if (width <= 0) return {};
  int n = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      if (n == width) return text.substr(0, i);
      ++n;
    }
  }
  return text;
}

std::string_view fromColumn(std::string_view text, int first) {
  size_t at = 0;
  for (int n = 0; at < text.size(); ++at)
    if ((static_cast<unsigned char>(text[at]) & 0xC0) != 0x80 && n++ == first) break;
  return text.substr(at);
}

void put(int row, int col, std::string_view text, int width, int attr, bool fill) {
  if (row < 0 || row >= LINES || col >= COLS || width <= 0) return;
  if (col + width > COLS) width = COLS - col;
  std::string_view shown = clip(text, width);
  attrset(attr);
  mvaddnstr(row, col, shown.data(), static_cast<int>(shown.size()));
  if (fill) {
    int used = columns(shown);
    if (used < width) blank(row, col + used, width - used, attr);
  }
  attrset(A_NORMAL);
}

void blank(int row, int col, int width, int attr) {
  if (row < 0 || row >= LINES || width <= 0) return;
  if (col + width > COLS) width = COLS - col;
  attrset(attr);
  mvhline(row, col, ' ', width);
  attrset(A_NORMAL);
}

void frame(int top, int left, int bottom, int right, int attr) {
  attrset(attr);
  mvhline(top, left + 1, ACS_HLINE, right - left - 1);
  mvhline(bottom, left + 1, ACS_HLINE, right - left - 1);
  mvvline(top + 1, left, ACS_VLINE, bottom - top - 1);
  mvvline(top + 1, right, ACS_VLINE, bottom - top - 1);
  mvaddch(top, left, ACS_ULCORNER);
  mvaddch(top, right, ACS_URCORNER);
  mvaddch(bottom, left, ACS_LLCORNER);
  mvaddch(bottom, right, ACS_LRCORNER);
  attrset(A_NORMAL);
}

}  // namespace tui
