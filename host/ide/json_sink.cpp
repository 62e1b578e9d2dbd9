// The message window as JSON lines (see host/ide/json_sink.h).
// Tested by tests/host/ide/host_message_window_test.cpp.
#include "host/ide/json_sink.h"

#include <nlohmann/json.hpp>

#include "host/ide/text_encoding.h"

namespace host {

std::string JsonSink::format(const MessageEvent& event) {
  nlohmann::ordered_json line;
  // A text whose bytes are not UTF-8 also gets them exactly, in base64 beside it ("file_bytes"
  // beside "file"), so a consumer can open a file whatever its name holds.
  auto text = [&](const char* key, const std::string& bytes) {
    line[key] = toUtf8(bytes);
    if (!isUtf8(bytes)) line[std::string(key) + "_bytes"] = toBase64(bytes);
  };
  auto file = [&](const std::optional<std::string>& path) {
    if (path)
      text("file", paths_.show(*path));
    else
      line["file"] = nullptr;
  };
  switch (event.kind) {
    case MessageEvent::Kind::Group:
      line["event"] = "group";
      line["group"] = event.group;
      text("title", event.text);
      text("tool", event.tool);
      break;
    case MessageEvent::Kind::Heading:
      line["event"] = "heading";
      line["group"] = event.group;
      line["handle"] = event.handle;
      file(event.file);
      text("text", event.text);
      break;
    case MessageEvent::Kind::Entry:
      line["event"] = "entry";
      line["group"] = event.group;
      line["parent"] = event.handle;
      text("text", event.text);
      file(event.file);
      line["line"] = event.line;
      line["column"] = event.column;
      line["kind"] = event.entryKind;
      break;
    case MessageEvent::Kind::Beep:
      line["event"] = "beep";
      line["type"] = event.type;
      break;
    case MessageEvent::Kind::Context:
      line["event"] = "context";
      line["group"] = event.group;
      file(event.file);
      line["line"] = event.line;
      text("text", event.text);
      break;
    case MessageEvent::Kind::Break:
      return std::string();
    case MessageEvent::Kind::MessageBox:
      line["event"] = "messagebox";
      text("text", event.text);
      text("caption", event.caption);
      line["type"] = event.type;
      line["answer"] = event.answer;
      break;
  }
  // Texts are valid UTF-8 by now; `replace` only guards against a fault in that conversion.
  return line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

bool JsonSink::writesFor(const MessageEvent& event) const {
  return event.kind != MessageEvent::Kind::Break;
}

void JsonSink::event(const MessageEvent& event) {
  if (!writesFor(event)) return;
  std::string text = format(event);
  text.push_back('\n');
  out_.write(text.data(), static_cast<std::streamsize>(text.size()));
  if (options_.flushEachLine) out_.flush();
}

}  // namespace host
