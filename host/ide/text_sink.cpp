// The message window as plain lines (see host/ide/text_sink.h).
// Tested by tests/host/ide/host_message_window_test.cpp and tests/host/cli/command_e2e_test.cpp.
#include "host/ide/text_sink.h"

#include <algorithm>
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

bool TextSink::writesFor(const MessageEvent& event) const {
  using Kind = MessageEvent::Kind;
  if (form_ == Form::kVimgrep) return event.kind == Kind::Entry && event.file;
  return event.kind == Kind::Heading || event.kind == Kind::Entry || event.kind == Kind::Context ||
         event.kind == Kind::Break;
}

void TextSink::appendFile(const std::string& file) {
  if (!pathKnown_ || file != lastFile_) {
    lastFile_ = file;
    shownFile_.clear();
    appendTerminalText(shownFile_, paths_.show(lastFile_));
    pathKnown_ = true;
  }
  line_ += shownFile_;
}

void TextSink::event(const MessageEvent& event) {
  if (!writesFor(event)) return;
  line_.clear();
  switch (event.kind) {
    case MessageEvent::Kind::Heading: {
      // A file's heading ends with its file as the add-on spelled it: that part is shown as the
      // entries below show theirs, so one output holds one form of path.
      std::string_view text = event.text;
      if (event.file && !options_.windowsPaths && text.ends_with(*event.file)) {
        appendTerminalText(line_, text.substr(0, text.size() - event.file->size()));
        appendFile(*event.file);
      } else {
        appendTerminalText(line_, text);
      }
      break;
    }
    case MessageEvent::Kind::Entry:
      if (event.file) {
        appendFile(*event.file);
        line_.push_back(':');
        appendNumber(line_, event.line);
        line_.push_back(':');
        appendNumber(line_, event.column);
        line_ += form_ == Form::kVimgrep ? ":" : ": ";
      } else {
        line_ = "  ";
      }
      appendTerminalText(line_, event.text);
      break;
    case MessageEvent::Kind::Context:
      if (event.file) appendFile(*event.file);
      line_.push_back('-');
      appendNumber(line_, event.line);
      line_.push_back('-');
      // A tab shows as a space, as the add-on shows it in hit lines; other controls are escaped.
      if (event.text.find('\t') == std::string::npos) {
        appendTerminalText(line_, event.text);
      } else {
        untabbed_.assign(event.text);
        std::replace(untabbed_.begin(), untabbed_.end(), '\t', ' ');
        appendTerminalText(line_, untabbed_);
      }
      break;
    case MessageEvent::Kind::Break:
      line_ = "--";
      break;
    default:
      return;
  }
  line_.push_back('\n');
  // Straight into the stream's buffer: a line costs no sentry, and a million lines add up. A
  // failed stream writes nothing more and is marked bad, as its own write would do.
  auto size = static_cast<std::streamsize>(line_.size());
  if (!out_.good() || out_.rdbuf()->sputn(line_.data(), size) != size)
    out_.setstate(std::ios::badbit);
  if (options_.flushEachLine) out_.flush();
}

}  // namespace host
