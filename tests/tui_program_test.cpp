// The vantrel program as a full-screen terminal program, end to end: the real command, the real
// add-on and real files, run in a tmux pane; the test types keys and reads the screen. Covers
// host/tui_session.cpp and, through it, the whole front end (host/tui_*.cpp).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "tests/tui_terminal.h"

namespace {

std::string readFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class TuiProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    program_ = std::string(VANTREL_BUILD_DIR) + "/vantrel";
    if (access(program_.c_str(), X_OK) != 0 ||
        access((std::string(VANTREL_BUILD_DIR) + "/vantrel.so").c_str(), R_OK) != 0)
      GTEST_SKIP() << "the vantrel program or its add-on is not built";
    char pattern[] = "/tmp/vantrel-tui-program-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    ASSERT_EQ(mkdir((dir_ + "/tree").c_str(), 0755), 0);
  }
  void TearDown() override {
    terminal_.reset();
    if (!dir_.empty()) tuitest::capture("rm -rf " + tuitest::quote(dir_));
  }

  void write(const std::string& name, const std::string& text) {
    std::string path = dir_ + "/tree/" + name;
    size_t slash = path.rfind('/');
    tuitest::capture("mkdir -p " + tuitest::quote(path.substr(0, slash)));
    std::ofstream(path) << text;
  }
  // `count` files, each with one hit on its first line.
  void manyFiles(int count) {
    std::string script = "cd " + tuitest::quote(dir_ + "/tree") + " && mkdir -p many && cd many" +
                         " && i=0; while [ $i -lt " + std::to_string(count) +
                         " ]; do echo 'int needle;' > f$i.c; i=$((i+1)); done";
    tuitest::capture(script);
  }

  // Starts the program in the tree with `environment` (NAME=VALUE words).
  void start(const std::string& environment = "") {
    std::string command = "cd " + tuitest::quote(dir_ + "/tree") +
                          " && env LANG=C.UTF-8 TERM=screen-256color VANTREL_REGISTRY=" +
                          tuitest::quote(dir_ + "/registry.sqlite3") + " " + environment + " " +
                          tuitest::quote(program_) + "; echo $? > ../status.txt; stty -a > " +
                          "../stty.txt; mv ../stty.txt ../modes.txt; exec cat";
    terminal_ = std::make_unique<tuitest::Terminal>(command);
  }
  bool waitForFile(const std::string& name) {
    for (int i = 0; i < 400; ++i, usleep(20000))
      if (access((dir_ + "/" + name).c_str(), F_OK) == 0) return true;
    return false;
  }
  void checkRestored(int status) {
    ASSERT_TRUE(waitForFile("modes.txt"));
    EXPECT_EQ(readFile(dir_ + "/status.txt"), std::to_string(status) + "\n");
    EXPECT_EQ(terminal_->format("#{alternate_on} #{cursor_flag} #{keypad_flag}"), "0 1 0");
    std::string modes = readFile(dir_ + "/modes.txt");
    for (const char* mode : {"icanon", "echo", "isig", "icrnl", "opost"})
      EXPECT_TRUE(std::regex_search(modes, std::regex(std::string("(^|\\s)") + mode + "(\\s|$)")))
          << mode << " in " << modes;
  }
  // Confirms the dialog with `text` typed, after `keys` (tmux key names) when given.
  void search(const std::string& text, const std::string& keys = "") {
    ASSERT_TRUE(terminal_->waitForText("< OK >")) << terminal_->screen().all();
    terminal_->type(text);
    if (!keys.empty()) terminal_->keys(keys);
    terminal_->keys("Enter");
  }

  std::string program_, dir_;
  std::unique_ptr<tuitest::Terminal> terminal_;
};

// Colours as a 256-colour terminal shows the nearest of each.
constexpr int kBlue = 21, kWhite = 231, kLightGrey = 250, kNavy = 18, kGreyText = 244, kBlack = 16;

TEST_F(TuiProgramTest, FirstUseDialogThenAConfirmedSearchListsItsHits) {
  write("a.c", "int needle;\n");
  write("b.cpp", "x\ny needle\n");
  write("sub/c.c", "/* needle */\n");
  write("notes.txt", "needle\n");
  start();
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitForText("< OK >", &s)) << s.all();
  int row = 0, col = 0;
  ASSERT_TRUE(s.find("Text to fi", &row, &col));
  EXPECT_EQ(s.text(row).find("Text to fi  "), s.text(row).find("Text to fi")) << "text is empty";
  EXPECT_TRUE(s.contains("[Source Files (.c;.cpp;.cc)]")) << s.all();
  EXPECT_TRUE(s.contains("[Current Directory]")) << s.all();
  EXPECT_EQ(std::regex_search(s.all(), std::regex("\\[x\\]")), false) << s.all();
  EXPECT_TRUE(s.contains("[ ] Recurse Subdirector")) << s.all();
  ASSERT_TRUE(s.find("< OK >", &row, &col));
  EXPECT_EQ(s.at(row, col + 2).fg, kGreyText);
  terminal_->type("needle");
  ASSERT_TRUE(terminal_->waitFor(
      [&](const tuitest::Screen& screen) {
        return screen.find("< OK >", &row, &col) && screen.at(row, col + 2).fg == kBlack;
      },
      &s))
      << s.all();
  // "[Selected Nodes]" typed into the directories field renames the recurse box.
  terminal_->keys("M-d");
  terminal_->type("[Selected Nodes]");
  ASSERT_TRUE(terminal_->waitForText("[ ] Recurse Nodes", &s)) << s.all();
  terminal_->keys("M-d");
  terminal_->type("[Current Directory]");
  ASSERT_TRUE(terminal_->waitForText("[ ] Recurse Subdirector", &s)) << s.all();
  terminal_->keys("M-r");
  ASSERT_TRUE(terminal_->waitForText("[x] Recurse Subdirector", &s)) << s.all();
  terminal_->keys("Enter");
  ASSERT_TRUE(terminal_->waitForText("Vantrel : 3 found in 3 Files", &s)) << s.all();
  EXPECT_TRUE(s.contains("  1:5: int needle;")) << s.all();
  EXPECT_TRUE(s.contains("  2:3: y needle")) << s.all();
  EXPECT_TRUE(s.contains("  1:4: /* needle */")) << s.all();
  EXPECT_FALSE(s.contains("notes.txt")) << s.all();
  EXPECT_TRUE(s.contains("F2 Search")) << s.all();
  terminal_->keys("q");
  checkRestored(0);
}

}  // namespace
