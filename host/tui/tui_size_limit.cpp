// The raised size limit (see host/tui/tui_size_limit.h).
// Tested by tests/host/tui/tui_page_test.cpp.
#include "host/tui/tui_size_limit.h"

#include <sys/stat.h>

#include <algorithm>

#include "host/ide/file_size_limit.h"

namespace tui {

RaisedLimit raisedLimit(const std::vector<std::string>& files, unsigned long current) {
  RaisedLimit out;
  for (const std::string& file : files) {
    struct stat info {};
    if (stat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode))
      out.largest = std::max(out.largest, static_cast<long long>(info.st_size));
  }
  if (out.largest < 0) return out;
  // A file of the limit's size is refused: one byte more.
  long long wanted = std::max(out.largest + 1, static_cast<long long>(current));
  out.overCeiling = wanted > static_cast<long long>(host::kRaisedFileSizeCeiling);
  out.bytes = out.overCeiling ? host::kRaisedFileSizeCeiling : static_cast<unsigned long>(wanted);
  return out;
}

}  // namespace tui
