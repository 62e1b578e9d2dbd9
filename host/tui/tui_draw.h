// Drawing helpers of the terminal front end: text clipped to a number of columns, filled spans
// and frames, on the curses standard screen.
//
// Texts are UTF-8 already escaped for the terminal; a column is a cell of the terminal: a wide
// (CJK) character takes two, a combining one none, as wcwidth counts them.
// Threading: the thread that owns the curses screen. Tested through
// tests/host/tui/tui_app_test.cpp.
#ifndef VANTREL_HOST_TUI_DRAW_H_
#define VANTREL_HOST_TUI_DRAW_H_

#include <string>
#include <string_view>
#include <vector>

namespace tui {

// The characters beyond ASCII the front end draws (▾ ▸ │ ▶), or ASCII stand-ins for a locale that
// cannot show them (v > | >): chosen once by host/tui/tui_screen.h when the screen starts.
struct Glyphs {
  const char* unfolded;  // "▾ "
  const char* folded;    // "▸ "
  const char* bar;       // "│"
  const char* hit;       // "▶"
  const char* more;      // "…": text left out before
};
const Glyphs& glyphs();
void useAsciiGlyphs(bool ascii);

// The number of columns `text` takes.
int columns(std::string_view text);

// The longest start of `text` that fits in `width` columns.
std::string_view clip(std::string_view text, int width);

// The part of `text` from column `first` on (empty when it is shorter).
std::string_view fromColumn(std::string_view text, int first);

// `text` in rows of at most `width` columns, broken after a blank where one is (else inside a
// word); every row after the first begins with `indent`. At least one row.
std::vector<std::string> wrap(std::string_view text, int width, std::string_view indent = " ");

// Writes `text` at (row, col) with `attr`, at most `width` columns; with `fill`, pads the rest of
// the width with blanks in the same attribute.
void put(int row, int col, std::string_view text, int width, int attr, bool fill = false);

// Blanks `width` cells at (row, col) with `attr`.
void blank(int row, int col, int width, int attr);

// A frame of line-drawing characters around the rectangle (top, left)-(bottom, right), inclusive.
void frame(int top, int left, int bottom, int right, int attr);

}  // namespace tui

#endif  // VANTREL_HOST_TUI_DRAW_H_
