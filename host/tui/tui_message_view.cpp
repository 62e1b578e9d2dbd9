// The message window on screen (see host/tui/tui_message_view.h).
// Tested by tests/tui_app_test.cpp.
#include "host/tui/tui_message_view.h"

#include <curses.h>

#include <algorithm>

#include "host/tui/tui_draw.h"

namespace tui {

void MessageView::draw(int height) {
  drawnVersion_ = list_.version();
  long count = static_cast<long>(list_.size());
  if (height <= 0) return;
  if (follow_) {
    if (selection_ >= 0) selection_ = count - 1;
    top_ = std::max(0L, count - height);
  }
  if (selection_ >= count) selection_ = count - 1;
  if (!scrolledAway_) {
    if (selection_ >= 0 && selection_ < top_) top_ = selection_;
    if (selection_ >= top_ + height) top_ = selection_ - height + 1;
  }
  top_ = std::max(0L, std::min(top_, std::max(0L, count - 1)));
  std::vector<Row> rows = list_.rows(static_cast<size_t>(top_), static_cast<size_t>(height));
  for (int r = 0; r < height; ++r) {
    if (r >= static_cast<int>(rows.size())) {
      blank(r, 0, COLS, A_NORMAL);
      continue;
    }
    const Row& row = rows[static_cast<size_t>(r)];
    int attr = row.kind == Row::kHeading ? A_BOLD : A_NORMAL;
    if (top_ + r == selection_) attr = A_REVERSE;
    // Left and Right scroll the window sideways for long lines.
    std::string_view shown = row.shown;
    for (int skipped = 0; skipped < left_ && !shown.empty();) {
      shown.remove_prefix(1);
      if (shown.empty() || (static_cast<unsigned char>(shown[0]) & 0xC0) != 0x80) ++skipped;
    }
    put(r, 0, shown, COLS, attr, true);
  }
}

bool MessageView::handleKey(const Key& key, int height) {
  if (key.type == Key::kLeft || key.type == Key::kRight) {
    left_ = std::max(0, left_ + (key.type == Key::kRight ? kSideStep : -kSideStep));
    return true;
  }
  long count = static_cast<long>(list_.size());
  if (count == 0) return false;
  long page = std::max(1, height - 1);
  long target = selection_ < 0 ? count - 1 : selection_;
  switch (key.type) {
    case Key::kUp:
      target -= 1;
      break;
    case Key::kDown:
      target += 1;
      break;
    case Key::kPageUp:
      target -= page;
      break;
    case Key::kPageDown:
      target += page;
      break;
    case Key::kHome:
      target = 0;
      break;
    case Key::kEnd:
      target = count - 1;
      break;
    default:
      return false;
  }
  selection_ = std::clamp(target, 0L, count - 1);
  follow_ = selection_ == count - 1;
  scrolledAway_ = false;
  return true;
}

bool MessageView::click(int row, int height) {
  long count = static_cast<long>(list_.size());
  long index = top_ + row;
  if (row < 0 || row >= height || index >= count) return false;
  bool again = index == selection_;
  selection_ = index;
  follow_ = selection_ == count - 1;
  scrolledAway_ = false;
  return again;
}

void MessageView::wheel(int notches, int height) {
  long count = static_cast<long>(list_.size());
  long bottom = std::max(0L, count - height);
  top_ = std::clamp(top_ + static_cast<long>(notches) * kWheelStep, 0L, bottom);
  // Back at the end with the last row (or none) selected, new rows are followed again.
  follow_ = top_ == bottom && (selection_ < 0 || selection_ == count - 1);
  scrolledAway_ = !follow_;
}

std::optional<Row> MessageView::selected() const {
  if (selection_ < 0 || selection_ >= static_cast<long>(list_.size())) return std::nullopt;
  return list_.row(static_cast<size_t>(selection_));
}

}  // namespace tui
