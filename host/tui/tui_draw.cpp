// Drawing helpers (see host/tui/tui_draw.h).
#include "host/tui/tui_draw.h"

#include <curses.h>
#include <wchar.h>

#include <cstdint>

namespace tui {
namespace {

constexpr Glyphs kUnicodeGlyphs{"\xe2\x96\xbe ", "\xe2\x96\xb8 ", "\xe2\x94\x82", "\xe2\x96\xb6",
                                "\xe2\x80\xa6"};
constexpr Glyphs kAsciiGlyphs{"v ", "> ", "|", ">", "..."};
const Glyphs* chosen = &kUnicodeGlyphs;

}  // namespace

const Glyphs& glyphs() { return *chosen; }
void useAsciiGlyphs(bool ascii) { chosen = ascii ? &kAsciiGlyphs : &kUnicodeGlyphs; }

namespace {

// The character at `text[at]`: its length in bytes and the cells it takes, as the terminal's
// library counts them (wcwidth: 2 for a wide character, 0 for a combining one). Texts are escaped
// already, so no control character comes here; anything wcwidth does not know takes one cell.
int cellsAt(std::string_view text, size_t at, size_t* length) {
  unsigned char b = static_cast<unsigned char>(text[at]);
  if (b < 0x80) {
    *length = 1;
    return 1;
  }
  size_t n = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
  if (at + n > text.size()) n = 1;
  uint32_t code = n == 1 ? b : b & (0x7F >> n);
  for (size_t i = 1; i < n; ++i)
    code = code << 6 | (static_cast<unsigned char>(text[at + i]) & 0x3F);
  *length = n;
  int cells = wcwidth(static_cast<wchar_t>(code));
  return cells < 0 ? 1 : cells;
}

}  // namespace

int columns(std::string_view text) {
  int n = 0;
  for (size_t at = 0, length = 0; at < text.size(); at += length) n += cellsAt(text, at, &length);
  return n;
}

std::string_view clip(std::string_view text, int width) {
  if (width <= 0) return {};
  int n = 0;
  for (size_t at = 0, length = 0; at < text.size(); at += length) {
    int cells = cellsAt(text, at, &length);
    if (n + cells > width) return text.substr(0, at);  // a wide character is not cut in two
    n += cells;
  }
  return text;
}

std::vector<std::string> wrap(std::string_view text, int width, std::string_view indent) {
  std::vector<std::string> rows;
  std::string row;
  while (true) {
    int room = width - columns(row);
    std::string_view fits = clip(text, room);
    if (fits.size() == text.size() || room <= 0) {
      rows.push_back(row + std::string(fits));
      return rows;
    }
    // Break after the last blank that fits (a blank just past the edge counts); a row that holds
    // no blank is broken where it fills.
    size_t blank = text.substr(0, fits.size() + 1).rfind(' ');
    size_t cut = blank != std::string_view::npos && blank > 0 ? blank : fits.size();
    if (cut == 0) cut = fits.empty() ? text.size() : fits.size();  // nothing fits: no endless loop
    rows.push_back(row + std::string(text.substr(0, cut)));
    text.remove_prefix(cut);
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    if (text.empty()) return rows;
    row = std::string(indent);
  }
}

std::string_view fromColumn(std::string_view text, int first) {
  // The characters that start before `first` go, with the combining ones that follow them.
  size_t at = 0;
  int n = 0;
  while (at < text.size()) {
    size_t length = 0;
    int cells = cellsAt(text, at, &length);
    if (n >= first && cells > 0) break;
    n += cells;
    at += length;
  }
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
