// A sink that keeps every event the message window reports, for tests to inspect.
//
// Ownership: shared (std::shared_ptr) between the test and the message window.
// Threading: events are added under the message window's lock and read by tests from any
// thread; the sink's own lock guards its list.
// Tested by tests/host/ide/host_message_window_test.cpp.
#ifndef VANTREL_HOST_RECORDING_SINK_H_
#define VANTREL_HOST_RECORDING_SINK_H_

#include <mutex>
#include <vector>

#include "host/ide/message_event.h"

namespace host {

class RecordingSink final : public MessageSink {
 public:
  void event(const MessageEvent& event) override {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back(event);
  }
  std::vector<MessageEvent> events() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return events_;
  }
  // The events of one kind, in order.
  std::vector<MessageEvent> events(MessageEvent::Kind kind) const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<MessageEvent> chosen;
    for (const MessageEvent& e : events_)
      if (e.kind == kind) chosen.push_back(e);
    return chosen;
  }
  void clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.clear();
  }

 private:
  mutable std::mutex mutex_;
  std::vector<MessageEvent> events_;
};

}  // namespace host

#endif  // VANTREL_HOST_RECORDING_SINK_H_
