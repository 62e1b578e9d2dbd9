// The vantrel command with a text, run on a terminal (a tmux pane): its progress line on the last
// row, Esc typed there stopping a blocking search, and the terminal's modes given back. Covers
// host/command_keys.cpp and the command's status line (host/command_status.cpp).
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

class CommandTerminalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    program_ = std::string(VANTREL_BUILD_DIR) + "/vantrel";
    if (access(program_.c_str(), X_OK) != 0 ||
        access((std::string(VANTREL_BUILD_DIR) + "/vantrel.so").c_str(), R_OK) != 0)
      GTEST_SKIP() << "the vantrel program or its add-on is not built";
    if (!tuitest::haveTmux()) GTEST_SKIP() << "tmux is not installed (scripts/setup installs it)";
    std::string base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string pattern = base + "/vantrel-command-terminal-XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    ASSERT_EQ(mkdir((dir_ + "/tree").c_str(), 0755), 0);
    // A search of this tree with kSlowPattern takes seconds however fast the machine: one hit in
    // the first file, then long lines on which the pattern does real work.
    std::ofstream(dir_ + "/tree/f0.c") << "int needle;\n";
    const std::string longLine(100000, 'q');
    for (int i = 1; i <= 300; ++i)
      std::ofstream(dir_ + "/tree/g" + std::to_string(i) + ".c") << longLine << "\n";
  }
  void TearDown() override {
    terminal_.reset();
    if (!dir_.empty()) tuitest::capture("rm -rf " + tuitest::quote(dir_));
  }

  // Runs the command with `arguments` in the tree; afterwards its status and the terminal's
  // modes are left in files, and the pane stays.
  void start(const std::string& arguments) {
    std::string command = "cd " + tuitest::quote(dir_ + "/tree") +
                          " && env LANG=C.UTF-8 TERM=screen-256color VANTREL_REGISTRY=" +
                          tuitest::quote(dir_ + "/registry.sqlite3") + " " +
                          tuitest::quote(program_) + " " + arguments +
                          "; echo $? > ../status.txt; stty -a > ../stty.txt; " +
                          "mv ../stty.txt ../modes.txt; exec cat";
    terminal_ = std::make_unique<tuitest::Terminal>(command, 100, 20);
  }
  bool waitForFile(const std::string& name) {
    for (int i = 0; i < 500; ++i, usleep(20000))
      if (access((dir_ + "/" + name).c_str(), F_OK) == 0) return true;
    return false;
  }

  static constexpr const char* kSlowPattern = "'(q|q)*(needle|zz)'";
  std::string program_, dir_;
  std::unique_ptr<tuitest::Terminal> terminal_;
};

TEST_F(CommandTerminalTest, EscTypedDuringABlockingSearchStopsItAndGivesTheTerminalBack) {
  start(std::string("--options=6 -f '*.c' -d . -t ") + kSlowPattern);
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitForText("<Press Esc to Stop>", &s, 10000)) << s.all();
  // An arrow key's sequence is not Esc: the search goes on.
  terminal_->keys("Left");
  usleep(300 * 1000);
  EXPECT_FALSE(terminal_->screen().contains("User break")) << terminal_->screen().all();
  terminal_->keys("Escape");
  ASSERT_TRUE(waitForFile("modes.txt")) << terminal_->screen().all();
  s = terminal_->screen();
  EXPECT_TRUE(s.contains("Vantrel : User break !")) << s.all();
  EXPECT_TRUE(s.contains("f0.c:1:5: int needle;")) << s.all();
  EXPECT_FALSE(s.contains("<Press Esc to Stop>")) << s.all();
  EXPECT_EQ(readFile(dir_ + "/status.txt"), "0\n");
  std::string modes = readFile(dir_ + "/modes.txt");
  for (const char* mode : {"icanon", "echo"})
    EXPECT_TRUE(std::regex_search(modes, std::regex(std::string("(^|\\s)") + mode + "(\\s|$)")))
        << mode << " in " << modes;
}

TEST_F(CommandTerminalTest, ATerminatedSearchGivesTheTerminalBack) {
  start(std::string("--options=6 -f '*.c' -d . -t ") + kSlowPattern);
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitForText("<Press Esc to Stop>", &s, 10000)) << s.all();
  // The pane's shell runs the program as its child.
  tuitest::capture("pkill -TERM -P " + terminal_->format("#{pane_pid}"));
  ASSERT_TRUE(waitForFile("modes.txt")) << terminal_->screen().all();
  EXPECT_EQ(readFile(dir_ + "/status.txt"), "143\n");  // ended by SIGTERM
  std::string modes = readFile(dir_ + "/modes.txt");
  for (const char* mode : {"icanon", "echo"})
    EXPECT_TRUE(std::regex_search(modes, std::regex(std::string("(^|\\s)") + mode + "(\\s|$)")))
        << mode << " in " << modes;
}

}  // namespace
