// The terminal the front end takes over: curses started on the controlling terminal, and the
// terminal given back in every way the program can end.
//
// start() saves the terminal's modes, enters curses (full screen, no echo, keys unbuffered and
// decoded, mouse reports on where the terminal has them) and installs handlers: SIGINT sets a
// flag the front end reads (Ctrl-C is a key here, not a way to die); SIGCONT one that has every
// mode set again at the next key read (the shell had the terminal while it was stopped); SIGTERM,
// SIGHUP and the crash signals (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT) put the terminal back
// (saved modes, mouse reports off, the terminal's exit sequences, written with async-signal-safe
// calls) and then end the process with the same signal. stop() ends curses and puts everything back
// as it was; the destructor calls it. suspend()/resume() hand the terminal to a child program (an
// editor) and take it back.
// Ownership: one Screen per process at a time. Threading: start/stop/suspend/resume on the
// front end's thread; the signal flag may be read anywhere.
// Tested by tests/host/tui/tui_app_test.cpp (through a terminal).
#ifndef VANTREL_HOST_TUI_SCREEN_H_
#define VANTREL_HOST_TUI_SCREEN_H_

#include "host/tui/tui_palette.h"

namespace tui {

class Screen {
 public:
  Screen() = default;
  ~Screen();
  Screen(const Screen&) = delete;
  Screen& operator=(const Screen&) = delete;

  // Answers false (nothing changed) when standard input/output is not a usable terminal.
  bool start();
  void stop();
  bool started() const { return started_; }

  void suspend();
  void resume();
  // Ctrl-Z: the terminal given back and the process stopped as a shell's job; when it is
  // continued, the terminal is taken back (the caller redraws).
  void stopForShell();

  // When the process was continued (SIGCONT) since the last call, whoever stopped it: sets every
  // mode of the started screen again and answers true (the caller redraws).
  static bool retakeIfContinued();

  // Whether Ctrl-C was pressed since the last call (the flag is cleared).
  static bool takeInterrupt();
  // Whether Ctrl-C is pending, without clearing it.
  static bool interruptPending();

  Palette& palette() { return palette_; }
  // Whether the locale's characters are UTF-8 (else the terminal gets ASCII stand-ins).
  bool unicode() const { return unicode_; }

 private:
  bool started_ = false;
  bool unicode_ = true;
  void* screen_ = nullptr;  // the curses SCREEN
  Palette palette_;
};

}  // namespace tui

#endif  // VANTREL_HOST_TUI_SCREEN_H_
