// A file's lines (see host/tui/tui_file_lines.h).
// Tested by tests/host/tui/tui_results_test.cpp.
#include "host/tui/tui_file_lines.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "host/ide/file_lines.h"
#include "host/ide/file_text.h"

namespace tui {
namespace {

constexpr off_t kLargest = off_t{16} << 20;

}  // namespace

bool FileLines::load(const std::string& path) {
  // Read again when the file on disk is another than the one read: rewritten, emptied, replaced
  // or gone (an editor may have had it meanwhile).
  struct stat now {};
  Stamp stamp;
  int missing = stat(path.c_str(), &now) == 0 ? 0 : errno;
  if (missing == 0)
    stamp = {true,
             now.st_dev,
             now.st_ino,
             now.st_size,
             now.st_mtim.tv_sec,
             now.st_mtim.tv_nsec,
             now.st_ctim.tv_sec,
             now.st_ctim.tv_nsec};
  if (path == path_ && stamp == stamp_) return error_.empty();
  path_ = path;
  stamp_ = stamp;
  error_.clear();
  text_.clear();
  lineStarts_.assign(1, 0);
  lineEnds_.clear();
  if (missing == ENOENT) {
    error_ = "No longer on disk: " + path;
    return false;
  }
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  struct stat st;
  if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    error_ = std::string("Cannot read ") + path + ": " + std::strerror(fd < 0 ? errno : EINVAL);
  } else if (st.st_size > kLargest) {
    error_ = "Too large to show";
  } else {
    text_.resize(static_cast<size_t>(st.st_size));
    size_t got = 0;
    while (got < text_.size()) {
      ssize_t n = read(fd, text_.data() + got, text_.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      got += static_cast<size_t>(n);
    }
    text_.resize(got);
    host::toFileText(text_);  // the text the add-on searched: UTF-16 converted, no mark
    // Lines end as the search ends them: at CR, LF, CR LF or LF CR; a last line end starts no
    // line of its own.
    for (size_t i = 0; i < text_.size(); ++i) {
      char c = text_[i];
      if (c != '\r' && c != '\n') continue;
      lineEnds_.push_back(i);
      i += host::lineEndLength(text_.data(), text_.size(), i) - 1;
      if (i + 1 < text_.size()) lineStarts_.push_back(i + 1);
    }
  }
  if (lineEnds_.size() < lineStarts_.size()) lineEnds_.push_back(text_.size());
  if (fd >= 0) close(fd);
  return error_.empty();
}

}  // namespace tui
