// Keys read from the terminal, decoded into what the front end acts on: characters, named keys,
// Alt with a letter (ESC prefix), Alt+Down however the terminal spells it, Shift with Left, Right,
// Home and End (curses' KEY_SLEFT... or the terminal's modifier parameter), Ctrl-C, a resize,
// and the mouse: a press of the left button and a notch of the wheel, at a cell.
//
// Threading: the thread that owns the curses screen. Tested by tests/host/tui/tui_app_test.cpp
// (keys typed into a terminal).
#ifndef VANTREL_HOST_TUI_KEYS_H_
#define VANTREL_HOST_TUI_KEYS_H_

#include <string>

namespace tui {

struct Key {
  enum Type {
    kNone,  // nothing arrived in time
    kChar,  // `code` is the character (a byte of the input)
    kEscape,
    kEnter,
    kTab,
    kBackTab,
    kBackspace,
    kDelete,
    kUp,
    kDown,
    kLeft,
    kRight,
    kHome,
    kEnd,
    kPageUp,
    kPageDown,
    kFunction,   // `code` is the number: F2 is 2
    kInterrupt,  // Ctrl-C
    kResize,
    kClick,  // the left button went down on cell (`row`, `col`)
    kWheel,  // the wheel turned a notch over (`row`, `col`): `code` -1 up, +1 down
    kPaste,  // a bracketed paste begins: its text follows as keys, then kPasteEnd
    kPasteEnd,
  };
  Type type = kNone;
  int code = 0;
  bool alt = false;
  bool shift = false;
  int row = -1;  // the cell of a mouse event, 0-based
  int col = -1;
};

// The mouse events the front end reads (curses' mask), and the terminal's sequence that stops its
// reports, for a signal handler to send (curses sends it on endwin).
unsigned long mouseEvents();
inline constexpr char kMouseOff[] = "\033[?1006l\033[?1000l";
// Bracketed paste (the terminal marks pasted text), asked for while the program runs.
inline constexpr char kPasteOn[] = "\033[?2004h";
inline constexpr char kPasteOff[] = "\033[?2004l";

// Waits up to `timeoutMs` for a key (-1: as long as it takes, 0: only what is already there).
Key readKey(int timeoutMs);

// After kPaste: the pasted text up to its end marker, line ends and tabs as blanks, other control
// keys left out, so nothing pasted can act as a key.
std::string readPaste();

}  // namespace tui

#endif  // VANTREL_HOST_TUI_KEYS_H_
