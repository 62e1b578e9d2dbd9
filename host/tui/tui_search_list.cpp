// The session's searches (see host/tui/tui_search_list.h).
// Tested by tests/host/tui/tui_results_test.cpp.
#include "host/tui/tui_search_list.h"

#include <curses.h>

#include <algorithm>

#include "host/tui/tui_draw.h"
#include "host/tui/tui_keys.h"

namespace tui {
namespace {

// The box of searches, centred: the notice, the entries from `*first` (the one at the top, moved
// so that the chosen entry is in view), the keys.
void drawSearchList(const std::vector<std::string>& lines, size_t chosen, size_t* first,
                    const std::string& notice, int face, int highlight) {
  int width = std::max(20, COLS - 4);
  // Every entry whole, on as many rows as it takes.
  std::vector<std::vector<std::string>> entries;
  int total = 0;
  for (const std::string& line : lines) {
    entries.push_back(wrap(line, width - 2, "      "));
    total += static_cast<int>(entries.back().size());
  }
  std::vector<std::string> told =
      notice.empty() ? std::vector<std::string>() : wrap(" " + notice, width - 2, " ");
  int noticeRows = static_cast<int>(told.size());
  int shown = std::max(1, std::min(total, LINES - 6 - noticeRows));
  int height = shown + 4 + noticeRows;
  int top = std::max(0, (LINES - height) / 2);
  int left = std::max(0, (COLS - width) / 2);
  // The chosen entry in view, the top moved no further than it takes.
  if (chosen < *first) *first = chosen;
  auto rowsFrom = [&](size_t from) {
    int n = 0;
    for (size_t i = from; i <= chosen; ++i) n += static_cast<int>(entries[i].size());
    return n;
  };
  while (*first < chosen && rowsFrom(*first) > shown) ++*first;
  for (int r = 0; r < height; ++r) blank(top + r, left, width, face);
  frame(top, left, top + height - 1, left + width - 1, face);
  put(top, left + 2, " Searches ", width - 4, highlight | A_BOLD);
  for (int r = 0; r < noticeRows; ++r)
    put(top + 1 + r, left + 1, told[static_cast<size_t>(r)], width - 2, face | A_BOLD, true);
  int row = 0;
  for (size_t i = *first; i < entries.size() && row < shown; ++i)
    for (const std::string& part : entries[i]) {
      if (row >= shown) break;
      put(top + 1 + noticeRows + row++, left + 1, part, width - 2, i == chosen ? highlight : face,
          true);
    }
  put(top + height - 2, left + 2, "Enter Show or run  r Run again  Esc Close", width - 4, face);
}

}  // namespace

SearchListChoice runSearchList(const std::vector<std::string>& lines, size_t current,
                               const std::string& notice, Palette& palette,
                               const std::function<void()>& repaintBelow) {
  SearchListChoice choice;
  if (lines.empty()) return choice;
  size_t chosen = std::min(current, lines.size() - 1);
  size_t first = 0;  // the entry at the top of the box
  int face = palette.attribute(RGB(0, 0, 0), RGB(192, 192, 192));
  int highlight = palette.attribute(RGB(255, 255, 255), RGB(0, 0, 128));
  bool repaint = true;
  curs_set(0);
  while (true) {
    if (repaint && repaintBelow) repaintBelow();
    repaint = false;
    drawSearchList(lines, chosen, &first, notice, face, highlight);
    refresh();
    Key key = readKey(-1);
    switch (key.type) {
      case Key::kUp:
        if (chosen > 0) --chosen;
        break;
      case Key::kDown:
        if (chosen + 1 < lines.size()) ++chosen;
        break;
      case Key::kHome:
        chosen = 0;
        break;
      case Key::kEnd:
        chosen = lines.size() - 1;
        break;
      case Key::kEnter:
        return {SearchListChoice::kShow, chosen};
      case Key::kEscape:
      case Key::kInterrupt:
        return choice;
      case Key::kResize:
        repaint = true;
        break;
      case Key::kPaste:
        readPaste();  // a paste presses nothing
        break;
      case Key::kChar:
        if (key.code == 'r' || key.code == 'R') return {SearchListChoice::kRerun, chosen};
        if (key.code == 'q' || key.code == 'l') return choice;
        break;
      default:
        break;
    }
  }
}

}  // namespace tui
