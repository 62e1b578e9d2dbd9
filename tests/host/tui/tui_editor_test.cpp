// Starting the user's editor: the argument vector from $VISUAL, $EDITOR or vi, and a real
// process started without a shell (a recording script stands in for the editor); then the
// program in a tmux pane starting it on Enter, at a hit's line or a heading's first hit, with
// $VISUAL/$EDITOR or VANTREL_EDITOR's template. Covers host/tui/tui_editor.cpp.
#include "host/tui/tui_editor.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "tests/host/tui/program_pane.h"

namespace {

class EditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    unsetenv("VISUAL");
    unsetenv("EDITOR");
    unsetenv("VANTREL_EDITOR");
    char pattern[] = "/tmp/vantrel-tui-editor-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    unsetenv("VISUAL");
    unsetenv("EDITOR");
    unsetenv("VANTREL_EDITOR");
    ASSERT_EQ(system(("rm -rf '" + dir_ + "'").c_str()), 0);
  }
  std::string dir_;
};

using Argv = std::vector<std::string>;

TEST_F(EditorTest, VisualThenEditorThenViWithTheLineBeforeThePath) {
  EXPECT_EQ(tui::editorCommand("/src/a.c", 12), (Argv{"vi", "+12", "/src/a.c"}));
  setenv("EDITOR", "nano", 1);
  EXPECT_EQ(tui::editorCommand("/src/a.c", 3), (Argv{"nano", "+3", "/src/a.c"}));
  setenv("VISUAL", "  emacs   -nw ", 1);
  EXPECT_EQ(tui::editorCommand("/src/a.c", 3), (Argv{"emacs", "-nw", "+3", "/src/a.c"}));
  setenv("VISUAL", "", 1);
  EXPECT_EQ(tui::editorCommand("/src/a.c", 0), (Argv{"nano", "/src/a.c"}));
  // A path that reads as an option is made a plain path.
  EXPECT_EQ(tui::editorCommand("-rf", 1), (Argv{"nano", "+1", "./-rf"}));
  EXPECT_EQ(tui::editorCommand("+5", 1), (Argv{"nano", "+1", "./+5"}));
}

TEST_F(EditorTest, EachEditorGetsTheLineAndColumnInItsOwnForm) {
  struct Case {
    const char* editor;
    Argv argv;
  } cases[] = {
      {"vi", {"vi", "+12", "/a.c"}},
      {"/usr/bin/vim -p", {"/usr/bin/vim", "-p", "+call cursor(12,5)", "/a.c"}},
      {"nvim", {"nvim", "+call cursor(12,5)", "/a.c"}},
      {"emacs -nw", {"emacs", "-nw", "+12:5", "/a.c"}},
      {"nano", {"nano", "+12,5", "/a.c"}},
      {"micro", {"micro", "+12:5", "/a.c"}},
      {"kak", {"kak", "+12:5", "/a.c"}},
      {"hx", {"hx", "/a.c:12:5"}},
      {"code -w", {"code", "-w", "--goto", "/a.c:12:5"}},
      {"ed", {"ed", "+12", "/a.c"}},
  };
  for (const Case& c : cases) {
    setenv("EDITOR", c.editor, 1);
    EXPECT_EQ(tui::editorCommand("/a.c", 12, 5), c.argv) << c.editor;
  }
  // Without a column: the line alone.
  setenv("EDITOR", "hx", 1);
  EXPECT_EQ(tui::editorCommand("/a.c", 12), (Argv{"hx", "/a.c:12"}));
  // A template: its words as given, the place put in; without {file} the path comes last.
  setenv("VANTREL_EDITOR", "myedit --line={line} {file}#{column}", 1);
  EXPECT_EQ(tui::editorCommand("/a b.c", 3, 9), (Argv{"myedit", "--line=3", "/a b.c#9"}));
  setenv("VANTREL_EDITOR", "subl -w", 1);
  EXPECT_EQ(tui::editorCommand("-x.c", 3, 9), (Argv{"subl", "-w", "./-x.c"}));
  setenv("VANTREL_EDITOR", "   ", 1);
  EXPECT_EQ(tui::editorCommand("/a.c", 3, 9), (Argv{"hx", "/a.c:3:9"}));
}

TEST_F(EditorTest, TheEditorGetsItsArgumentsAsTheyAreWithoutAShell) {
  std::string script = dir_ + "/fake editor";
  std::string record = dir_ + "/argv.txt";
  std::ofstream(script) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" +
                               record + "'\nexit 3\n";
  ASSERT_EQ(chmod(script.c_str(), 0755), 0);
  std::string path = dir_ + "/it's $(touch pwned) `x` a.c";
  EXPECT_EQ(tui::runCommand({script, "+7", path}), 3);
  std::stringstream got;
  got << std::ifstream(record).rdbuf();
  EXPECT_EQ(got.str(), "+7\n" + path + "\n");
  EXPECT_NE(access((dir_ + "/pwned").c_str(), F_OK), 0);
  EXPECT_EQ(access("pwned", F_OK), -1);
  EXPECT_EQ(tui::runCommand({dir_ + "/no such editor", "x"}), 127);
  EXPECT_EQ(tui::runCommand({}), 127);
}

// The program on a terminal (tmux) starting the editor from a hit and from a file's heading. The
// fixtures are named as the program's and the results' tests are, whose cases these were.
using tuitest::readFile;

class TuiProgramTest : public tuitest::ProgramPaneTest {};
class TuiResultsTest : public tuitest::ProgramPaneTest {};

TEST_F(TuiProgramTest, EnterOnAHitStartsTheEditorAtItsFileAndLine) {
  write("one.c", "\n\n\nchar *needle;\n");
  std::string editor = dir_ + "/editor";
  std::ofstream(editor) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > " +
                               tuitest::quote(dir_ + "/argv.txt") + "\n";
  ASSERT_EQ(chmod(editor.c_str(), 0755), 0);
  start("VISUAL= EDITOR=" + tuitest::quote(editor));
  search("needle");
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitForText("  4:7: char *needle;", &s)) << s.all();
  terminal_->keys("Up");  // from the summary line up to the hit
  terminal_->keys("Enter");
  ASSERT_TRUE(waitForFile("argv.txt"));
  std::string argv;
  for (int i = 0; i < 100 && argv.find(".c\n") == std::string::npos; ++i, usleep(20000))
    argv = readFile(dir_ + "/argv.txt");
  EXPECT_EQ(argv, "+4\n" + dir_ + "/tree/one.c\n");
  ASSERT_TRUE(terminal_->waitFor([](const tuitest::Screen& screen) {
    return screen.contains("  4:7: char *needle;") && screen.contains("F2 Search");
  }));
  terminal_->keys("q");
  checkRestored(0);
}

// A template, a heading's first hit, and the quickfix file written afterwards.
TEST_F(TuiResultsTest, VantrelEditorIsATemplateAndTheQuickfixFileGoesToTheStateDirectory) {
  write("one.c", "\n\n\nchar *needle;\nneedle\n");
  std::string editor = dir_ + "/editor";
  std::ofstream(editor) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > " +
                               tuitest::quote(dir_ + "/argv.txt") + "\n";
  ASSERT_EQ(chmod(editor.c_str(), 0755), 0);
  start("VANTREL_EDITOR=" + tuitest::quote(editor + " --at {file}:{line}:{column} -") +
        " XDG_STATE_HOME=" + tuitest::quote(dir_ + "/state"));
  search("needle");
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitForText("\u25be one.c  (2 hits)", &s)) << s.all();
  terminal_->keys("Home Enter");  // the heading: its first hit
  ASSERT_TRUE(waitForFile("argv.txt"));
  std::string argv;
  for (int i = 0; i < 100 && argv.find("-\n") == std::string::npos; ++i, usleep(20000))
    argv = readFile(dir_ + "/argv.txt");
  EXPECT_EQ(argv, "--at\n" + dir_ + "/tree/one.c:4:7\n-\n");
  ASSERT_TRUE(terminal_->waitForText("F2 Search", &s)) << s.all();
  terminal_->keys("w");
  std::string folder = dir_ + "/state/vantrel/";
  ASSERT_TRUE(terminal_->waitForText("Wrote 2 hits: vim -q " + folder, &s)) << s.all();
  EXPECT_EQ(tuitest::capture("cat " + tuitest::quote(folder) + "*.qf"),
            dir_ + "/tree/one.c:4:7: char *needle;\n" + dir_ + "/tree/one.c:5:1: needle\n");
  struct stat st;
  ASSERT_EQ(stat(folder.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  terminal_->keys("q");
  checkStatusAndModes(0);
}

}  // namespace
