// The host's message window and its groups (see host/ide/message_window.h).
// Tested by tests/host/ide/host_message_window_test.cpp.
#include "host/ide/message_window.h"

#include "host/ide/host_string.h"

namespace host {
namespace {

// The event each thread fills for the add-on's calls of one kind (a group, a heading, an entry):
// the add-on's strings trade their texts for its buffers (takeTextInto), so a file's group and
// each hit move their texts (a hit its line and its file's path) into the event and the event's
// old buffers into the reused strings, without an allocation. Sinks see it only during the call.
MessageEvent& reusedEvent(MessageEvent::Kind kind, int group) {
#ifdef _WIN32
  // Made once per thread and left at its end: in the MinGW build a thread_local destructor may
  // run after the runtime has freed the thread's storage of it, freeing the texts twice (see
  // host/ide/object_pool.h).
  thread_local MessageEvent* events = nullptr;
  if (!events) events = new MessageEvent[3];
#else
  thread_local MessageEvent events[3];
#endif
  MessageEvent& event = events[kind == MessageEvent::Kind::Group     ? 0
                               : kind == MessageEvent::Kind::Heading ? 1
                                                                     : 2];
  event.kind = kind;
  event.group = group;
  event.handle = 0;
  event.text.clear();
  event.tool.clear();
  event.line = 0;
  event.column = 0;
  event.entryKind = 0;
  event.type = 0;
  event.caption.clear();
  event.answer = 0;
  return event;
}

// The file of an event from a HostString argument; none for NULL.
void takeFileInto(HostString* argument, std::optional<std::string>& file) {
  if (!argument) {
    file.reset();
    return;
  }
  if (!file) file.emplace();
  takeTextInto(argument, *file);
}

}  // namespace

MessageWindow::MessageWindow() : RefCounted(IID_MessageWindowService) {}

MessageWindow::~MessageWindow() { flush(); }

MessageGroup* MessageWindow::openGroup(HostString* title, HostString* toolName) {
  MessageEvent& event = reusedEvent(MessageEvent::Kind::Group, 0);
  takeTextInto(title, event.text);
  takeTextInto(toolName, event.tool);
  Group* group = nullptr;
  try {
    group = GroupPool::take();
    if (!group) return nullptr;
    group->attach(this);
    group->setId(newGroup(event));
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

void MessageWindow::hitsHiddenByNul(const std::string& file) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& sink : sinks_) sink->hitsHiddenByNul(file);
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

int MessageWindow::newGroup(MessageEvent& event) {
  std::lock_guard<std::mutex> lock(mutex_);
  event.group = ++lastGroup_;
  postLocked(event);
  return event.group;
}

int MessageWindow::newHeading(MessageEvent& event) {
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

ULONG Group::Release() {
  bool last = false;
  ULONG left = dropReference(last);
  if (last) GroupPool::give(this);
  return left;
}

int Group::addHeading(HostString* file, HostString* text) {
  MessageEvent& event = reusedEvent(MessageEvent::Kind::Heading, id_);
  takeFileInto(file, event.file);
  takeTextInto(text, event.text);
  try {
    return window_->newHeading(event);
  } catch (...) {
    return 0;
  }
}

void Group::addEntry(int parent, HostString* text, HostString* file, int line, int column,
                     int kind) {
  MessageEvent& event = reusedEvent(MessageEvent::Kind::Entry, id_);
  takeTextInto(text, event.text);
  takeFileInto(file, event.file);
  try {
    event.handle = parent;
    event.line = line;
    event.column = column;
    event.entryKind = kind;
    window_->post(event);
  } catch (...) {
    // A lost entry on exhaustion; the add-on ignores addEntry's outcome anyway.
  }
}

}  // namespace host
