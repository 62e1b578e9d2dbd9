// The host's file object (see host/ide/host_file.h).
// Tested by tests/host_file_test.cpp.
#include "host/ide/host_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>

#include "host/ide/path_display.h"
#include "win32/kernel32/open_ahead.h"
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
  // Opened ahead for exactly this name by the layer's helper (win32/kernel32/open_ahead.h),
  // already known to be a regular file.
  long long aheadSize = 0;
  int ahead = VwinTakeOpenedAhead(name_.c_str(), &aheadSize);
  if (ahead >= 0) {
    noteOpenedAsSpelled(name_);  // opened ahead from the listing's own names
    posixPath_.clear();
    handBack_ = true;
    fd_ = ahead;
    size_ = aheadSize;
    position_ = 0;
    return TRUE;
  }
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
  fd_ = fd;
  size_ = status.st_size;
  position_ = 0;
  return TRUE;
}

LONG File::read(void* buffer, LONG count) {
  if (fd_ < 0 || count < 0 || (!buffer && count > 0)) return -1;
  char* out = static_cast<char*>(buffer);
  LONG done = 0;
  while (done < count) {
    ssize_t n = pread(fd_, out + done, static_cast<size_t>(count - done), position_ + done);
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
  // A read-only descriptor: nothing to lose on close, so one opened ahead goes back to be closed
  // off this thread.
  if (fd_ >= 0 && handBack_)
    VwinHandBackOpened(fd_);
  else if (fd_ >= 0)
    ::close(fd_);
  handBack_ = false;
  fd_ = -1;
  size_ = 0;
  position_ = 0;
}

}  // namespace host
