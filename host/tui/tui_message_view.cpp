// The message window on screen (see host/tui/tui_message_view.h).
// Tested by tests/host/tui/tui_message_view_test.cpp and tests/host/tui/tui_app_test.cpp.
#include "host/tui/tui_message_view.h"

#include <curses.h>

#include <algorithm>

#include "host/tui/tui_draw.h"
#include "host/tui/tui_preview.h"

namespace tui {
namespace {

// A file's heading in `width` columns: its path and hit count ("2 of 5 hits" while a filter lets
// only some through), or, when that does not fit, its file name first and its directory after.
std::string headingText(const Row& row, int width) {
  std::string count = "(" + std::to_string(row.hits) + (row.hits == 1 ? " hit)" : " hits)");
  if (row.matching != row.hits) count.insert(1, std::to_string(row.matching) + " of ");
  std::string marker = row.folded ? glyphs().folded : glyphs().unfolded;
  std::string full = marker + row.shown + "  " + count;
  if (columns(full) <= width) return full;
  size_t slash = row.shown.rfind('/');
  if (slash == std::string::npos) return full;
  return marker + row.shown.substr(slash + 1) + "  " + count + "  " +
         row.shown.substr(0, slash + 1);
}

// Where `text` holds `folded` (ASCII letters in either case), or npos.
size_t findFolded(std::string_view text, const std::string& folded) {
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
  for (size_t p = 0; p + folded.size() <= text.size(); ++p) {
    size_t i = 0;
    while (i < folded.size() && lower(text[p + i]) == folded[i]) ++i;
    if (i == folded.size()) return p;
  }
  return std::string_view::npos;
}

}  // namespace

std::string describePage(const MessageList& list, size_t page) {
  PageSummary s = list.summary(page);
  std::string out = " " + std::to_string(page + 1) + "/" + std::to_string(list.pageCount()) + "  ";
  // With a filter on: the hits it lets through, of the page's.
  if (s.shownHits != s.hits) out += std::to_string(s.shownHits) + " of ";
  out += std::to_string(s.hits) + (s.hits == 1 ? " hit in " : " hits in ") +
         std::to_string(s.shownFiles) + (s.shownFiles == 1 ? " file" : " files");
  if (s.stopped) out += ", stopped by the user";
  if (s.hits == 0 && s.summaryDirectories >= 0 && s.request.known && !(s.request.options & 0x02)) {
    // Nothing found in the top directories alone: the likeliest reason, said where it is seen.
    out += "; " + std::to_string(s.summaryFiles) + (s.summaryFiles == 1 ? " file" : " files") +
           " searched in " + std::to_string(s.summaryDirectories) +
           (s.summaryDirectories == 1 ? " directory" : " directories") +
           "; Recurse Subdirectories is off";
  }
  std::string filter = list.filter(page);
  if (!filter.empty()) out += "  [filter: " + filter + "]";
  out += "  " + describe(s.request);
  return out;
}

void MessageView::showPage(size_t page) {
  page_ = page;
  selection_ = -1;
  top_ = 0;
  left_ = 0;
  follow_ = false;
  wantFirstHit_ = true;
  scrolledAway_ = false;
}

void MessageView::refilter(const std::function<void()>& change) {
  // The selection stays on the row it was on while that row is shown; else the first hit shown.
  long behind = selection_ >= 0 ? list_.rowBehind(page_, static_cast<size_t>(selection_)) : -1;
  change();
  if (behind < 0) {
    showPage(page_);
    return;
  }
  long index = list_.shownRowOf(page_, static_cast<uint64_t>(behind));
  if (index < 0) {
    showPage(page_);
    return;
  }
  top_ = 0;
  left_ = 0;
  moveTo(index, static_cast<long>(list_.size(page_)));
  revealBelow_ = false;
}

void MessageView::draw(int height, int width) {
  drawnVersion_ = list_.version();
  if (height <= 0) return;
  if (width <= 0 || width > COLS) width = COLS;
  if (page_ >= list_.pageCount() && list_.pageCount() > 0) showPage(list_.pageCount() - 1);
  // The header wraps so that what was searched can always be read, up to a third of the rows.
  std::vector<std::string> header =
      wrap(list_.pageCount() ? describePage(list_, page_) : " No search yet", COLS, "   ");
  headerRows_ = std::clamp(static_cast<int>(header.size()), 1, std::max(1, height / 3));
  for (int r = 0; r < headerRows_; ++r)
    put(r, 0, header[static_cast<size_t>(r)], COLS, A_REVERSE | A_BOLD, true);
  long count = static_cast<long>(list_.size(page_));
  long rowsShown = listHeight(height);
  if (wantFirstHit_ && count > 0) {
    // The first hit, once there is one; until then the first row.
    Row second = list_.row(page_, 1);
    Row first = list_.row(page_, 0);
    if (second.kind == Row::kHit) {
      selection_ = 1;
      wantFirstHit_ = false;
    } else if (first.kind != Row::kHeading) {
      selection_ = 0;
    }
  }
  if (follow_) {
    if (selection_ >= 0) selection_ = count - 1;
    top_ = std::max(0L, count - rowsShown);
  }
  if (selection_ >= count) selection_ = count - 1;
  if (revealBelow_ && selection_ >= 0 && rowsShown > 0) {
    // The list just opened under the selection: as much of it as fits, the selection kept.
    revealBelow_ = false;
    scrolledAway_ = false;
    long last = selection_;
    while (last + 1 < count && last + 1 - selection_ < rowsShown &&
           list_.row(page_, static_cast<size_t>(last + 1)).kind == Row::kNotice)
      ++last;
    if (last >= top_ + rowsShown) top_ = std::min(selection_, last - rowsShown + 1);
  }
  if (!scrolledAway_ && rowsShown > 0) {
    if (selection_ >= 0 && selection_ < top_) top_ = selection_;
    if (selection_ >= top_ + rowsShown) top_ = selection_ - rowsShown + 1;
    // A hit in the first list row would be hidden by its file's pinned heading.
    if (selection_ >= 0 && selection_ == top_ && top_ > 0 &&
        list_.row(page_, static_cast<size_t>(top_)).kind == Row::kHit)
      --top_;
  }
  top_ = std::max(0L, std::min(top_, std::max(0L, count - 1)));
  std::vector<Row> rows =
      list_.rows(page_, static_cast<size_t>(top_), static_cast<size_t>(rowsShown));
  if (!rows.empty() && rows[0].kind == Row::kHit) {
    // The pinned heading: the file of the first row shown.
    long heading = list_.headingRow(page_, rows[0].file);
    if (heading >= 0) rows[0] = list_.row(page_, static_cast<size_t>(heading));
  }
  int longest = 0;
  for (const Row& row : rows)
    longest = std::max(longest, row.kind == Row::kHeading ? columns(headingText(row, 1 << 20))
                                                          : columns(row.shown));
  maxLeft_ = std::max(0, longest - width);
  SearchRequest request = list_.summary(page_).request;
  std::string filter = list_.filter(page_);  // folded to ASCII lower case
  left_ = std::min(left_, maxLeft_);
  for (int r = 0; r < rowsShown; ++r) {
    int screenRow = r + headerRows_;
    if (r >= static_cast<int>(rows.size())) {
      blank(screenRow, 0, width, A_NORMAL);
      continue;
    }
    const Row& row = rows[static_cast<size_t>(r)];
    bool pinned = r == 0 && row.kind == Row::kHeading && top_ > 0 &&
                  list_.row(page_, static_cast<size_t>(top_)).kind == Row::kHit;
    int attr = A_NORMAL;
    if (row.kind == Row::kHeading || row.kind == Row::kNotices) attr = A_BOLD;
    if (pinned) attr = A_BOLD | A_UNDERLINE;
    if (!pinned && top_ + r == selection_) attr = A_REVERSE;
    std::string text = row.shown;
    if (row.kind == Row::kHeading) text = headingText(row, width + left_);
    if (row.kind == Row::kNotices) text = (row.folded ? glyphs().folded : glyphs().unfolded) + text;
    put(screenRow, 0, fromColumn(text, left_), width, attr, true);
    size_t at = 0, length = 0;
    if (row.kind == Row::kHit && left_ == 0 &&
        matchInShown(row.text, request, row.column, &at, &length)) {
      // The matched text, in the row's colours turned about (or bold on the selection).
      size_t prefix = row.shown.size() - row.text.size();
      int col = columns(std::string_view(row.shown).substr(0, prefix + at));
      std::string_view match = std::string_view(row.text).substr(at, length);
      if (col < width)
        put(screenRow, col, match, width - col,
            attr == A_REVERSE ? A_REVERSE | A_BOLD | A_UNDERLINE : A_REVERSE);
    }
    // The filter's text, underlined where the row holds it (letters in either case).
    size_t found = filter.empty() || left_ != 0 ? std::string::npos : findFolded(text, filter);
    if (found != std::string::npos) {
      int col = columns(std::string_view(text).substr(0, found));
      if (col < width)
        put(screenRow, col, std::string_view(text).substr(found, filter.size()), width - col,
            attr | A_UNDERLINE);
    }
  }
}

void MessageView::moveTo(long target, long count) {
  selection_ = std::clamp(target, 0L, count - 1);
  follow_ = selection_ == count - 1;
  scrolledAway_ = false;
  wantFirstHit_ = false;
}

void MessageView::fileStep(int direction, long count) {
  std::optional<Row> row = selected();
  long files = list_.fileCount(page_);
  if (files == 0) return;
  long file = row && row->file >= 0 ? row->file : (direction > 0 ? -1 : files);
  // Back from a hit goes to its own heading first.
  if (direction < 0 && row && row->kind == Row::kHit) file += 1;
  // Files the filter leaves out have no heading shown: passed over.
  for (file += direction; file >= 0 && file < files; file += direction) {
    long heading = list_.headingRow(page_, file);
    if (heading >= 0) {
      moveTo(heading, count);
      return;
    }
  }
}

bool MessageView::handleKey(const Key& key, int height) {
  if (key.type == Key::kLeft || key.type == Key::kRight) {
    left_ = std::clamp(left_ + (key.type == Key::kRight ? kSideStep : -kSideStep), 0, maxLeft_);
    return true;
  }
  long count = static_cast<long>(list_.size(page_));
  if (count == 0) return false;
  long page = std::max(1L, listHeight(height) - 1);
  long target = selection_ < 0 ? 0 : selection_;
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
      left_ = 0;
      break;
    case Key::kEnd:
      target = count - 1;
      left_ = 0;
      break;
    case Key::kTab:
      fileStep(1, count);
      return true;
    case Key::kBackTab:
      fileStep(-1, count);
      return true;
    default:
      return false;
  }
  moveTo(target, count);
  return true;
}

bool MessageView::click(int row, int height) {
  long count = static_cast<long>(list_.size(page_));
  long index = top_ + row - headerRows_;
  if (row < headerRows_ || row >= height || index >= count) return false;
  if (row == headerRows_ && top_ > 0 &&
      list_.row(page_, static_cast<size_t>(top_)).kind == Row::kHit) {
    // The pinned heading: its file's heading row.
    index = list_.headingRow(page_, list_.row(page_, static_cast<size_t>(top_)).file);
  }
  bool again = index == selection_;
  moveTo(index, count);
  return again;
}

void MessageView::wheel(int notches, int height) {
  long count = static_cast<long>(list_.size(page_));
  long bottom = std::max(0L, count - listHeight(height));
  top_ = std::clamp(top_ + static_cast<long>(notches) * kWheelStep, 0L, bottom);
  // Back at the end with the last row (or none) selected, new rows are followed again.
  follow_ = top_ == bottom && selection_ == count - 1 && count > 0;
  scrolledAway_ = !follow_;
}

void MessageView::toggleSelected() {
  std::optional<Row> row = selected();
  if (!row) return;
  if (row->kind == Row::kNotices) {
    list_.toggleNotices(page_);
    revealBelow_ = row->folded;  // opened now
    return;
  }
  if (row->file < 0) return;
  list_.toggleFile(page_, row->file);
  // The selection stays on the file: its heading.
  selection_ = list_.headingRow(page_, row->file);
}

bool MessageView::stepHit(int direction) {
  long count = static_cast<long>(list_.size(page_));
  for (long i = selection_ + direction; i >= 0 && i < count; i += direction) {
    if (list_.row(page_, static_cast<size_t>(i)).kind == Row::kHit) {
      moveTo(i, count);
      return true;
    }
  }
  return false;
}

std::optional<Row> MessageView::selected() const {
  if (selection_ < 0 || selection_ >= static_cast<long>(list_.size(page_))) return std::nullopt;
  return list_.row(page_, static_cast<size_t>(selection_));
}

}  // namespace tui
