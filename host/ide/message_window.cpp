// The host's message window and its groups (see host/ide/message_window.h).
// Tested by tests/host/ide/host_message_window_test.cpp.
#include "host/ide/message_window.h"

#include "host/ide/host_string.h"

namespace host {

MessageWindow::MessageWindow() : RefCounted(IID_MessageWindowService) {}

MessageWindow::~MessageWindow() { flush(); }

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
    post(event);
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
    post(event);
  } catch (...) {
  }
}

void MessageWindow::flush() {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& sink : sinks_) {
    try {
      sink->flush();
    } catch (...) {
    }
  }
}

int MessageWindow::newGroup(MessageEvent event) {
  std::lock_guard<std::mutex> lock(mutex_);
  event.group = ++lastGroup_;
  postLocked(event);
  return event.group;
}

int MessageWindow::newHeading(MessageEvent event) {
  std::lock_guard<std::mutex> lock(mutex_);
  event.handle = ++lastHandle_;
  postLocked(event);
  return event.handle;
}

void MessageWindow::post(const MessageEvent& event) {
  std::lock_guard<std::mutex> lock(mutex_);
  postLocked(event);
}

void MessageWindow::postLocked(const MessageEvent& event) {
  if (keep_) events_.push_back(event);
  for (auto& sink : sinks_) sink->event(event);
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
    window_->post(event);
  } catch (...) {
    // A lost entry on exhaustion; the add-on ignores addEntry's outcome anyway.
  }
}

}  // namespace host
