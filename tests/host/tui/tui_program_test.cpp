// The vantrel program as a full-screen terminal program, end to end: the real command, the real
// add-on and real files, run in a tmux pane; the test types keys and reads the screen. Covers
// host/tui/tui_session.cpp and, through it, the whole front end (host/tui/tui_*.cpp).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "tests/host/tui/program_pane.h"

namespace {

using tuitest::readFile;

// Colours as a 256-colour terminal shows the nearest of each.
constexpr int kBlue = 21, kWhite = 231, kLightGrey = 250, kNavy = 18, kGreyText = 244, kBlack = 16;

class TuiProgramTest : public tuitest::ProgramPaneTest {
 protected:
  // Waits until OK shows enabled (black on grey); its cell in *row, *col.
  bool waitForEnabledOk(int* row, int* col, tuitest::Screen* s) {
    return terminal_->waitFor(
        [&](const tuitest::Screen& screen) {
          return screen.find("< OK >", row, col) && screen.at(*row, *col + 2).fg == kBlack;
        },
        s);
  }
};

TEST_F(TuiProgramTest, FirstUseDialogThenAConfirmedSearchListsItsHits) {
  write("a.c", "int needle;\n");
  write("b.cpp", "x\ny needle\n");
  write("sub/c.c", "/* needle */\n");
  write("notes.txt", "needle\n");
  write("empty.c", "");
  start();
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitForText("< OK >", &s)) << s.all();
  int row = 0, col = 0;
  ASSERT_TRUE(s.find("Text to find", &row, &col));
  // Each label whole at 80 columns, the text field empty.
  EXPECT_EQ(s.text(row).find("Text to find   "), s.text(row).find("Text")) << "text is empty";
  EXPECT_TRUE(s.contains("File Type    [Source Files (.c;.cpp;.cc)]")) << s.all();
  EXPECT_TRUE(s.contains("Directories  [Current Directory]")) << s.all();
  EXPECT_TRUE(s.contains("[ ] Asynchronous Search")) << s.all();
  EXPECT_TRUE(s.contains("[Source Files (.c;.cpp;.cc)]")) << s.all();
  EXPECT_TRUE(s.contains("[Current Directory]")) << s.all();
  EXPECT_EQ(std::regex_search(s.all(), std::regex("\\[x\\]")), false) << s.all();
  EXPECT_TRUE(s.contains("[ ] Recurse Subdirectories")) << s.all();
  ASSERT_TRUE(s.find("< OK >", &row, &col));
  EXPECT_EQ(s.at(row, col + 2).fg, kGreyText);
  terminal_->type("needle");
  ASSERT_TRUE(waitForEnabledOk(&row, &col, &s)) << s.all();
  // "[Selected Nodes]" typed into the directories field renames the recurse box.
  terminal_->keys("M-d");
  terminal_->type("[Selected Nodes]");
  ASSERT_TRUE(terminal_->waitForText("[ ] Recurse Nodes", &s)) << s.all();
  terminal_->keys("M-d");
  terminal_->type("[Current Directory]");
  ASSERT_TRUE(terminal_->waitForText("[ ] Recurse Subdirectories", &s)) << s.all();
  terminal_->keys("M-r");
  ASSERT_TRUE(terminal_->waitForText("[x] Recurse Subdirectories", &s)) << s.all();
  terminal_->keys("Enter");
  ASSERT_TRUE(terminal_->waitForText("Vantrel : 3 found in 3 Files", &s)) << s.all();
  // What the search passed over, counted in a row of the front end's own after the summary.
  ASSERT_TRUE(terminal_->waitForText("Passed over 1 empty file", &s)) << s.all();
  EXPECT_TRUE(s.contains("  1:5: int needle;")) << s.all();
  EXPECT_TRUE(s.contains("  2:3: y needle")) << s.all();
  EXPECT_TRUE(s.contains("  1:4: /* needle */")) << s.all();
  EXPECT_FALSE(s.contains("notes.txt")) << s.all();
  EXPECT_TRUE(s.contains("F2 Search")) << s.all();
  terminal_->keys("q");
  checkRestored(0);
}

// The mouse on the real program: a click into the text field, on a box and on OK runs the
// search; a click on a hit selects it.
TEST_F(TuiProgramTest, ClicksFillTheDialogAndSelectAHit) {
  write("a.c", "int needle;\n");
  write("sub/c.c", "/* needle */\n");
  start();
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitForText("< OK >", &s)) << s.all();
  ASSERT_TRUE(terminal_->waitForMouse());
  int row = 0, col = 0;
  ASSERT_TRUE(s.find("[ ] Recurse Subdirectories", &row, &col));
  terminal_->click(row, col + 6);
  ASSERT_TRUE(terminal_->waitForText("[x] Recurse Subdirectories", &s)) << s.all();
  ASSERT_TRUE(s.find("Text to find", &row, &col));
  terminal_->click(row, col + 14);
  terminal_->type("needle");
  ASSERT_TRUE(waitForEnabledOk(&row, &col, &s)) << s.all();
  terminal_->click(row, col + 2);
  ASSERT_TRUE(terminal_->waitForText("Vantrel : 2 found in 2 Files", &s)) << s.all();
  // The first hit is selected at once; a click selects the other.
  ASSERT_TRUE(s.find("  1:5: int needle;", &row, &col));
  EXPECT_TRUE(s.at(row, col + 4).reverse);
  ASSERT_TRUE(s.find("  1:4: /* needle */", &row, &col));
  terminal_->click(row, col + 4);
  ASSERT_TRUE(terminal_->waitFor(
      [&](const tuitest::Screen& screen) { return screen.at(row, col + 4).reverse; }, &s))
      << s.all();
  ASSERT_TRUE(s.find("  1:5: int needle;", &row, &col));
  EXPECT_FALSE(s.at(row, col + 4).reverse);
  terminal_->keys("q");
  checkRestored(0);
}

// The runs of letters in a row of colour letters ("wwwnnnk" -> "wnk").
std::string runs(const std::string& letters) {
  std::string out;
  for (char c : letters)
    if (out.empty() || out.back() != c) out.push_back(c);
  return out;
}

// The documented progress line (docs/tui.md): its text, fg and bg rows.
std::vector<std::string> documentedProgress() {
  std::string doc = readFile(std::string(VANTREL_SOURCE_DIR) + "/docs/tui.md");
  std::string marker = "<!-- capture: progress -->\n```\n";
  size_t start = doc.find(marker);
  std::vector<std::string> lines;
  if (start == std::string::npos) return lines;
  std::istringstream in(doc.substr(start + marker.size()));
  for (std::string line; std::getline(in, line) && line != "```";) lines.push_back(line);
  return lines;
}

// The text with its counts (and so its length and the blanks after it) left out.
std::string withoutNumbers(const std::string& text) {
  std::string out = std::regex_replace(text, std::regex("[0-9]+"), "#");
  out = std::regex_replace(out, std::regex("  +"), "  ");  // the counts' lengths move what follows
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

TEST_F(TuiProgramTest, ABlockingSearchShowsItsProgressBarAndEscStopsIt) {
  manyFiles(16000);
  start("", 120, 30);
  search("needle");
  // The bottom row while the bar is part done: the text in white on blue, then navy on grey.
  tuitest::Screen s;
  const int last = 29;
  auto partDone = [&](const tuitest::Screen& screen) {
    if (screen.text(last).find("<Press Esc to Stop>") == std::string::npos) return false;
    bool done = false, remaining = false;
    for (const tuitest::Cell& c : screen.rows[last]) {
      done = done || (c.bg == kBlue && c.fg == kWhite);
      remaining = remaining || (c.bg == kLightGrey && c.fg == kNavy);
    }
    return done && remaining;
  };
  ASSERT_TRUE(terminal_->waitFor(partDone, &s, 10000)) << s.all();
  // VANTREL_PRINT_CAPTURES=1 prints the line for the documentation, from about half way.
  bool print = getenv("VANTREL_PRINT_CAPTURES") != nullptr;
  if (print)
    terminal_->waitFor(
        [&](const tuitest::Screen& screen) {
          return partDone(screen) && screen.at(last, 50).bg == kBlue;
        },
        &s, 10000);
  EXPECT_TRUE(std::regex_search(
      s.text(last), std::regex("^Vantrel : [0-9]+ found in [0-9]+ Files? \\([0-9]+ Files? searched "
                               "in 1 Directory\\) <Press Esc to Stop>")))
      << s.text(last);
  // The done part starts at the left; blue never follows grey.
  EXPECT_EQ(s.at(last, 0).bg, kBlue);
  std::string capture = tuitest::documentCapture(s, last, last);
  if (print) printf("%s", capture.c_str());
  std::istringstream lines(capture);
  std::string text, fg, bg;
  std::getline(lines, text);
  std::getline(lines, fg);
  std::getline(lines, bg);
  // Blue, then grey to the end: the bar's remaining part and the 96 pixels it leaves alone.
  EXPECT_EQ(runs(bg), "bg bl") << bg;
  EXPECT_EQ(runs(fg), "fg wnk") << fg;
  // What docs/tui.md shows is this line, up to the counts and the split.
  std::vector<std::string> doc = documentedProgress();
  ASSERT_EQ(doc.size(), 3u);
  EXPECT_EQ(withoutNumbers(doc[0]), withoutNumbers(text));
  EXPECT_EQ(runs(doc[1]), runs(fg));
  EXPECT_EQ(runs(doc[2]), runs(bg));

  terminal_->keys("Escape");
  // The page's header says so; its last rows hold the totals at the stop.
  ASSERT_TRUE(terminal_->waitForText("stopped by the user", &s, 10000)) << s.all();
  EXPECT_TRUE(s.contains("F2 Search")) << s.all();
  EXPECT_FALSE(s.contains("16000 hits")) << s.all();
  terminal_->keys("End");
  ASSERT_TRUE(terminal_->waitForText("Vantrel : User break !", &s, 10000)) << s.all();
  // Stopped early: fewer than all the files were searched.
  EXPECT_FALSE(s.contains("16000 Files searched")) << s.all();
  terminal_->keys("q");
  checkRestored(0);
}

// A mouse report whose end never comes, met while a blocking search polls for Esc: the search
// must not wait for the rest (curses reads it straight from the terminal), so the Esc after it
// still stops the search.
TEST_F(TuiProgramTest, AMouseReportCutShortDuringABlockingSearchHoldsNothingUp) {
  slowTree();
  start("", 120, 30);
  search(kSlowPattern, "M-e");  // a blocking search: no worker
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitForText("<Press Esc to Stop>", &s, 10000)) << s.all();
  ASSERT_TRUE(terminal_->waitForMouse());
  ASSERT_EQ(terminal_->format("#{mouse_sgr_flag}"), "0");  // the older report form: ESC [ M b x y
  terminal_->type("\033[M#");
  // Long enough for the search to poll between the two (a file of the slow tree takes a while
  // on a loaded machine): an Esc read with the report would be taken as its rest.
  usleep(1000 * 1000);
  terminal_->keys("Escape");
  ASSERT_TRUE(terminal_->waitForText("stopped by the user", &s, 10000)) << s.all();
  terminal_->keys("End");
  ASSERT_TRUE(terminal_->waitForText("Vantrel : User break !", &s, 10000)) << s.all();
  EXPECT_FALSE(s.contains("301 Files searched")) << s.all();
  terminal_->keys("q");
  checkRestored(0);
}

// Between searches, the same cut report swallows none of the keys typed after it.
TEST_F(TuiProgramTest, AMouseReportCutShortOnAPageSwallowsNoKey) {
  write("a.c", "int needle;\n");
  start();
  search("needle");
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitForText("Vantrel : 1 found", &s)) << s.all();
  ASSERT_TRUE(terminal_->waitForMouse());
  ASSERT_EQ(terminal_->format("#{mouse_sgr_flag}"), "0");
  terminal_->type("\033[M");
  usleep(300 * 1000);
  terminal_->type("q");
  checkRestored(0);
}

TEST_F(TuiProgramTest, AWorkerSearchAsksTheStopQuestionAnsweredNoThenYes) {
  slowTree();
  start();
  // An asynchronous search; once its first rows are in, the tool is run again.
  search(kSlowPattern, "M-a M-e");
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitForText("  1:5: int needle;", &s, 10000)) << s.all();
  terminal_->keys("F2");
  ASSERT_TRUE(terminal_->waitForText("Do you want to stop it ?", &s, 10000)) << s.all();
  EXPECT_TRUE(s.contains("Vantrel is currently running.")) << s.all();
  terminal_->keys("n");
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) { return !screen.contains("[ Yes ]"); }, &s));
  EXPECT_FALSE(s.contains("User break")) << s.all();
  terminal_->keys("F2");
  ASSERT_TRUE(terminal_->waitForText("Do you want to stop it ?", &s, 10000)) << s.all();
  terminal_->keys("y");
  ASSERT_TRUE(terminal_->waitForText("stopped by the user", &s, 10000)) << s.all();
  terminal_->keys("End");
  ASSERT_TRUE(terminal_->waitForText("Vantrel : User break !", &s, 10000)) << s.all();
  EXPECT_FALSE(s.contains("301 Files searched")) << s.all();
  terminal_->keys("q");
  checkRestored(0);
}

TEST_F(TuiProgramTest, QuittingWaitsForAWorkerSearchThatF2CanStop) {
  slowTree();
  start();
  search(kSlowPattern, "M-a M-e");
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitForText("  1:5: int needle;", &s, 10000)) << s.all();
  terminal_->keys("q");
  ASSERT_TRUE(terminal_->waitForText("Waiting for the search to end", &s, 10000)) << s.all();
  terminal_->keys("F2");
  ASSERT_TRUE(terminal_->waitForText("Do you want to stop it ?", &s, 10000)) << s.all();
  terminal_->keys("y");
  checkRestored(0);
}

TEST_F(TuiProgramTest, FieldsAndBoxesGivenOnTheCommandLineAreInTheFirstDialog) {
  write("Deep/a.h", "int Needle;\n");
  start("", 80, 25, "-f '[Header Files (.h;.hpp;.rh)]' -d '[Current Directory]' -s -r");
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitForText("< OK >", &s)) << s.all();
  EXPECT_TRUE(s.contains("[Header Files (.h;.hpp;.rh)]")) << s.all();
  EXPECT_TRUE(s.contains("[x] Case sensitive")) << s.all();
  EXPECT_TRUE(s.contains("[x] Recurse Subdirectories")) << s.all();
  EXPECT_TRUE(s.contains("[ ] Regular Expression")) << s.all();
  // The text field has the focus: typing goes there.
  terminal_->type("Needle");
  terminal_->keys("Enter");
  ASSERT_TRUE(terminal_->waitForText("Vantrel : 1 found in 1 File", &s)) << s.all();
  EXPECT_TRUE(s.contains("  1:5: int Needle;")) << s.all();
  terminal_->keys("q");
  checkRestored(0);
}

// Each page's header names the listing rules its search ran under; i turns ignore files off for
// the next search, which then lists what the .gitignore hid, and on again; f follows a linked
// folder that was passed over and counted before.
TEST_F(TuiProgramTest, TheHeaderNamesTheRulesAndIToggleIgnoreFilesForTheNextSearch) {
  write(".git/HEAD", "ref: refs/heads/main\n");
  write(".gitignore", "build/\n");
  write("a.c", "int needle;\n");
  write("build/gen.c", "int needle;\n");
  write("x.tmp.c", "int needle;\n");
  write(".hid/h.c", "int needle;\n");
  write("../outside/o.c", "int needle;\n");
  tuitest::capture("ln -s ../outside " + tuitest::quote(dir_ + "/tree/ln"));
  start("", 160, 25, "-f '*.c' -r --exclude='*.tmp.c' --hidden");
  tuitest::Screen s;
  search("needle");
  ASSERT_TRUE(terminal_->waitForText("Vantrel : 2 found in 2 Files", &s)) << s.all();
  EXPECT_NE(s.text(0).find("(recursive) in *.c, [Current Directory]  ignore files on, excluding "
                           "*.tmp.c, hidden"),
            std::string::npos)
      << s.all();
  EXPECT_TRUE(s.contains(".hid/h.c")) << s.all();
  EXPECT_FALSE(s.contains("build/gen.c")) << s.all();
  terminal_->type("i");
  ASSERT_TRUE(terminal_->waitForText("Ignore files off from the next search", &s)) << s.all();
  terminal_->keys("F2");
  terminal_->keys("C-u");
  search("needle");
  ASSERT_TRUE(terminal_->waitForText("Vantrel : 3 found in 3 Files", &s)) << s.all();
  EXPECT_TRUE(s.contains("build/gen.c")) << s.all();
  EXPECT_FALSE(s.contains("x.tmp.c")) << s.all();
  EXPECT_NE(s.text(0).find(" 2/2  3 hits in 3 files  "), std::string::npos) << s.all();
  EXPECT_NE(s.text(0).find("  ignore files off, excluding *.tmp.c, hidden"), std::string::npos)
      << s.all();
  // The first page keeps the rules it ran under.
  terminal_->type("[");
  ASSERT_TRUE(terminal_->waitForText(" 1/2  2 hits", &s)) << s.all();
  EXPECT_NE(s.text(0).find("  ignore files on, excluding"), std::string::npos) << s.all();
  // On again: the .gitignore hides the build directory once more.
  terminal_->type("i");
  ASSERT_TRUE(terminal_->waitForText("Ignore files on from the next search", &s)) << s.all();
  terminal_->keys("F2");
  terminal_->keys("C-u");
  search("needle");
  ASSERT_TRUE(terminal_->waitForText(" 3/3  2 hits in 2 files  ", &s)) << s.all();
  EXPECT_NE(s.text(0).find("  ignore files on, excluding"), std::string::npos) << s.all();
  EXPECT_TRUE(s.contains("1 linked folder not followed")) << s.all();
  // f follows the linked folder from the next search on.
  terminal_->type("f");
  ASSERT_TRUE(terminal_->waitForText("Linked folders followed from the next search", &s))
      << s.all();
  terminal_->keys("F2");
  terminal_->keys("C-u");
  search("needle");
  ASSERT_TRUE(terminal_->waitForText(" 4/4  3 hits in 3 files  ", &s)) << s.all();
  EXPECT_NE(s.text(0).find("hidden, following links"), std::string::npos) << s.all();
  EXPECT_TRUE(s.contains("ln/o.c")) << s.all();
  terminal_->keys("q");
  checkRestored(0);
}

TEST_F(TuiProgramTest, TheTextFieldIsEditedAtItsCaretAndScrollsToKeepItInView) {
  write("a.c", "int needle;\n");
  write("b.c", "int nedle;\n");
  start();
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitForText("< OK >", &s)) << s.all();
  // The cursor's cell ("column row") once the screen shows `text` and the cursor is at `wanted`,
  // or the last one seen.
  auto cursorAfter = [&](const std::string& text, const std::string& wanted) {
    EXPECT_TRUE(terminal_->waitForText(text, &s)) << s.all();
    std::string at;
    for (int i = 0; i < 100 && at != wanted; ++i, usleep(20000))
      at = terminal_->format("#{cursor_x} #{cursor_y}");
    return at;
  };
  auto cell = [](int col, int row) { return std::to_string(col) + " " + std::to_string(row); };
  // A text longer than the field shows its end, the caret after it; Home scrolls to its start.
  std::string longText = "START" + std::string(60, 'x') + "FINIS";
  terminal_->type(longText);
  ASSERT_TRUE(terminal_->waitForText("xxFINIS", &s)) << s.all();
  EXPECT_FALSE(s.contains("START")) << s.all();
  int row = 0, finis = 0;
  ASSERT_TRUE(s.find("FINIS", &row, &finis));
  EXPECT_EQ(cursorAfter("xxFINIS", cell(finis + 5, row)), cell(finis + 5, row));
  terminal_->keys("Home");
  ASSERT_TRUE(terminal_->waitForText("STARTxx", &s)) << s.all();
  EXPECT_FALSE(s.contains("FINIS")) << s.all();
  int field = 0;
  ASSERT_TRUE(s.find("STARTxx", &row, &field));
  EXPECT_EQ(cursorAfter("STARTxx", cell(field, row)), cell(field, row));
  // Shift+End selects to the end (the field scrolls along); typing replaces the selection.
  terminal_->keys("S-End");
  ASSERT_TRUE(terminal_->waitFor(
      [&](const tuitest::Screen& screen) {
        return screen.contains("xxFINIS") && screen.at(row, field).bg == kNavy;
      },
      &s))
      << s.all();
  terminal_->type("edle");
  ASSERT_TRUE(terminal_->waitFor(
      [&](const tuitest::Screen& screen) {
        return screen.text(row).find("edle") != std::string::npos && !screen.contains("FINIS");
      },
      &s))
      << s.all();
  EXPECT_EQ(s.at(row, field).ch, "e");
  EXPECT_NE(s.at(row, field).bg, kNavy) << "nothing is selected after typing";
  EXPECT_EQ(cursorAfter("edle", cell(field + 4, row)), cell(field + 4, row));
  // Home, then a letter at the start; End and Left three times, one in the middle.
  terminal_->keys("Home");
  terminal_->type("n");
  EXPECT_EQ(cursorAfter("nedle", cell(field + 1, row)), cell(field + 1, row));
  terminal_->keys("End Left Left Left");
  terminal_->type("e");
  EXPECT_EQ(cursorAfter("needle", cell(field + 3, row)), cell(field + 3, row));
  terminal_->keys("Enter");
  ASSERT_TRUE(terminal_->waitForText("Vantrel : 1 found in 1 File", &s)) << s.all();
  EXPECT_TRUE(s.contains("  1:5: int needle;")) << s.all();
  EXPECT_FALSE(s.contains("b.c")) << s.all();
  terminal_->keys("q");
  checkRestored(0);
}

// With Regular Expression ticked, an escape that other syntaxes read as a class is noted under the
// text field as it is typed, with this syntax's way; this syntax's own way gets no note, nor does
// a text that is no pattern. The search takes the pattern as it is.
TEST_F(TuiProgramTest, TheDialogNotesEscapesOfOtherSyntaxesUnderTheText) {
  write("a.c", "int x;\nints;\n");
  start();
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitForText("< OK >", &s)) << s.all();
  const std::string note = "\\s is a plain s here: write [ ] holding a blank and a tab";
  terminal_->type("int\\s");
  ASSERT_TRUE(terminal_->waitForText("int\\s", &s)) << s.all();
  EXPECT_FALSE(s.contains(note)) << s.all();
  terminal_->keys("M-e");
  ASSERT_TRUE(terminal_->waitForText(note, &s)) << s.all();
  int textRow = 0, noteRow = 0, col = 0;
  ASSERT_TRUE(s.find("Text to find", &textRow, &col));
  ASSERT_TRUE(s.find(note, &noteRow, &col));
  EXPECT_EQ(noteRow, textRow + 1);
  terminal_->keys("M-t End BSpace BSpace");
  terminal_->type("[ ]");
  ASSERT_TRUE(terminal_->waitFor(
      [&](const tuitest::Screen& screen) {
        return screen.contains("int[ ]") && !screen.contains("is a plain");
      },
      &s))
      << s.all();
  terminal_->keys("BSpace BSpace BSpace");
  terminal_->type("\\s");
  ASSERT_TRUE(terminal_->waitForText(note, &s)) << s.all();
  terminal_->keys("Enter");
  // The letter s, as this syntax reads it.
  ASSERT_TRUE(terminal_->waitForText("Vantrel : 1 found in 1 File", &s)) << s.all();
  EXPECT_TRUE(s.contains("  2:1: ints;")) << s.all();
  terminal_->keys("q");
  checkRestored(0);
}

}  // namespace
