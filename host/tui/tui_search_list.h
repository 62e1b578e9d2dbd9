// The searches in a box over the screen: the recent searches of earlier runs (and pages cleared
// since), then one line per result page of this run, each whole on as many rows as it takes; the
// page shown now chosen first. Up, Down, Home and End choose; Enter answers kShow (the caller
// shows the chosen page, or runs a search that has none); r runs the chosen search again with its
// own options; Esc closes the box. A notice (the recent searches could not be read) heads the list.
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
                               const std::string& notice, Palette& palette,
                               const std::function<void()>& repaintBelow);

}  // namespace tui

#endif  // VANTREL_HOST_TUI_SEARCH_LIST_H_
