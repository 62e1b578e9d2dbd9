// One file's text as the search saw it, split into its lines: read whole (up to 16 MiB, UTF-16
// converted, no byte-order mark) and split where the search splits lines, at CR, LF, CR LF or
// LF CR; a last line end starts no line of its own. The file is read again when the one on disk
// changed (its size, times or identity) since; one that cannot be read, or is no longer there,
// says why.
// Ownership: keeps the last file loaded. Threading: one thread at a time.
// Tested by tests/host/tui/tui_results_test.cpp (the preview and the list's highlighted matches).
#ifndef VANTREL_HOST_TUI_FILE_LINES_H_
#define VANTREL_HOST_TUI_FILE_LINES_H_

#include <sys/types.h>

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace tui {

class FileLines {
 public:
  // Makes `path` the file read (read again only when it changed); false when it cannot be read.
  bool load(const std::string& path);
  // Why the last load failed ("No longer on disk: PATH"), or "".
  const std::string& error() const { return error_; }
  long count() const { return static_cast<long>(lineEnds_.size()); }
  // The whole text read (the lines lie inside it).
  std::string_view text() const { return text_; }
  // Line `number` (1-based, at most count()), its line end left out.
  std::string_view line(long number) const {
    size_t start = lineStarts_[static_cast<size_t>(number - 1)];
    return std::string_view(text_).substr(start,
                                          lineEnds_[static_cast<size_t>(number - 1)] - start);
  }

 private:
  // What the file on disk was when it was read.
  struct Stamp {
    bool present = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    time_t modified = 0;
    long modifiedNs = 0;
    time_t changed = 0;
    long changedNs = 0;
    bool operator==(const Stamp&) const = default;
  };

  std::string path_;
  Stamp stamp_;
  std::string error_;
  std::string text_;
  std::vector<size_t> lineStarts_;
  std::vector<size_t> lineEnds_;  // where each line's text ends, its line end excluded
};

}  // namespace tui

#endif  // VANTREL_HOST_TUI_FILE_LINES_H_
