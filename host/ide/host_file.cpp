// The host's file object (see host/ide/host_file.h).
// Tested by tests/host/ide/host_file_test.cpp.
#include "host/ide/host_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>

#include "host/ide/file_size_limit.h"
#include "host/ide/file_text.h"
#include "host/ide/path_display.h"
#include "win32/kernel32/paths.h"

namespace host {
namespace {

int openForReading(const char* path) {
  int fd;
  do {
    fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

}  // namespace

BOOL File::open(int mode) {
  (void)mode;  // the host holds no editor buffers: every mode reads the file on disk
  close();
  if (name_.empty()) return FALSE;
  // The name as spelled first: a search hands over names just listed, so the stat that the case
  // lookup makes would be wasted on nearly every file.
  char path[4096];
  if (!VwinToOpenablePath(name_.c_str(), path, sizeof path)) return FALSE;
  int fd = openForReading(path);
  if (fd >= 0) noteOpenedAsSpelled(name_);
  if (fd < 0 && (errno == ENOENT || errno == ENOTDIR)) {
    if (!VwinToPosixPath(name_.c_str(), path, sizeof path)) return FALSE;
    fd = openForReading(path);
  }
  try {
    posixPath_.assign(path);
  } catch (...) {
    posixPath_.clear();
  }
  if (fd < 0) return FALSE;
  struct stat status;
  if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    ::close(fd);
    return FALSE;
  }
  return adopt(fd, status.st_size);
}

BOOL File::adopt(int fd, long long size) {
  fd_ = fd;
  size_ = size;
  position_ = 0;
  if (readText()) {
    openHere_ = this;
    return TRUE;
  }
  close();
  return FALSE;
}

bool File::readText() {
  char head[3];
  LONG got = read(head, sizeof head);
  position_ = 0;
  if (got < 0) return false;
  ByteOrderMark mark = byteOrderMark(std::string_view(head, static_cast<size_t>(got)));
  if (mark == ByteOrderMark::kUtf8) {
    skip_ = 3;
    size_ -= 3;
  } else if (mark != ByteOrderMark::kNone) {
    long long least = leastConvertedSize(size_);
    if (least >= static_cast<long long>(fileSizeLimit().bytes) ||
        size_ > std::numeric_limits<LONG>::max()) {
      size_ = least;  // refused unread: converting would take more than the limit
      return true;
    }
    std::string raw;
    try {
      raw.resize(static_cast<size_t>(size_));
      if (read(raw.data(), static_cast<LONG>(raw.size())) != static_cast<LONG>(raw.size()))
        return false;
      toFileText(raw);
      text_.swap(raw);
    } catch (...) {
      return false;  // out of memory: the add-on says it cannot open the file
    }
    converted_ = true;
    size_ = static_cast<long long>(text_.size());
    position_ = 0;
  }
  return true;
}

File* File::shareOpen() const {
  if (fd_ < 0) return nullptr;
  File* copy = FilePool::take();
  if (!copy) return nullptr;
  copy->fd_ = fcntl(fd_, F_DUPFD_CLOEXEC, 0);
  copy->size_ = size_;
  copy->skip_ = skip_;
  copy->converted_ = converted_;
  bool whole = copy->fd_ >= 0;
  if (whole && converted_) {
    try {
      copy->text_ = text_;
    } catch (...) {
      whole = false;
    }
  }
  if (whole) return copy;
  copy->Release();  // closes the descriptor it got, if any
  return nullptr;
}

LONG File::read(void* buffer, LONG count) {
  if (fd_ < 0 || count < 0 || (!buffer && count > 0)) return -1;
  char* out = static_cast<char*>(buffer);
  if (converted_) {
    long long left = position_ < size_ ? size_ - position_ : 0;
    LONG done = static_cast<LONG>(count < left ? count : left);
    if (done > 0) std::memcpy(out, text_.data() + position_, static_cast<size_t>(done));
    position_ += done;
    return done;
  }
  LONG done = 0;
  while (done < count) {
    ssize_t n = pread(fd_, out + done, static_cast<size_t>(count - done), skip_ + position_ + done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    done += static_cast<LONG>(n);
  }
  position_ += done;
  return done;
}

LONG File::seek(LONG offset, int origin) {
  if (fd_ < 0) return -1;
  LONG target = seekTarget(position_, size_, offset, origin);
  if (target >= 0) position_ = target;
  return target;
}

void File::close() {
  if (openHere_ == this) openHere_ = nullptr;
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  size_ = 0;
  position_ = 0;
  skip_ = 0;
  converted_ = false;
  std::string().swap(text_);
}

}  // namespace host
