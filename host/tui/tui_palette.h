// The terminal front end's colours: Windows colours (COLORREF) turned into ncurses colour pairs.
//
// On a terminal that can redefine its colours, each distinct colour gets a colour slot of its own
// (from 16 up) set to its exact value; ncurses restores the terminal's palette at endwin. Other
// terminals get the nearest colour of what they have: the 6x6x6 cube and grey ramp of a
// 256-colour terminal, else the 16 or 8 basic colours. kDefault stands for the terminal's own
// foreground or background.
// Threading: the thread that owns the curses screen. Tested by tests/host/tui/tui_palette_test.cpp
// (the mapping) and tests/host/tui/tui_app_test.cpp (the colours seen on a terminal).
#ifndef VANTREL_HOST_TUI_PALETTE_H_
#define VANTREL_HOST_TUI_PALETTE_H_

#include <cstdint>
#include <map>

#include "win32/include/windef.h"

namespace tui {

// A colour that means "the terminal's own" (not a valid RGB value).
constexpr COLORREF kDefault = 0xFF000000u;

// The nearest of a terminal's `colors` standard colours (8, 16 or 256) to an RGB colour.
int nearestColor(COLORREF color, int colors);

// The RGB value a terminal shows for standard colour `index` (xterm's palette from 16 up; the
// classic 16-colour values below).
COLORREF standardColor(int index);

class Palette {
 public:
  // Reads what the started curses screen offers (COLORS, COLOR_PAIRS, can_change_color).
  void start();

  // The attribute (COLOR_PAIR) that draws `fg` on `bg`; without colours (or pairs to spare),
  // reverse video for light on dark and dim for grey text.
  int attribute(COLORREF fg, COLORREF bg);

  bool redefines() const { return redefine_; }

 private:
  int colorNumber(COLORREF color);

  bool enabled_ = false;
  bool redefine_ = false;
  int colors_ = 8;
  int pairs_ = 0;
  int nextSlot_ = 16;
  int nextPair_ = 1;
  std::map<COLORREF, int> slots_;
  std::map<uint64_t, int> pairsByColors_;
};

}  // namespace tui

#endif  // VANTREL_HOST_TUI_PALETTE_H_
