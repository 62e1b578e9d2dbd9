// The searches of a live query (host/tui/tui_live_query.h): once typing has paused, the search
// the fields describe runs in the background (Asynchronous ticked, whatever the user's box says),
// its hits streaming into a page of its own shown in place of the page being edited. A newer
// search first stops the one running (the tool run again, its stop question answered Yes), and
// its page goes once that search has ended; typing goes on meanwhile, since nothing here waits.
// Enter keeps the search (its page stays, and is kept among the recent searches once it ends);
// Esc stops it, drops its page and goes back to the page as it was.
//
// Every search goes through the add-on's dialog, history and search as one confirmed by hand
// would: the add-on's remembered settings are taken before the query, taken again after each of
// its searches and put back at once (host/tui/tui_settings_snapshot.h); Enter leaves the last
// search's settings, with the user's own option word.
// Threading: the IDE's thread (the one that runs the tool). Tested by
// tests/host/tui/tui_live_query_test.cpp.
#ifndef VANTREL_HOST_TUI_LIVE_SEARCH_H_
#define VANTREL_HOST_TUI_LIVE_SEARCH_H_

#include <functional>
#include <string>

#include "host/tui/tui_live_query.h"
#include "host/tui/tui_settings_snapshot.h"

namespace tui {

class LiveSearch {
 public:
  using Clock = LiveQuery::Clock;
  // What the front end does for it.
  struct Hooks {
    std::function<bool()> workerRunning;
    // Runs the tool, its stop question answered Yes.
    std::function<void()> askStop;
    // Runs the tool with `request` entered into its dialog (Asynchronous ticked) and confirmed;
    // the search's page is provisional and shown.
    std::function<void(const SearchRequest& request)> start;
    // The newest page (the provisional one) goes; it is kept as any other.
    std::function<void()> dropPage;
    std::function<void()> keepPage;
    // Goes back to the page as it was when the query opened.
    std::function<void()> goBack;
  };
  explicit LiveSearch(Hooks hooks) : hooks_(std::move(hooks)) {}

  // Starts editing `request`, the search of the page shown.
  void open(const SearchRequest& request);
  bool editing() const { return editing_; }
  // Whether a search of its own is still to be stopped, dropped or started.
  bool busy() const { return hasPage_ || keep_ || discard_ || stopAsked_; }
  const LiveQuery& query() const { return query_; }

  // A key or a paste while editing. Answers false for a key the page below takes (movement).
  bool key(const Key& key, Clock::time_point now);
  void paste(const std::string& text, Clock::time_point now);
  // Stops, drops and starts what is due at `now`; called before every key is read.
  void tick(Clock::time_point now);
  // How long the front end may wait for a key before tick() has something to do.
  int waitMs(Clock::time_point now) const;

 private:
  bool startable() const;

  Hooks hooks_;
  LiveQuery query_;
  bool editing_ = false;
  SearchRequest shown_;   // the search whose page is shown: the provisional one's, if any
  bool hasPage_ = false;  // a provisional page is the newest
  bool stopAsked_ = false;
  bool keep_ = false;     // Enter: keep the wanted search once it runs
  bool discard_ = false;  // Esc: drop the provisional page once its search ended
  SettingsSnapshot before_;
  SettingsSnapshot latest_;
};

}  // namespace tui

#endif  // VANTREL_HOST_TUI_LIVE_SEARCH_H_
