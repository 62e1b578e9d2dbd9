// The size limit that lets a search take the files it refused as too large: just above the
// largest of them as they are now, never below the limit in force and never above
// host::kRaisedFileSizeCeiling (256 MiB: each file is read whole into memory while it is scanned,
// so a larger one is for --max-filesize, asked for knowingly).
// Threading: any thread. Tested by tests/host/tui/tui_page_test.cpp.
#ifndef VANTREL_HOST_TUI_SIZE_LIMIT_H_
#define VANTREL_HOST_TUI_SIZE_LIMIT_H_

#include <string>
#include <vector>

namespace tui {

struct RaisedLimit {
  unsigned long bytes = 0;   // the new limit; 0 when none of the files can be looked at
  long long largest = -1;    // the largest file's size as it is now
  bool overCeiling = false;  // the largest is at the ceiling or above: bytes is the ceiling
};

// The limit for `files` (POSIX paths) over `current`.
RaisedLimit raisedLimit(const std::vector<std::string>& files, unsigned long current);

}  // namespace tui

#endif  // VANTREL_HOST_TUI_SIZE_LIMIT_H_
