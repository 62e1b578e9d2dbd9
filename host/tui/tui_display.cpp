// The terminal's display (see host/tui/tui_display.h).
// Tested by tests/host/tui/tui_app_test.cpp.
#include "host/tui/tui_display.h"

#include <curses.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "host/tui/tui_dialog_input.h"
#include "host/tui/tui_keys.h"
#include "host/tui/tui_message_box.h"
#include "host/tui/tui_status_row.h"
#include "win32/include/winuser.h"
#include "win32/user32/dialog_input.h"

namespace tui {

TerminalDisplay::TerminalDisplay(Screen& screen, HWND statusWindow, std::function<void()> repaint)
    : screen_(screen),
      statusWindow_(statusWindow),
      repaint_(std::move(repaint)),
      owner_(std::this_thread::get_id()) {}

// The calls below come from the add-on through the layer: nothing may be thrown back.
void TerminalDisplay::beep(UINT) {
  if (onOwnThread() && screen_.started()) {
    ::beep();
    return;
  }
  pendingBeeps_.fetch_add(1);
}

void TerminalDisplay::flushBeeps() {
  if (pendingBeeps_.exchange(0) > 0) ::beep();
}

int TerminalDisplay::messageBox(HWND, LPCSTR text, LPCSTR caption, UINT type) {
  if (!onOwnThread() || !screen_.started()) return 0;
  if (int answer = boxAnswer_) {
    boxAnswer_ = 0;
    return answer;
  }
  try {
    inBox_ = true;
    int answer =
        runMessageBox(text ? text : "", caption ? caption : "", type, screen_.palette(), repaint_);
    inBox_ = false;
    return answer;
  } catch (...) {
    inBox_ = false;
    return 0;
  }
}

bool TerminalDisplay::runModal(HWND dialog) {
  if (!onOwnThread() || !screen_.started()) return false;
  try {
    inDialog_ = true;
    if (firstDialog_) {
      std::function<void(HWND)> first = std::move(firstDialog_);
      firstDialog_ = nullptr;
      first(dialog);
    }
    bool ran = runDialog(
        dialog, screen_.palette(), repaint_, [this] { screen_.stopForShell(); }, dialogNote_);
    inDialog_ = false;
    INT_PTR result = 0;
    if (ran && confirmed_ && VwinDialogEnded(dialog, &result) && result == IDOK) confirmed_(dialog);
    if (repaint_) repaint_();
    refresh();
    return ran;
  } catch (...) {
    inDialog_ = false;
    return false;
  }
}

SHORT TerminalDisplay::asyncKeyState(int virtualKey) {
  if (!onOwnThread() || !screen_.started()) return 0;
  // While it polls, the terminal is read without waiting: curses reads the rest of a mouse
  // report straight from the terminal, and a report half there (a click made while the search
  // runs) would otherwise hold the search until the rest came. A report cut so is dropped, as
  // every mouse event during a search is.
  int flags = fcntl(STDIN_FILENO, F_GETFL);
  bool madeNonBlocking =
      flags >= 0 && !(flags & O_NONBLOCK) && fcntl(STDIN_FILENO, F_SETFL, flags | O_NONBLOCK) == 0;
  try {
    // Everything typed so far is read now; only Esc (or Ctrl-C) counts, and Ctrl-Z, which stops
    // the program, search and all, as a shell job until its fg.
    for (Key key = readKey(0); key.type != Key::kNone; key = readKey(0)) {
      switch (key.type) {
        case Key::kEscape:
        case Key::kInterrupt:
          escapePressed_ = true;
          break;
        case Key::kResize:
          if (onResize_) onResize_();
          break;
        case Key::kPaste:
          readPaste();  // its text must not act as keys
          break;
        case Key::kClick:
        case Key::kWheel:
        case Key::kPasteEnd:
          break;
        default:
          if (key.type == Key::kChar && key.code == 26) break;
          if (typed_.empty() && searchKey_ && searchKey_(key)) break;
          if (typed_.size() < kMostTyped) typed_.push_back(key);
      }
      if (key.type == Key::kChar && key.code == 26) {
        if (madeNonBlocking) fcntl(STDIN_FILENO, F_SETFL, flags);  // the shell's, while stopped
        screen_.stopForShell();
        if (madeNonBlocking) fcntl(STDIN_FILENO, F_SETFL, flags | O_NONBLOCK);
        erase();
        if (repaint_) repaint_();
        refresh();
      }
    }
  } catch (...) {
  }
  if (madeNonBlocking) fcntl(STDIN_FILENO, F_SETFL, flags);
  if (virtualKey != VK_ESCAPE) return 0;
  bool pressed = escapePressed_;
  escapePressed_ = false;
  return pressed ? static_cast<SHORT>(0x8001) : 0;
}

bool TerminalDisplay::takeTypedKey(Key* key) {
  if (typed_.empty()) return false;
  *key = typed_.front();
  typed_.pop_front();
  return true;
}

void TerminalDisplay::surfaceChanged(HWND window) {
  if (window != statusWindow_ || !onOwnThread() || !screen_.started() || !searching_) return;
  statusDrawn_ = true;
  // The add-on redraws for every file: the terminal is brought up to date at most every
  // kRedrawInterval, with the window's latest cells, so drawing never slows a search down much.
  auto now = std::chrono::steady_clock::now();
  if (now - lastRedraw_ < kRedrawInterval) return;
  lastRedraw_ = now;
  try {
    if (repaint_) repaint_();
    refresh();
  } catch (...) {
  }
}

}  // namespace tui
