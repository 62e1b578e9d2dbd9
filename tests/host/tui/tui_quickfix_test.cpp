// The quickfix file: which paths a line can carry as they are, and the program in a tmux pane
// writing the hits shown (a filter's, with names no line can carry left out and counted) and
// leaving nothing behind when the write fails. Covers host/tui/tui_quickfix.cpp; the file written
// from a page filled by the add-on's events is tested in tests/host/tui/tui_message_list_test.cpp.
#include "host/tui/tui_quickfix.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/host/tui/program_pane.h"

namespace {

// Paths go into a quickfix line as they are, unless a reader would take them apart.
TEST(QuickfixTest, APathIsCarriedAsItIsUnlessALineCannotHoldIt) {
  const struct {
    const char* path;
    bool carried;
  } cases[] = {
      {"/src/col:1:2.c", true},  {"/src/a:1:b.c", true},  {"/src/e\x1b\xff.c", true},
      {"/src/a:1:2:b.c", false}, {"/src/x:12:3", false},  {"/src/line\nend.c", false},
      {"/src/cr\r.c", false},    {"/src/$HOME.c", false}, {"/src/q\"d.c", true},
  };
  for (const auto& c : cases) EXPECT_EQ(tui::quickfixCarries(c.path), c.carried) << c.path;
}

// The program on a terminal (tmux) writing the quickfix file on w. The fixture is named as the
// results' tests are, whose cases these were.
class TuiResultsTest : public tuitest::ProgramPaneTest {};

// The quickfix file holds the hits shown, each file's path as it is; a name no quickfix line can
// carry is left out and counted.
TEST_F(TuiResultsTest, TheQuickfixFileHoldsTheHitsShownWithTheirPathsAsTheyAre) {
  write("e\x1b.c", "needle\n");
  write("a:1:2:b.c", "needle\n");
  write("plain.c", "needle\nneedle x\n");
  start("XDG_STATE_HOME=" + tuitest::quote(dir_ + "/state"), 200, 25);
  search("needle");
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitForText("Vantrel : 4 found", &s)) << s.all();
  terminal_->keys("w");
  ASSERT_TRUE(terminal_->waitForText(
      "Wrote 3 of 4 hits (1 left out: its file's name cannot be a quickfix line's): vim -q ", &s))
      << s.all();
  std::string folder = dir_ + "/state/vantrel/";
  std::string tree = dir_ + "/tree/";
  std::string written = tuitest::capture("cat " + tuitest::quote(folder) + "*.qf");
  EXPECT_NE(written.find(tree + "e\x1b.c:1:1: needle\n"), std::string::npos) << written;
  EXPECT_NE(written.find(tree + "plain.c:2:1: needle x\n"), std::string::npos) << written;
  EXPECT_EQ(written.find("b.c"), std::string::npos) << written;
  // With a filter, the hits it lets through.
  tuitest::capture("rm -f " + tuitest::quote(folder) + "*.qf");
  terminal_->type("/ x");
  terminal_->keys("Enter w");
  ASSERT_TRUE(terminal_->waitForText("Wrote 1 of 4 hits: vim -q ", &s)) << s.all();
  EXPECT_EQ(tuitest::capture("cat " + tuitest::quote(folder) + "*.qf"),
            tree + "plain.c:2:1: needle x\n");
  terminal_->keys("q");
  checkStatusAndModes(0);
}

// A write that fails (the disk full, or here the file size limit) leaves no cut file behind.
TEST_F(TuiResultsTest, AQuickfixWriteThatFailsRemovesWhatItWrote) {
  std::string many;
  for (int i = 0; i < 1000; ++i) many += "needle " + std::string(100, 'x') + "\n";
  write("many.c", many);
  start("XDG_STATE_HOME=" + tuitest::quote(dir_ + "/state") +
            " sh -c 'trap \"\" XFSZ; ulimit -f 64; exec \"$0\" \"$@\"'",
        200, 25);
  search("needle");
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) {
        return screen.contains("1000 hits in 1 file") && screen.contains("F2 Search");
      },
      &s))
      << s.all();
  terminal_->keys("w");
  ASSERT_TRUE(terminal_->waitForText("Cannot write " + dir_ + "/state/vantrel/search-", &s))
      << s.all();
  EXPECT_TRUE(s.contains("File too large")) << s.all();
  // Nothing but the recent searches, which are not quickfix lines.
  EXPECT_EQ(tuitest::capture("ls " + tuitest::quote(dir_ + "/state/vantrel")),
            "recent-searches.sqlite3\n");
  terminal_->keys("q");
  checkStatusAndModes(0);
}

// o orders the page by path: a directory's own files together, a .c beside its .h (the walk takes
// one file type at a time), Tab goes through them so, and the quickfix file follows what is
// shown; o again, the order found.
TEST_F(TuiResultsTest, ByPathTheFilesOfADirectoryStandTogetherAndTheQuickfixFileFollows) {
  for (const char* name : {"drv/iphase.c", "drv/zeta.c", "drv/iphase.h", "drv/sub/x.c", "a.h"})
    write(name, "needle\n");
  start("XDG_STATE_HOME=" + tuitest::quote(dir_ + "/state"), 80, 25, "-f '*.c;*.h' -r");
  search("needle");
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitForText("Vantrel : 5 found", &s)) << s.all();
  // The headings, top to bottom.
  auto headings = [](const tuitest::Screen& screen) {
    std::string out;
    for (size_t r = 0; r < 24; ++r)
      if (screen.text(r).rfind("\u25be ", 0) == 0) {
        std::string name = screen.text(r).substr(4);
        out += name.substr(0, name.find("  ")) + " ";
      }
    return out;
  };
  std::string found = headings(s);
  const std::string byPath = "a.h drv/iphase.c drv/iphase.h drv/zeta.c drv/sub/x.c ";
  ASSERT_NE(found, byPath) << "the walk's order is not the path's: " << found;
  terminal_->type("o");
  ASSERT_TRUE(terminal_->waitFor(
      [&](const tuitest::Screen& screen) { return headings(screen) == byPath; }, &s))
      << s.all();
  EXPECT_NE(s.text(0).find("[by path]"), std::string::npos) << s.all();
  terminal_->keys("Home Tab Tab");
  int row = 0, col = 0;
  ASSERT_TRUE(terminal_->waitFor(
      [&](const tuitest::Screen& screen) {
        return screen.find("\u25be drv/iphase.h", &row, &col) && screen.at(row, 4).reverse;
      },
      &s))
      << s.all();
  terminal_->keys("w");
  ASSERT_TRUE(terminal_->waitForText("Wrote 5 hits", &s)) << s.all();
  std::string tree = dir_ + "/tree/";
  std::string lines;
  for (const char* name : {"a.h", "drv/iphase.c", "drv/iphase.h", "drv/zeta.c", "drv/sub/x.c"})
    lines += tree + name + ":1:1: needle\n";
  EXPECT_EQ(tuitest::capture("cat " + tuitest::quote(dir_ + "/state/vantrel") + "/*.qf"), lines);
  terminal_->type("o");
  ASSERT_TRUE(terminal_->waitFor(
      [&](const tuitest::Screen& screen) {
        return headings(screen) == found && screen.text(0).find("[by path]") == std::string::npos;
      },
      &s))
      << s.all();
  terminal_->keys("q");
  checkStatusAndModes(0);
}

// s shows the page's hits by where their matches stand in their C source (in code, comments,
// strings, comments or strings, then all again; S goes back): the rows, the header's counts and
// the quickfix file follow, and a search confirmed from the page (the live query's) keeps it.
TEST_F(TuiResultsTest, TheScopeKeyShowsTheHitsByWhereTheirMatchesStand) {
  write("a.c",
        "int needle = 1; // needle\n"
        "/* needle */\n"
        "puts(\"needle\");\n"
        "x = 2; /* needle */ y = needle;\n");
  start("XDG_STATE_HOME=" + tuitest::quote(dir_ + "/state"), 100, 25);
  search("needle");
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitForText("Vantrel : 4 found", &s)) << s.all();
  auto shows = [&](const std::string& header, const std::vector<std::string>& rows) {
    return terminal_->waitFor(
        [&](const tuitest::Screen& screen) {
          if (screen.text(0).find(header) == std::string::npos) return false;
          for (const char* line : {"  1:5: ", "  2:4: ", "  3:7: ", "  4:11: "}) {
            bool wanted = std::find(rows.begin(), rows.end(), line) != rows.end();
            if (screen.contains(line) != wanted) return false;
          }
          return true;
        },
        &s);
  };
  terminal_->keys("s");
  ASSERT_TRUE(shows(" 1/1  2 of 4 hits in 1 file  [in code]", {"  1:5: ", "  4:11: "})) << s.all();
  EXPECT_TRUE(s.contains("a.c  (2 of 4 hits)")) << s.all();
  terminal_->keys("w");
  ASSERT_TRUE(terminal_->waitForText("Wrote 2 of 4 hits: vim -q ", &s)) << s.all();
  std::string tree = dir_ + "/tree/";
  EXPECT_EQ(tuitest::capture("cat " + tuitest::quote(dir_ + "/state/vantrel") + "/*.qf"),
            tree + "a.c:1:5: int needle = 1; // needle\n" + tree +
                "a.c:4:11: x = 2; /* needle */ y = needle;\n");
  terminal_->keys("s");
  ASSERT_TRUE(shows("3 of 4 hits in 1 file  [in comments]", {"  1:5: ", "  2:4: ", "  4:11: "}))
      << s.all();
  terminal_->keys("s");
  ASSERT_TRUE(shows("1 of 4 hits in 1 file  [in strings]", {"  3:7: "})) << s.all();
  terminal_->keys("S");
  ASSERT_TRUE(shows("3 of 4 hits in 1 file  [in comments]", {"  1:5: ", "  2:4: ", "  4:11: "}))
      << s.all();
  // The live query's page, kept, shows the scope of the page edited.
  terminal_->keys("e BSpace BSpace BSpace");
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) {
        return screen.contains("\"nee\"") && screen.contains("Vantrel : 4 found");
      },
      &s))
      << s.all();
  terminal_->keys("Enter");
  ASSERT_TRUE(shows(" 2/2  3 of 4 hits in 1 file  [in comments]  \"nee\"",
                    {"  1:5: ", "  2:4: ", "  4:11: "}))
      << s.all();
  terminal_->keys("s s");
  ASSERT_TRUE(shows(" 2/2  4 hits in 1 file  [in comments or strings]",
                    {"  1:5: ", "  2:4: ", "  3:7: ", "  4:11: "}))
      << s.all();
  terminal_->keys("s");
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) {
        return screen.text(0).find(" 2/2  4 hits in 1 file  \"nee\"") == 0;
      },
      &s))
      << s.all();
  terminal_->keys("q");
  checkStatusAndModes(0);
}

}  // namespace
