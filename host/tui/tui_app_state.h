// The full-screen front end's state for one run of runTerminalFrontEnd (host/tui/tui_app.h): the
// pages, the view of one, the live query, the preview, the recent searches and the note the status
// row shows. Internal to the front end; its methods are split by what they do:
//   host/tui/tui_app.cpp         the run: starting the screen, the loop over keys, ending
//   host/tui/tui_app_draw.cpp    the screen: the list, the preview beside or below it, the status
//   row host/tui/tui_app_keys.cpp    what a key bound in host/tui/tui_key_bindings.h does, the
//   filter host/tui/tui_app_pages.cpp   the pages: opening a row, quickfix, the list of searches,
//   scopes host/tui/tui_app_search.cpp  running the tool: confirmed, refused and live searches
// Invariants: display_ exists from the start of run() to its end, and every method but run() is
// called within it; list_ and passedOver_ are sinks of the host's message window for the whole
// run. note_ is what the status row says next; most actions replace it.
// Threading: the IDE's thread, the one that runs the tool (the list may grow from any thread).
// Tested by tests/host/tui/tui_app_test.cpp and tests/host/tui/tui_program_test.cpp.
#ifndef VANTREL_HOST_TUI_APP_STATE_H_
#define VANTREL_HOST_TUI_APP_STATE_H_

#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "host/ide/host.h"
#include "host/ide/passed_over_report.h"
#include "host/tui/tui_app.h"
#include "host/tui/tui_display.h"
#include "host/tui/tui_key_bindings.h"
#include "host/tui/tui_keys.h"
#include "host/tui/tui_live_search.h"
#include "host/tui/tui_message_list.h"
#include "host/tui/tui_message_view.h"
#include "host/tui/tui_preview.h"
#include "host/tui/tui_recent_searches.h"
#include "host/tui/tui_screen.h"
#include "host/tui/tui_search_request.h"
#include "win32/include/windef.h"
#include "win32/user32/display.h"

namespace tui {

class App {
 public:
  App(host::Host& host, const FrontEnd& frontEnd);

  // Runs the front end until the user quits (see runTerminalFrontEnd).
  int run();

 private:
  // The run (tui_app.cpp).
  bool start();
  void handleKey(const Key& key);
  void finish();

  // The screen (tui_app_draw.cpp).
  HWND statusWindow() const {
    return host_.statusLine() ? host_.statusLine()->getStatusWindow() : nullptr;
  }
  void fitToTerminal();
  void repaint();
  // The rows and columns of the list, and where the preview goes (none while it is off).
  int listRows() const;
  int listColumns() const;
  void drawPreview(int rows, int cols);
  void drawStatus();
  std::string previewTitle(const Row& row, int width) const;

  // What keys do (tui_app_keys.cpp).
  void act(Action action, const Key& key);
  void stepPage(int direction);
  void scrollPreview(bool down);
  void cyclePreview();
  void toggleOrder();
  void startFilter();
  void openNeighbourHit(bool next);
  void filterKey(const Key& key);
  void pasteOnPage();

  // The pages (tui_app_pages.cpp).
  void openRow(const Row& row);
  void openSelected();
  void writeQuickfix();
  void showPage(long page);
  void showSearchList();
  void keepEndedSearches();
  void clearOlderPages();
  void cycleScope(bool back);

  // Running the tool (tui_app_search.cpp).
  void runTool();
  void search();
  bool showRefusal();
  void confirmed(HWND dialog);
  void rerun(const SearchRequest& request);
  void raiseSizeLimit();
  void toggleIgnoreFiles();
  void toggleFollowLinks();
  bool workerRunning() const { return frontEnd_.searchRunning && frontEnd_.searchRunning(); }
  LiveSearch::Hooks liveHooks();
  void openLiveQuery();

  host::Host& host_;
  const FrontEnd& frontEnd_;
  std::shared_ptr<MessageList> list_;
  std::shared_ptr<host::PassedOverReport> passedOver_;
  MessageView view_;
  LiveSearch live_;
  bool liveStarting_ = false;     // the dialog being confirmed is a live query's
  SearchRequest liveRequest_;     // and this is its search, with the user's own boxes
  MessageView::Place livePlace_;  // where the page edited stood
  Screen screen_;
  std::unique_ptr<TerminalDisplay> display_;
  vwin::Display* previousDisplay_ = nullptr;  // the layer's display before the run, put back after
  std::string note_;
  int fittedCols_ = 0;
  int fittedLines_ = 0;
  int quickfixes_ = 0;
  enum PreviewPlace { kNoPreview, kBelow, kBeside };
  PreviewPlace preview_ = kNoPreview;
  Preview previewPane_;
  int previewScroll_ = 0;  // lines past the centred place (J, K); 0 again on another row
  std::tuple<size_t, long, int, int, int> previewOf_{};  // the row it applies to
  RecentSearches recent_;
  std::vector<RecentSearch> earlier_;  // of earlier runs and of pages cleared since, oldest first
  std::string recentProblem_;          // why they could not be read, for the list of searches
  bool quitting_ = false;
  bool starting_ = false;  // a search was confirmed and its tool has not returned yet
  bool editingFilter_ = false;
  std::string filter_;
};

}  // namespace tui

#endif  // VANTREL_HOST_TUI_APP_STATE_H_
