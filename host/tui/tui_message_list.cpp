// The front end's rows of the message window (see host/tui/tui_message_list.h).
// Tested by tests/tui_message_list_test.cpp.
#include "host/tui/tui_message_list.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

#include "host/ide/text_encoding.h"

namespace tui {

void MessageList::event(const host::MessageEvent& event) {
  using Kind = host::MessageEvent::Kind;
  if (event.kind != Kind::Heading && event.kind != Kind::Entry) return;
  try {
    Row row;
    if (event.kind == Kind::Heading) {
      row.kind = Row::kHeading;
      host::appendTerminalText(row.shown, event.text);
    } else if (event.file) {
      row.kind = Row::kHit;
      // The path mappings are used only here, one event at a time (the message window's lock).
      const std::string& file = paths_.show(*event.file);
      row.path = windowsPaths_ ? posixPaths_.show(*event.file) : file;
      host::appendTerminalText(row.file, file);
      row.line = event.line;
      row.column = event.column;
      row.shown = "  " + std::to_string(event.line) + ":" + std::to_string(event.column) + ": ";
      host::appendTerminalText(row.shown, event.text);
      row.quickfix =
          row.file + ":" + std::to_string(event.line) + ":" + std::to_string(event.column) + ": ";
      host::appendTerminalText(row.quickfix, event.text);
    } else {
      row.kind = Row::kNote;
      row.shown = "  ";
      host::appendTerminalText(row.shown, event.text);
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (row.kind == Row::kHit) ++hits_;
    rows_.push_back(std::move(row));
    ++version_;
  } catch (...) {
    // Out of memory: the row is lost, the search goes on.
  }
}

void MessageList::addLine(const std::string& text) {
  try {
    Row row;
    host::appendTerminalText(row.shown, text);
    std::lock_guard<std::mutex> lock(mutex_);
    rows_.push_back(std::move(row));
    ++version_;
  } catch (...) {
    // Out of memory: the row is lost.
  }
}

size_t MessageList::size() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return rows_.size();
}

Row MessageList::row(size_t index) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return index < rows_.size() ? rows_[index] : Row();
}

std::vector<Row> MessageList::rows(size_t first, size_t count) const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<Row> out;
  for (size_t i = first; i < rows_.size() && i < first + count; ++i) out.push_back(rows_[i]);
  return out;
}

unsigned long MessageList::version() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return version_;
}

size_t MessageList::hitCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return hits_;
}

long MessageList::writeQuickfix(const std::string& path) const {
  std::string text;
  long lines = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const Row& row : rows_) {
      if (row.kind != Row::kHit) continue;
      text += row.quickfix;
      text += '\n';
      ++lines;
    }
  }
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) return -1;
  std::string_view rest = text;
  while (!rest.empty()) {
    ssize_t written = write(fd, rest.data(), rest.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      int saved = errno;
      close(fd);
      errno = saved;
      return -1;
    }
    rest.remove_prefix(static_cast<size_t>(written));
  }
  if (close(fd) != 0) return -1;
  return lines;
}

}  // namespace tui
