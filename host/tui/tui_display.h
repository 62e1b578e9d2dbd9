// The terminal's vwin::Display: what the layer's beeps, message boxes, modal dialogs, Esc key
// state and drawn status window become on the full-screen front end.
//
// A dialog runs as a box over the screen driven by keys (host/tui/tui_dialog_view.h); a message box
// likewise (host/tui/tui_message_box.h). GetAsyncKeyState(VK_ESCAPE) reads the keys already typed
// without waiting: Esc or Ctrl-C since the previous query reads "pressed" (0x8001); a resize is
// handled on the way; other keys typed during a blocking search are kept, in order, for the front
// end to act on once the search ends (a paste and the mouse are dropped: they would act on a
// screen that has moved on, or as keys), except that while none is waiting the front end may act
// on one at once (a movement key, between two files). A drawn status
// window is shown in the bottom row, with the message window's new rows above it, so a blocking
// search shows its progress; the screen follows at most every 15 ms (the add-on draws for
// every file).
// Ownership: the front end owns the display and installs it while the screen is up.
// Threading: the thread that made the display owns the screen. beep and surfaceChanged from
// another thread (a worker search) are remembered and done by the front end's loop; a message
// box asked from another thread answers 0 (it cannot be shown there).
// Tested by tests/host/tui/tui_app_test.cpp.
#ifndef VANTREL_HOST_TUI_DISPLAY_H_
#define VANTREL_HOST_TUI_DISPLAY_H_

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <thread>

#include "host/tui/tui_dialog_view.h"
#include "host/tui/tui_keys.h"
#include "host/tui/tui_screen.h"
#include "win32/user32/display.h"

namespace tui {

class TerminalDisplay final : public vwin::Display {
 public:
  // `repaint` draws the whole screen (message window and bottom row) without refreshing;
  // `statusWindow` is the window shown in the bottom row while a search draws into it.
  TerminalDisplay(Screen& screen, HWND statusWindow, std::function<void()> repaint);

  void beep(UINT type) override;
  int messageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type) override;
  bool runModal(HWND dialog) override;
  SHORT asyncKeyState(int virtualKey) override;
  void surfaceChanged(HWND window) override;
  HWND activeWindow() override { return nullptr; }

  // The next key typed during a blocking search and kept, if any.
  bool takeTypedKey(Key* key);
  // For the front end's loop: beeps asked from other threads, done now.
  void flushBeeps();
  // While the tool runs on this thread, the bottom row shows the status window once the add-on
  // has drawn into it (a blocking search's progress bar).
  void setSearching(bool searching) {
    searching_ = searching;
    statusDrawn_ = false;
  }
  bool statusDrawn() const { return searching_ && statusDrawn_; }
  // Whether a modal dialog, or a message box, is open.
  bool inDialog() const { return inDialog_; }
  bool inBox() const { return inBox_; }
  // Called after a resize was read during a search.
  void setResizeHandler(std::function<void()> handler) { onResize_ = std::move(handler); }
  // Asked, while no typed key is waiting, whether it acted on a key typed during a search at once
  // (then it is not kept).
  void setSearchKeyHandler(std::function<bool(const Key&)> handler) {
    searchKey_ = std::move(handler);
  }
  // Called once, with the next dialog, before its keys are read.
  void setFirstDialogHandler(std::function<void(HWND)> handler) {
    firstDialog_ = std::move(handler);
  }
  // What dialogs show under a control (host/tui/tui_dialog_view.h).
  void setDialogNote(DialogNote note) { dialogNote_ = std::move(note); }
  // The next message box is not shown: `answer` is its answer (the stop question a live query
  // answers Yes).
  void answerNextBox(int answer) { boxAnswer_ = answer; }
  // Called with every dialog that ends with OK, while its controls still hold what was confirmed.
  void setConfirmedHandler(std::function<void(HWND)> handler) { confirmed_ = std::move(handler); }

 private:
  bool onOwnThread() const { return std::this_thread::get_id() == owner_; }

  Screen& screen_;
  HWND statusWindow_;
  std::function<void()> repaint_;
  std::function<void()> onResize_;
  std::function<bool(const Key&)> searchKey_;
  std::function<void(HWND)> firstDialog_;
  std::function<void(HWND)> confirmed_;
  DialogNote dialogNote_;
  std::thread::id owner_;
  std::atomic<int> pendingBeeps_{0};
  std::deque<Key> typed_;  // kept while a blocking search runs; bounded by kMostTyped
  static constexpr size_t kMostTyped = 256;
  bool escapePressed_ = false;
  bool searching_ = false;
  bool statusDrawn_ = false;
  bool inDialog_ = false;
  bool inBox_ = false;
  int boxAnswer_ = 0;  // 0: ask
  static constexpr std::chrono::milliseconds kRedrawInterval{15};
  std::chrono::steady_clock::time_point lastRedraw_{};
};

}  // namespace tui

#endif  // VANTREL_HOST_TUI_DISPLAY_H_
