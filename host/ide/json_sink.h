// The message window as JSON lines (the command's json format): one object per event, in order,
// with the keys in this order:
//   {"event":"group","group":G,"title":T,"tool":"Vantrel"}
//   {"event":"heading","group":G,"handle":H,"file":F|null,"text":T}
//   {"event":"entry","group":G,"parent":H,"text":T,"file":F|null,"line":L,"column":C,"kind":5}
//   {"event":"beep","type":N}
//   {"event":"messagebox","text":T,"caption":C,"type":N,"answer":A}
//   {"event":"context","group":G,"file":F,"line":L,"text":T}  (a line around a hit, when asked)
// Every group is written, also one that stays empty (every call of the add-on is an event).
// Texts are UTF-8 (host/ide/text_encoding.h); files are shown as host/ide/path_display.h says.
// Ownership: the stream is the caller's and must outlive the sink.
// Threading: called under the message window's lock.
// Tested by tests/host/ide/host_message_window_test.cpp.
#ifndef VANTREL_HOST_JSON_SINK_H_
#define VANTREL_HOST_JSON_SINK_H_

#include <ostream>

#include "host/ide/message_event.h"
#include "host/ide/path_display.h"
#include "host/ide/sink_options.h"

namespace host {

class JsonSink final : public MessageSink {
 public:
  JsonSink(std::ostream& out, SinkOptions options)
      : out_(out), options_(options), paths_(options.windowsPaths) {}
  void event(const MessageEvent& event) override;
  bool writesFor(const MessageEvent& event) const override;
  void flush() override { out_.flush(); }

  // The line for one event, without the newline (empty for a break between context runs).
  std::string format(const MessageEvent& event);

 private:
  std::ostream& out_;
  SinkOptions options_;
  PathDisplay paths_;
};

}  // namespace host

#endif  // VANTREL_HOST_JSON_SINK_H_
