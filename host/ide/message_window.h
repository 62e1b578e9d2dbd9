// The host's message window (MessageWindowService) and its groups (MessageGroup).
//
// The window keeps every event in order (groups, headings, entries, and the beeps and message
// boxes the display forwards) and hands each one, as it happens, to every sink. Group ids and
// heading handles are numbered from 1 in the order they are made, across the whole window, so a
// handle is never 0 (0 would mean "no heading" to the add-on).
// Ownership: a MessageWindow and each Group are born with one reference. A Group holds a
// reference to its window. Sinks are shared with whoever added them. Every HostString argument
// is released exactly once.
// Threading: every operation may be called from any thread (a worker search writes while the
// host's thread reads or flushes); one lock orders the events and the sink calls.
// Tested by tests/host/ide/host_message_window_test.cpp.
#ifndef VANTREL_HOST_MESSAGE_WINDOW_H_
#define VANTREL_HOST_MESSAGE_WINDOW_H_

#include <memory>
#include <mutex>
#include <vector>

#include "host/ide/message_event.h"
#include "host/ide/object_pool.h"
#include "host/ide/ref_counted.h"

namespace host {

class MessageWindow final : public RefCounted<MessageWindowService> {
 public:
  MessageWindow();
  // Flushes the sinks: what is buffered is written out at the end.
  ~MessageWindow() override;

  // Answers a new group, or NULL on exhaustion. Takes over both strings.
  MessageGroup* STDMETHODCALLTYPE openGroup(HostString* title, HostString* toolName) override;

  // Host side.
  void addSink(std::shared_ptr<MessageSink> sink);
  // Whether the window keeps its events (on by default; a long command-line run turns it off).
  void keepEvents(bool keep);
  // The events kept so far, in order.
  std::vector<MessageEvent> events() const;
  // A beep and a message box (with the answer it gave), as the display saw them.
  void beep(UINT type);
  void messageBox(const std::string& text, const std::string& caption, UINT type, int answer);
  // Flushes every sink.
  void flush();
  // Tells every sink of a file with hits hidden by a NUL byte (not kept as an event).
  void hitsHiddenByNul(const std::string& file);

  // For groups: records an event with a fresh group id or heading handle (set in `event`),
  // answering it.
  int newGroup(MessageEvent& event);
  int newHeading(MessageEvent& event);
  void post(const MessageEvent& event);

 private:
  void postLocked(const MessageEvent& event);

  mutable std::mutex mutex_;
  std::vector<std::shared_ptr<MessageSink>> sinks_;
  std::vector<MessageEvent> events_;
  bool keep_ = true;
  int lastGroup_ = 0;
  int lastHandle_ = 0;
};

// A released group is kept for the next file's (host/ide/object_pool.h).
class Group final : public RefCounted<MessageGroup> {
 public:
  Group() = default;
  ~Group() override { release(window_); }

  // Takes a reference to `window`, which a new group must get before any other call. The id is
  // given once the group's event is recorded.
  void attach(MessageWindow* window) {
    window->AddRef();
    release(window_);
    window_ = window;
  }
  ULONG STDMETHODCALLTYPE Release() override;

  // Takes over both strings; answers the heading's handle (never 0), or 0 on exhaustion.
  int STDMETHODCALLTYPE addHeading(HostString* file, HostString* text) override;
  // Takes over both strings.
  void STDMETHODCALLTYPE addEntry(int parent, HostString* text, HostString* file, int line,
                                  int column, int kind) override;

  int id() const { return id_; }
  void setId(int id) { id_ = id; }

 private:
  friend class ObjectPool<Group, 4>;
  void recycle() {
    release(window_);
    id_ = 0;
  }

  MessageWindow* window_ = nullptr;
  int id_ = 0;
};

using GroupPool = ObjectPool<Group, 4>;

}  // namespace host

#endif  // VANTREL_HOST_MESSAGE_WINDOW_H_
