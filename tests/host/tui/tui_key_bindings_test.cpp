// The full-screen program's key table against docs/tui.md: the documented window keys are the
// bound ones, the status row's hints are the documented captures', and keys map to their actions.
// Covers host/tui/tui_key_bindings.cpp.
#include "host/tui/tui_key_bindings.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

#include "host/tui/tui_keys.h"
#include "tests/host/tui/tui_terminal.h"

namespace {

using tuitest::readFile;

// The keys between searches: docs/tui.md's table lists under "window" exactly the keys bound, and
// its captures end with the status row the bindings make.
TEST(KeyBindingsTest, TheDocumentedWindowKeysAreTheBoundOnesWithTheirHints) {
  std::string doc = readFile(std::string(VANTREL_SOURCE_DIR) + "/docs/tui.md");
  std::set<std::string> documented, bound;
  std::istringstream lines(doc);
  for (std::string line; std::getline(lines, line);)
    if (line.rfind("| window | ", 0) == 0)
      documented.insert(line.substr(11, line.find(" |", 11) - 11));
  for (const tui::Binding* b = tui::kBindings; b->action != tui::Action::kNone; ++b)
    if (b->doc) bound.insert(b->doc);
  EXPECT_EQ(documented, bound);
  EXPECT_NE(doc.find(tui::keysHint(tui::kOnHit) + "\n```"), std::string::npos);
  tui::Key key;
  key.type = tui::Key::kChar;
  key.code = 'N';
  EXPECT_EQ(tui::actionFor(key), tui::Action::kPreviousHit);
  key.type = tui::Key::kInterrupt;
  EXPECT_EQ(tui::actionFor(key), tui::Action::kQuit);
  key.type = tui::Key::kEscape;
  EXPECT_EQ(tui::actionFor(key), tui::Action::kStop);
  key.type = tui::Key::kFunction;
  key.code = 4;
  EXPECT_EQ(tui::actionFor(key), tui::Action::kNone);
  EXPECT_EQ(tui::keysHint(tui::kWhileSearching), " F2/Esc Stop  Enter Open  [ ] Page  q Quit");
}

}  // namespace
