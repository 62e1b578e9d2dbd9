// Esc from the terminal during a command-line search (see host/posix/command_keys.h).
// Tested by tests/host/posix/command_terminal_test.cpp.
#include "host/posix/command_keys.h"

#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>

namespace vantrel {
namespace {

constexpr std::chrono::milliseconds kPollInterval{10};
const int kEndingSignals[] = {SIGTERM, SIGHUP, SIGQUIT};

// The modes to restore, kept where a signal handler can reach them, and the modes taken.
struct termios savedModes;
struct termios takenModes;
volatile sig_atomic_t modesTaken = 0;
struct sigaction previousActions[3];
// Set by SIGCONT: the program was stopped, and whoever had the terminal meanwhile may have set
// other modes.
volatile sig_atomic_t continued = 0;
struct sigaction previousContinue;

void onContinue(int) { continued = 1; }

void restoreModes() {
  if (modesTaken) tcsetattr(STDIN_FILENO, TCSANOW, &savedModes);
}

// Gives the terminal back, with no progress line left on its last row, then lets the signal end
// the program as it would have.
void onEndingSignal(int signal) {
  static const char kClearLine[] = "\r\033[K";
  if (modesTaken) (void)!write(STDOUT_FILENO, kClearLine, sizeof kClearLine - 1);
  restoreModes();
  modesTaken = 0;
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  sigaction(signal, &fallback, nullptr);
  raise(signal);
}

bool inForeground() { return tcgetpgrp(STDIN_FILENO) == getpgrp(); }

// Whether a read of standard input would answer at once: in canonical mode (modes not yet taken
// again) only a whole line is ready.
bool inputReady() {
  struct pollfd input {};
  input.fd = STDIN_FILENO;
  input.events = POLLIN;
  return poll(&input, 1, 0) > 0 && (input.revents & POLLIN) != 0;
}

}  // namespace

TerminalKeys::TerminalKeys() {
  if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO) || !inForeground()) return;
  if (tcgetattr(STDIN_FILENO, &savedModes) != 0) return;
  takenModes = savedModes;
  takenModes.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
  takenModes.c_cc[VMIN] = 0;  // a read answers at once, with what was typed or nothing
  takenModes.c_cc[VTIME] = 0;
  for (size_t i = 0; i < 3; ++i) {
    struct sigaction action {};
    action.sa_handler = onEndingSignal;
    sigemptyset(&action.sa_mask);
    sigaction(kEndingSignals[i], &action, &previousActions[i]);
  }
  modesTaken = 1;
  if (tcsetattr(STDIN_FILENO, TCSANOW, &takenModes) != 0) {
    modesTaken = 0;
    for (size_t i = 0; i < 3; ++i) sigaction(kEndingSignals[i], &previousActions[i], nullptr);
    return;
  }
  continued = 0;
  struct sigaction action {};
  action.sa_handler = onContinue;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGCONT, &action, &previousContinue);
  active_ = true;
}

TerminalKeys::~TerminalKeys() {
  if (!active_) return;
  // What was typed during the search was meant for it, not for the shell that comes next.
  if (inForeground()) tcflush(STDIN_FILENO, TCIFLUSH);
  restoreModes();
  modesTaken = 0;
  for (size_t i = 0; i < 3; ++i) sigaction(kEndingSignals[i], &previousActions[i], nullptr);
  sigaction(SIGCONT, &previousContinue, nullptr);
}

bool TerminalKeys::escapePressed() {
  if (!active_) return false;
  auto now = std::chrono::steady_clock::now();
  if (now - lastRead_ < kPollInterval) return false;
  lastRead_ = now;
  // A program put in the background must not read its terminal: the system would stop it.
  if (!inForeground()) return false;
  if (continued) {
    continued = 0;
    tcsetattr(STDIN_FILENO, TCSANOW, &takenModes);
  }
  bool pressed = false;
  char typed[64];
  ssize_t got;
  while (inputReady() && (got = read(STDIN_FILENO, typed, sizeof typed)) > 0) {
    for (ssize_t i = 0; i < got; ++i) {
      if (typed[i] != '\x1b') continue;
      // "ESC [" and "ESC O" begin the sequences of arrow and function keys.
      bool sequence = i + 1 < got && (typed[i + 1] == '[' || typed[i + 1] == 'O');
      if (!sequence) pressed = true;
    }
  }
  return pressed;
}

}  // namespace vantrel
