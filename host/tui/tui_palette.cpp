// Windows colours on a terminal (see host/tui/tui_palette.h).
// Tested by tests/host/tui/tui_palette_test.cpp and tests/host/tui/tui_app_test.cpp.
#include "host/tui/tui_palette.h"

#include <curses.h>

namespace tui {
namespace {

// The classic values of the 16 basic colours, as most terminals (and DOS) show them.
constexpr COLORREF kBasic[16] = {
    RGB(0, 0, 0),       RGB(128, 0, 0),   RGB(0, 128, 0),   RGB(128, 128, 0),
    RGB(0, 0, 128),     RGB(128, 0, 128), RGB(0, 128, 128), RGB(192, 192, 192),
    RGB(128, 128, 128), RGB(255, 0, 0),   RGB(0, 255, 0),   RGB(255, 255, 0),
    RGB(0, 0, 255),     RGB(255, 0, 255), RGB(0, 255, 255), RGB(255, 255, 255)};

constexpr int kCubeLevels[6] = {0, 95, 135, 175, 215, 255};

long distance(COLORREF a, COLORREF b) {
  long dr = static_cast<long>(GetRValue(a)) - GetRValue(b);
  long dg = static_cast<long>(GetGValue(a)) - GetGValue(b);
  long db = static_cast<long>(GetBValue(a)) - GetBValue(b);
  return dr * dr + dg * dg + db * db;
}

}  // namespace

COLORREF standardColor(int index) {
  if (index < 16) return kBasic[index < 0 ? 0 : index];
  if (index < 232) {
    int i = index - 16;
    return RGB(kCubeLevels[i / 36], kCubeLevels[(i / 6) % 6], kCubeLevels[i % 6]);
  }
  int grey = 8 + 10 * (index - 232);
  return RGB(grey, grey, grey);
}

int nearestColor(COLORREF color, int colors) {
  // A 256-colour terminal's cube and ramp are the same everywhere; its first 16 are not.
  int first = colors >= 256 ? 16 : 0;
  int last = colors >= 256 ? 256 : (colors >= 16 ? 16 : 8);
  int best = first;
  long bestDistance = -1;
  for (int i = first; i < last; ++i) {
    long d = distance(color, standardColor(i));
    if (bestDistance < 0 || d < bestDistance) {
      best = i;
      bestDistance = d;
    }
  }
  return best;
}

void Palette::start() {
  enabled_ = has_colors();
  if (!enabled_) return;
  colors_ = COLORS;
  pairs_ = COLOR_PAIRS;
  redefine_ = can_change_color() && COLORS > 16;
  nextSlot_ = 16;
  nextPair_ = 1;
  slots_.clear();
  pairsByColors_.clear();
}

int Palette::colorNumber(COLORREF color) {
  if (color == kDefault) return -1;
  color &= 0xFFFFFF;
  if (redefine_) {
    auto found = slots_.find(color);
    if (found != slots_.end()) return found->second;
    if (nextSlot_ < colors_) {
      int slot = nextSlot_++;
      // curses takes colour values in thousandths.
      init_color(static_cast<short>(slot), static_cast<short>(GetRValue(color) * 1000 / 255),
                 static_cast<short>(GetGValue(color) * 1000 / 255),
                 static_cast<short>(GetBValue(color) * 1000 / 255));
      slots_[color] = slot;
      return slot;
    }
  }
  return nearestColor(color, colors_);
}

// Without colours, light on dark is shown reversed and grey text dim, so a selection, a caption,
// the done part of a bar and a disabled button still stand out.
int monochrome(COLORREF fg, COLORREF bg) {
  if (fg == kDefault || bg == kDefault) return A_NORMAL;
  auto light = [](COLORREF c) { return GetRValue(c) * 3 + GetGValue(c) * 6 + GetBValue(c); };
  int attr = light(bg) < light(fg) ? A_REVERSE : A_NORMAL;
  if ((fg & 0xFFFFFF) == RGB(128, 128, 128)) attr |= A_DIM;
  return attr;
}

int Palette::attribute(COLORREF fg, COLORREF bg) {
  if (!enabled_) return monochrome(fg, bg);
  uint64_t key = (static_cast<uint64_t>(fg) << 32) | bg;
  auto found = pairsByColors_.find(key);
  if (found != pairsByColors_.end()) return COLOR_PAIR(found->second);
  if (nextPair_ >= pairs_ || nextPair_ > 255) return monochrome(fg, bg);
  int pair = nextPair_++;
  init_pair(static_cast<short>(pair), static_cast<short>(colorNumber(fg)),
            static_cast<short>(colorNumber(bg)));
  pairsByColors_[key] = pair;
  return COLOR_PAIR(pair);
}

}  // namespace tui
