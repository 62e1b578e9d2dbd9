// Reading the listing rules' small files (see listing/small_file.h).
// Tested by tests/listing/listing_rules_test.cpp.
#include "listing/small_file.h"

#include <fcntl.h>
#include <unistd.h>

namespace vlisting {

bool readSmallFile(const std::string& path, std::string& text) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  text.clear();
  char buffer[16384];
  for (ssize_t got; (got = read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, got);
  close(fd);
  return true;
}

}  // namespace vlisting
