// Text output kept as drawn and put into a window's cells only when the cells are read.
//
// A search redraws its progress line twice a file into a status window that, off a terminal,
// nobody reads; a terminal reads it at most every few tens of milliseconds. So ExtTextOutA
// records each draw here, and whoever reads the surface (copySurface, a resize) first settles
// the draws in the order they were made. A draw whose every cell a later opaque fill covers is
// dropped unrendered, and at most kKept draws wait: beyond that the oldest is rendered at once,
// so a window never read costs a bounded queue and no cell writes for the overwritten draws.
// The cells read are always those eager drawing would have made.
//
// Ownership: a window owns its queue; a queued draw's text is a copy, so the caller's buffer
// may go at once.
// Threading: used under the window's surfaceMutex only.
// Tested by tests/win32/gdi32/gdi_test.cpp.
#ifndef VANTREL_WIN32_DEFERRED_TEXT_H_
#define VANTREL_WIN32_DEFERRED_TEXT_H_

#include <array>
#include <cstdint>
#include <string>

#include "win32/include/windef.h"

namespace vwin {

struct Surface;

// One ExtTextOutA call into a window, with the device context's colours at the time.
struct TextDraw {
  int x = 0;
  int y = 0;
  bool opaque = false;   // ETO_OPAQUE with a rectangle
  bool clipped = false;  // ETO_CLIPPED with a rectangle
  RECT rect{};
  COLORREF text = 0;
  COLORREF background = 0;
  std::string characters;
};

// Puts one draw into the cells of `surface` (the pixel-to-cell rule of win32/user32/window.h).
void renderTextDraw(Surface& surface, const TextDraw& draw);

class DeferredText {
 public:
  static constexpr size_t kKept = 8;

  // Queues a draw into `surface` (which stays unsettled): `characters` holds `count` bytes.
  void add(Surface& surface, int x, int y, bool opaque, bool clipped, const RECT& rect,
           COLORREF text, COLORREF background, const char* characters, size_t count);
  // Renders every queued draw into `surface`, oldest first.
  void settle(Surface& surface);

  // Cells written by rendering in this process, for tests that prove unread draws cost none.
  static unsigned long long cellsWritten();

 private:
  // Where a draw wrote, as a box of cells [col0, col1) x [row0, row1), empty when col0 == col1.
  struct Box {
    int col0 = 0, col1 = 0, row0 = 0, row1 = 0;
  };
  struct Queued {
    TextDraw draw;
    Box touched;  // every cell the draw writes lies inside
    Box filled;   // cells the draw's opaque fill writes, all of them
  };

  // Slots keep their text buffers from draw to draw; `order_` lists the queued ones, oldest
  // first, in its first `count_` places, and the free ones after.
  std::array<Queued, kKept + 1> slots_;
  std::array<uint8_t, kKept + 1> order_{0, 1, 2, 3, 4, 5, 6, 7, 8};
  size_t count_ = 0;
};

}  // namespace vwin

#endif  // VANTREL_WIN32_DEFERRED_TEXT_H_
