// The message window as plain lines (see host/ide/text_sink.h).
// Tested by tests/host_message_window_test.cpp.
#include "host/ide/text_sink.h"

#include <charconv>

#include "host/ide/text_encoding.h"

namespace host {
namespace {

void appendNumber(std::string& out, int value) {
  char digits[16];
  auto result = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, result.ptr);
}

}  // namespace

void TextSink::event(const MessageEvent& event) {
  line_.clear();
  switch (event.kind) {
    case MessageEvent::Kind::Heading:
      appendTerminalText(line_, event.text);
      break;
    case MessageEvent::Kind::Entry:
      if (event.file) {
        // A file's hits come one after another: its path is shown and escaped once.
        if (!pathKnown_ || *event.file != lastFile_) {
          lastFile_ = *event.file;
          shownFile_.clear();
          appendTerminalText(shownFile_, paths_.show(lastFile_));
          pathKnown_ = true;
        }
        line_ += shownFile_;
        line_.push_back(':');
        appendNumber(line_, event.line);
        line_.push_back(':');
        appendNumber(line_, event.column);
        line_ += ": ";
      } else {
        line_ = "  ";
      }
      appendTerminalText(line_, event.text);
      break;
    default:
      return;
  }
  line_.push_back('\n');
  out_.write(line_.data(), static_cast<std::streamsize>(line_.size()));
  if (options_.flushEachLine) out_.flush();
}

}  // namespace host
