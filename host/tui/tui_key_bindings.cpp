// The message window's keys (see host/tui/tui_key_bindings.h).
// Tested by tests/host/tui/tui_key_bindings_test.cpp and tests/host/tui/tui_app_test.cpp.
#include "host/tui/tui_key_bindings.h"

namespace tui {
namespace {

constexpr KeyName ch(int code) { return {Key::kChar, code}; }
constexpr KeyName fn(int number) { return {Key::kFunction, number}; }
constexpr KeyName named(Key::Type type) { return {type, 0}; }

constexpr unsigned kIdle = kOnHit | kOnHeading | kOnNotices | kOnMessage;
constexpr int kCtrlZ = 26;

}  // namespace

const Binding kBindings[] = {
    {{fn(2)}, Action::kSearch, "F2", "Search", kIdle, "F2"},
    {{named(Key::kEscape)}, Action::kStop, "F2/Esc", "Stop", kWhileSearching, "Esc"},
    {{named(Key::kEnter)},
     Action::kOpen,
     "Enter",
     "Open",
     kOnHit | kOnHeading | kWhileSearching,
     "Enter"},
    {{named(Key::kEnter)}, Action::kOpen, "Enter", "List", kOnNotices, nullptr},
    {{ch('n')}, Action::kNextHit, "n/N", "Hit", kOnHit, "n, N"},
    {{ch('N')}, Action::kPreviousHit, nullptr, nullptr, 0, nullptr},
    {{ch(' ')}, Action::kFold, "Space", "Fold", kOnHeading, "Space"},
    {{named(Key::kTab), named(Key::kBackTab)},
     Action::kMove,
     "Tab",
     "File",
     kOnHit | kOnHeading,
     "Tab, Shift-Tab"},
    {{ch('+')}, Action::kRaiseSizeLimit, "+", "Take large files", kOnNotices, "+"},
    {{ch('e'), ch(':')}, Action::kLiveQuery, "e", "Edit", kIdle, "e, :"},
    {{ch('/')}, Action::kFilter, "/", "Filter", kIdle, "/"},
    {{ch('[')},
     Action::kPreviousPage,
     "[ ]",
     "Page",
     kOnNotices | kOnMessage | kWhileSearching,
     "[, ]"},
    {{ch(']')}, Action::kNextPage, nullptr, nullptr, 0, nullptr},
    {{ch('l'), ch('L')}, Action::kSearches, "l", "Searches", kOnNotices | kOnMessage, "l"},
    {{ch('w'), ch('W')}, Action::kQuickfix, "w", "Quickfix", kOnNotices | kOnMessage, "w"},
    {{ch('o'), ch('O')}, Action::kOrder, "o", "By path", kOnMessage, "o"},
    {{ch('p'), ch('P')}, Action::kPreview, "p", "Preview", kOnHit | kOnHeading, "p"},
    {{ch('J')}, Action::kPreviewDown, nullptr, nullptr, 0, "J, K"},
    {{ch('K')}, Action::kPreviewUp, nullptr, nullptr, 0, nullptr},
    {{ch('q'), ch('Q'), fn(10), named(Key::kInterrupt)},
     Action::kQuit,
     "q",
     "Quit",
     kIdle | kWhileSearching,
     "q, F10, Ctrl-C"},
    {{ch('c'), ch('C')}, Action::kClear, nullptr, nullptr, 0, "c"},
    {{ch('i'), ch('I')}, Action::kIgnoreFiles, nullptr, nullptr, 0, "i"},
    {{ch('f'), ch('F')}, Action::kFollowLinks, nullptr, nullptr, 0, "f"},
    {{ch('s'), ch('S')}, Action::kScope, nullptr, nullptr, 0, "s, S"},
    {{ch(kCtrlZ)}, Action::kStopForShell, nullptr, nullptr, 0, "Ctrl-Z"},
    {{named(Key::kUp), named(Key::kDown), named(Key::kPageUp), named(Key::kPageDown)},
     Action::kMove,
     nullptr,
     nullptr,
     0,
     "Up, Down, PgUp, PgDn"},
    {{named(Key::kHome), named(Key::kEnd)}, Action::kMove, nullptr, nullptr, 0, "Home, End"},
    {{named(Key::kLeft), named(Key::kRight)}, Action::kMove, nullptr, nullptr, 0, "Left, Right"},
    {{named(Key::kWheel)}, Action::kWheel, nullptr, nullptr, 0, "mouse wheel"},
    {{named(Key::kClick)}, Action::kClick, nullptr, nullptr, 0, "click"},
    {{}, Action::kNone, nullptr, nullptr, 0, nullptr},
};

Action actionFor(const Key& key) {
  for (const Binding* b = kBindings; b->action != Action::kNone; ++b)
    for (const KeyName& name : b->keys) {
      if (name.type == Key::kNone) break;
      bool coded = name.type == Key::kChar || name.type == Key::kFunction;
      if (name.type == key.type && (!coded || name.code == key.code)) return b->action;
    }
  return Action::kNone;
}

std::string keysHint(HintPlace place) {
  std::string out;
  for (const Binding* b = kBindings; b->action != Action::kNone; ++b)
    if (b->label && (b->places & place))
      out += std::string(out.empty() ? " " : "  ") + b->label + " " + b->hint;
  return out;
}

}  // namespace tui
