// The keys of the message window between searches: one table binds each named key to a named
// action, with the hint the status row shows for it beside it and the key names docs/tui.md's
// table lists it under. The status row's hints are made from the table and a test holds the
// documentation to it, so neither can drift from what the keys do.
//
// A row's hint shows only where it applies: on a hit, on a file's heading, on the row of the files
// not searched, while a worker search runs. Rows follow the status row's order.
// Threading: none (constant data). Tested by tests/host/tui/tui_key_bindings_test.cpp and
// tests/host/tui/tui_app_test.cpp.
#ifndef VANTREL_HOST_TUI_KEY_BINDINGS_H_
#define VANTREL_HOST_TUI_KEY_BINDINGS_H_

#include <string>

#include "host/tui/tui_keys.h"

namespace tui {

enum class Action {
  kNone,
  kSearch,          // run the tool: the dialog, or the stop question while a worker search runs
  kStop,            // the stop question while a worker search runs; nothing otherwise
  kOpen,            // open the selected row (the files not searched: their list)
  kNextHit,         // select the next hit and open it
  kPreviousHit,     // the previous hit
  kMove,            // movement keys of the view (host/tui/tui_message_view.h)
  kFold,            // fold or unfold the selected row
  kRaiseSizeLimit,  // the page's search again, taking the files it refused as too large
  kFilter,          // type a filter
  kLiveQuery,       // edit the page's search, searching as it changes
  kPreviousPage,    // the previous page
  kNextPage,        // the next page
  kSearches,        // the list of the session's searches
  kClear,           // clear every page but the newest
  kQuickfix,        // write the page's hits as a quickfix file
  kPreview,         // preview below, beside, off
  kPreviewDown,     // scroll the preview down, the selection kept
  kPreviewUp,       // and up
  kOrder,           // the page's files by path, or in the order found
  kIgnoreFiles,     // ignore files off (on again) for the next searches
  kFollowLinks,     // linked folders followed (passed over again) from the next search
  kScope,           // the page's hits by where their matches stand: the next scope (S: back)
  kStopForShell,    // stop as a shell job
  kWheel,           // scroll the window
  kClick,           // select (a second click: open) a row
  kQuit,
};

// Where a row's hint shows.
enum HintPlace : unsigned {
  kOnHit = 1,
  kOnHeading = 2,
  kOnNotices = 4,
  kWhileSearching = 8,
  kOnMessage = 16,  // a line of the add-on's or the front end's own (the summary)
};

// A key as bound: its type, and for a character or a function key its code.
struct KeyName {
  Key::Type type = Key::kNone;
  int code = 0;
};

struct Binding {
  KeyName keys[4];
  Action action;
  const char* label;  // the key as the status row names it ("n/N"), or nullptr: not shown
  const char* hint;   // what it does, in a word or two
  unsigned places;    // HintPlace bits
  const char* doc;    // the keys as docs/tui.md's table lists them, or nullptr: listed by another
};

// The table, in the status row's order; ends with a row whose action is kNone.
extern const Binding kBindings[];

// The action a key is bound to (kNone when none; Alt is ignored).
Action actionFor(const Key& key);

// The status row's hints for `place`: " F2 Search  Enter Open ..." (a blank before each).
std::string keysHint(HintPlace place);

}  // namespace tui

#endif  // VANTREL_HOST_TUI_KEY_BINDINGS_H_
