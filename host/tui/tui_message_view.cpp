// The message window on screen (see host/tui/tui_message_view.h).
// Tested by tests/host/tui/tui_message_view_test.cpp and tests/host/tui/tui_app_test.cpp.
#include "host/tui/tui_message_view.h"

#include <curses.h>

#include <algorithm>

#include "host/ide/scope_filter.h"
#include "host/ide/text_encoding.h"
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

// Bytes of a file's line as the add-on shows them in a hit's text: tabs as blanks, escaped.
std::string shownOf(std::string_view bytes) {
  std::string plain(bytes);
  for (char& c : plain)
    if (c == '\t') c = ' ';
  std::string out;
  host::appendTerminalText(out, plain);
  return out;
}

// What a match past the cut shows of its line: this many bytes before it.
constexpr size_t kBeforeMatch = 16;
// And at most this many bytes of the line in all.
constexpr size_t kWindow = 240;

}  // namespace

// The file of the first row shown has its heading pinned over that row while the file's hits go
// on below it; over its last hit it would leave none of them in view.
bool MessageView::pinsHeading(long top) const {
  if (top <= 0) return false;
  Row first = list_.row(page_, static_cast<size_t>(top));
  if (first.kind != Row::kHit) return false;
  Row second = list_.row(page_, static_cast<size_t>(top + 1));
  return second.kind == Row::kHit && second.file == first.file;
}

const MessageView::HitLook& MessageView::look(const Row& row, const SearchRequest& request) {
  if (looks_.size() > 4096 || looksPages_ != list_.pageCount()) looks_.clear();
  looksPages_ = list_.pageCount();
  auto [it, added] = looks_.try_emplace(std::make_tuple(page_, row.file, row.line, row.column));
  HitLook& out = it->second;
  if (!added) return out;
  if (!lines_.load(row.path) || row.line < 1 || row.line > lines_.count()) return out;
  std::string_view line = lines_.line(row.line);
  line = line.substr(0, line.find('\0'));
  size_t start = 0, end = 0;
  if (!matcher_.extent(line, request, row.column, &start, &end)) return out;
  // The hit's text is the line without its leading blanks, cut after 219 bytes.
  size_t lead = 0;
  while (lead < line.size() && (line[lead] == ' ' || line[lead] == '\t')) ++lead;
  size_t from = std::max(start, lead);
  std::string before = shownOf(line.substr(lead, from - lead));
  std::string match = shownOf(line.substr(from, std::max(end, from) - from));
  if (row.text.compare(0, before.size(), before) == 0 && before.size() < row.text.size()) {
    out.found = true;
    out.at = before.size();
    out.length = std::min(match.size(), row.text.size() - out.at);
    return out;
  }
  if (before.compare(0, row.text.size(), row.text) != 0) return out;  // not the line it was
  // Past the cut: from a little before the match, not inside a UTF-8 sequence.
  size_t window = from - std::min(kBeforeMatch, from - lead);
  while (window > lead && (static_cast<unsigned char>(line[window]) & 0xC0) == 0x80) --window;
  out.found = out.pastCut = true;
  out.text = glyphs().more + shownOf(line.substr(window, from - window));
  out.at = out.text.size();
  out.length = match.size();
  out.text += match;
  if (end < line.size()) out.text += shownOf(line.substr(end, kWindow));
  return out;
}

std::string describePage(const MessageList& list, size_t page) {
  PageSummary s = list.summary(page);
  std::string out = " " + std::to_string(page + 1) + "/" + std::to_string(list.pageCount()) + "  ";
  // With a filter on: the hits it lets through, of the page's.
  if (s.shownHits != s.hits) out += std::to_string(s.shownHits) + " of ";
  out += std::to_string(s.hits) + (s.hits == 1 ? " hit in " : " hits in ") +
         std::to_string(s.shownFiles) + (s.shownFiles == 1 ? " file" : " files");
  if (s.stopped) out += ", stopped by the user";
  // Nothing found where files were passed over: the reason may be among them.
  if (s.hits == 0 && !s.notSearchedText.empty()) out += "; " + s.notSearchedText;
  if (s.hits == 0 && s.summaryDirectories >= 0 && s.request.known &&
      !(s.request.options & Recurse)) {
    // Nothing found in the top directories alone: the likeliest reason, said where it is seen.
    out += "; " + std::to_string(s.summaryFiles) + (s.summaryFiles == 1 ? " file" : " files") +
           " searched in " + std::to_string(s.summaryDirectories) +
           (s.summaryDirectories == 1 ? " directory" : " directories") +
           "; Recurse Subdirectories is off";
  }
  std::string filter = list.filter(page);
  if (!filter.empty()) out += "  [filter: " + filter + "]";
  if (unsigned scopes = list.scopes(page)) out += "  [in " + host::scopeWords(scopes) + "]";
  if (list.byPath(page)) out += "  [by path]";
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

void MessageView::returnTo(const Place& place) {
  showPage(place.page);
  selection_ = place.selection;
  top_ = place.top;
  left_ = place.left;
  wantFirstHit_ = place.wantFirstHit;
}

void MessageView::reorder(const std::function<void()>& change) {
  // The selection's file moves: found again by its heading, the row as far below it.
  std::optional<Row> row = selected();
  long heading = row && row->file >= 0 ? list_.headingRow(page_, row->file) : -1;
  long offset = heading >= 0 ? selection_ - heading : 0;
  change();
  if (heading < 0) return;
  top_ = 0;
  moveTo(list_.headingRow(page_, row->file) + offset, static_cast<long>(list_.size(page_)));
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
  if (height - origin_ <= 0) return;
  if (width <= 0 || width > COLS) width = COLS;
  if (page_ >= list_.pageCount() && list_.pageCount() > 0) showPage(list_.pageCount() - 1);
  drawHeader(height);
  long count = static_cast<long>(list_.size(page_));
  long rowsShown = listHeight(height);
  placeSelection(count, rowsShown);
  std::vector<Row> rows =
      list_.rows(page_, static_cast<size_t>(top_), static_cast<size_t>(rowsShown));
  bool pinned = pinsHeading(top_);
  if (pinned) {
    long heading = list_.headingRow(page_, rows[0].file);
    if (heading >= 0)
      rows[0] = list_.row(page_, static_cast<size_t>(heading));
    else
      pinned = false;
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
    int screenRow = origin_ + headerRows_ + r;
    if (r >= static_cast<int>(rows.size())) {
      blank(screenRow, 0, width, A_NORMAL);
      continue;
    }
    const Row& row = rows[static_cast<size_t>(r)];
    bool pinnedRow = pinned && r == 0;
    int attr = A_NORMAL;
    if (row.kind == Row::kHeading || row.kind == Row::kNotices) attr = A_BOLD;
    if (pinnedRow) attr = A_BOLD | A_UNDERLINE;
    if (!pinnedRow && top_ + r == selection_) attr = A_REVERSE;
    drawRow(screenRow, row, attr, width, request, filter);
  }
}

// The header wraps so that what was searched can always be read, up to a third of the rows.
void MessageView::drawHeader(int height) {
  std::vector<std::string> header =
      wrap(list_.pageCount() ? describePage(list_, page_) : " No search yet", COLS, "   ");
  headerRows_ = std::clamp(static_cast<int>(header.size()), 1, std::max(1, (height - origin_) / 3));
  for (int r = 0; r < headerRows_; ++r)
    put(origin_ + r, 0, header[static_cast<size_t>(r)], COLS, A_REVERSE | A_BOLD, true);
}

// The selection where the page's state wants it (its first hit, the newest row, the rows of a
// list just opened), and the rows shown scrolled so that it is in view.
void MessageView::placeSelection(long count, long rowsShown) {
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
    if (selection_ >= 0 && selection_ == top_ && pinsHeading(top_)) --top_;
  }
  top_ = std::max(0L, std::min(top_, std::max(0L, count - 1)));
}

// One list row at `screenRow`: its text scrolled by left_, the match and the filter's text marked.
void MessageView::drawRow(int screenRow, const Row& row, int attr, int width,
                          const SearchRequest& request, const std::string& filter) {
  std::string text = row.shown;
  if (row.kind == Row::kHeading) text = headingText(row, width + left_);
  if (row.kind == Row::kNotices) text = (row.folded ? glyphs().folded : glyphs().unfolded) + text;
  // The match: in the row's text as shown (a plain text, without reading the file), else on
  // the hit's line in its file.
  size_t at = 0, length = 0;
  bool matched = false;
  size_t prefix = row.shown.size() - row.text.size();
  if (row.kind == Row::kHit && left_ == 0) {
    matched = matchInShown(row.text, request, row.column, &at, &length);
    if (!matched) {
      const HitLook& found = look(row, request);
      matched = found.found;
      at = found.at;
      length = found.length;
      if (found.pastCut) text = row.shown.substr(0, prefix) + found.text;
    }
  }
  put(screenRow, 0, fromColumn(text, left_), width, attr, true);
  if (matched) {
    // The matched text, in the row's colours turned about (or bold on the selection).
    int col = columns(std::string_view(text).substr(0, prefix + at));
    std::string_view match = std::string_view(text).substr(prefix + at, length);
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
  // By the files' positions as shown (by path, not the order found).
  long at = row && row->file >= 0 ? list_.positionOf(page_, row->file) : -1;
  if (at < 0) at = direction > 0 ? -1 : files;
  // Back from a hit goes to its own heading first.
  if (direction < 0 && row && row->kind == Row::kHit) at += 1;
  // Files the filter leaves out have no heading shown: passed over.
  for (at += direction; at >= 0 && at < files; at += direction) {
    long heading = list_.headingRow(page_, list_.fileAt(page_, at));
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
  long index = top_ + row - origin_ - headerRows_;
  if (row < origin_ + headerRows_ || row >= height || index >= count) return false;
  if (row == origin_ + headerRows_ && pinsHeading(top_)) {
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
