// Taking over and giving back the terminal (see host/tui/tui_screen.h).
// Tested by tests/host/tui/tui_app_test.cpp.
#include "host/tui/tui_screen.h"

#include <curses.h>
#include <fcntl.h>
#include <langinfo.h>
#include <signal.h>
#include <term.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <clocale>
#include <cstring>

#include "host/tui/tui_keys.h"

namespace tui {
namespace {

std::atomic<bool> interrupted{false};
std::atomic<bool> continued{false};
Screen* active = nullptr;  // the started screen

// What a signal handler needs to give the terminal back, prepared before any signal can come.
struct termios savedModes;
bool haveSavedModes = false;
int savedFileFlags = -1;
char exitSequence[256];
size_t exitSequenceLength = 0;

constexpr int kFatalSignals[] = {SIGTERM, SIGHUP, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
struct sigaction previousFatal[sizeof kFatalSignals / sizeof kFatalSignals[0]];
struct sigaction previousInterrupt;
struct sigaction previousContinue;

void appendCapability(const char* name, size_t& used) {
  char* value = tigetstr(const_cast<char*>(name));
  if (value == nullptr || value == reinterpret_cast<char*>(-1)) return;
  size_t length = std::strlen(value);
  // Capabilities with padding or parameters are not sent from a handler.
  if (std::strchr(value, '$') || std::strchr(value, '%')) return;
  if (used + length >= sizeof exitSequence) return;
  std::memcpy(exitSequence + used, value, length);
  used += length;
}

// Attributes off, mouse reports off (when they were asked for), the palette back (only when it
// was changed: it may hold the user's own colours), cursor shown, keypad off, the normal screen
// back. A handler meanwhile sends the sequence as it was before (its length is set last).
void prepareExitSequence(bool paletteChanged, bool mouse) {
  exitSequenceLength = 0;
  size_t used = 0;
  appendCapability("sgr0", used);
  if (mouse && used + sizeof kMouseOff - 1 < sizeof exitSequence) {
    std::memcpy(exitSequence + used, kMouseOff, sizeof kMouseOff - 1);
    used += sizeof kMouseOff - 1;
  }
  if (used + sizeof kPasteOff - 1 < sizeof exitSequence) {
    std::memcpy(exitSequence + used, kPasteOff, sizeof kPasteOff - 1);
    used += sizeof kPasteOff - 1;
  }
  if (paletteChanged) appendCapability("oc", used);
  for (const char* name : {"cnorm", "rmkx", "rmcup"}) appendCapability(name, used);
  exitSequenceLength = used;
}

void sendPasteMode(bool on) {
  const char* sequence = on ? kPasteOn : kPasteOff;
  ssize_t ignored = write(STDOUT_FILENO, sequence, std::strlen(sequence));
  (void)ignored;
}

void onInterrupt(int) { interrupted.store(true); }
void onContinue(int) { continued.store(true); }

void onFatal(int signal) {
  // The key reader may have left the terminal non-blocking (host/tui/tui_keys.cpp), which the
  // output shares: the exit sequence must not be cut short.
  if (savedFileFlags >= 0) fcntl(STDIN_FILENO, F_SETFL, savedFileFlags);
  if (haveSavedModes) tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedModes);
  if (exitSequenceLength) {
    ssize_t ignored = write(STDOUT_FILENO, exitSequence, exitSequenceLength);
    (void)ignored;
  }
  // Die of the same signal, so the parent sees what happened.
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  sigaction(signal, &fallback, nullptr);
  sigset_t unblock;
  sigemptyset(&unblock);
  sigaddset(&unblock, signal);
  sigprocmask(SIG_UNBLOCK, &unblock, nullptr);
  raise(signal);
}

void installHandlers() {
  struct sigaction action {};
  sigemptyset(&action.sa_mask);
  action.sa_handler = onInterrupt;
  sigaction(SIGINT, &action, &previousInterrupt);
  // Not restarted: a read waiting for a key returns, so the modes come back before the next key.
  action.sa_handler = onContinue;
  sigaction(SIGCONT, &action, &previousContinue);
  action.sa_handler = onFatal;
  action.sa_flags = SA_RESETHAND;
  for (size_t i = 0; i < sizeof kFatalSignals / sizeof kFatalSignals[0]; ++i)
    sigaction(kFatalSignals[i], &action, &previousFatal[i]);
}

void removeHandlers() {
  sigaction(SIGINT, &previousInterrupt, nullptr);
  sigaction(SIGCONT, &previousContinue, nullptr);
  for (size_t i = 0; i < sizeof kFatalSignals / sizeof kFatalSignals[0]; ++i)
    sigaction(kFatalSignals[i], &previousFatal[i], nullptr);
}

// Whether $TERM names a terminal that can show a full screen: one that can move its cursor and
// clear its screen (not TERM=dumb, not a printer). Asked before curses starts: curses started on a
// terminal it does not know keeps what it allocated for good.
bool usableTerminal() {
  int error = 0;
  if (setupterm(nullptr, STDOUT_FILENO, &error) != OK) return false;
  bool usable = cursor_address != nullptr && clear_screen != nullptr;
  TERMINAL* probe = set_curterm(nullptr);
  del_curterm(probe);
  return usable;
}

}  // namespace

Screen::~Screen() { stop(); }

bool Screen::start() {
  if (started_) return true;
  if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO)) return false;
  std::setlocale(LC_ALL, "");
  haveSavedModes = tcgetattr(STDIN_FILENO, &savedModes) == 0;
  savedFileFlags = fcntl(STDIN_FILENO, F_GETFL);
  if (!usableTerminal()) return false;
  screen_ = newterm(nullptr, stdout, stdin);
  if (screen_ == nullptr) return false;
  unicode_ = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
  prepareExitSequence(false, false);
  installHandlers();
  started_ = true;
  raw();  // Ctrl-C arrives as a key while curses reads; signals stay for SIGTERM and crashes
  noecho();
  nonl();
  keypad(stdscr, TRUE);
  set_escdelay(25);
  curs_set(0);
  if (has_colors()) {
    start_color();
    use_default_colors();
  }
  // Clicks act at once, on the press: no waiting to see whether a release or a second click
  // follows (curses' click resolution would hold every press back for the interval).
  mouseinterval(0);
  bool mouse = mousemask(mouseEvents(), nullptr) != 0;
  palette_.start();
  prepareExitSequence(palette_.redefines(), mouse);
  sendPasteMode(true);
  active = this;
  return true;
}

void Screen::stop() {
  if (!started_) return;
  started_ = false;
  if (active == this) active = nullptr;
  sendPasteMode(false);
  curs_set(1);
  endwin();
  delscreen(static_cast<SCREEN*>(screen_));
  screen_ = nullptr;
  if (haveSavedModes) tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedModes);
  removeHandlers();
}

void Screen::suspend() {
  if (!started_) return;
  sendPasteMode(false);
  def_prog_mode();
  curs_set(1);
  endwin();
  if (haveSavedModes) tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedModes);
}

void Screen::resume() {
  if (!started_) return;
  reset_prog_mode();
  sendPasteMode(true);
  clearok(curscr, TRUE);
  refresh();
}

void Screen::stopForShell() {
  if (!started_) return;
  suspend();
  // Stopped as the shell's Ctrl-Z would stop any program; taken back on its fg.
  struct sigaction stop {
  }, previous{};
  stop.sa_handler = SIG_DFL;
  sigemptyset(&stop.sa_mask);
  sigaction(SIGTSTP, &stop, &previous);
  raise(SIGTSTP);
  sigaction(SIGTSTP, &previous, nullptr);
  resume();
  continued.store(false);  // every mode is set again already
}

bool Screen::retakeIfContinued() {
  if (!continued.exchange(false) || !active || !active->started_) return false;
  // Stopped from outside (kill -TSTP, or SIGSTOP, which nothing sees) and continued: the shell
  // has had the terminal meanwhile. Every mode the program runs with is set again: the line
  // modes, the keypad, the alternate screen, mouse reports, bracketed paste; the screen redrawn.
  endwin();
  reset_prog_mode();
  sendPasteMode(true);
  clearok(curscr, TRUE);
  refresh();
  return true;
}

bool Screen::takeInterrupt() { return interrupted.exchange(false); }
bool Screen::interruptPending() { return interrupted.load(); }

}  // namespace tui
