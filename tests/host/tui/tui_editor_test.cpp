// Starting the user's editor: the argument vector from $VISUAL, $EDITOR or vi, and a real
// process started without a shell (a recording script stands in for the editor). Covers
// host/tui/tui_editor.cpp and the nearest-colour mapping of host/tui/tui_palette.cpp.
#include "host/tui/tui_editor.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "host/tui/tui_palette.h"

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

TEST(PaletteTest, NearestColoursOfEachKindOfTerminal) {
  // The progress bar's colours on 256, 16 and 8 colours.
  EXPECT_EQ(tui::nearestColor(RGB(0, 0, 255), 256), 21);
  EXPECT_EQ(tui::nearestColor(RGB(255, 255, 255), 256), 231);
  EXPECT_EQ(tui::nearestColor(RGB(192, 192, 192), 256), 250);
  EXPECT_EQ(tui::nearestColor(RGB(0, 0, 128), 256), 18);
  EXPECT_EQ(tui::nearestColor(RGB(0, 0, 255), 16), 12);
  EXPECT_EQ(tui::nearestColor(RGB(255, 255, 255), 16), 15);
  EXPECT_EQ(tui::nearestColor(RGB(192, 192, 192), 16), 7);
  EXPECT_EQ(tui::nearestColor(RGB(0, 0, 128), 16), 4);
  EXPECT_EQ(tui::nearestColor(RGB(0, 0, 255), 8), 4);
  EXPECT_EQ(tui::nearestColor(RGB(255, 255, 255), 8), 7);
  EXPECT_EQ(tui::nearestColor(RGB(0, 0, 128), 8), 4);
  EXPECT_EQ(tui::nearestColor(RGB(0, 0, 0), 8), 0);
  // Every colour of a palette is its own nearest.
  for (int i = 16; i < 256; ++i) EXPECT_EQ(tui::nearestColor(tui::standardColor(i), 256), i) << i;
  for (int i = 0; i < 16; ++i) EXPECT_EQ(tui::nearestColor(tui::standardColor(i), 16), i) << i;
}

}  // namespace
