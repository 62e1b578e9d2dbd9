// A display (vwin::Display) for tests and headless runs: it records beeps and message boxes,
// answers message boxes from a queue (then a default answer), scripts the Esc key, hands modal
// dialogs to a pluggable driver, and names an active window.
//
// Beeps and message boxes are also forwarded, as beep and messagebox events, to a message window
// when one is attached, so they appear among its groups and entries in the order they happened.
// Esc: GetAsyncKeyState(VK_ESCAPE) reads "pressed" (0x8001) at the query numbers scripted with
// pressEscapeAtQuery (counted from 1 over the display's life) and at the first query after
// pressEscape; otherwise 0. Other keys read 0.
// Ownership: the display keeps one reference to an attached message window. The creator owns the
// display and keeps it alive while it is installed with VwinSetDisplay.
// Threading: beep, messageBox, asyncKeyState and pressEscape may be called on any thread;
// pressEscape is a lone atomic store (safe from a signal handler).
// Tested by tests/host/posix/host_display_test.cpp.
#ifndef VANTREL_HOST_RECORDING_DISPLAY_H_
#define VANTREL_HOST_RECORDING_DISPLAY_H_

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "host/ide/message_window.h"
#include "win32/user32/display.h"

namespace host {

struct MessageBoxRecord {
  HWND owner = nullptr;
  std::string text;
  std::string caption;
  UINT type = 0;
  int answer = 0;
  bool operator==(const MessageBoxRecord&) const = default;
};

class RecordingDisplay : public vwin::Display {
 public:
  // Drives one modal dialog; answers false when it cannot.
  using ModalDriver = std::function<bool(HWND dialog)>;

  // Forwards to `window` when given (a reference is taken).
  explicit RecordingDisplay(MessageWindow* window = nullptr);
  ~RecordingDisplay() override;
  RecordingDisplay(const RecordingDisplay&) = delete;
  RecordingDisplay& operator=(const RecordingDisplay&) = delete;

  void beep(UINT type) override;
  int messageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type) override;
  bool runModal(HWND dialog) override;
  SHORT asyncKeyState(int virtualKey) override;
  HWND activeWindow() override;

  // Script.
  void setDefaultAnswer(int answer);
  void queueAnswer(int answer);
  void pressEscapeAtQuery(int query);
  void pressEscape() { escapePending_.store(true); }
  void setModalDriver(ModalDriver driver);
  void setActiveWindow(HWND window);

  // Record.
  std::vector<UINT> beeps() const;
  std::vector<MessageBoxRecord> messageBoxes() const;
  int escapeQueries() const;
  int modalRuns() const;

 private:
  MessageWindow* window_;
  mutable std::mutex mutex_;
  std::vector<UINT> beeps_;
  std::vector<MessageBoxRecord> boxes_;
  std::deque<int> answers_;
  int defaultAnswer_ = IDOK;
  std::set<int> escapeAt_;
  int escapeQueries_ = 0;
  std::atomic<bool> escapePending_{false};
  ModalDriver driver_;
  int modalRuns_ = 0;
  HWND active_ = nullptr;
};

}  // namespace host

#endif  // VANTREL_HOST_RECORDING_DISPLAY_H_
