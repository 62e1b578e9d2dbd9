// The front end's dialog and message box on a real terminal (tmux): this test program runs
// itself in a pane as the IDE around the real search dialog (the dialog manager, the add-on's
// dialog procedure, a real registry file) or around a message box, types keys and reads the
// screen, and clicks it as a terminal reports the mouse. Covers host/tui/tui_dialog_view.cpp,
// host/tui/tui_message_box.cpp, host/tui/tui_keys.cpp,
// host/tui/tui_screen.cpp (the terminal given back) and host/tui/tui_app*.cpp.
#include "host/tui/tui_app.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "dialog/search_dialog.h"
#include "host/ide/host.h"
#include "host/ide/host_string.h"
#include "search/job.h"
#include "tests/host/tui/tui_terminal.h"
#include "win32/include/winuser.h"

namespace {

// The program in the pane: VANTREL_TUI_CHILD names what the tool does; what it gives is written
// to VANTREL_TUI_OUT, one line per run.
int runChild(const std::string& scenario) {
  host::Host host;
  std::ofstream out(getenv("VANTREL_TUI_OUT"));
  tui::FrontEnd frontEnd;
  frontEnd.runTool = [&] {
    if (scenario == "no-tool") return false;
    if (scenario == "entries") {
      // What the add-on writes for one file with two hits, and its summary line.
      MessageWindowService* window = host.messageWindow();
      std::string file = std::string("Z:") + getenv("PWD") + "/src/main.c";
      for (char& c : file)
        if (c == '/') c = '\\';
      MessageGroup* g = window->openGroup(host::newString(file), host::newString("Vantrel"));
      int h = g->addHeading(host::newString(file), host::newString(("Vantreling " + file).c_str()));
      g->addEntry(h, host::newString("int needle = 1;"), host::newString(file), 3, 5, 5);
      g->addEntry(h, host::newString("needle\x1b[2J\a!"), host::newString(file), 7, 1, 5);
      g->Release();
      MessageGroup* m = window->openGroup(host::newString("summary"), host::newString("Vantrel"));
      m->addHeading(nullptr, host::newString("Vantrel : 2 found in 1 File"));
      m->Release();
    } else if (scenario == "many-entries") {
      // More hits than the window has rows.
      MessageWindowService* window = host.messageWindow();
      MessageGroup* g = window->openGroup(host::newString("Z:\\a.c"), host::newString("Vantrel"));
      int h = g->addHeading(host::newString("Z:\\a.c"), host::newString("Vantreling Z:\\a.c"));
      for (int line = 1; line <= 60; ++line)
        g->addEntry(h, host::newString(("hit " + std::to_string(line)).c_str()),
                    host::newString("Z:\\a.c"), line, 1, 3);
      g->Release();
    } else if (scenario == "crash") {
      // The first run tells the test who to signal; the next one crashes.
      static int runs = 0;
      if (runs++ > 0) raise(SIGSEGV);
      out << "pid=" << getpid() << std::endl;
    } else if (scenario == "dialog" || scenario == "dialog-nodes") {
      INT_PTR result = showSearchDialog(scenario == "dialog-nodes" ? 2 : 0);
      out << "result=" << result << " text=" << textToFind << " mask=" << fileMask
          << " dirs=" << directories << " options=" << searchOptions << std::endl;
    } else {
      int answer = MessageBoxA(nullptr, "Vantrel is currently running.\nDo you want to stop it ?",
                               "Vantrel", MB_YESNO | MB_ICONQUESTION);
      out << "answer=" << answer << std::endl;
    }
    return true;
  };
  return tui::runTerminalFrontEnd(host, frontEnd);
}

const int childStatus = [] {
  const char* scenario = getenv("VANTREL_TUI_CHILD");
  if (scenario) _exit(runChild(scenario));
  return 0;
}();

using tuitest::readFile;

class TuiAppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!tuitest::haveTmux()) GTEST_SKIP() << "tmux is not installed (scripts/setup installs it)";
  }
  // Starts this program in a pane as the front end around `scenario`.
  void start(const std::string& scenario, const std::string& term = "screen-256color",
             const std::string& environment = "") {
    char self[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
    char pattern[] = "/tmp/vantrel-tui-app-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    ASSERT_EQ(mkdir((dir_ + "/src").c_str(), 0755), 0);
    setenv("XDG_STATE_HOME", (dir_ + "/state").c_str(), 1);  // the tmux server takes it
    std::ofstream(dir_ + "/src/main.c") << "\n\nint needle = 1;\n";
    std::string command =
        "cd " + tuitest::quote(dir_) + " && env LANG=C.UTF-8 TERM=" + term +
        " VANTREL_REGISTRY=registry.sqlite3 VANTREL_TUI_OUT=out.txt" +
        " VANTREL_TUI_CHILD=" + scenario + " " + environment + " " + tuitest::quote(self) +
        "; echo $? > status.txt; stty -a > stty.txt; mv stty.txt modes.txt; exec cat";
    terminal_ = std::make_unique<tuitest::Terminal>(command);
  }
  void TearDown() override {
    terminal_.reset();
    if (!dir_.empty()) tuitest::capture("rm -rf " + tuitest::quote(dir_));
  }
  // Quits with q and checks that the terminal was given back as it was.
  void quitAndCheckRestored() {
    terminal_->keys("q");
    // No hit was listed: status 1.
    checkRestored(1);
  }
  void checkRestored(int status) {
    ASSERT_TRUE(waitForFile("modes.txt"));
    EXPECT_EQ(readFile(dir_ + "/status.txt"), std::to_string(status) + "\n");
    EXPECT_EQ(terminal_->format("#{alternate_on} #{cursor_flag} #{keypad_flag} #{mouse_any_flag}"),
              "0 1 0 0");
    std::string modes = readFile(dir_ + "/modes.txt");
    for (const char* mode : {"icanon", "echo", "isig", "icrnl", "opost"})
      EXPECT_TRUE(std::regex_search(modes, std::regex(std::string("(^|\\s)") + mode + "(\\s|$)")))
          << mode << " in " << modes;
  }
  std::string out() { return readFile(dir_ + "/out.txt"); }
  bool waitForFile(const std::string& name) {
    for (int i = 0; i < 250; ++i) {
      if (access((dir_ + "/" + name).c_str(), F_OK) == 0) return true;
      usleep(20000);
    }
    return false;
  }

  std::string dir_;
  std::unique_ptr<tuitest::Terminal> terminal_;
};

// Colours as a 256-colour terminal shows the nearest of each.
constexpr int kGreyFace = 250;  // 192,192,192 -> 188,188,188
constexpr int kGreyText = 244;  // 128,128,128
constexpr int kBlack = 16;

TEST_F(TuiAppTest, FirstUseShowsTheDefaultsWithOkDisabledUntilTextIsTyped) {
  start("dialog");
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitForText("Vantrel", &s)) << s.all();
  ASSERT_TRUE(terminal_->waitForText("< OK >", &s)) << s.all();
  // Captions with their letters, the defaults, all boxes clear.
  EXPECT_TRUE(s.contains("[Source Files (.c;.cpp;.cc)]")) << s.all();
  EXPECT_TRUE(s.contains("[Current Directory]")) << s.all();
  EXPECT_TRUE(s.contains("[ ] Case sensitive")) << s.all();
  EXPECT_TRUE(s.contains("[ ] Recurse Subdirectories")) << s.all();
  EXPECT_TRUE(s.contains("[ ] Regular Expression")) << s.all();
  EXPECT_TRUE(s.contains("[ ] Asynchronous Search")) << s.all();
  EXPECT_TRUE(s.contains("[ ] Whole Words only")) << s.all();
  EXPECT_FALSE(s.contains("[x]")) << s.all();
  int row = 0, col = 0;
  ASSERT_TRUE(s.find("Case sensitive", &row, &col));
  EXPECT_TRUE(s.at(row, col + 5).underline) << "the s of Case &sensitive";
  EXPECT_FALSE(s.at(row, col).underline);
  // OK is drawn disabled (grey) while the text field is empty.
  ASSERT_TRUE(s.find("< OK >", &row, &col));
  EXPECT_EQ(s.at(row, col + 2).fg, kGreyText);
  EXPECT_EQ(s.at(row, col + 2).bg, kGreyFace);
  // Enter cannot press it.
  terminal_->keys("Enter");
  terminal_->type("needle");
  ASSERT_TRUE(terminal_->waitFor(
      [&](const tuitest::Screen& screen) {
        return screen.find("< OK >", &row, &col) && screen.at(row, col + 2).fg == kBlack &&
               screen.contains("needle");
      },
      &s))
      << s.all();
  EXPECT_TRUE(s.at(row, col + 2).bold);
  EXPECT_EQ(out(), "");
  terminal_->keys("Enter");
  ASSERT_TRUE(terminal_->waitFor([&](const tuitest::Screen& screen) {
    return !screen.contains("< OK >") && screen.contains("F2 Search");
  }));
  EXPECT_EQ(out(),
            "result=1 text=needle mask=[Source Files (.c;.cpp;.cc)] dirs=[Current Directory] "
            "options=0\n");
  quitAndCheckRestored();
}

TEST_F(TuiAppTest, KeysMoveTheFocusPickEntriesToggleBoxesAndTheRecurseLabelFollows) {
  start("dialog-nodes");
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitForText("< OK >", &s)) << s.all();
  // With nodes selected the directories field shows them and the box reads "Recurse Nodes".
  EXPECT_TRUE(s.contains("[Selected Nodes]")) << s.all();
  EXPECT_TRUE(s.contains("[ ] Recurse Nodes")) << s.all();
  terminal_->type("a.b");
  // Alt+D focuses the directories field; its list drops down with Alt+Down.
  terminal_->keys("M-d");
  terminal_->keys("M-Down");
  ASSERT_TRUE(terminal_->waitForText("[Current Path]", &s)) << s.all();
  terminal_->keys("Down");
  terminal_->keys("Enter");
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) {
        return screen.contains("[ ] Recurse Subdirectories") && !screen.contains("[Current Path]");
      },
      &s))
      << s.all();
  EXPECT_TRUE(s.contains("[Current Directory]")) << s.all();
  // F4 drops it again; Up goes back to the nodes and the label follows.
  terminal_->keys("F4");
  ASSERT_TRUE(terminal_->waitForText("[Current Path]", &s)) << s.all();
  terminal_->keys("Up");
  terminal_->keys("Enter");
  ASSERT_TRUE(terminal_->waitForText("[ ] Recurse Nodes", &s)) << s.all();
  // Tab to the first box and Space ticks it; Alt+W ticks Whole Words; Shift-Tab goes back.
  terminal_->keys("Tab");
  terminal_->keys("Space");
  terminal_->keys("M-w");
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) {
        return screen.contains("[x] Case sensitive") && screen.contains("[x] Whole Words only");
      },
      &s))
      << s.all();
  terminal_->keys("Enter");
  ASSERT_TRUE(terminal_->waitForText("F2 Search"));
  EXPECT_EQ(out(),
            "result=1 text=a.b mask=[Source Files (.c;.cpp;.cc)] dirs=[Selected Nodes] "
            "options=17\n");
  // The next opening shows the remembered text and boxes; Esc cancels it.
  terminal_->keys("F2");
  ASSERT_TRUE(terminal_->waitForText("[x] Whole Words only", &s)) << s.all();
  EXPECT_TRUE(s.contains("a.b")) << s.all();
  terminal_->keys("Escape");
  ASSERT_TRUE(
      terminal_->waitFor([](const tuitest::Screen& screen) { return !screen.contains("< OK >"); }));
  EXPECT_NE(out().find("result=0 text=a.b"), std::string::npos) << out();
  quitAndCheckRestored();
}

// xterm's description names Shift with the arrows, Home and End (curses' KEY_SLEFT...), where
// screen's leaves them to the modifier parameter (tests/host/tui/tui_program_test.cpp): both
// select.
TEST_F(TuiAppTest, ShiftedKeysAsTheTerminalNamesThemSelectInAField) {
  start("dialog", "xterm-256color");
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitForText("< OK >", &s)) << s.all();
  terminal_->type("abcd");
  int row = 0, col = 0;
  ASSERT_TRUE(terminal_->waitFor(
      [&](const tuitest::Screen& screen) { return screen.find("abcd", &row, &col); }, &s))
      << s.all();
  int plain = s.at(row, col).bg;
  terminal_->keys("S-Left S-Left");
  ASSERT_TRUE(terminal_->waitFor(
      [&](const tuitest::Screen& screen) {
        return screen.at(row, col + 2).bg != plain && screen.at(row, col + 3).bg != plain;
      },
      &s))
      << s.all();
  EXPECT_EQ(s.at(row, col + 1).bg, plain) << "only \"cd\" is selected";
  terminal_->keys("Delete");
  ASSERT_TRUE(terminal_->waitFor(
      [&](const tuitest::Screen& screen) {
        return !screen.contains("abcd") && screen.at(row, col + 1).ch == "b";
      },
      &s))
      << s.all();
  terminal_->keys("S-Home");
  terminal_->type("x");
  terminal_->keys("S-End");  // at the end already: nothing to select, nothing changes
  terminal_->type("y");
  ASSERT_TRUE(terminal_->waitForText("xy", &s)) << s.all();
  terminal_->keys("Enter");
  ASSERT_TRUE(terminal_->waitForText("F2 Search"));
  EXPECT_EQ(out().find("result=1 text=xy "), 0u) << out();
  quitAndCheckRestored();
}

TEST_F(TuiAppTest, TheStopQuestionIsAYesNoBoxAnsweredByKeys) {
  start("question");
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitForText("Do you want to stop it ?", &s)) << s.all();
  EXPECT_TRUE(s.contains("Vantrel is currently running.")) << s.all();
  EXPECT_TRUE(s.contains("[ Yes ]")) << s.all();
  EXPECT_TRUE(s.contains("[ No ]")) << s.all();
  // Esc does nothing in a box without Cancel; N answers No.
  terminal_->keys("Escape");
  // Let the lone Esc be read as Esc before the next key, not as Alt+N with it.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  terminal_->keys("n");
  ASSERT_TRUE(terminal_->waitForText("F2 Search"));
  EXPECT_EQ(out(), "answer=7\n");
  // Right then Left comes back to Yes; Enter presses it.
  terminal_->keys("F2");
  ASSERT_TRUE(terminal_->waitForText("[ Yes ]"));
  terminal_->keys("Right");
  terminal_->keys("Left");
  terminal_->keys("Enter");
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) { return !screen.contains("[ Yes ]"); }));
  EXPECT_EQ(out(), "answer=7\nanswer=6\n");
  quitAndCheckRestored();
}

TEST_F(TuiAppTest, EightColourTerminalsGetTheNearestBasicColours) {
  start("dialog", "screen");
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitForText("< OK >", &s)) << s.all();
  int row = 0, col = 0;
  ASSERT_TRUE(s.find("Text to", &row, &col));
  EXPECT_EQ(s.at(row, col).bg, 7);  // light grey face
  EXPECT_EQ(s.at(row, col).fg, 0);  // black text
  ASSERT_TRUE(s.find(" Vantrel ", &row, &col));
  EXPECT_EQ(s.at(row, col + 1).bg, 4);  // navy caption
  EXPECT_EQ(s.at(row, col + 1).fg, 7);
  terminal_->keys("Escape");
  ASSERT_TRUE(terminal_->waitForText("F2 Search"));
  quitAndCheckRestored();
}

TEST_F(TuiAppTest, WithoutColoursReverseAndDimStandIn) {
  start("dialog", "vt100");
  tuitest::Screen s;
  int row = 0, col = 0;
  ASSERT_TRUE(terminal_->waitFor(
      [&](const tuitest::Screen& screen) { return screen.find("< OK >", &row, &col); }, &s))
      << s.all();
  EXPECT_EQ(s.at(row, col + 2).fg, -1);  // no colour at all
  ASSERT_TRUE(s.find(" Vantrel ", &row, &col));
  EXPECT_TRUE(s.at(row, col + 1).reverse) << "the caption, white on navy";
  ASSERT_TRUE(s.find("Text to", &row, &col));
  EXPECT_FALSE(s.at(row, col).reverse) << "black on grey";
  terminal_->keys("Escape");
  ASSERT_TRUE(terminal_->waitForText("F2 Search"));
  quitAndCheckRestored();
}

TEST_F(TuiAppTest, EnterOpensTheSelectedHitInTheEditorAndWSavesTheQuickfixFile) {
  // A stand-in editor that records its arguments, one a line.
  std::string editor = "/tmp/vantrel-tui-editor-" + std::to_string(getpid());
  std::ofstream(editor)
      << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > argv.txt\n";
  ASSERT_EQ(chmod(editor.c_str(), 0755), 0);
  start("entries", "screen-256color",
        "VISUAL=" + editor + " EDITOR=false XDG_STATE_HOME=\"$PWD/state\"");
  tuitest::Screen s;
  // The whole page, not only its header: a capture may fall between the rows' updates.
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) {
        return screen.contains("2 hits in 1 file") &&
               screen.contains("Vantrel : 2 found in 1 File");
      },
      &s))
      << s.all();
  // The page's header; the file relative to the current directory with its count; the first hit
  // selected.
  EXPECT_EQ(s.text(0), " 1/1  2 hits in 1 file  Messages");
  EXPECT_EQ(s.text(1), "\u25be src/main.c  (2 hits)");
  EXPECT_TRUE(s.at(1, 2).bold);
  EXPECT_EQ(s.text(2), "  3:5: int needle = 1;");
  EXPECT_TRUE(s.at(2, 3).reverse);
  // Control characters from the file are shown escaped.
  EXPECT_EQ(s.text(3), "  7:1: needle\\x1b[2J\\x07!");
  EXPECT_EQ(s.text(4), "Vantrel : 2 found in 1 File");
  // Rows that fit do not scroll sideways.
  terminal_->keys("Right Down");
  ASSERT_TRUE(
      terminal_->waitFor([](const tuitest::Screen& screen) { return screen.at(3, 3).reverse; }, &s))
      << s.all();
  EXPECT_EQ(s.text(2), "  3:5: int needle = 1;");
  // Enter on the heading opens the file at its first hit.
  terminal_->keys("Home");
  terminal_->keys("Enter");
  auto editorArguments = [&](const std::string& ending) {
    EXPECT_TRUE(waitForFile("argv.txt"));
    std::string argv;
    for (int i = 0; i < 100 && argv.find(ending) == std::string::npos; ++i, usleep(20000))
      argv = readFile(dir_ + "/argv.txt");
    unlink((dir_ + "/argv.txt").c_str());
    return argv;
  };
  EXPECT_EQ(editorArguments(".c\n"), "+3\n" + dir_ + "/src/main.c\n");
  // n opens the next hit from the selection, which moves to it.
  ASSERT_TRUE(terminal_->waitForText("F2 Search"));
  terminal_->keys("n");
  EXPECT_EQ(editorArguments(".c\n"), "+3\n" + dir_ + "/src/main.c\n");
  ASSERT_TRUE(terminal_->waitForText("F2 Search"));
  terminal_->keys("n");
  EXPECT_EQ(editorArguments(".c\n"), "+7\n" + dir_ + "/src/main.c\n");
  // The screen is taken back and drawn again, the last hit selected.
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) {
        return screen.at(3, 3).reverse && screen.contains("F2 Search");
      },
      &s))
      << s.all();
  terminal_->keys("n");
  ASSERT_TRUE(terminal_->waitForText("No next hit", &s)) << s.all();
  // w writes the page's hits under the state directory and says how to load them.
  terminal_->keys("w");
  ASSERT_TRUE(terminal_->waitForText("Wrote 2 hits: vim -q " + dir_ + "/state/vantrel/", &s))
      << s.all();
  std::string written = tuitest::capture("cat " + tuitest::quote(dir_) + "/state/vantrel/*.qf");
  EXPECT_EQ(written, dir_ + "/src/main.c:3:5: int needle = 1;\n" + dir_ +
                         "/src/main.c:7:1: needle\\x1b[2J\\x07!\n");
  // Writing another removes quickfix files older than a week, and only those.
  std::string state = dir_ + "/state/vantrel/";
  for (const char* name : {"search-1-1.qf", "search-2-1.qf", "notes.qf"})
    std::ofstream(state + name) << "x:1:1: x\n";
  struct timespec weekAgo = {time(nullptr) - 8 * 24 * 60 * 60, 0};
  struct timespec times[2] = {weekAgo, weekAgo};
  ASSERT_EQ(utimensat(AT_FDCWD, (state + "search-1-1.qf").c_str(), times, 0), 0);
  ASSERT_EQ(utimensat(AT_FDCWD, (state + "notes.qf").c_str(), times, 0), 0);
  terminal_->keys("w");
  ASSERT_TRUE(terminal_->waitFor(
      [&](const tuitest::Screen&) {
        std::string listed = tuitest::capture("ls " + tuitest::quote(state));
        return listed.find("-2.qf") != std::string::npos &&
               listed.find("search-1-1.qf") == std::string::npos;
      },
      &s))
      << tuitest::capture("ls -l " + tuitest::quote(state));
  struct stat st;
  EXPECT_EQ(stat((state + "search-2-1.qf").c_str(), &st), 0);
  EXPECT_EQ(stat((state + "notes.qf").c_str(), &st), 0);
  // Two hits listed: status 0.
  terminal_->keys("q");
  checkRestored(0);
  unlink(editor.c_str());
}

// screen's description (the default terminal of these tests) asks for the older report form.
TEST_F(TuiAppTest, ClicksFocusFieldsToggleBoxesAndPressButtons) {
  start("dialog");
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitForText("< OK >", &s)) << s.all();
  ASSERT_TRUE(terminal_->waitForMouse());
  int row = 0, col = 0;
  // On the box, and on the run-on part of a caption past its rectangle.
  ASSERT_TRUE(s.find("[ ] Case sensitive", &row, &col));
  terminal_->click(row, col + 1);
  ASSERT_TRUE(terminal_->waitForText("[x] Case sensitive", &s)) << s.all();
  ASSERT_TRUE(s.find("Whole Words only", &row, &col));
  terminal_->click(row, col + 15);
  ASSERT_TRUE(terminal_->waitForText("[x] Whole Words only", &s)) << s.all();
  // The focus is on the box now; a click into the text field takes it back there, and a click
  // on the ticked box clears it again.
  terminal_->click(row, col);
  ASSERT_TRUE(terminal_->waitForText("[ ] Whole Words only", &s)) << s.all();
  ASSERT_TRUE(s.find("Text to find", &row, &col));
  terminal_->click(row, col + 20);
  terminal_->type("needle");
  ASSERT_TRUE(terminal_->waitForText("needle", &s)) << s.all();
  // A click on the label of the directories field gives the field the focus, its text selected:
  // typing replaces it.
  ASSERT_TRUE(s.find("Directorie", &row, &col));
  terminal_->click(row, col + 2);
  terminal_->type("src");
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) { return !screen.contains("[Current Directory]"); }, &s))
      << s.all();
  ASSERT_TRUE(s.find("< OK >", &row, &col));
  terminal_->click(row, col + 3);
  ASSERT_TRUE(terminal_->waitForText("F2 Search", &s)) << s.all();
  EXPECT_EQ(out(), "result=1 text=needle mask=[Source Files (.c;.cpp;.cc)] dirs=src options=1\n");
  // The arrow of a field drops its list down; a click on an entry takes it.
  terminal_->keys("F2");
  ASSERT_TRUE(terminal_->waitForText("< OK >", &s)) << s.all();
  ASSERT_TRUE(s.find("File Type", &row, &col));
  int arrowCol = 0, arrowRow = 0;
  ASSERT_TRUE(s.find("↓", &arrowRow, &arrowCol));  // the text field's
  terminal_->click(row, arrowCol);
  ASSERT_TRUE(terminal_->waitForText("[Header Files (.h;.hpp;.rh)]", &s)) << s.all();
  ASSERT_TRUE(s.find("[Header Files (.h;.hpp;.rh)]", &row, &col));
  terminal_->click(row, col + 1);
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) {
        return screen.contains("File Type    [Header Files (.h;.hpp;.rh)]") &&
               !screen.contains("[Source Files (.c;.cpp;.cc)]");
      },
      &s))
      << s.all();
  // Cancel by a click.
  ASSERT_TRUE(s.find("[ Cancel ]", &row, &col));
  terminal_->click(row, col + 2);
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) { return !screen.contains("< OK >"); }, &s));
  EXPECT_NE(out().find("\nresult=0 "), std::string::npos) << out();
  quitAndCheckRestored();
}

TEST_F(TuiAppTest, AClickOnAMessageBoxButtonPressesIt) {
  start("question");
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitForText("[ No ]", &s)) << s.all();
  ASSERT_TRUE(terminal_->waitForMouse());
  int row = 0, col = 0;
  ASSERT_TRUE(s.find("Do you want", &row, &col));
  terminal_->click(row, col);  // the text: nothing
  ASSERT_TRUE(s.find("[ No ]", &row, &col));
  terminal_->click(row, col + 3);
  ASSERT_TRUE(terminal_->waitForText("F2 Search"));
  EXPECT_EQ(out(), "answer=7\n");
  quitAndCheckRestored();
}

TEST_F(TuiAppTest, TheWheelScrollsAndClicksSelectAndOpenHits) {
  std::string editor = "/tmp/vantrel-tui-editor-" + std::to_string(getpid());
  std::ofstream(editor) << "#!/bin/sh\nprintf '%s\\n' \"$1\" > argv.txt\n";
  ASSERT_EQ(chmod(editor.c_str(), 0755), 0);
  start("many-entries", "xterm-256color", "VISUAL=" + editor);
  tuitest::Screen s;
  // 61 rows under the header of a window of 24: the first hit selected, the start in view.
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) { return screen.text(23) == "  22:1: hit 22"; }, &s))
      << s.all();
  ASSERT_TRUE(terminal_->waitForMouse());
  EXPECT_EQ(s.text(2), "  1:1: hit 1");
  EXPECT_TRUE(s.at(2, 3).reverse);
  // Two notches down: 6 rows, the file's heading pinned above its hits; one up: 3 back.
  terminal_->wheel(5, 10, true);
  terminal_->wheel(5, 10, true);
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) { return screen.text(2) == "  7:1: hit 7"; }, &s))
      << s.all();
  EXPECT_EQ(s.text(1), "\u25be /a.c  (60 hits)");
  EXPECT_TRUE(s.at(1, 2).underline);
  terminal_->wheel(5, 10, false);
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) { return screen.text(2) == "  4:1: hit 4"; }, &s))
      << s.all();
  // A click selects the row; nothing scrolls.
  terminal_->click(3, 5);
  ASSERT_TRUE(
      terminal_->waitFor([](const tuitest::Screen& screen) { return screen.at(3, 3).reverse; }, &s))
      << s.all();
  EXPECT_EQ(s.text(3), "  5:1: hit 5");
  EXPECT_EQ(s.text(2), "  4:1: hit 4");
  EXPECT_FALSE(s.at(4, 3).reverse);
  // The wheel stops at the end; scrolled away from the selection, the next key brings it back
  // in view.
  for (int i = 0; i < 15; ++i) terminal_->wheel(5, 10, true);
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) { return screen.text(23) == "  60:1: hit 60"; }, &s))
      << s.all();
  EXPECT_EQ(s.text(2), "  39:1: hit 39");
  terminal_->keys("Up");
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) {
        return screen.text(2) == "  4:1: hit 4" && screen.at(2, 3).reverse;
      },
      &s))
      << s.all();
  // A click on the selected row opens it in the editor.
  terminal_->click(2, 8);
  ASSERT_TRUE(waitForFile("argv.txt"));
  std::string argv;
  for (int i = 0; i < 100 && argv.empty(); ++i, usleep(20000)) argv = readFile(dir_ + "/argv.txt");
  EXPECT_EQ(argv, "+4\n");
  ASSERT_TRUE(terminal_->waitForText("F2 Search"));
  terminal_->keys("q");
  checkRestored(0);
  unlink(editor.c_str());
}

// The capture named `name` in docs/tui.md: the block after "<!-- capture: NAME -->".
std::string documented(const std::string& name) {
  std::string doc = readFile(std::string(VANTREL_SOURCE_DIR) + "/docs/tui.md");
  std::string marker = "<!-- capture: " + name + " -->\n```\n";
  size_t start = doc.find(marker);
  if (start == std::string::npos) return "";
  start += marker.size();
  return doc.substr(start, doc.find("```", start) - start);
}

// The dialog on `screen`, from its top corner to its own bottom corner (the last one in its left
// column) as documentation shows it; empty while it is not drawn whole.
std::string dialogCapture(const tuitest::Screen& screen) {
  int top = 0, bottom = 0, col = 0;
  if (!screen.contains("< OK >") || !screen.find("┌", &top, &col)) return "";
  for (int r = top; r < static_cast<int>(screen.rows.size()); ++r)
    if (screen.at(r, col).ch == "└") bottom = r;
  return bottom > top ? tuitest::documentCapture(screen, top, bottom) : "";
}

TEST_F(TuiAppTest, TheDocumentedDialogIsWhatTheScreenShows) {
  start("dialog");
  tuitest::Screen s;
  // Waited for whole: a capture may fall between the updates that draw it (seen under
  // AddressSanitizer).
  std::string expected = documented("dialog");
  bool same = terminal_->waitFor(
      [&](const tuitest::Screen& screen) { return dialogCapture(screen) == expected; }, &s);
  std::string capture = dialogCapture(s);
  // VANTREL_PRINT_CAPTURES=1 prints the capture for the documentation.
  if (getenv("VANTREL_PRINT_CAPTURES")) printf("%s", capture.c_str());
  EXPECT_TRUE(same);
  EXPECT_EQ(capture, expected) << s.all();
  terminal_->keys("Escape");
  ASSERT_TRUE(terminal_->waitForText("F2 Search"));
  quitAndCheckRestored();
}

TEST_F(TuiAppTest, ResizingRedrawsWithTheStatusRowOnTheNewLastRow) {
  start("dialog");
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitForText("< OK >", &s)) << s.all();
  EXPECT_NE(s.text(24).find("Esc Cancel"), std::string::npos) << s.all();
  terminal_->tmux("resize-window -t 0 -x 100 -y 30");
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) {
        return screen.rows.size() == 30 && screen.text(29).find("Esc Cancel") != std::string::npos;
      },
      &s))
      << s.all();
  EXPECT_TRUE(s.contains("< OK >")) << s.all();
  terminal_->keys("Escape");
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) { return !screen.contains("< OK >"); }, &s));
  EXPECT_NE(s.text(29).find("F2 Search"), std::string::npos) << s.all();
  quitAndCheckRestored();
}

TEST_F(TuiAppTest, WithoutAToolTheBottomRowSaysSo) {
  start("no-tool");
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitForText("No \"Vantrel\" tool in the add-on", &s)) << s.all();
  EXPECT_NE(s.text(24).find("F2 Search"), std::string::npos) << s.all();
  quitAndCheckRestored();
}

TEST_F(TuiAppTest, CtrlCQuitsAndGivesTheTerminalBack) {
  start("question");
  ASSERT_TRUE(terminal_->waitForText("[ Yes ]"));
  terminal_->keys("n");
  ASSERT_TRUE(terminal_->waitForText("F2 Search"));
  terminal_->keys("C-c");
  checkRestored(1);
}

TEST_F(TuiAppTest, TermAndCrashSignalsGiveTheTerminalBack) {
  for (int signal : {SIGTERM, SIGSEGV}) {
    SCOPED_TRACE(signal);
    start("crash");
    ASSERT_TRUE(terminal_->waitForText("F2 Search"));
    ASSERT_TRUE(waitForFile("out.txt"));
    std::string pidLine;
    for (int i = 0; i < 100 && pidLine.empty(); ++i, usleep(20000)) pidLine = out();
    ASSERT_EQ(pidLine.rfind("pid=", 0), 0u) << pidLine;
    if (signal == SIGTERM)
      ASSERT_EQ(kill(std::stoi(pidLine.substr(4)), SIGTERM), 0);
    else
      terminal_->keys("F2");
    checkRestored(128 + signal);
    TearDown();
    dir_.clear();
  }
}

}  // namespace
