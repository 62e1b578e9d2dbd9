// Esc from the user's terminal during a command-line search.
//
// A blocking search on a terminal shows "<Press Esc to Stop>" on its progress line. While a
// TerminalKeys lives, standard input, when it is the terminal the progress line is shown on and
// the program is in its foreground, is read without line editing or echo, and each poll of Esc
// reads what was typed: an Esc on its own (not the start of a key's escape sequence) counts as a
// press. Other keys typed meanwhile are read and dropped, as by any program reading its terminal.
// The terminal's modes come back when the object goes, and also when SIGTERM, SIGHUP or SIGQUIT
// ends the program (the progress line is cleared then). Keys typed and not yet read are dropped
// when the object goes, so none reaches the shell. Ctrl-C keeps its signal, and so does Ctrl-Z:
// the shell that stops the program puts its own modes back, so after SIGCONT the next poll in the
// foreground takes the terminal again. A poll never waits for input, whatever the modes.
// Ownership: one instance at a time; it owns the terminal's modes while it lives.
// Threading: the thread that made it polls.
// Tested by tests/host/posix/command_terminal_test.cpp.
#ifndef VANTREL_HOST_COMMAND_KEYS_H_
#define VANTREL_HOST_COMMAND_KEYS_H_

#include <chrono>

namespace vantrel {

class TerminalKeys {
 public:
  // Takes the terminal when standard input and standard output both are one and the program is
  // in its foreground; otherwise does nothing and never sees a key.
  TerminalKeys();
  ~TerminalKeys();
  TerminalKeys(const TerminalKeys&) = delete;
  TerminalKeys& operator=(const TerminalKeys&) = delete;

  // Whether Esc was pressed since the last poll. Reads the terminal at most every 10 ms, so a
  // search may poll before every file.
  bool escapePressed();

 private:
  bool active_ = false;
  std::chrono::steady_clock::time_point lastRead_{};
};

}  // namespace vantrel

#endif  // VANTREL_HOST_COMMAND_KEYS_H_
