// The vantrel command with a text, run on a terminal (a tmux pane): its progress line on the last
// row, Esc typed there stopping a blocking search (also after Ctrl-Z and fg, or a stop and continue
// from outside, in an interactive shell), and the terminal's modes given back. Covers
// host/posix/command_keys.cpp and the command's status line (host/cli/command_status.cpp).
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <string>

#include "tests/host/tui/program_pane.h"

namespace {

class CommandTerminalTest : public tuitest::ProgramPaneTest {
 protected:
  // The command searching the slow tree with a blocking search, on a terminal of 100 x 20.
  void startSlowSearch() {
    slowTree();
    start("", 100, 20, std::string("--options=6 -f '*.c' -d . -t ") + tuitest::quote(kSlowPattern));
  }
};

TEST_F(CommandTerminalTest, EscTypedDuringABlockingSearchStopsItAndGivesTheTerminalBack) {
  startSlowSearch();
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitForText("<Press Esc to Stop>", &s, 10000)) << s.all();
  // An arrow key's sequence is not Esc: the search goes on.
  terminal_->keys("Left");
  usleep(300 * 1000);
  EXPECT_FALSE(terminal_->screen().contains("User break")) << terminal_->screen().all();
  terminal_->keys("Escape");
  checkStatusAndModes(130);
  s = terminal_->screen();
  EXPECT_TRUE(s.contains("Vantrel : User break !")) << s.all();
  EXPECT_TRUE(s.contains("f0.c:1:5: int needle;")) << s.all();
  EXPECT_FALSE(s.contains("<Press Esc to Stop>")) << s.all();
}

TEST_F(CommandTerminalTest, AfterCtrlZOrAnOutsideStopAndFgEscStillStopsTheSearch) {
  // A job of an interactive shell, which puts its own line modes back whenever the job stops.
  slowTree();
  terminal_ = std::make_unique<tuitest::Terminal>(
      "cd " + tuitest::quote(dir_ + "/tree") + " && exec bash --norc --noprofile -i", 100, 20);
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitFor(
      [](const tuitest::Screen& screen) { return screen.contains("$") || screen.contains("#"); },
      &s))
      << s.all();
  terminal_->type("(env VANTREL_REGISTRY=../registry.sqlite3 sh -c 'echo $$ > ../pid.txt; exec " +
                  tuitest::quote(program_) + " --options=6 -f \"*.c\" -d . -t \"$0\"' " +
                  tuitest::quote(kSlowPattern) +
                  "; echo $? > ../status.txt; stty -a > ../stty.txt; mv ../stty.txt ../modes.txt)");
  terminal_->keys("Enter");
  ASSERT_TRUE(terminal_->waitForText("<Press Esc to Stop>", &s, 10000)) << s.all();
  terminal_->keys("C-z");
  ASSERT_TRUE(terminal_->waitForText("Stopped", &s)) << s.all();
  terminal_->type("fg");
  terminal_->keys("Enter");
  // Stopped and continued from outside: the shell takes the terminal back, and fg gives it.
  ASSERT_TRUE(waitForFile("pid.txt"));
  std::string group = tuitest::capture("ps -o pgid= -p " + tuitest::readFile(dir_ + "/pid.txt"));
  group.erase(0, group.find_first_not_of(' '));
  group.erase(group.find_last_not_of("\n") + 1);
  usleep(300 * 1000);
  tuitest::capture("kill -STOP -" + group);
  auto stoppedTwice = [](const tuitest::Screen& screen) {
    std::string all = screen.all();
    return all.find("Stopped") != all.rfind("Stopped");
  };
  ASSERT_TRUE(terminal_->waitFor(stoppedTwice, &s)) << s.all();
  tuitest::capture("kill -CONT -" + group);
  terminal_->type("fg");
  terminal_->keys("Enter");
  usleep(300 * 1000);
  terminal_->keys("Escape");
  checkStatusAndModes(130);
  s = terminal_->screen();
  EXPECT_TRUE(s.contains("Vantrel : User break !")) << s.all();
  EXPECT_FALSE(s.contains("^[")) << s.all();
}

TEST_F(CommandTerminalTest, ATerminatedSearchGivesTheTerminalBack) {
  startSlowSearch();
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitForText("<Press Esc to Stop>", &s, 10000)) << s.all();
  // The pane's shell runs the program as its child.
  tuitest::capture("pkill -TERM -P " + terminal_->format("#{pane_pid}"));
  checkStatusAndModes(128 + SIGTERM);
  EXPECT_FALSE(terminal_->screen().contains("<Press Esc to Stop>")) << terminal_->screen().all();
}

TEST_F(CommandTerminalTest, EscStopsAnAsynchronousSearchAndNothingTypedReachesTheShell) {
  slowTree();
  start("", 100, 20, std::string("--options=14 -f '*.c' -d . -t ") + tuitest::quote(kSlowPattern));
  tuitest::Screen s;
  ASSERT_TRUE(terminal_->waitForText("f0.c:1:5: int needle;", &s, 10000)) << s.all();
  terminal_->keys("w");
  terminal_->keys("v");
  terminal_->keys("Escape");
  checkStatusAndModes(130);
  // The shell's `cat` now echoes what reaches it: "K9" alone, not "wvK9".
  terminal_->keys("K");
  terminal_->keys("9");
  ASSERT_TRUE(terminal_->waitForText("K9", &s, 5000)) << s.all();
  EXPECT_TRUE(s.contains("Vantrel : User break !")) << s.all();
  EXPECT_FALSE(s.contains("vK9")) << s.all();
}

}  // namespace
