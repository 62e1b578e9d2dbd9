// The full-screen program's results, end to end in a tmux pane (the real command, add-on and
// files): a page per search and the session's searches; files grouped with their counts, pinned
// headings, folding and the folded files not searched; errors and state in view (a refused
// pattern over the reopened dialog, a worker search's counts, a stopped search, the progress
// line's own cells). Starting the editor and writing the quickfix file are tested in
// tui_editor_test.cpp and tui_quickfix_test.cpp. Covers host/tui/tui_app*.cpp,
// host/tui/tui_message_list.cpp, host/tui/tui_message_view.cpp and host/tui/tui_search_list.cpp.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "host/tui/tui_recent_searches.h"
#include "tests/host/tui/program_pane.h"

namespace {

using tuitest::readFile;

class TuiResultsTest : public tuitest::ProgramPaneTest {
 protected:
  // Whether row `row` shows `text` selected (in reverse video from its first letter).
  static bool selectedRow(const tuitest::Screen& screen, const std::string& text) {
    int row = 0, col = 0;
    return screen.find(text, &row, &col) && screen.at(row, col + 2).reverse;
  }
  bool waitForSelected(const std::string& text, tuitest::Screen* s) {
    return terminal_->waitFor(
        [&](const tuitest::Screen& screen) { return selectedRow(screen, text); }, s);
  }
};

// 1. One page per search, shown at once with its first hit selected; the pages and the list of
// searches; clearing.
TEST_F(TuiResultsTest, EverySearchOpensItsOwnPageAndEarlierPagesStay) {
  write("a.c", "int needle;\nx needle y\n");
  write("b.c", "needless\n");
  start();
  search("needle", "M-s");
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitForText("Vantrel : 3 found in 2 Files", &s)) << s.all();
  // The header: what was searched, options before the long places, wrapped to be read whole.
  EXPECT_EQ(s.text(0), " 1/1  3 hits in 2 files  \"needle\" (case sensitive) in [Source Files");
  EXPECT_EQ(s.text(1), "   (.c;.cpp;.cc)], [Current Directory]  ignore files on");
  EXPECT_TRUE(selectedRow(s, "  1:5: int needle;")) << s.all();
  // A second search: its page at once, nothing of the first on it.
  terminal_->keys("F2");
  search("x ne");
  ASSERT_TRUE(terminal_->waitForText(" 2/2  1 hit in 1 file  \"x ne\"", &s)) << s.all();
  EXPECT_TRUE(selectedRow(s, "  2:1: x needle y")) << s.all();
  EXPECT_FALSE(s.contains("int needle;")) << s.all();
  EXPECT_FALSE(s.contains("b.c")) << s.all();
  // [ and ] go between pages, each with its first hit selected.
  terminal_->type("[");
  ASSERT_TRUE(terminal_->waitForText(" 1/2  3 hits", &s)) << s.all();
  EXPECT_TRUE(selectedRow(s, "  1:5: int needle;")) << s.all();
  terminal_->type("[");  // there is no page before the first
  terminal_->type("]");
  ASSERT_TRUE(terminal_->waitForText(" 2/2  1 hit", &s)) << s.all();
  // The list of searches: the first shown again, then run again with its own options.
  terminal_->type("l");
  ASSERT_TRUE(terminal_->waitForText("Searches", &s)) << s.all();
  EXPECT_TRUE(s.contains("1/2  3 hits in 2 files  \"needle\"")) << s.all();
  terminal_->keys("Up Enter");
  ASSERT_TRUE(terminal_->waitForText(" 1/2  3 hits", &s)) << s.all();
  terminal_->type("l");
  ASSERT_TRUE(terminal_->waitForText("Searches", &s)) << s.all();
  terminal_->type("r");
  ASSERT_TRUE(terminal_->waitForText(" 3/3  3 hits in 2 files  \"needle\"", &s)) << s.all();
  EXPECT_TRUE(s.contains("(case sensitive)")) << s.all();
  // c leaves the newest page alone.
  terminal_->type("c");
  ASSERT_TRUE(terminal_->waitForText(" 1/1  3 hits in 2 files  \"needle\"", &s)) << s.all();
  terminal_->keys("q");
  checkStatusAndModes(0);
}

// What was searched can be read whole at 80 columns, on the page and in the list of searches, and
// a search that found nothing in the top directory alone says that subdirectories were left out.
TEST_F(TuiResultsTest, WhatWasSearchedIsReadWholeAt80ColumnsAndRecursionOffIsSaid) {
  write("a.c", "int needle;\n");
  write("sub/deep.c", "int deep_one;\n");
  start();
  search("deep_one");
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) {
        return screen.contains("Vantrel : 0 found") && screen.contains(" F2 Search");
      },
      &s))
      << s.all();
  EXPECT_EQ(s.text(0),
            " 1/1  0 hits in 0 files; 1 file searched in 1 directory; Recurse Subdirectories");
  EXPECT_EQ(s.text(1),
            "   is off  \"deep_one\" in [Source Files (.c;.cpp;.cc)], [Current Directory]");
  EXPECT_EQ(s.text(2), "   ignore files on");
  EXPECT_EQ(s.text(3), "Vantrel : 0 found in 0 File (1 File searched in 1 Directory)") << s.all();
  // With the box ticked the hit is found, and nothing is said about recursion.
  terminal_->keys("F2");
  search("deep_one", "M-r");
  ASSERT_TRUE(terminal_->waitForText(" 2/2  1 hit in 1 file", &s)) << s.all();
  EXPECT_FALSE(s.contains("Recurse Subdirectories is off")) << s.all();
  EXPECT_TRUE(selectedRow(s, "  1:5: int deep_one;")) << s.all();
  // The list of searches: every entry whole, a long one on the rows it takes.
  terminal_->type("l");
  ASSERT_TRUE(terminal_->waitForText("Searches", &s)) << s.all();
  int row = 0, col = 0;
  ASSERT_TRUE(s.find("1/2  0 hits in 0 files; 1 file searched in 1 directory; Recurse", &row, &col))
      << s.all();
  EXPECT_NE(s.text(row + 1).find("Subdirectories is off  \"deep_one\" in [Source Files (.c;"),
            std::string::npos)
      << s.all();
  EXPECT_NE(s.text(row + 2).find("[Current Directory]  ignore files on"), std::string::npos)
      << s.all();
  EXPECT_TRUE(s.contains("2/2  1 hit in 1 file  \"deep_one\" (recursive) in [Source Files"))
      << s.all();
  terminal_->keys("Escape");
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) { return !screen.contains("Searches"); }, &s))
      << s.all();
  terminal_->keys("q");
  checkStatusAndModes(0);
}

// The recent searches outlive the run, the last 100 of them, and run again with their own
// options; a damaged file is set aside whole and said so, and a new list begins.
TEST_F(TuiResultsTest, RecentSearchesOutliveTheRunAndRunAgainWithTheirOptions) {
  write("a.c", "int Needle;\nint needle;\n");
  std::string state = dir_ + "/state/vantrel";
  {
    // Earlier runs' searches, more than are kept.
    tui::RecentSearches store;
    std::vector<tui::RecentSearch> kept;
    std::string problem;
    ASSERT_TRUE(store.open(state, &kept, &problem)) << problem;
    for (int i = 0; i < 120; ++i) {
      tui::RecentSearch old;
      old.request = {"old" + std::to_string(i), "*.c", "[Current Directory]", 0, true, "", 1};
      ASSERT_TRUE(store.add(old, &problem)) << problem;
    }
  }
  auto run = [this](tuitest::Screen* s) {
    unlink((dir_ + "/modes.txt").c_str());
    start();
    ASSERT_TRUE(terminal_->waitForText("< OK >", s)) << s->all();
  };
  auto quit = [this](int status) {
    terminal_->keys("q");
    checkStatusAndModes(status);
  };
  auto closeDialog = [this](tuitest::Screen* s) {
    terminal_->keys("Escape");
    ASSERT_TRUE(terminal_->waitFor(
        [](const tuitest::Screen& screen) { return !screen.contains("< OK >"); }, s))
        << s->all();
  };
  auto openList = [this](tuitest::Screen* s) {
    terminal_->type("l");
    ASSERT_TRUE(terminal_->waitForText("Searches", s)) << s->all();
  };
  auto closeList = [this](tuitest::Screen* s) {
    terminal_->keys("Escape");
    ASSERT_TRUE(terminal_->waitFor(
        [](const tuitest::Screen& screen) { return !screen.contains("Searches"); }, s))
        << s->all();
  };
  tuitest::Screen s;
  run(&s);
  search("Needle", "M-s");
  ASSERT_TRUE(terminal_->waitForText(" 1/1  1 hit in 1 file  \"Needle\" (case sensitive)", &s))
      << s.all();
  quit(0);
  // The next run: the list holds the last 100 searches, the newest last.
  run(&s);
  closeDialog(&s);
  openList(&s);
  // Waited for, not looked at once: the list's frame can be on the screen before its rows.
  ASSERT_TRUE(
      terminal_->waitForText("1 hit in 1 file  \"Needle\" (case sensitive) in [Source Files", &s))
      << s.all();
  terminal_->keys("Home");
  ASSERT_TRUE(terminal_->waitForText("\"old21\" in *.c", &s)) << s.all();
  EXPECT_FALSE(s.contains("\"old20\"")) << s.all();
  // Enter on a search of an earlier run runs it again, its box ticked.
  terminal_->keys("End Enter");
  ASSERT_TRUE(terminal_->waitForText(" 1/1  1 hit in 1 file  \"Needle\" (case sensitive)", &s))
      << s.all();
  EXPECT_TRUE(s.contains("1:5: int Needle;")) << s.all();
  quit(0);
  // A damaged file: said after the dialog and over the list; set aside byte for byte.
  const std::string damaged = "not a list of searches\n" + std::string(5000, 'x');
  std::ofstream(state + "/recent-searches.sqlite3", std::ios::trunc) << damaged;
  run(&s);
  search("needle");
  ASSERT_TRUE(terminal_->waitForText("Recent searches could not be read", &s)) << s.all();
  openList(&s);
  ASSERT_TRUE(terminal_->waitForText(
      "Recent searches could not be read (file is not a database): the file", &s))
      << s.all();
  EXPECT_FALSE(s.contains("Needle")) << s.all();
  EXPECT_EQ(readFile(state + "/recent-searches.sqlite3.unreadable"), damaged);
  closeList(&s);
  quit(0);
  // The new list kept that run's search.
  run(&s);
  closeDialog(&s);
  openList(&s);
  // (The add-on's own history kept the ticked box for the dialog.)
  ASSERT_TRUE(terminal_->waitForText("1 hit in 1 file  \"needle\" (case sensitive) in [Source", &s))
      << s.all();
  EXPECT_FALSE(s.contains("could not be read")) << s.all();
  closeList(&s);
  quit(1);
}

// Each damaged file is set aside under a name of its own, none over another, and the message
// names the copy.
TEST(RecentSearchesStoreTest, EveryDamagedFileIsKeptAsideUnderItsOwnName) {
  char tmpl[] = "/tmp/recent_searches_test.XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  std::string state = tmpl;
  std::string file = state + "/" + tui::RecentSearches::kFileName;
  const char* asides[] = {".unreadable", ".unreadable.2", ".unreadable.3"};
  for (int i = 0; i < 3; ++i) {
    std::ofstream(file, std::ios::trunc) << "damaged " << i << "\n" << std::string(4096, 'x');
    tui::RecentSearches store;
    std::vector<tui::RecentSearch> kept;
    std::string problem;
    EXPECT_FALSE(store.open(state, &kept, &problem));
    EXPECT_NE(problem.find("the file is now " + file + asides[i]), std::string::npos) << problem;
  }
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(readFile(file + asides[i]).substr(0, 9), "damaged " + std::to_string(i)) << asides[i];
  std::filesystem::remove_all(state);
}

// A store that holds more searches than are kept (another build's, or edited by hand) is read
// to the same bound: the newest, oldest first.
TEST(RecentSearchesStoreTest, AStoreHoldingMoreThanTheBoundIsReadToIt) {
  char tmpl[] = "/tmp/recent_searches_test.XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  std::string state = tmpl;
  std::vector<tui::RecentSearch> kept;
  std::string problem;
  ASSERT_TRUE(tui::RecentSearches().open(state, &kept, &problem)) << problem;
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open((state + "/" + tui::RecentSearches::kFileName).c_str(), &db), SQLITE_OK);
  const int stored = tui::RecentSearches::kKept + 50;
  std::string insert =
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
      std::to_string(stored) +
      ") INSERT INTO searches(time, text, file_types, directories, options, rules, hits, files) "
      "SELECT i, CAST(i AS TEXT), '*.c', '.', 0, '', 0, 0 FROM n";
  EXPECT_EQ(sqlite3_exec(db, insert.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
  tui::RecentSearches store;
  ASSERT_TRUE(store.open(state, &kept, &problem)) << problem;
  ASSERT_EQ(kept.size(), static_cast<size_t>(tui::RecentSearches::kKept));
  EXPECT_EQ(kept.front().request.text, std::to_string(stored - tui::RecentSearches::kKept + 1));
  EXPECT_EQ(kept.back().request.text, std::to_string(stored));
  std::filesystem::remove_all(state);
}

// Pages cleared with c give their memory back to the system: after three large pages and c, the
// program's resident memory is near what it was with the first page alone.
TEST_F(TuiResultsTest, ClearingOlderPagesGivesTheirMemoryBack) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "the sanitizer's allocator keeps freed memory back on purpose";
#endif
  std::string text;
  for (int i = 0; i < 2000; ++i)
    text += "static int needle_" + std::to_string(i) + " = compute(value, other, more);\n";
  for (int f = 0; f < 100; ++f) write("f" + std::to_string(f) + ".c", text);
  start();
  ASSERT_TRUE(terminal_->waitForText("< OK >")) << terminal_->screen().all();
  std::string pid = tuitest::capture("ps -o pid= --ppid " + terminal_->format("#{pane_pid}"));
  pid.erase(0, pid.find_first_not_of(' '));
  pid.erase(pid.find_last_not_of(" \n") + 1);
  ASSERT_FALSE(pid.empty());
  auto resident = [&] {
    std::string status = readFile("/proc/" + pid + "/status");
    size_t at = status.find("VmRSS:");
    return at == std::string::npos ? 0L : std::stol(status.substr(at + 6));
  };
  tuitest::Screen s;
  long one = 0;
  for (int n = 1; n <= 3; ++n) {
    if (n > 1) terminal_->keys("F2");
    search(n == 1 ? "needle" : "");
    std::string page = std::to_string(n) + "/" + std::to_string(n);
    ASSERT_TRUE(terminal_->waitFor(
        [&](const tuitest::Screen& screen) {
          return screen.contains(" " + page + "  200000 hits in 100 files") &&
                 screen.text(24).find("F2 Search") != std::string::npos;
        },
        &s, 120000))
        << s.all();
    if (n == 1) one = resident();
  }
  long three = resident();
  terminal_->type("c");
  ASSERT_TRUE(terminal_->waitForText("Cleared the older pages", &s)) << s.all();
  long cleared = resident();
  // Two pages more hold well over a tenth of one page's memory; after c that much is back.
  EXPECT_GT(three, one + one / 2) << one << " " << three;
  EXPECT_LT(cleared, one + one / 10) << one << " " << three << " " << cleared;
  if (getenv("VANTREL_PRINT_MEMORY")) printf("%ld %ld %ld kB\n", one, three, cleared);
  terminal_->keys("q");
  checkStatusAndModes(0);
}

// 2. Rows a person reads.
TEST_F(TuiResultsTest, HitsAreGroupedUnderTheirFilesAndTheFilesNotSearchedFoldIntoOneRow) {
  write("a.c", "int needle;\nx needle y\n");
  write("sub/b.c", "needle\n");
  write("empty.c", "");
  write("big.c", std::string(600000, 'a'));
  write("also.c", "");
  std::string deep = "a-directory-with-a-long-name/another-directory-with-a-long-name/deeper";
  write(deep + "/the-file.c", "needle\n");
  std::string many;
  for (int i = 1; i <= 40; ++i) many += "needle " + std::to_string(i) + "\n";
  write("z.c", many);
  start("", 80, 25, "--max-filesize=500000");
  search("needle", "M-r");
  tuitest::Screen s;
  // The rows as well as the header: a capture may fall between their updates.
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) {
        return screen.contains("44 hits in 4 files") && screen.text(3) == "  1:5: int needle;";
      },
      &s))
      << s.all();
  EXPECT_EQ(s.text(2), "\u25be a.c  (2 hits)");  // under the header's two rows
  EXPECT_EQ(s.text(3), "  1:5: int needle;");
  // Tab to the next file, Shift-Tab back; Space folds a file, its heading marked.
  terminal_->keys("Tab");
  ASSERT_TRUE(waitForSelected("\u25be z.c", &s)) << s.all();
  terminal_->keys("BTab");
  ASSERT_TRUE(waitForSelected("\u25be a.c", &s)) << s.all();
  terminal_->keys("Space");
  ASSERT_TRUE(terminal_->waitForText("\u25b8 a.c  (2 hits)", &s)) << s.all();
  EXPECT_FALSE(s.contains("int needle;")) << s.all();
  terminal_->keys("Space");
  ASSERT_TRUE(terminal_->waitForText("  1:5: int needle;", &s)) << s.all();
  // At the end, below the hits of the long file: its heading stays pinned in the first list row.
  terminal_->keys("End");
  ASSERT_TRUE(terminal_->waitForText("Vantrel : 44 found", &s)) << s.all();
  EXPECT_EQ(s.text(2), "\u25be z.c  (40 hits)");
  EXPECT_TRUE(s.at(2, 2).underline);
  EXPECT_TRUE(s.text(3).find(":1: needle ") != std::string::npos) << s.all();
  EXPECT_TRUE(s.contains("\u25be sub/b.c  (1 hit)")) << s.all();
  // Too long for the row: the file's name first, its directory after.
  EXPECT_TRUE(s.contains("\u25be the-file.c  (1 hit)  a-directory-with-a-long-name/")) << s.all();
  // The files not searched: one row, opened with Enter to the list.
  int row = 0, col = 0;
  ASSERT_TRUE(s.find("\u25b8 3 files not searched: 2 empty, 1 too large", &row, &col)) << s.all();
  EXPECT_FALSE(s.contains("File is 0 byte length")) << s.all();
  // The count of what the search passed over comes last, after the add-on's summary.
  ASSERT_TRUE(s.find("Vantrel : 44 found", &row, &col));
  // The counts first, then the size limit that refused the large file (and how to raise it, past
  // the terminal's width here).
  EXPECT_EQ(s.text(row + 1).rfind("Passed over 1 file too large, 2 empty files; the size limit is "
                                  "500000 bytes",
                                  0),
            0u)
      << s.all();
  terminal_->keys("Up Up");
  ASSERT_TRUE(waitForSelected("\u25b8 3 files", &s)) << s.all();
  // Opened, its list comes into view under it.
  terminal_->keys("Enter");
  ASSERT_TRUE(terminal_->waitForText("  big.c: too large", &s)) << s.all();
  EXPECT_TRUE(s.contains("\u25be 3 files not searched")) << s.all();
  EXPECT_TRUE(s.contains("  empty.c: empty")) << s.all();
  EXPECT_TRUE(s.contains("  also.c: empty")) << s.all();
  terminal_->keys("q");
  checkStatusAndModes(0);
}

// A definition in a file of 600,000 bytes is found with the defaults; a search that found nothing
// while it passed files over says so beside its 0, and + on the row of the files not searched
// runs it again taking them.
TEST_F(TuiResultsTest, LargeFilesAreSearchedAndPlusTakesThoseOverTheLimit) {
  std::string filler;
  while (filler.size() < 300000)
    filler += "static int filler_" + std::to_string(filler.size()) + ";\n";
  write("net/wireless/nl80211.c",
        filler + "static int nl80211_new_interface(struct sk_buff *skb)\n{\n" + filler);
  write("huge/table.c", "int huge_one;\n");
  ASSERT_EQ(truncate((dir_ + "/tree/huge/table.c").c_str(), 17 << 20), 0);  // sparse
  write("small.c", "int tiny;\n");
  start("", 80, 25, "-r");
  search("nl80211_new_interface");
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitForText(" 1/1  1 hit in 1 file", &s)) << s.all();
  EXPECT_TRUE(s.contains("\u25be net/wireless/nl80211.c  (1 hit)")) << s.all();
  EXPECT_TRUE(s.contains(":12: static int nl80211_new_interface(")) << s.all();
  EXPECT_TRUE(s.contains("1 file not searched: 1 too large")) << s.all();
  terminal_->keys("F2");
  ASSERT_TRUE(terminal_->waitForText("< OK >", &s)) << s.all();
  search("huge_one", s.contains("[x] Recurse") ? "" : "M-r");
  ASSERT_TRUE(
      terminal_->waitForText(" 2/2  0 hits in 0 files; 1 file not searched: 1 too large", &s))
      << s.all();
  // The row of the files not searched is selected (there is no hit), and offers the key.
  ASSERT_TRUE(waitForSelected("\u25b8 1 file not searched", &s)) << s.all();
  EXPECT_TRUE(s.contains("+ Take large files")) << s.all();
  terminal_->type("+");
  ASSERT_TRUE(terminal_->waitForText(" 3/3  1 hit in 1 file", &s)) << s.all();
  EXPECT_TRUE(s.contains("  1:5: int huge_one;")) << s.all();
  ASSERT_TRUE(terminal_->waitForText("Size limit 17825793 bytes", &s)) << s.all();
  terminal_->keys("q");
  checkStatusAndModes(0);
}

// The small things: the list of searches shows a search asked again once (the latest) and marks
// one the user stopped; [ and ] say so at the first and the last page; on the summary's rows Enter
// is not offered (and does nothing), the keys that apply there are.
TEST_F(TuiResultsTest, RepeatedSearchesAreListedOnceStoppedOnesSaySoAndTheEndsOfThingsAreSaid) {
  write("a.c", "int needle;\nreturn 0;\n");
  {
    tui::RecentSearches store;
    std::vector<tui::RecentSearch> kept;
    std::string problem;
    ASSERT_TRUE(store.open(dir_ + "/state/vantrel", &kept, &problem)) << problem;
    for (int i = 0; i < 3; ++i) {
      tui::RecentSearch old;
      old.request = {"return", "*.c", "[Current Directory]", 0, true, "", 100 + i};
      old.hits = 7;
      old.files = 2;
      old.stopped = i == 2;
      ASSERT_TRUE(store.add(old, &problem)) << problem;
    }
  }
  start();
  search("needle");
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitForText("Vantrel : 1 found", &s)) << s.all();
  terminal_->type("]");
  ASSERT_TRUE(terminal_->waitForText("This is the last page", &s)) << s.all();
  terminal_->type("[");
  ASSERT_TRUE(terminal_->waitForText("This is the first page", &s)) << s.all();
  terminal_->type("l");
  ASSERT_TRUE(terminal_->waitForText("Searches", &s)) << s.all();
  std::string all = s.all();
  size_t first = all.find("\"return\"");
  ASSERT_NE(first, std::string::npos) << all;
  EXPECT_EQ(all.find("\"return\"", first + 1), std::string::npos) << all;
  EXPECT_TRUE(s.contains("7 hits in 2 files, stopped by the user  \"return\"")) << all;
  terminal_->keys("Escape");
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) { return !screen.contains("Searches"); }, &s))
      << s.all();
  // The summary: Enter is not offered there, and does nothing.
  terminal_->keys("End");
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) { return screen.contains("[ ] Page  l Searches"); }, &s))
      << s.all();
  EXPECT_FALSE(s.contains("Enter Open")) << s.all();
  terminal_->keys("Enter");
  terminal_->keys("Up");
  ASSERT_TRUE(terminal_->waitForText("Enter Open", &s)) << s.all();
  EXPECT_FALSE(s.contains("Could not start")) << s.all();
  terminal_->keys("q");
  checkStatusAndModes(0);
}

// After End the first row shown is a file's last hit: it stays in view, no heading pinned over it.
TEST_F(TuiResultsTest, NoHeadingIsPinnedOverItsFilesLastHitRow) {
  std::string a, b;
  for (int i = 1; i <= 5; ++i) a += "needle " + std::to_string(i) + "\n";
  for (int i = 1; i <= 19; ++i) b += "needle " + std::to_string(i) + "\n";
  write("a.c", a);
  write("b.c", b);
  start();
  search("needle");
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitForText(" 24 hits in 2 files", &s)) << s.all();
  ASSERT_TRUE(terminal_->waitForText("F2 Search", &s)) << s.all();
  terminal_->keys("End");
  // 27 rows under a two-row header: the window starts at a.c's last hit, b.c's heading under it.
  ASSERT_TRUE(terminal_->waitForText("Vantrel : 24 found", &s)) << s.all();
  int row = 0, col = 0;
  ASSERT_TRUE(s.find("\u25be b.c  (19 hits)", &row, &col)) << s.all();
  EXPECT_EQ(s.text(row - 1), "  5:1: needle 5") << s.all();
  EXPECT_TRUE(s.at(row - 2, 2).reverse) << s.all();  // the header's last row
  EXPECT_FALSE(s.contains("a.c  (5 hits)")) << s.all();
  // Further up, a.c's hits go on below its pinned heading.
  terminal_->keys("Up Up Up Up Up Up Up Up Up Up Up Up Up Up Up Up Up Up Up Up Up Up");
  ASSERT_TRUE(terminal_->waitForText("\u25be a.c  (5 hits)", &s)) << s.all();
  terminal_->keys("q");
  checkStatusAndModes(0);
}

// 3. The preview, the highlighted match, and sideways scrolling bounded by the longest row.
TEST_F(TuiResultsTest, ThePreviewShowsTheLinesAroundTheHitBelowOrBesideTheList) {
  write("m.c", "#include <x>\n\nint main() {\n\tint Needle = 3;\n  return 0;\n}\n");
  write("long.c", std::string(150, '-') + "needle" + std::string(20, '=') + "END\n");
  start("", 100, 25);
  search("needle");
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitForText("Vantrel : 2 found", &s)) << s.all();
  // The matched text is highlighted in the list: on the selection too (underlined there).
  int row = 0, col = 0;
  ASSERT_TRUE(s.find("  4:6: int Needle = 3;", &row, &col)) << s.all();
  EXPECT_TRUE(s.at(row, col + 11).reverse && !s.at(row, col + 10).reverse);
  EXPECT_FALSE(s.at(row, col + 17).reverse);
  terminal_->keys("Tab Down p");
  // The preview's title names the file as the list does, relative to the directory searched.
  ASSERT_TRUE(terminal_->waitForText(" m.c:4", &s)) << s.all();
  EXPECT_FALSE(s.contains(dir_)) << s.all();
  ASSERT_TRUE(s.find("4\u25b6        int Needle = 3;", &row, &col)) << s.all();
  // Below the list, right under the page's last row: the rows the list does not need.
  int summary = 0, title = 0, unused = 0;
  ASSERT_TRUE(s.find("Vantrel : 2 found", &summary, &unused)) << s.all();
  ASSERT_TRUE(s.find(" m.c:4", &title, &unused)) << s.all();
  EXPECT_EQ(title, summary + 1) << s.all();
  EXPECT_EQ(row, title + 4) << s.all();
  EXPECT_TRUE(s.contains("1\u2502#include <x>")) << s.all();
  EXPECT_TRUE(s.contains("6\u2502}")) << s.all();
  EXPECT_FALSE(s.contains("7\u2502")) << s.all();
  EXPECT_TRUE(s.at(row, col + 14).reverse && s.at(row, col + 19).reverse) << s.all();
  EXPECT_FALSE(s.at(row, col + 13).reverse || s.at(row, col + 20).reverse) << s.all();
  // A match beyond the pane's right edge is brought into view, highlighted.
  terminal_->keys("Up Up");
  ASSERT_TRUE(terminal_->waitForText(" long.c:1", &s)) << s.all();
  int hitRow = 0, hitCol = 0;
  ASSERT_TRUE(s.find("1\u25b6", &hitRow, &hitCol)) << s.all();
  ASSERT_TRUE(s.find("needle====", &row, &col)) << s.all();
  EXPECT_EQ(row, hitRow) << s.all();
  EXPECT_TRUE(s.at(row, col).reverse && s.at(row, col + 5).reverse) << s.all();
  EXPECT_FALSE(s.at(row, col - 1).reverse || s.at(row, col + 6).reverse) << s.all();
  terminal_->keys("Down Down");
  ASSERT_TRUE(terminal_->waitForText(" m.c:4", &s)) << s.all();
  // Beside the list, then off.
  terminal_->keys("p");
  ASSERT_TRUE(terminal_->waitFor(
      [&](const tuitest::Screen& screen) {
        return screen.find("4\u25b6        int Needle", &row, &col) && col > 50 && row < 10;
      },
      &s))
      << s.all();
  terminal_->keys("p");
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) { return !screen.contains("4\u25b6"); }, &s))
      << s.all();
  // Right scrolls as far as the long row's end and no further; Home goes back.
  terminal_->keys("Home");
  for (int i = 0; i < 40; ++i) terminal_->keys("Right");
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) {
        return screen.all().find("===END\n") != std::string::npos;
      },
      &s))
      << s.all();
  ASSERT_TRUE(s.find("===END", &row, &col));
  EXPECT_EQ(col + 6, 100) << s.all();
  terminal_->keys("Home");
  ASSERT_TRUE(terminal_->waitForText("  1:151: -----", &s)) << s.all();
  terminal_->keys("q");
  checkStatusAndModes(0);
}

// At 80 x 24 a page of one hit leaves the preview every row under it; J and K scroll the preview
// by half its height without moving the selection, its match still highlighted, as far as the
// file's ends; another row centres it again.
TEST_F(TuiResultsTest, ThePreviewTakesTheRowsTheListLeavesAndScrollsOnItsOwn) {
  std::string text;
  for (int i = 1; i <= 200; ++i)
    text += i == 100 ? "struct sk_buff {\n" : "line " + std::to_string(i) + "\n";
  write("skbuff.h", text);
  start("", 80, 24, "-f '*.h'");
  search("struct sk_buff {");
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitForText("Vantrel : 1 found", &s)) << s.all();
  terminal_->type("p");
  // Header, heading, hit, summary: the preview's title on row 4, its 18 lines under it, the hit's
  // line in their middle.
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) { return screen.text(4) == " skbuff.h:100"; }, &s))
      << s.all();
  EXPECT_EQ(s.text(5), " 91\u2502line 91") << s.all();
  EXPECT_EQ(s.text(14), "100\u25b6struct sk_buff {") << s.all();
  EXPECT_EQ(s.text(22), "108\u2502line 108") << s.all();
  EXPECT_TRUE(s.at(14, 4).reverse) << s.all();
  terminal_->type("J");
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) { return screen.text(5) == "100\u25b6struct sk_buff {"; },
      &s))
      << s.all();
  EXPECT_TRUE(s.at(5, 4).reverse) << s.all();
  EXPECT_TRUE(waitForSelected("  100:1: struct sk_buff {", &s)) << s.all();
  terminal_->type("KK");
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) { return screen.text(5) == " 82\u2502line 82"; }, &s))
      << s.all();
  // Not past the file's end: the last line at the bottom.
  for (int i = 0; i < 30; ++i) terminal_->type("J");
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) { return screen.text(22) == "200\u2502line 200"; }, &s))
      << s.all();
  EXPECT_EQ(s.text(5), "183\u2502line 183") << s.all();
  // Another row and back: centred again.
  terminal_->keys("Up Down");
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) { return screen.text(5) == " 91\u2502line 91"; }, &s))
      << s.all();
  terminal_->keys("q");
  checkStatusAndModes(0);
}

// A pattern's match is highlighted as the add-on's engine finds it on the hit's own line; a match
// past the end of the row's text is brought into view after a "…".
TEST_F(TuiResultsTest, APatternsMatchIsHighlightedAndOnePastTheCutIsBroughtIntoView) {
  write("a.c", "int Needle = 1;\n" + std::string(300, 'x') + " needle end\n");
  start();
  search("ne+d[a-z]e", "M-e");
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitForText("Vantrel : 2 found", &s)) << s.all();
  int row = 0, col = 0;
  // The selected row: its match underlined (case ignored, as the search ignored it).
  ASSERT_TRUE(s.find("  1:5: int Needle = 1;", &row, &col)) << s.all();
  EXPECT_TRUE(s.at(row, col + 11).underline && s.at(row, col + 16).underline) << s.all();
  EXPECT_FALSE(s.at(row, col + 10).underline || s.at(row, col + 17).underline) << s.all();
  std::string shown = "  2:302: \u2026" + std::string(15, 'x') + " needle end";
  ASSERT_TRUE(s.find(shown, &row, &col)) << s.all();
  EXPECT_TRUE(s.at(row, col + 26).reverse && s.at(row, col + 31).reverse) << s.all();
  EXPECT_FALSE(s.at(row, col + 25).reverse || s.at(row, col + 32).reverse) << s.all();
  // The preview highlights the same extent; its title names the file as the list does.
  terminal_->keys("p");
  ASSERT_TRUE(terminal_->waitForText("a.c:1", &s)) << s.all();
  ASSERT_TRUE(s.find("1\u25b6int Needle", &row, &col)) << s.all();
  EXPECT_TRUE(s.at(row, col + 6).reverse && s.at(row, col + 11).reverse) << s.all();
  EXPECT_FALSE(s.at(row, col + 12).reverse) << s.all();
  terminal_->keys("q");
  checkStatusAndModes(0);
}

// 4. The filter.
TEST_F(TuiResultsTest, ATypedFilterNarrowsThePageToRowsWhosePathOrTextHoldsIt) {
  write("a.c", "int needle;\nreturn needle;\n");
  write("keep/b.c", "needle\n");
  start();
  search("needle", "M-r");
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitForText("Vantrel : 3 found", &s)) << s.all();
  terminal_->type("/RET");
  ASSERT_TRUE(terminal_->waitForText(" Filter: RET_", &s)) << s.all();
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) { return !screen.contains("int needle;"); }, &s))
      << s.all();
  EXPECT_TRUE(s.contains("[filter: ret]")) << s.all();
  EXPECT_TRUE(s.contains("\u25be a.c  (1 of 2 hits)")) << s.all();  // the hits let through
  EXPECT_TRUE(selectedRow(s, "  2:8: return needle;")) << s.all();
  // The filter's text is underlined where a row holds it.
  int row = 0, col = 0;
  ASSERT_TRUE(s.find("return needle;", &row, &col)) << s.all();
  EXPECT_TRUE(s.at(row, col).underline && s.at(row, col + 2).underline) << s.all();
  EXPECT_FALSE(s.at(row, col + 3).underline) << s.all();
  EXPECT_FALSE(s.contains("b.c")) << s.all();
  // A path holds it: the file with its hits. Enter keeps the filter, / edits it again.
  terminal_->keys("C-u");
  terminal_->type("keep/");
  terminal_->keys("Enter");
  ASSERT_TRUE(terminal_->waitForText("F2 Search", &s)) << s.all();
  EXPECT_TRUE(s.contains("\u25be keep/b.c  (1 hit)")) << s.all();
  EXPECT_FALSE(s.contains("a.c")) << s.all();
  // The header counts the hits let through; clearing the filter keeps the place.
  EXPECT_TRUE(s.contains(" 1/1  1 of 3 hits in 1 file  [filter: keep/]")) << s.all();
  terminal_->type("/");
  ASSERT_TRUE(terminal_->waitForText(" Filter: keep/_", &s)) << s.all();
  terminal_->keys("Escape");
  ASSERT_TRUE(terminal_->waitForText("  1:5: int needle;", &s)) << s.all();
  EXPECT_FALSE(s.contains("[filter:")) << s.all();
  EXPECT_TRUE(s.contains(" 1/1  3 hits in 2 files")) << s.all();
  EXPECT_TRUE(waitForSelected("  1:1: needle", &s)) << s.all();
  terminal_->keys("q");
  checkStatusAndModes(0);
}

// The preview shows what is on disk: a file rewritten or gone while selected; no shown line end,
// and lines end where the search ends them (CR, LF, CR LF or LF CR).
TEST_F(TuiResultsTest, ThePreviewReadsAChangedFileAgainAndSaysWhenItIsGone) {
  write("m.c", "int needle;\nint other;\n");
  write("r.c", "abc\rneedle\r\nx\n\ry\r\r");
  start();
  search("needle");
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitForText("Vantrel : 2 found", &s)) << s.all();
  terminal_->keys("p");
  ASSERT_TRUE(terminal_->waitForText("2\u2502int other;", &s)) << s.all();
  EXPECT_FALSE(s.contains("\\x0a")) << s.all();
  write("m.c", "int needle;\nchanged\nand longer\n");
  ASSERT_TRUE(terminal_->waitForText("3\u2502and longer", &s)) << s.all();
  EXPECT_FALSE(s.contains("int other")) << s.all();
  ASSERT_EQ(unlink((dir_ + "/tree/m.c").c_str()), 0);
  ASSERT_TRUE(terminal_->waitForText("No longer on disk: " + dir_ + "/tree/m.c", &s)) << s.all();
  EXPECT_FALSE(s.contains("and longer")) << s.all();
  terminal_->keys("Down");
  ASSERT_TRUE(terminal_->waitForText("5\u2502", &s)) << s.all();
  for (const char* line : {"1\u2502abc", "2\u25b6needle", "3\u2502x", "4\u2502y"})
    EXPECT_TRUE(s.contains(line)) << line << "\n" << s.all();
  EXPECT_FALSE(s.contains("\\x0d")) << s.all();
  terminal_->keys("q");
  checkStatusAndModes(0);
}

// A terminal that cannot show a full screen is refused; a locale that cannot show the box and
// arrow characters gets ASCII stand-ins; a direction control from a file is shown escaped.
TEST_F(TuiResultsTest, DumbTerminalsAreRefusedAndTheCLocaleGetsAsciiStandIns) {
  // Under the sanitizers, curses started on a terminal it does not know would also leak.
  for (const char* terminal : {"TERM=dumb", "TERM=", "TERM=no-such-terminal"}) {
    start(terminal);
    // modes.txt is the pane's last file: once it is there, nothing of this run writes any more.
    ASSERT_TRUE(waitForFile("modes.txt")) << terminal;
    EXPECT_EQ(readFile(dir_ + "/status.txt"), "2\n") << terminal;
    EXPECT_TRUE(terminal_->screen().contains("cannot be used full-screen"))
        << terminal << terminal_->screen().all();
    tuitest::capture("rm -f " + tuitest::quote(dir_ + "/status.txt") + " " +
                     tuitest::quote(dir_ + "/modes.txt"));
  }
  write("r.c", "x \u202e needle\n");
  start("LC_ALL=C", 120);  // wide enough for the quickfix note and the hints after it
  search("needle");
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitForText("Vantrel : 1 found", &s)) << s.all();
  EXPECT_EQ(s.text(1), "v r.c  (1 hit)") << s.all();
  EXPECT_EQ(s.text(2), "  1:7: x \\u202e needle") << s.all();
  terminal_->keys("w");
  ASSERT_TRUE(terminal_->waitForText(" Wrote ", &s)) << s.all();
  EXPECT_NE(s.text(24).find("  |"), std::string::npos) << s.all();
  terminal_->keys("q");
  checkStatusAndModes(0);
}

// Wide and combining characters take the cells the terminal gives them: the matched text is
// highlighted where it stands, in the list and in the preview.
TEST_F(TuiResultsTest, WideAndCombiningCharactersTakeTheirCells) {
  write("w.c", "\u4e2d\u6587\u5b57 needle\ne\u0301e\u0301 needle\n");
  start();
  search("needle");
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitForText("Vantrel : 2 found", &s)) << s.all();
  EXPECT_EQ(s.text(3), "  1:11: \u4e2d\u6587\u5b57 needle") << s.all();
  EXPECT_EQ(s.text(4), "  2:8: e\u0301e\u0301 needle") << s.all();
  terminal_->keys("p");
  ASSERT_TRUE(terminal_->waitForText("1\u25b6\u4e2d\u6587\u5b57 needle", &s)) << s.all();
  terminal_->keys("Down");
  ASSERT_TRUE(terminal_->waitForText("2\u25b6e\u0301e\u0301 needle", &s)) << s.all();
  terminal_->keys("q");
  checkStatusAndModes(0);
}

// A paste on a page never acts as keys: it goes into the filter, or nowhere.
TEST_F(TuiResultsTest, APasteOnAPageRunsNoCommandAndGoesIntoTheFilter) {
  write("a.c", "int needle;\nx needle y\n");
  start("XDG_STATE_HOME=" + tuitest::quote(dir_ + "/state"));
  search("needle");
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitForText("Vantrel : 2 found", &s)) << s.all();
  auto paste = [&](const std::string& text) {
    terminal_->tmux("set-buffer " + tuitest::quote(text));
    terminal_->tmux("paste-buffer -p -t 0");
  };
  paste("see w here\nc p q");
  ASSERT_TRUE(terminal_->waitForText("A paste goes into the filter", &s)) << s.all();
  EXPECT_FALSE(s.contains("Wrote")) << s.all();
  EXPECT_FALSE(s.contains("1\u2502int needle;")) << s.all();  // no preview
  EXPECT_EQ(tuitest::capture("ls " + tuitest::quote(dir_ + "/state/vantrel") + " | grep qf"), "");
  terminal_->type("/");
  ASSERT_TRUE(terminal_->waitForText(" Filter: _", &s)) << s.all();
  paste("x\nneedle");
  ASSERT_TRUE(terminal_->waitForText(" Filter: x needle_", &s)) << s.all();
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) { return !screen.contains("int needle;"); }, &s))
      << s.all();
  EXPECT_TRUE(s.contains("  2:3: x needle y")) << s.all();
  terminal_->keys("Enter q");
  checkStatusAndModes(0);
}

// 5. Errors and state in view.
TEST_F(TuiResultsTest, ARefusedPatternIsShownOverTheDialogReopenedWithTheText) {
  write("a.c", "int needle;\n");
  start();
  search("(nee", "M-e");
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitForText("[ OK ]", &s)) << s.all();
  EXPECT_TRUE(s.contains("Vantrel regular expression error : ")) << s.all();
  EXPECT_TRUE(s.contains("Text to find (nee")) << s.all();
  // The pattern under the add-on's line, marked where the engine stopped reading it: its end.
  int row = 0, col = 0;
  ASSERT_TRUE(s.find("^ here", &row, &col)) << s.all();
  std::string above;
  for (int c = col - 4; c <= col; ++c) above += s.at(row - 1, c).ch;
  EXPECT_EQ(above, "(nee ") << s.all();
  terminal_->keys("Enter");  // the box goes; the dialog stays with the text
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) {
        return !screen.contains("[ OK ]") && screen.contains("< OK >");
      },
      &s))
      << s.all();
  terminal_->keys("End BSpace");
  terminal_->type("edle)");
  terminal_->keys("Enter");
  ASSERT_TRUE(
      terminal_->waitForText(" 1/1  1 hit in 1 file  \"(needle)\" (regular expression)", &s))
      << s.all();
  terminal_->keys("q");
  checkStatusAndModes(0);
}

TEST_F(TuiResultsTest, AWorkerSearchShowsItsCountsAndAStoppedSearchSaysSo) {
  slowTree();
  start();
  search(kSlowPattern, "M-a M-e");
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) {
        return screen.text(24).find(" Searching: ") == 0 &&
               screen.text(24).find(" files, 1 hit   F2/Esc Stop") != std::string::npos;
      },
      &s, 10000))
      << s.all();
  // Esc asks the add-on's stop question, as F2 does.
  terminal_->keys("Escape");
  ASSERT_TRUE(terminal_->waitForText("Do you want to stop it ?", &s, 10000)) << s.all();
  terminal_->keys("y");
  ASSERT_TRUE(terminal_->waitForText(" 1/1  1 hit in 1 file, stopped by the user  ", &s, 10000))
      << s.all();
  ASSERT_TRUE(terminal_->waitForText("F2 Search", &s)) << s.all();
  terminal_->keys("q");
  checkStatusAndModes(0);
}

// Keys typed while a blocking search runs are acted on, in order, once it ends; a movement key
// with none waiting before it, at once. The terminal made narrower meanwhile, the progress line
// still ends with the stop key.
TEST_F(TuiResultsTest, KeysTypedDuringABlockingSearchAreActedOnOnceItEnds) {
  slowTree();
  std::string hits;
  for (int i = 1; i <= 30; ++i) hits += "int needle;\n";
  write("f0.c", hits);
  start("", 90, 25);
  search(kSlowPattern, "M-e");
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitForText("Esc Stop", &s, 10000)) << s.all();
  terminal_->tmux("resize-window -t 0 -x 80 -y 25");
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) {
        std::string last = screen.text(24);
        return last.size() > 9 && last.substr(last.size() - 9) == " Esc Stop" &&
               last.find("Vantrel") == 0;
      },
      &s, 10000))
      << s.all();
  ASSERT_TRUE(terminal_->waitForText(" 30 hits in 1 file", &s, 10000)) << s.all();
  terminal_->keys("Down Down");
  ASSERT_TRUE(waitForSelected("  3:5: int needle;", &s)) << s.all();
  EXPECT_NE(s.text(24).find("Esc Stop"), std::string::npos) << s.all();  // still searching
  terminal_->type("/f0");
  terminal_->keys("Enter");
  terminal_->type("p");
  terminal_->keys("Escape");
  ASSERT_TRUE(terminal_->waitForText("[filter: f0]", &s, 10000)) << s.all();
  EXPECT_TRUE(s.contains("stopped by the user")) << s.all();
  ASSERT_TRUE(terminal_->waitForText(" f0.c:3", &s)) << s.all();  // the preview
  terminal_->keys("q");
  checkStatusAndModes(0);
}

TEST_F(TuiResultsTest, TheProgressLineAt80ColumnsEndsWithTheStopKeyWhateverCameBefore) {
  manyFiles(4000);
  // Files of another type the add-on's counting pass lists and passes over.
  for (int i = 0; i < 20000; ++i) std::ofstream(dir_ + "/tree/t" + std::to_string(i) + ".txt");
  start();
  search("needle");
  tuitest::Screen s;
  // Until the add-on has counted the files and drawn its bar, the bottom row says the search
  // runs, not the idle keys.
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) {
        bool counting = screen.contains(" 1/1  0 hits");
        EXPECT_TRUE(!counting || screen.text(24).find("F2 Search") == std::string::npos)
            << screen.all();
        return screen.contains("4000 hits in 4000 files");
      },
      &s, 20000))
      << s.all();
  // The next bar leaves nothing of the one before in its last cells.
  terminal_->keys("F2");
  search("needle");
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) {
        return screen.text(24).find("Vantrel : ") == 0 && screen.text(24).size() > 68;
      },
      &s, 20000))
      << s.all();
  std::string last = s.text(24);
  EXPECT_EQ(s.rows[24].size(), 80u);
  EXPECT_EQ(last.substr(last.size() - 9), " Esc Stop") << last;
  ASSERT_TRUE(terminal_->waitForText("2/2  4000 hits", &s, 20000)) << s.all();
  terminal_->keys("q");
  checkStatusAndModes(0);
}

// 6. The dialog in cells.
TEST_F(TuiResultsTest, TheDialogsFieldsTakeControlKeysAndPastesAndTheCursorFollowsTheFocus) {
  write("a.c", "int needle;\nint other;\n");
  start();
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitForText("< OK >", &s)) << s.all();
  auto cursor = [&] { return terminal_->format("#{cursor_y} #{cursor_x}"); };
  auto waitCursor = [&](int row, int col) {
    std::string wanted = std::to_string(row) + " " + std::to_string(col), at;
    for (int i = 0; i < 100 && at != wanted; ++i, usleep(20000)) at = cursor();
    return at;
  };
  int row = 0, col = 0;
  // Ctrl-W takes the word before the caret, Ctrl-A and Ctrl-E go to the ends, Ctrl-U takes all
  // before the caret.
  terminal_->type("one two three");
  terminal_->keys("C-w C-a");
  terminal_->type("<");
  terminal_->keys("C-e");
  terminal_->type(">");
  ASSERT_TRUE(terminal_->waitForText("Text to find <one two >", &s)) << s.all();
  terminal_->keys("Left C-u");
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) {
        return screen.contains("Text to find >") && !screen.contains("one");
      },
      &s))
      << s.all();
  // A pasted text with a line end is typed in, the line end a blank, and runs no search.
  terminal_->keys("C-u Delete");
  terminal_->tmux("set-buffer " + tuitest::quote("int\nneedle"));
  terminal_->tmux("paste-buffer -p -t 0");
  ASSERT_TRUE(terminal_->waitForText("Text to find int needle", &s)) << s.all();
  // One ending in a lone ESC keeps its end marker out of the field.
  terminal_->tmux("set-buffer " + tuitest::quote("\x1b"));
  terminal_->tmux("paste-buffer -p -t 0");
  usleep(300 * 1000);
  EXPECT_TRUE(terminal_->screen().contains("< OK >"));
  EXPECT_FALSE(terminal_->screen().contains("[201~")) << terminal_->screen().all();
  // The cursor stands on the focused control: a box, then Cancel.
  terminal_->keys("M-w");
  ASSERT_TRUE(terminal_->waitForText("[x] Whole Words only", &s)) << s.all();
  ASSERT_TRUE(s.find("[x] Whole Words only", &row, &col));
  EXPECT_EQ(waitCursor(row, col + 1), std::to_string(row) + " " + std::to_string(col + 1));
  terminal_->keys("Tab");
  ASSERT_TRUE(s.find("[ Cancel ]", &row, &col));
  EXPECT_EQ(waitCursor(row, col + 2), std::to_string(row) + " " + std::to_string(col + 2));
  terminal_->keys("Tab");
  ASSERT_TRUE(s.find("< OK >", &row, &col));
  EXPECT_EQ(waitCursor(row, col + 2), std::to_string(row) + " " + std::to_string(col + 2));
  terminal_->keys("Enter");
  ASSERT_TRUE(terminal_->waitForText(" 1/1  1 hit in 1 file  \"int needle\" (whole words)", &s))
      << s.all();
  terminal_->keys("q");
  checkStatusAndModes(0);
}

TEST_F(TuiResultsTest, ATerminalTooSmallForTheDialogSaysSo) {
  start("", 60, 20);
  tuitest::Screen s;
  ASSERT_TRUE(
      terminal_->waitForText("The dialog needs 73 x 18 cells; the terminal has 60 x 20.", &s))
      << s.all();
  EXPECT_FALSE(s.contains("Vantrel \u2500")) << s.all();
  terminal_->keys("Escape");
  ASSERT_TRUE(terminal_->waitForText("F2 Search", &s)) << s.all();
  terminal_->keys("q");
  checkStatusAndModes(1);
}

TEST_F(TuiResultsTest, CtrlZStopsTheProgramAsAShellJobAndFgTakesItBack) {
  terminal_ = std::make_unique<tuitest::Terminal>("cd " + tuitest::quote(dir_ + "/tree") +
                                                  " && exec bash --norc --noprofile -i");
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) {
        return screen.contains("$") || screen.contains("#");  // the shell's prompt
      },
      &s))
      << s.all();
  terminal_->type("env LANG=C.UTF-8 TERM=screen-256color VANTREL_REGISTRY=" +
                  tuitest::quote(dir_ + "/registry.sqlite3") + " " + tuitest::quote(program_));
  terminal_->keys("Enter");
  ASSERT_TRUE(terminal_->waitForText("< OK >", &s)) << s.all();
  terminal_->type("kept");
  terminal_->keys("C-z");
  ASSERT_TRUE(terminal_->waitForText("Stopped", &s)) << s.all();
  EXPECT_EQ(terminal_->format("#{alternate_on} #{mouse_any_flag}"), "0 0");
  terminal_->type("fg");
  terminal_->keys("Enter");
  ASSERT_TRUE(terminal_->waitForText("Text to find kept", &s)) << s.all();
  terminal_->keys("Escape");
  ASSERT_TRUE(terminal_->waitForText("F2 Search", &s)) << s.all();
  terminal_->keys("C-z");
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) { return !screen.contains("F2 Search"); }, &s))
      << s.all();
  terminal_->type("fg");
  terminal_->keys("Enter");
  ASSERT_TRUE(terminal_->waitForText("F2 Search", &s)) << s.all();
  // A blocking search stops with the program and goes on after fg, until Esc.
  slowTree();
  terminal_->keys("F2");
  terminal_->keys("C-u");
  search(kSlowPattern, "M-e");
  // The progress bar's text, squeezed to 80 columns ("<Pres Esc Stop").
  auto searching = [](const tuitest::Screen& screen) { return screen.contains("Esc Stop"); };
  ASSERT_TRUE(terminal_->waitFor(searching, &s)) << s.all();
  terminal_->keys("C-z");
  ASSERT_TRUE(terminal_->waitForText("Stopped", &s)) << s.all();
  EXPECT_EQ(terminal_->format("#{alternate_on} #{mouse_any_flag}"), "0 0");
  terminal_->type("fg");
  terminal_->keys("Enter");
  ASSERT_TRUE(terminal_->waitFor(searching, &s)) << s.all();
  terminal_->keys("Escape");
  ASSERT_TRUE(terminal_->waitForText("stopped by the user", &s)) << s.all();
  terminal_->keys("q");
  // Typed once the shell has the terminal again: the program's ending flushes what is typed ahead.
  for (int i = 0; i < 250 && terminal_->format("#{pane_current_command}") != "bash"; ++i)
    usleep(20000);
  terminal_->type("echo status=$?");
  terminal_->keys("Enter");
  ASSERT_TRUE(terminal_->waitForText("status=0", &s)) << s.all();  // a hit was listed
}

// Stopped from outside and continued, by a signal the program sees (TSTP) or one it cannot
// (STOP), it sets every mode again: a paste after fg is still a paste, its line end no Enter.
TEST_F(TuiResultsTest, StoppedAndContinuedFromOutsideEveryModeIsSetAgain) {
  terminal_ = std::make_unique<tuitest::Terminal>("cd " + tuitest::quote(dir_ + "/tree") +
                                                  " && exec bash --norc --noprofile -i");
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitForText("#", &s)) << s.all();
  terminal_->type("env LANG=C.UTF-8 TERM=screen-256color VANTREL_REGISTRY=" +
                  tuitest::quote(dir_ + "/registry.sqlite3") + " " + tuitest::quote(program_));
  terminal_->keys("Enter");
  ASSERT_TRUE(terminal_->waitForText("< OK >", &s)) << s.all();
  std::string shell = terminal_->format("#{pane_pid}");
  std::string pid = tuitest::capture("ps -o pid= --ppid " + shell);
  while (!pid.empty() && (pid.back() == '\n' || pid.front() == ' '))
    pid.erase(pid.back() == '\n' ? pid.size() - 1 : 0, 1);
  ASSERT_FALSE(pid.empty());
  std::string typed;
  auto foreground = [&] { return terminal_->format("#{pane_current_command}"); };
  for (const char* signal : {"TSTP", "STOP"}) {
    tuitest::capture(std::string("kill -") + signal + " " + pid);
    for (int i = 0; i < 250 && foreground() != "bash"; ++i) usleep(20000);
    ASSERT_EQ(foreground(), "bash") << signal;
    terminal_->type("fg");
    terminal_->keys("Enter");
    // Redrawn whole (the shell's lines gone), then given the time a key read takes to look.
    ASSERT_TRUE(terminal_->waitFor(
        [](const tuitest::Screen& screen) {
          return screen.contains("< OK >") && !screen.contains("Stopped");
        },
        &s))
        << signal << "\n"
        << s.all();
    usleep(300 * 1000);
    terminal_->tmux("set-buffer " + tuitest::quote(std::string(signal) + "\nx"));
    terminal_->tmux("paste-buffer -p -t 0");
    typed += std::string(signal) + " x";
    ASSERT_TRUE(terminal_->waitForText("Text to find " + typed, &s)) << signal << "\n" << s.all();
    usleep(300 * 1000);
    EXPECT_TRUE(terminal_->screen().contains("< OK >")) << signal;
    EXPECT_EQ(terminal_->format("#{alternate_on} #{mouse_any_flag}"), "1 1") << signal;
  }
  terminal_->keys("Escape q");
}

}  // namespace
