// What the front end's keys do between searches (see host/tui/tui_app_state.h): each action
// host/tui/tui_key_bindings.h binds a key to, carried out on the page shown, and the filter typed
// over the page. While the filter is typed every key is the filter's (the run loop sends them
// here), and a paste goes into it; a paste never acts as keys. An action that cannot apply says
// why in the status row's note instead of doing nothing silently.
// Threading: the IDE's thread. Tested by tests/host/tui/tui_app_test.cpp,
// tests/host/tui/tui_key_bindings_test.cpp and tests/host/tui/tui_results_test.cpp.
#include <curses.h>

#include <algorithm>

#include "host/tui/tui_app_state.h"

namespace tui {

// What a key bound in host/tui/tui_key_bindings.h does between searches.
void App::act(Action action, const Key& key) {
  switch (action) {
    case Action::kNone:
      return;
    case Action::kSearch:
      return search();
    case Action::kStop:
      if (workerRunning()) search();  // the tool asks whether to stop it
      return;
    case Action::kQuit:
      quitting_ = true;
      return;
    case Action::kOpen:
      return openSelected();
    case Action::kClick:
      // A second click on a row (or a double click) opens it, as Enter does.
      if (key.col < listColumns() && view_.click(key.row, listRows())) openSelected();
      return;
    case Action::kWheel:
      return view_.wheel(key.code, listRows());
    case Action::kMove:
      view_.handleKey(key, listRows());
      return;
    case Action::kQuickfix:
      return writeQuickfix();
    case Action::kPreviousPage:
      return stepPage(-1);
    case Action::kNextPage:
      return stepPage(1);
    case Action::kPreviewDown:
    case Action::kPreviewUp:
      return scrollPreview(action == Action::kPreviewDown);
    case Action::kOrder:
      return toggleOrder();
    case Action::kSearches:
      return showSearchList();
    case Action::kIgnoreFiles:
      return toggleIgnoreFiles();
    case Action::kFollowLinks:
      return toggleFollowLinks();
    case Action::kScope:
      return cycleScope(key.type == Key::kChar && key.code == 'S');
    case Action::kClear:
      return clearOlderPages();
    case Action::kFold:
      return view_.toggleSelected();
    case Action::kLiveQuery:
      return openLiveQuery();
    case Action::kRaiseSizeLimit:
      return raiseSizeLimit();
    case Action::kFilter:
      return startFilter();
    case Action::kStopForShell:
      screen_.stopForShell();
      erase();
      return;
    case Action::kPreview:
      return cyclePreview();
    case Action::kNextHit:
    case Action::kPreviousHit:
      return openNeighbourHit(action == Action::kNextHit);
  }
}

// The previous (-1) or next (+1) page.
void App::stepPage(int direction) {
  if (direction < 0 && (view_.page() == 0 || list_->pageCount() == 0))
    note_ = "This is the first page";
  else if (direction > 0 && view_.page() + 1 >= list_->pageCount())
    note_ = "This is the last page (l lists the searches)";
  else
    showPage(static_cast<long>(view_.page()) + direction);
}

// Half the pane a key, the selection left where it is.
void App::scrollPreview(bool down) {
  if (preview_ == kNoPreview) {
    note_ = "p shows the preview";
    return;
  }
  int pane = preview_ == kBelow ? LINES - 2 - listRows() : LINES - 2 - view_.headerRows();
  int step = std::max(1, pane / 2);
  previewScroll_ += down ? step : -step;
}

// Off, below the list, beside it, off.
void App::cyclePreview() {
  preview_ = preview_ == kNoPreview ? kBelow : preview_ == kBelow ? kBeside : kNoPreview;
  erase();
}

void App::toggleOrder() {
  if (list_->pageCount() == 0) return;
  bool byPath = !list_->byPath(view_.page());
  view_.reorder([&] { list_->orderByPath(view_.page(), byPath); });
  note_ = byPath ? "Files by path (o: in the order found)" : "Files in the order found";
}

void App::startFilter() {
  if (list_->pageCount() == 0) return;
  editingFilter_ = true;
  filter_ = list_->filter(view_.page());
}

// The neighbouring hit, opened at once; the list stays where it is.
void App::openNeighbourHit(bool next) {
  if (view_.stepHit(next ? 1 : -1))
    openSelected();
  else
    note_ = next ? "No next hit" : "No previous hit";
}

// Typing narrows the page as it goes; Enter keeps the filter, Esc (or emptying it) drops it.
void App::filterKey(const Key& key) {
  bool changed = true;
  if (key.type == Key::kEnter) {
    editingFilter_ = false;
    changed = false;
  } else if (key.type == Key::kEscape || key.type == Key::kInterrupt) {
    editingFilter_ = false;
    filter_.clear();
  } else if (key.type == Key::kBackspace) {
    if (filter_.empty()) editingFilter_ = false;
    // One character: its UTF-8 continuation bytes with it.
    while (!filter_.empty() && (static_cast<unsigned char>(filter_.back()) & 0xC0) == 0x80)
      filter_.pop_back();
    if (!filter_.empty()) filter_.pop_back();
  } else if (key.type == Key::kChar && key.code == 21) {  // Ctrl-U
    filter_.clear();
  } else if (key.type == Key::kChar && !key.alt && key.code >= 0x20 && key.code != 0x7F) {
    filter_.push_back(static_cast<char>(key.code));
  } else {
    changed = false;
  }
  if (!changed) return;
  view_.refilter([this] { list_->setFilter(view_.page(), filter_); });
}

// A paste never acts as keys: it goes into the filter being typed, or nowhere.
void App::pasteOnPage() {
  std::string text = readPaste();
  if (!editingFilter_) {
    note_ = "A paste goes into the filter: / first";
    return;
  }
  filter_ += text;
  view_.refilter([this] { list_->setFilter(view_.page(), filter_); });
}

}  // namespace tui
