// The message window as JSON lines (see host/ide/json_sink.h).
// Tested by tests/host_message_window_test.cpp.
#include "host/ide/json_sink.h"

#include <nlohmann/json.hpp>

#include "host/ide/text_encoding.h"

namespace host {

std::string JsonSink::format(const MessageEvent& event) {
  nlohmann::ordered_json line;
  auto file = [&](const std::optional<std::string>& path) {
    return path ? nlohmann::ordered_json(toUtf8(paths_.show(*path))) : nlohmann::ordered_json();
  };
  switch (event.kind) {
    case MessageEvent::Kind::Group:
      line["event"] = "group";
      line["group"] = event.group;
      line["title"] = toUtf8(event.text);
      line["tool"] = toUtf8(event.tool);
      break;
    case MessageEvent::Kind::Heading:
      line["event"] = "heading";
      line["group"] = event.group;
      line["handle"] = event.handle;
      line["file"] = file(event.file);
      line["text"] = toUtf8(event.text);
      break;
    case MessageEvent::Kind::Entry:
      line["event"] = "entry";
      line["group"] = event.group;
      line["parent"] = event.handle;
      line["text"] = toUtf8(event.text);
      line["file"] = file(event.file);
      line["line"] = event.line;
      line["column"] = event.column;
      line["kind"] = event.entryKind;
      break;
    case MessageEvent::Kind::Beep:
      line["event"] = "beep";
      line["type"] = event.type;
      break;
    case MessageEvent::Kind::MessageBox:
      line["event"] = "messagebox";
      line["text"] = toUtf8(event.text);
      line["caption"] = toUtf8(event.caption);
      line["type"] = event.type;
      line["answer"] = event.answer;
      break;
  }
  // Texts are valid UTF-8 by now; `replace` only guards against a fault in that conversion.
  return line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

void JsonSink::event(const MessageEvent& event) {
  std::string text = format(event);
  text.push_back('\n');
  out_.write(text.data(), static_cast<std::streamsize>(text.size()));
  if (options_.flushEachLine) out_.flush();
}

}  // namespace host
