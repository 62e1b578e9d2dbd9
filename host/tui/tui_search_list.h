// The session's searches in a box over the screen: one line per result page (its number, counts
// and what was searched), the page shown now chosen first. Up, Down, Home and End choose; Enter
// shows the chosen page; r runs its search again with its own options; Esc closes the box.
//
// Threading: the thread that owns the curses screen. Tested by tests/host/tui/tui_results_test.cpp.
#ifndef VANTREL_HOST_TUI_SEARCH_LIST_H_
#define VANTREL_HOST_TUI_SEARCH_LIST_H_

#include <functional>
#include <string>
#include <vector>

#include "host/tui/tui_palette.h"

namespace tui {

struct SearchListChoice {
  enum Action { kClose, kShow, kRerun };
  Action action = kClose;
  size_t index = 0;
};

SearchListChoice runSearchList(const std::vector<std::string>& lines, size_t current,
                               Palette& palette, const std::function<void()>& repaintBelow);

}  // namespace tui

#endif  // VANTREL_HOST_TUI_SEARCH_LIST_H_
