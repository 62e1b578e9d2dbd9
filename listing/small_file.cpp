// Reading the listing rules' small files (see listing/small_file.h).
// Tested by tests/listing/listing_rules_test.cpp.
#include "listing/small_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace vlisting {

SmallFile readSmallFile(const std::string& path, std::string& text, bool followLink) {
  text.clear();
  // Looked at before it is opened: a FIFO's open would wait for a writer, a device's may do
  // anything, and neither is a file of rules.
  struct stat st;
  if ((followLink ? stat(path.c_str(), &st) : lstat(path.c_str(), &st)) != 0)
    return SmallFile::kMissing;
  if (S_ISLNK(st.st_mode)) return SmallFile::kLink;
  if (!S_ISREG(st.st_mode)) return SmallFile::kRefused;
  if (st.st_size > static_cast<off_t>(kSmallFileBytes)) return SmallFile::kRefused;
  // Opened without waiting, in case another kind of file took its place meanwhile.
  int fd = open(path.c_str(),
                O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | (followLink ? 0 : O_NOFOLLOW));
  if (fd < 0) return errno == ELOOP ? SmallFile::kLink : SmallFile::kMissing;
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
