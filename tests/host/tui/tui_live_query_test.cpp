// The live query: a results page's search edited in place, searched again in the background as
// it changes. End to end in a tmux pane (the real command, add-on and files; not run under the
// sanitizers, whose slowness the waits would have to allow for), and the add-on's remembered
// settings taken and put back on a real registry file. Covers host/tui/tui_live_query.cpp,
// host/tui/tui_live_search.cpp and host/tui/tui_settings_snapshot.cpp.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <regex>
#include <string>

#include "dialog/settings_store.h"
#include "host/tui/tui_settings_snapshot.h"
#include "tests/host/tui/program_pane.h"

namespace {

class LiveQueryTest : public tuitest::ProgramPaneTest {
 protected:
  // Whether the screen shows the query being edited as `text` while a search runs.
  static bool editedWhileSearching(const tuitest::Screen& s, const std::string& text) {
    return s.text(0) == " Find: " + text && s.contains("Searching:");
  }
  // Waits until the query's row reads `text`.
  bool waitForQuery(const std::string& text, tuitest::Screen* s) {
    return terminal_->waitFor(
        [&](const tuitest::Screen& screen) { return screen.text(0) == " Find: " + text; }, s);
  }
};

// Typed letter by letter, each key is drawn at once while a search still runs, and the hits
// follow; a refused pattern and an escape of other syntaxes are said under the query; Esc goes
// back to the page as it was, Enter keeps the search. The history, the add-on's and the recent
// searches, holds what was kept, not each key.
TEST_F(LiveQueryTest, TheHitsFollowTheTypedQueryAndOnlyWhatIsKeptIsRemembered) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "timed for builds without sanitizers";
#endif
  write("a.c", "needle\nneat\nnexus\n");
  slowTree();  // each search of "(q|q)*zz|..." takes seconds
  start();
  search("(q|q)*zz|n", "M-e M-a");
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitForText("nexus", &s, 20000)) << s.all();
  terminal_->type("e");
  ASSERT_TRUE(waitForQuery("(q|q)*zz|n", &s)) << s.all();
  EXPECT_TRUE(s.contains("[ ] Case  [ ] Recurse  [x] Regex  [ ] Words")) << s.all();
  EXPECT_TRUE(s.contains(" Types: [Source Files (.c;.cpp;.cc)]   Dirs: [Current Directory]"))
      << s.all();
  // Each letter shows while the search of the one before still runs.
  terminal_->type("e");
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) { return editedWhileSearching(screen, "(q|q)*zz|ne"); }, &s,
      3000))
      << s.all();
  terminal_->type("x");
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) { return editedWhileSearching(screen, "(q|q)*zz|nex"); },
      &s, 3000))
      << s.all();
  // The hits follow: the page of the new search, in place of the one edited.
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) {
        return screen.contains("\"(q|q)*zz|nex\" (regular expression, asynchronous)") &&
               screen.contains("3:1: nexus") && !screen.contains("neat");
      },
      &s, 20000))
      << s.all();
  // A pattern the engine refuses is said under the query, and nothing is searched for it; an
  // escape of other syntaxes is noted with this syntax's way.
  terminal_->type("(");
  ASSERT_TRUE(terminal_->waitForText(" Refused: ", &s)) << s.all();
  terminal_->keys("BSpace");
  terminal_->type("\\s");
  ASSERT_TRUE(terminal_->waitForText(" Note: \\s is a plain s here: write [ ] holding a blank", &s))
      << s.all();
  terminal_->keys("BSpace BSpace");
  terminal_->type("[ ]");
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) {
        return screen.text(0) == " Find: (q|q)*zz|nex[ ]" && !screen.contains(" Note: ") &&
               !screen.contains(" Refused: ");
      },
      &s))
      << s.all();
  // Esc: the page as it was, its search stopped when the first new one began.
  terminal_->keys("Escape");
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) {
        return screen.text(0).rfind(" 1/1  ", 0) == 0 && !screen.contains(" Find: ") &&
               screen.contains("neat");
      },
      &s, 20000))
      << s.all();
  EXPECT_TRUE(s.contains("\"(q|q)*zz|n\" (regular expression,")) << s.all();
  // Enter keeps the new search: a page like any other. The query is edited at its caret.
  terminal_->type("e");
  ASSERT_TRUE(waitForQuery("(q|q)*zz|n", &s)) << s.all();
  terminal_->type("xz");
  terminal_->keys("Left Left");
  terminal_->type("e");
  ASSERT_TRUE(waitForQuery("(q|q)*zz|nexz", &s)) << s.all();
  terminal_->keys("Home Delete End BSpace");
  ASSERT_TRUE(waitForQuery("q|q)*zz|nex", &s)) << s.all();
  terminal_->keys("Home");
  terminal_->type("(");
  ASSERT_TRUE(waitForQuery("(q|q)*zz|nex", &s)) << s.all();
  terminal_->keys("Enter");
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) {
        return screen.text(0).rfind(" 2/2  ", 0) == 0 && screen.contains("3:1: nexus") &&
               !screen.contains(" Find: ");
      },
      &s, 20000))
      << s.all();
  EXPECT_TRUE(s.contains("\"(q|q)*zz|nex\" (regular expression,")) << s.all();
  // It runs on in the background: stopped here, it is still kept.
  terminal_->keys("F2");
  ASSERT_TRUE(terminal_->waitForText("Do you want to stop it", &s, 20000)) << s.all();
  terminal_->type("y");
  ASSERT_TRUE(terminal_->waitForText("stopped by the user", &s, 20000)) << s.all();
  // The recent searches: the two kept, not the keys between.
  terminal_->type("l");
  ASSERT_TRUE(terminal_->waitForText("Searches", &s)) << s.all();
  EXPECT_TRUE(s.contains("\"(q|q)*zz|nex\"")) << s.all();
  EXPECT_TRUE(s.contains("\"(q|q)*zz|n\"")) << s.all();
  EXPECT_FALSE(s.contains("\"(q|q)*zz|ne\"")) << s.all();
  EXPECT_FALSE(s.contains("[ ]\"")) << s.all();
  terminal_->keys("Escape");
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) { return !screen.contains("Searches"); }, &s))
      << s.all();
  // The add-on's history of texts, in its dialog's list: the same two, newest first.
  terminal_->keys("F2");
  ASSERT_TRUE(terminal_->waitForText("< OK >", &s)) << s.all();
  terminal_->keys("F4");
  // The entries of the dropped-down list, each after the list's frame.
  auto entries = [](const tuitest::Screen& screen) {
    std::vector<std::string> out;
    for (size_t r = 0; r < 25; ++r) {
      std::string row = screen.text(r);
      size_t at = row.find("\u2502(q|q)");
      if (at == std::string::npos) continue;
      std::string entry = row.substr(at + 3);
      out.push_back(entry.substr(0, entry.find(' ')));
    }
    return out;
  };
  ASSERT_TRUE(terminal_->waitFor(
      [&](const tuitest::Screen& screen) {
        return entries(screen) == std::vector<std::string>{"(q|q)*zz|nex", "(q|q)*zz|n"};
      },
      &s))
      << s.all();
  EXPECT_FALSE(std::regex_search(s.all(), std::regex("\\|ne[^x]"))) << s.all();
  EXPECT_FALSE(s.contains("|nex[ ]")) << s.all();
  // One Escape at a time: two in a row can be read as one Alt+Escape.
  terminal_->keys("Escape");
  ASSERT_TRUE(terminal_->waitFor(
      [&](const tuitest::Screen& screen) { return entries(screen).empty(); }, &s))
      << s.all();
  terminal_->keys("Escape");
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) { return !screen.contains("< OK >"); }, &s))
      << s.all();
  terminal_->keys("q");
  checkStatusAndModes(0);
}

// The add-on's remembered settings, taken, changed by searches, put back; then the last taken put
// back with the user's own option word, as Enter leaves them.
TEST(SettingsSnapshotTest, WhatTheSearchesBetweenPushedGoesAndWhatIsKeptStays) {
  char dir[] = "/tmp/vantrel-snapshot-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  setenv("VANTREL_REGISTRY", (std::string(dir) + "/registry.sqlite3").c_str(), 1);
  pushHistory(kTextToFindPattern, "old");
  ASSERT_TRUE(writeOptions(3));
  tui::SettingsSnapshot before, latest;
  before.take();
  pushHistory(kTextToFindPattern, "n");
  pushHistory(kTextToFindPattern, "ne");
  pushHistory(kFileMaskPattern, "*.h");
  writeOptions(11);
  latest.take();
  before.restore();
  char text[kSettingSize];
  ASSERT_TRUE(readHistoryEntry(kTextToFindPattern, 1, text));
  EXPECT_STREQ(text, "old");
  EXPECT_FALSE(readHistoryEntry(kTextToFindPattern, 2, text));
  EXPECT_FALSE(readHistoryEntry(kFileMaskPattern, 1, text));
  EXPECT_EQ(readOptions(), 3);
  latest.setOptions(2);
  latest.restore();
  const char* texts[] = {"ne", "n", "old"};
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(readHistoryEntry(kTextToFindPattern, i + 1, text)) << i;
    EXPECT_STREQ(text, texts[i]);
  }
  ASSERT_TRUE(readHistoryEntry(kFileMaskPattern, 1, text));
  EXPECT_STREQ(text, "*.h");
  EXPECT_EQ(readOptions(), 2);
  unsetenv("VANTREL_REGISTRY");
  tuitest::capture(std::string("rm -rf ") + dir);
}

}  // namespace
