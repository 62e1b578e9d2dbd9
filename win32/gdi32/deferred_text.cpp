// Text output put into cells when they are read (see win32/gdi32/deferred_text.h).
// Tested by tests/win32/gdi32/gdi_test.cpp.
#include "win32/gdi32/deferred_text.h"

#include <algorithm>
#include <atomic>
#include <utility>

#include "win32/user32/window.h"

namespace vwin {
namespace {

std::atomic<unsigned long long> cellCount{0};

// The cells whose centres lie in [from, to) along one axis of cells `size` pixels long: the
// first, and one past the last (equal when none do).
void cellSpan(LONG from, LONG to, int size, int& first, int& end) {
  first = firstCellFrom(static_cast<int>(from), size);
  end = firstCellFrom(static_cast<int>(to), size);
  if (end < first) end = first;
}

// The cells of `surface` a rectangle covers.
void coveredCells(const Surface& s, const RECT& rect, int& col0, int& col1, int& row0, int& row1) {
  cellSpan(rect.left, rect.right, kCellWidth, col0, col1);
  cellSpan(rect.top, rect.bottom, kCellHeight, row0, row1);
  col0 = std::max(0, col0);
  col1 = std::max(col0, std::min(col1, s.cols));
  row0 = std::max(0, row0);
  row1 = std::max(row0, std::min(row1, s.rows));
}

// The row of the text and the indexes [first, end) of its characters that land inside the
// surface (and the rectangle when clipped); first == end when none do.
void textCells(const Surface& s, const TextDraw& d, int& row, int& col0, long long& first,
               long long& end) {
  row = floorDiv(d.y + kCellHeight / 2, kCellHeight);
  col0 = floorDiv(d.x + kCellWidth / 2, kCellWidth);
  int lo = 0, hi = s.cols;
  bool rowShown = row >= 0 && row < s.rows;
  if (d.clipped) {
    int firstCol, endCol, firstRow, endRow;
    cellSpan(d.rect.left, d.rect.right, kCellWidth, firstCol, endCol);
    cellSpan(d.rect.top, d.rect.bottom, kCellHeight, firstRow, endRow);
    rowShown = rowShown && row >= firstRow && row < endRow;
    lo = std::max(lo, firstCol);
    hi = std::min(hi, endCol);
  }
  first = end = 0;
  if (!rowShown) return;
  first = std::max<long long>(0, static_cast<long long>(lo) - col0);
  end = std::min<long long>(static_cast<long long>(d.characters.size()),
                            static_cast<long long>(hi) - col0);
  if (end < first) end = first;
}

}  // namespace

void renderTextDraw(Surface& s, const TextDraw& d) {
  unsigned long long written = 0;
  if (d.opaque) {
    int col0, col1, row0, row1;
    coveredCells(s, d.rect, col0, col1, row0, row1);
    for (int row = row0; row < row1; ++row) {
      for (int col = col0; col < col1; ++col) {
        Cell& cell = s.at(col, row);
        cell.ch = ' ';
        cell.fg = d.text;
        cell.bg = d.background;
      }
    }
    written += static_cast<unsigned long long>(col1 - col0) * (row1 - row0);
  }
  int row, col0;
  long long first, end;
  textCells(s, d, row, col0, first, end);
  for (long long i = first; i < end; ++i) {
    Cell& cell = s.at(col0 + static_cast<int>(i), row);
    cell.ch = d.characters[static_cast<size_t>(i)];
    cell.fg = d.text;
    cell.bg = d.background;
  }
  written += static_cast<unsigned long long>(end - first);
  cellCount.fetch_add(written, std::memory_order_relaxed);
}

void DeferredText::add(Surface& surface, int x, int y, bool opaque, bool clipped, const RECT& rect,
                       COLORREF text, COLORREF background, const char* characters, size_t count) {
  Queued& q = slots_[order_[count_]];
  TextDraw& d = q.draw;
  d.x = x;
  d.y = y;
  d.opaque = opaque;
  d.clipped = clipped;
  d.rect = rect;
  d.text = text;
  d.background = background;
  d.characters.assign(characters, count);  // the slot's buffer is reused from draw to draw

  q.filled = Box{};
  if (opaque)
    coveredCells(surface, rect, q.filled.col0, q.filled.col1, q.filled.row0, q.filled.row1);
  int row, col0;
  long long first, end;
  textCells(surface, d, row, col0, first, end);
  Box t = q.filled;
  auto empty = [](const Box& b) { return b.col0 >= b.col1 || b.row0 >= b.row1; };
  if (first < end) {
    Box line{col0 + static_cast<int>(first), col0 + static_cast<int>(end), row, row + 1};
    if (empty(t)) {
      t = line;
    } else {
      t.col0 = std::min(t.col0, line.col0);
      t.col1 = std::max(t.col1, line.col1);
      t.row0 = std::min(t.row0, line.row0);
      t.row1 = std::max(t.row1, line.row1);
    }
  }
  q.touched = t;
  if (empty(t)) return;  // writes no cell: nothing to queue

  // Earlier draws whose every cell this one's fill writes again are never seen: drop them,
  // keeping the order of the rest.
  const Box& f = q.filled;
  size_t kept = count_;
  if (!empty(f)) {
    kept = 0;
    for (size_t i = 0; i < count_; ++i) {
      const Box& b = slots_[order_[i]].touched;
      bool hidden = b.col0 >= f.col0 && b.col1 <= f.col1 && b.row0 >= f.row0 && b.row1 <= f.row1;
      if (!hidden) std::swap(order_[kept++], order_[i]);
    }
  }
  std::swap(order_[kept], order_[count_]);  // the new draw right after those kept
  count_ = kept + 1;
  if (count_ > kKept) {
    uint8_t oldest = order_[0];
    renderTextDraw(surface, slots_[oldest].draw);
    for (size_t i = 1; i < count_; ++i) order_[i - 1] = order_[i];
    order_[--count_] = oldest;
  }
}

void DeferredText::settle(Surface& surface) {
  for (size_t i = 0; i < count_; ++i) renderTextDraw(surface, slots_[order_[i]].draw);
  count_ = 0;
}

unsigned long long DeferredText::cellsWritten() { return cellCount.load(); }

}  // namespace vwin
