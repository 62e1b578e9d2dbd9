// The files with hits, listed or counted (see host/ide/file_list_sink.h).
// Tested by tests/host/cli/command_e2e_test.cpp.
#include "host/ide/file_list_sink.h"

#include "host/ide/text_encoding.h"

namespace host {

bool FileListSink::writesFor(const MessageEvent& event) const {
  if (form_ == Form::kFiles) return newFile(event);
  return hits_ > 0 && (event.kind == MessageEvent::Kind::Group ||
                       event.kind == MessageEvent::Kind::Heading || newFile(event));
}

void FileListSink::endFile() {
  if (hits_ == 0) return;
  line_.clear();
  appendTerminalText(line_, paths_.show(file_));
  line_ += ':' + std::to_string(hits_) + '\n';
  hits_ = 0;
  out_.write(line_.data(), static_cast<std::streamsize>(line_.size()));
  if (options_.flushEachLine) out_.flush();
}

void FileListSink::event(const MessageEvent& event) {
  using Kind = MessageEvent::Kind;
  if (form_ == Form::kCounts && (event.kind == Kind::Group || event.kind == Kind::Heading))
    endFile();
  if (event.kind != Kind::Entry || !event.file) return;
  if (event.group != group_) {
    endFile();
    group_ = event.group;
    file_ = *event.file;
    if (form_ == Form::kFiles) {
      line_.clear();
      appendTerminalText(line_, paths_.show(file_));
      line_.push_back('\n');
      out_.write(line_.data(), static_cast<std::streamsize>(line_.size()));
      if (options_.flushEachLine) out_.flush();
    }
  }
  if (form_ == Form::kCounts) ++hits_;
}

void FileListSink::flush() {
  endFile();
  out_.flush();
}

}  // namespace host
