// Reading the listing rules' small files (see listing/small_file.h).
// Tested by tests/listing/listing_rules_test.cpp.
#include "listing/small_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "listing/system_path.h"

#ifdef _WIN32
// Windows has no links of the POSIX kind to tell, nor FIFOs to wait on; the bytes are read as
// they stand.
#define lstat stat
#define S_ISLNK(mode) false
#define O_CLOEXEC 0
#define O_NONBLOCK 0
#define O_NOCTTY 0
#define O_NOFOLLOW 0
#define ELOOP_OR_NONE (-1)
#else
#define O_BINARY 0
#define ELOOP_OR_NONE ELOOP
#endif

namespace vlisting {

SmallFile readSmallFile(const std::string& path, std::string& text, bool followLink) {
  text.clear();
  std::string opened = systemPath(path);
  // Looked at before it is opened: a FIFO's open would wait for a writer, a device's may do
  // anything, and neither is a file of rules.
  struct stat st;
  if ((followLink ? stat(opened.c_str(), &st) : lstat(opened.c_str(), &st)) != 0)
    return SmallFile::kMissing;
  if (S_ISLNK(st.st_mode)) return SmallFile::kLink;
  if (!S_ISREG(st.st_mode)) return SmallFile::kRefused;
  if (st.st_size > static_cast<off_t>(kSmallFileBytes)) return SmallFile::kRefused;
  // Opened without waiting, in case another kind of file took its place meanwhile.
  int fd = open(opened.c_str(), O_RDONLY | O_BINARY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY |
                                    (followLink ? 0 : O_NOFOLLOW));
  if (fd < 0) return errno == ELOOP_OR_NONE ? SmallFile::kLink : SmallFile::kMissing;
  SmallFile result = SmallFile::kRead;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    result = SmallFile::kRefused;
  } else {
    char buffer[16384];
    for (ssize_t got; (got = read(fd, buffer, sizeof buffer)) > 0;) {
      if (text.size() + static_cast<size_t>(got) > kSmallFileBytes) {  // it grew meanwhile
        result = SmallFile::kRefused;
        text.clear();
        break;
      }
      text.append(buffer, static_cast<size_t>(got));
    }
  }
  close(fd);
  return result;
}

}  // namespace vlisting
