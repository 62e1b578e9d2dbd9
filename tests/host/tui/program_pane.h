// A test fixture that runs the built vantrel program in a tmux pane (tests/host/tui/tui_terminal.h)
// on a scratch tree: the program with its arguments and environment, its exit status and the
// terminal's modes afterwards left in files, and the pane kept so the screen can still be read.
// Shared by the full-screen program's tests in tests/host/tui (tui_program_test.cpp,
// tui_results_test.cpp, tui_editor_test.cpp, tui_quickfix_test.cpp) and
// tests/host/posix/command_terminal_test.cpp.
// Ownership: the fixture owns the scratch directory (removed by TearDown) and the terminal.
#ifndef VANTREL_TESTS_PROGRAM_PANE_H_
#define VANTREL_TESTS_PROGRAM_PANE_H_

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <string>

#include "tests/host/tui/tui_terminal.h"

namespace tuitest {

class ProgramPaneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    program_ = std::string(VANTREL_BUILD_DIR) + "/vantrel";
    if (access(program_.c_str(), X_OK) != 0 ||
        access((std::string(VANTREL_BUILD_DIR) + "/vantrel.so").c_str(), R_OK) != 0)
      GTEST_SKIP() << "the vantrel program or its add-on is not built";
    if (!haveTmux()) GTEST_SKIP() << "tmux is not installed (scripts/setup installs it)";
    // Thousands of files are made in memory when the machine has a memory file system.
    std::string base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string pattern = base + "/vantrel-program-pane-XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    ASSERT_EQ(mkdir((dir_ + "/tree").c_str(), 0755), 0);
    // Quickfix files and recent searches go to the scratch directory, whoever starts the program
    // (the tmux server takes this environment).
    setenv("XDG_STATE_HOME", (dir_ + "/state").c_str(), 1);
  }
  void TearDown() override {
    terminal_.reset();
    if (!dir_.empty()) capture("rm -rf " + quote(dir_));
  }

  // A tree whose search with kSlowPattern takes seconds however fast the machine: one hit in the
  // first file, then long lines on which the pattern does real work, so a search is still running
  // when the test acts on it.
  static constexpr const char* kSlowPattern = "(q|q)*(needle|zz)";
  void slowTree() {
    std::ofstream(dir_ + "/tree/f0.c") << "int needle;\n";
    const std::string longLine(100000, 'q');
    for (int i = 1; i <= 300; ++i)
      std::ofstream(dir_ + "/tree/g" + std::to_string(i) + ".c") << longLine << "\n";
  }

  void write(const std::string& name, const std::string& text) {
    std::string path = dir_ + "/tree/" + name;
    size_t slash = path.rfind('/');
    tuitest::capture("mkdir -p " + tuitest::quote(path.substr(0, slash)));
    std::ofstream(path) << text;
  }
  // Confirms the dialog once it shows with `text` typed, after `keys` (tmux key names) when
  // given.
  void search(const std::string& text, const std::string& keys = "") {
    ASSERT_TRUE(terminal_->waitForText("< OK >")) << terminal_->screen().all();
    terminal_->type(text);
    if (!keys.empty()) terminal_->keys(keys);
    terminal_->keys("Enter");
  }

  // `count` files in the tree, each with one hit on its first line.
  void manyFiles(int count) {
    for (int i = 0; i < count; ++i)
      std::ofstream(dir_ + "/tree/f" + std::to_string(i) + ".c") << "int needle;\n";
  }

  // Starts the program in the tree with `environment` (NAME=VALUE words) and `arguments` (shell
  // words); afterwards its status goes to status.txt and the terminal's modes to modes.txt.
  void start(const std::string& environment = "", int cols = 80, int rows = 25,
             const std::string& arguments = "") {
    std::string command = "cd " + quote(dir_ + "/tree") +
                          " && env LANG=C.UTF-8 TERM=screen-256color VANTREL_REGISTRY=" +
                          quote(dir_ + "/registry.sqlite3") + " " + environment + " " +
                          quote(program_) + " " + arguments +
                          "; echo $? > ../status.txt; stty -a > " +
                          "../stty.txt; mv ../stty.txt ../modes.txt; exec cat";
    terminal_ = std::make_unique<Terminal>(command, cols, rows);
  }
  bool waitForFile(const std::string& name) {
    for (int i = 0; i < 400; ++i, usleep(20000))
      if (access((dir_ + "/" + name).c_str(), F_OK) == 0) return true;
    return false;
  }
  // Checks, once the program ended, its status and that the terminal has its line modes back.
  void checkStatusAndModes(int status) {
    ASSERT_TRUE(waitForFile("modes.txt")) << terminal_->screen().all();
    EXPECT_EQ(readFile(dir_ + "/status.txt"), std::to_string(status) + "\n");
    std::string modes = readFile(dir_ + "/modes.txt");
    for (const char* mode : {"icanon", "echo", "isig", "icrnl", "opost"})
      EXPECT_TRUE(std::regex_search(modes, std::regex(std::string("(^|\\s)") + mode + "(\\s|$)")))
          << mode << " in " << modes;
  }
  // The same, and the screen given back: no alternate screen, the cursor shown, keypad and mouse
  // reports off.
  void checkRestored(int status) {
    checkStatusAndModes(status);
    EXPECT_EQ(terminal_->format("#{alternate_on} #{cursor_flag} #{keypad_flag} #{mouse_any_flag}"),
              "0 1 0 0");
  }

  std::string program_, dir_;
  std::unique_ptr<Terminal> terminal_;
};

}  // namespace tuitest

#endif  // VANTREL_TESTS_PROGRAM_PANE_H_
