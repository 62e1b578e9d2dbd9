// Decoding the terminal's keys (see host/tui/tui_keys.h).
// Tested by tests/host/tui/tui_app_test.cpp.
#include "host/tui/tui_keys.h"

#include <curses.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

#include "host/tui/tui_screen.h"

namespace tui {
namespace {

constexpr int kSlice = 100;  // ms: how long a wait for a key goes before it looks at signals

// While curses reads, the terminal is read without blocking (curses still waits for a first key
// as long as it is asked to): curses reads the rest of a mouse report straight from the terminal,
// and a report cut short would otherwise take the keys typed next as its own. Nothing is written
// to the terminal meanwhile, which may share the setting with the input.
class NonBlockingInput {
 public:
  NonBlockingInput() : flags_(fcntl(STDIN_FILENO, F_GETFL)) {
    made_ = flags_ >= 0 && !(flags_ & O_NONBLOCK) &&
            fcntl(STDIN_FILENO, F_SETFL, flags_ | O_NONBLOCK) == 0;
  }
  ~NonBlockingInput() {
    if (made_) fcntl(STDIN_FILENO, F_SETFL, flags_);
  }
  NonBlockingInput(const NonBlockingInput&) = delete;
  NonBlockingInput& operator=(const NonBlockingInput&) = delete;

 private:
  int flags_;
  bool made_ = false;
};

Key make(Key::Type type, int code = 0, bool alt = false, bool shift = false) {
  Key key;
  key.type = type;
  key.code = code;
  key.alt = alt;
  key.shift = shift;
  return key;
}

// A CSI or SS3 sequence curses did not know (the terminal's description lacks it): read its
// parameters and final byte, which are already in the input.
Key decodeSequence(int introducer) {
  int parameters[4] = {0, 0, 0, 0};
  int count = 0;
  int c = 0;
  timeout(0);
  while ((c = getch()) != ERR) {
    if (c >= '0' && c <= '9') {
      if (count == 0) count = 1;
      parameters[count - 1] = parameters[count - 1] * 10 + (c - '0');
    } else if (c == ';') {
      if (count == 0) count = 1;
      if (count < 4) ++count;
    } else {
      break;
    }
  }
  if (c == ERR) return make(Key::kChar, introducer, true);
  // The modifier parameter is 1 + (shift 1, alt 2, ctrl 4).
  bool alt = count >= 2 && ((parameters[1] - 1) & 2);
  bool shift = count >= 2 && ((parameters[1] - 1) & 1);
  switch (c) {
    case 'A':
      return make(Key::kUp, 0, alt);
    case 'B':
      return make(Key::kDown, 0, alt);
    case 'C':
      return make(Key::kRight, 0, alt, shift);
    case 'D':
      return make(Key::kLeft, 0, alt, shift);
    case 'H':
      return make(Key::kHome, 0, alt, shift);
    case 'F':
      return make(Key::kEnd, 0, alt, shift);
    case 'Z':
      return make(Key::kBackTab);
    case 'P':
      return make(Key::kFunction, 1, alt);
    case 'Q':
      return make(Key::kFunction, 2, alt);
    case 'R':
      return make(Key::kFunction, 3, alt);
    case 'S':
      return make(Key::kFunction, 4, alt);
    case '~':
      switch (parameters[0]) {
        case 1:
        case 7:
          return make(Key::kHome, 0, alt, shift);
        case 4:
        case 8:
          return make(Key::kEnd, 0, alt, shift);
        case 3:
          return make(Key::kDelete, 0, alt);
        case 5:
          return make(Key::kPageUp, 0, alt);
        case 6:
          return make(Key::kPageDown, 0, alt);
        case 11:
        case 12:
        case 13:
        case 14:
          return make(Key::kFunction, parameters[0] - 10, alt);
        case 15:
          return make(Key::kFunction, 5, alt);
        case 200:
          return make(Key::kPaste);
        case 201:
          return make(Key::kPasteEnd);
        default:
          break;
      }
      break;
    default:
      break;
  }
  return make(Key::kNone);
}

// A mouse event curses decoded; the button's release and other buttons are not acted on.
Key fromMouse() {
  MEVENT event;
  if (getmouse(&event) != OK) return make(Key::kNone);
  Key key;
  if (event.bstate & BUTTON1_PRESSED)
    key.type = Key::kClick;
  else if (event.bstate & BUTTON4_PRESSED)
    key = make(Key::kWheel, -1);
  else if (event.bstate & BUTTON5_PRESSED)
    key = make(Key::kWheel, 1);
  else
    return make(Key::kNone);
  key.row = event.y;
  key.col = event.x;
  return key;
}

Key fromCurses(int c) {
  switch (c) {
    case KEY_MOUSE:
      return fromMouse();
    case 3:
      return make(Key::kInterrupt);
    case '\r':
    case '\n':
    case KEY_ENTER:
      return make(Key::kEnter);
    case '\t':
      return make(Key::kTab);
    case KEY_BTAB:
      return make(Key::kBackTab);
    case KEY_BACKSPACE:
    case 127:
    case 8:
      return make(Key::kBackspace);
    case KEY_DC:
      return make(Key::kDelete);
    case KEY_UP:
      return make(Key::kUp);
    case KEY_DOWN:
      return make(Key::kDown);
    case KEY_LEFT:
      return make(Key::kLeft);
    case KEY_RIGHT:
      return make(Key::kRight);
    case KEY_HOME:
      return make(Key::kHome);
    case KEY_END:
      return make(Key::kEnd);
    case KEY_SLEFT:
      return make(Key::kLeft, 0, false, true);
    case KEY_SRIGHT:
      return make(Key::kRight, 0, false, true);
    case KEY_SHOME:
      return make(Key::kHome, 0, false, true);
    case KEY_SEND:
      return make(Key::kEnd, 0, false, true);
    case KEY_PPAGE:
      return make(Key::kPageUp);
    case KEY_NPAGE:
      return make(Key::kPageDown);
    case KEY_RESIZE:
      return make(Key::kResize);
    default:
      break;
  }
  if (c >= KEY_F(1) && c <= KEY_F(12)) return make(Key::kFunction, c - KEY_F(0));
  if (c >= 0 && c < 256) return make(Key::kChar, c);
  // Extended keys curses knows by name (Alt+Down is "kDN3").
  const char* name = keyname(c);
  if (name && name[0] == 'k' && name[1] && name[2] && name[3] == '3' && name[4] == '\0') {
    if (name[1] == 'D' && name[2] == 'N') return make(Key::kDown, 0, true);
    if (name[1] == 'U' && name[2] == 'P') return make(Key::kUp, 0, true);
  }
  return make(Key::kNone);
}

}  // namespace

unsigned long mouseEvents() { return BUTTON1_PRESSED | BUTTON4_PRESSED | BUTTON5_PRESSED; }

Key readKey(int timeoutMs) {
  if (Screen::retakeIfContinued()) return make(Key::kResize);
  if (Screen::takeInterrupt()) return make(Key::kInterrupt);
  // Waited for in slices: curses goes on waiting after a signal, and a continued program must
  // set its modes again before the next key, not after it.
  int c = ERR;
  for (int waited = 0;;) {
    int slice = timeoutMs < 0 ? kSlice : std::min(kSlice, timeoutMs - waited);
    {
      NonBlockingInput input;
      timeout(slice);
      c = getch();
    }
    if (c != ERR) break;
    if (Screen::retakeIfContinued()) return make(Key::kResize);
    if (Screen::takeInterrupt()) return make(Key::kInterrupt);
    waited += slice;
    if (timeoutMs >= 0 && waited >= timeoutMs) return make(Key::kNone);
  }
  NonBlockingInput input;
  if (c != 27) return fromCurses(c);
  // ESC alone is Escape; with more already there it is Alt or a sequence curses left to us.
  timeout(0);
  int next = getch();
  if (next == ERR) return make(Key::kEscape);
  if (next == 27) {
    // ESC then another sequence (a paste ending in ESC, then its end marker): the first is Esc
    // alone, the second starts the next key.
    ungetch(next);
    return make(Key::kEscape);
  }
  if (next == '[' || next == 'O') {
    Key key = decodeSequence(next);
    if (key.type != Key::kNone) return key;
    return make(Key::kNone);
  }
  Key key = fromCurses(next);
  key.alt = true;
  return key;
}

std::string readPaste() {
  std::string text;
  for (Key key = readKey(200); key.type != Key::kPasteEnd && key.type != Key::kNone;
       key = readKey(200)) {
    if (key.type == Key::kEnter || key.type == Key::kTab)
      text.push_back(' ');
    else if (key.type == Key::kChar && !key.alt && key.code >= 0x20 && key.code != 0x7F)
      text.push_back(static_cast<char>(key.code));
  }
  return text;
}

}  // namespace tui
