// The host's message window and its groups (see host/ide/message_window.h).
// Tested by tests/host_message_window_test.cpp.
#include "host/ide/message_window.h"

#include <chrono>

#include "host/ide/host_string.h"

namespace host {

MessageWindow::MessageWindow() : RefCounted(IID_MessageWindowService) {}

MessageWindow::~MessageWindow() {
  flush();
  if (thread_.joinable()) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    queued_.notify_one();
    thread_.join();
  }
}

void MessageWindow::deliverOnThread() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!thread_.joinable()) thread_ = std::thread([this] { deliver(); });
}

void MessageWindow::deliver() {
  std::vector<MessageEvent> taken;
  std::vector<std::shared_ptr<MessageSink>> sinks;
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    // Events are taken in runs, or after a short while, or at once for a flush or the end.
    queued_.wait(lock, [this] { return stop_ || !queue_.empty(); });
    queued_.wait_for(lock, kLinger,
                     [this] { return stop_ || flushing_ > 0 || queue_.size() >= kRun; });
    if (queue_.empty()) {
      if (stop_) break;  // with everything delivered
      continue;
    }
    taken.swap(queue_);
    sinks = sinks_;
    delivering_ = true;
    lock.unlock();
    drained_.notify_all();  // room for the writers
    {
      std::lock_guard<std::mutex> calling(sinkMutex_);
      for (const MessageEvent& event : taken) {
        for (auto& sink : sinks) {
          try {
            sink->event(event);
          } catch (...) {
            // An event a sink could not take is lost to it; the others still get it.
          }
        }
      }
    }
    lock.lock();
    // The events go back to be freed by a thread that makes them: freeing the blocks of another
    // thread's heap contends with its allocations.
    if (spent_.empty()) taken.swap(spent_);
    taken.clear();
    delivering_ = false;
    drained_.notify_all();
  }
}

MessageGroup* MessageWindow::openGroup(HostString* title, HostString* toolName) {
  std::optional<std::string> titleText = takeText(title);
  std::optional<std::string> toolText = takeText(toolName);
  Group* group = nullptr;
  try {
    MessageEvent event;
    event.kind = MessageEvent::Kind::Group;
    if (titleText) event.text = std::move(*titleText);
    if (toolText) event.tool = std::move(*toolText);
    group = new Group(this);
    group->setId(newGroup(std::move(event)));
    return group;
  } catch (...) {
    if (group) group->Release();
    return nullptr;
  }
}

void MessageWindow::addSink(std::shared_ptr<MessageSink> sink) {
  std::lock_guard<std::mutex> lock(mutex_);
  sinks_.push_back(std::move(sink));
}

void MessageWindow::keepEvents(bool keep) {
  std::lock_guard<std::mutex> lock(mutex_);
  keep_ = keep;
}

std::vector<MessageEvent> MessageWindow::events() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return events_;
}

// Beeps and boxes come through the layer from the add-on's own calls: nothing may be thrown
// back at it, so a failing sink loses the event instead.
void MessageWindow::beep(UINT type) {
  try {
    MessageEvent event;
    event.kind = MessageEvent::Kind::Beep;
    event.type = type;
    post(std::move(event));
  } catch (...) {
  }
}

void MessageWindow::messageBox(const std::string& text, const std::string& caption, UINT type,
                               int answer) {
  try {
    MessageEvent event;
    event.kind = MessageEvent::Kind::MessageBox;
    event.text = text;
    event.caption = caption;
    event.type = type;
    event.answer = answer;
    post(std::move(event));
  } catch (...) {
  }
}

void MessageWindow::flush() {
  std::unique_lock<std::mutex> lock(mutex_);
  if (thread_.joinable()) {
    ++flushing_;
    queued_.notify_one();
    drained_.wait(lock, [this] { return queue_.empty() && !delivering_; });
    --flushing_;
  }
  std::lock_guard<std::mutex> calling(sinkMutex_);
  for (auto& sink : sinks_) {
    try {
      sink->flush();
    } catch (...) {
    }
  }
}

int MessageWindow::newGroup(MessageEvent event) {
  std::unique_lock<std::mutex> lock(mutex_);
  waitForRoomLocked(lock);
  int group = event.group = ++lastGroup_;
  postLocked(std::move(event));
  return group;
}

int MessageWindow::newHeading(MessageEvent event) {
  std::unique_lock<std::mutex> lock(mutex_);
  waitForRoomLocked(lock);
  int handle = event.handle = ++lastHandle_;
  postLocked(std::move(event));
  return handle;
}

void MessageWindow::post(MessageEvent event) {
  std::unique_lock<std::mutex> lock(mutex_);
  waitForRoomLocked(lock);
  postLocked(std::move(event));
}

// Before an event is numbered, so that the queue's order stays the numbers' order.
void MessageWindow::waitForRoomLocked(std::unique_lock<std::mutex>& lock) {
  if (thread_.joinable()) drained_.wait(lock, [this] { return queue_.size() < kQueuedEvents; });
}

void MessageWindow::postLocked(MessageEvent&& event) {
  std::vector<MessageEvent> spent;
  spent.swap(spent_);
  if (keep_) events_.push_back(event);
  if (!thread_.joinable()) {
    std::lock_guard<std::mutex> calling(sinkMutex_);
    for (auto& sink : sinks_) sink->event(event);
    return;
  }
  queue_.push_back(std::move(event));
  if (queue_.size() == 1 || queue_.size() == kRun) queued_.notify_one();
}

Group::Group(MessageWindow* window) : window_(window) { window_->AddRef(); }

Group::~Group() { window_->Release(); }

int Group::addHeading(HostString* file, HostString* text) {
  std::optional<std::string> fileText = takeText(file);
  std::optional<std::string> headingText = takeText(text);
  try {
    MessageEvent event;
    event.kind = MessageEvent::Kind::Heading;
    event.group = id_;
    event.file = std::move(fileText);
    if (headingText) event.text = std::move(*headingText);
    return window_->newHeading(std::move(event));
  } catch (...) {
    return 0;
  }
}

void Group::addEntry(int parent, HostString* text, HostString* file, int line, int column,
                     int kind) {
  std::optional<std::string> entryText = takeText(text);
  std::optional<std::string> fileText = takeText(file);
  try {
    MessageEvent event;
    event.kind = MessageEvent::Kind::Entry;
    event.group = id_;
    event.handle = parent;
    if (entryText) event.text = std::move(*entryText);
    event.file = std::move(fileText);
    event.line = line;
    event.column = column;
    event.entryKind = kind;
    window_->post(std::move(event));
  } catch (...) {
    // A lost entry on exhaustion; the add-on ignores addEntry's outcome anyway.
  }
}

}  // namespace host
