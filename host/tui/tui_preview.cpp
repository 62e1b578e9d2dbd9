// The preview pane (see host/tui/tui_preview.h).
// Tested by tests/host/tui/tui_results_test.cpp.
#include "host/tui/tui_preview.h"

#include <curses.h>

#include <algorithm>

#include "host/ide/text_encoding.h"
#include "host/tui/tui_draw.h"

namespace tui {
namespace {

char fold(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool wordByte(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' ||
         (static_cast<unsigned char>(c) & 0x80);
}

// Tabs out to the next multiple of 8, then escaped.
void appendShown(std::string& out, std::string_view bytes, int& column) {
  for (size_t i = 0; i < bytes.size();) {
    size_t tab = bytes.find('\t', i);
    std::string_view part = bytes.substr(i, tab == std::string_view::npos ? tab : tab - i);
    size_t before = out.size();
    host::appendTerminalText(out, part);
    column += columns(std::string_view(out).substr(before));
    if (tab == std::string_view::npos) break;
    do {
      out.push_back(' ');
      ++column;
    } while (column % 8 != 0);
    i = tab + 1;
  }
}

}  // namespace

bool matchInShown(std::string_view shown, const SearchRequest& request, int column, size_t* at,
                  size_t* length) {
  const std::string& text = request.text;
  if (!request.known || (request.options & RegularExpression) || text.empty()) return false;
  bool folded = !(request.options & CaseSensitive);
  for (size_t p = 0; p + text.size() <= shown.size(); ++p) {
    if (column > 0 && p > static_cast<size_t>(column - 1)) break;
    size_t i = 0;
    while (i < text.size() &&
           (folded ? fold(shown[p + i]) == fold(text[i]) : shown[p + i] == text[i]))
      ++i;
    if (i == text.size()) {
      *at = p;
      *length = text.size();
      return true;
    }
  }
  return false;
}

int Preview::draw(const Row& row, const SearchRequest& request, int top, int left, int height,
                  int width, int scroll) {
  for (int r = 0; r < height; ++r) blank(top + r, left, width, A_NORMAL);
  if (height <= 0 || width <= 0 || row.file < 0 || row.line <= 0) return 0;
  if (!lines_.load(row.path)) {
    put(top, left, host::toTerminalText(lines_.error()), width, A_NORMAL);
    return 0;
  }
  long lines = lines_.count();
  auto lineText = [&](long number) { return lines_.line(number); };
  long centred = std::max(1L, static_cast<long>(row.line) - height / 2);
  // Scrolled, the pane stays within the file: its last line at the bottom at most.
  long last = std::max(1L, lines - height + 1);
  long first = std::clamp(centred + scroll, std::min(1L, centred), std::max(centred, last));
  scroll = static_cast<int>(first - centred);
  int numberWidth = static_cast<int>(std::to_string(first + height).size());
  int textWidth = width - numberWidth - 1;
  // The hit's line in three parts: before the match, the match, after it.
  std::string parts[3];
  if (row.line <= lines) {
    std::string_view line = lineText(row.line);
    size_t at = std::min(static_cast<size_t>(std::max(row.column, 1) - 1), line.size());
    size_t length = 0, start = 0, end = 0;
    if (request.known && !(request.options & RegularExpression) && !request.text.empty()) {
      length = std::min(request.text.size(), line.size() - at);
    } else if (matcher_.extent(line, request, row.column, &start, &end)) {
      length = end - start;
    } else {
      while (at + length < line.size() && wordByte(line[at + length])) ++length;
      if (length == 0 && at < line.size()) length = 1;
    }
    int column = 0;
    appendShown(parts[0], line.substr(0, at), column);
    appendShown(parts[1], line.substr(at, length), column);
    appendShown(parts[2], line.substr(at + length), column);
  }
  // A match beyond the pane's right edge is brought into view: every line is shown from the same
  // column on, a quarter of the pane before the match.
  int matchStart = columns(parts[0]);
  int shift = 0;
  if (matchStart + columns(parts[1]) > textWidth)
    shift = std::max(0, matchStart - std::max(textWidth / 4, 1));
  for (int r = 0; r < height; ++r) {
    long number = first + r;
    if (number > lines) break;
    std::string gutter = std::to_string(number);
    gutter.insert(
        0, static_cast<size_t>(numberWidth) - std::min(gutter.size(), size_t(numberWidth)), ' ');
    bool hit = number == row.line;
    put(top + r, left, gutter + (hit ? glyphs().hit : glyphs().bar), width, hit ? A_BOLD : A_DIM);
    int textLeft = left + numberWidth + 1;
    if (!hit) {
      std::string shown;
      int column = 0;
      appendShown(shown, lineText(number), column);
      put(top + r, textLeft, fromColumn(shown, shift), textWidth, A_NORMAL);
      continue;
    }
    int col = textLeft;
    int skip = shift;
    int attrs[3] = {A_BOLD, A_REVERSE | A_BOLD, A_BOLD};
    for (int p = 0; p < 3; ++p) {
      std::string_view part = fromColumn(parts[p], skip);
      skip = std::max(0, skip - columns(parts[p]));
      int used = std::min(columns(part), left + width - col);
      put(top + r, col, part, used, attrs[p]);
      col += used;
    }
  }
  return scroll;
}

}  // namespace tui
