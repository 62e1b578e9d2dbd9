// The recording display for tests and headless runs (see host/posix/recording_display.h).
// Tested by tests/host/posix/host_display_test.cpp.
#include "host/posix/recording_display.h"

#include "win32/include/winuser.h"

namespace host {

RecordingDisplay::RecordingDisplay(MessageWindow* window) : window_(window) {
  if (window_) window_->AddRef();
}

RecordingDisplay::~RecordingDisplay() { release(window_); }

// The calls below come from the add-on through the layer: nothing may be thrown back.
void RecordingDisplay::beep(UINT type) {
  try {
    std::lock_guard<std::mutex> lock(mutex_);
    beeps_.push_back(type);
  } catch (...) {
  }
  if (window_) window_->beep(type);
}

int RecordingDisplay::messageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  MessageBoxRecord box;
  try {
    box.owner = owner;
    box.text = text ? text : "";
    box.caption = caption ? caption : "";
    box.type = type;
    std::lock_guard<std::mutex> lock(mutex_);
    if (answers_.empty()) {
      box.answer = defaultAnswer_;
    } else {
      box.answer = answers_.front();
      answers_.pop_front();
    }
    boxes_.push_back(box);
  } catch (...) {
  }
  if (window_) window_->messageBox(box.text, box.caption, type, box.answer);
  return box.answer;
}

bool RecordingDisplay::runModal(HWND dialog) {
  ModalDriver driver;
  try {
    std::lock_guard<std::mutex> lock(mutex_);
    ++modalRuns_;
    driver = driver_;
  } catch (...) {
    return false;
  }
  if (!driver) return false;
  try {
    return driver(dialog);
  } catch (...) {
    return false;
  }
}

SHORT RecordingDisplay::asyncKeyState(int virtualKey) {
  if (virtualKey != VK_ESCAPE) return 0;
  bool pressed = escapePending_.exchange(false);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++escapeQueries_;
    if (escapeAt_.count(escapeQueries_)) pressed = true;
  }
  return pressed ? static_cast<SHORT>(0x8001) : 0;
}

HWND RecordingDisplay::activeWindow() {
  std::lock_guard<std::mutex> lock(mutex_);
  return active_;
}

void RecordingDisplay::setDefaultAnswer(int answer) {
  std::lock_guard<std::mutex> lock(mutex_);
  defaultAnswer_ = answer;
}

void RecordingDisplay::queueAnswer(int answer) {
  std::lock_guard<std::mutex> lock(mutex_);
  answers_.push_back(answer);
}

void RecordingDisplay::pressEscapeAtQuery(int query) {
  std::lock_guard<std::mutex> lock(mutex_);
  escapeAt_.insert(query);
}

void RecordingDisplay::setModalDriver(ModalDriver driver) {
  std::lock_guard<std::mutex> lock(mutex_);
  driver_ = std::move(driver);
}

void RecordingDisplay::setActiveWindow(HWND window) {
  std::lock_guard<std::mutex> lock(mutex_);
  active_ = window;
}

std::vector<UINT> RecordingDisplay::beeps() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return beeps_;
}

std::vector<MessageBoxRecord> RecordingDisplay::messageBoxes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return boxes_;
}

int RecordingDisplay::escapeQueries() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return escapeQueries_;
}

int RecordingDisplay::modalRuns() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return modalRuns_;
}

}  // namespace host
