// Showing the add-on's file paths (see host/ide/path_display.h).
// Tested by tests/host_message_window_test.cpp.
#include "host/ide/path_display.h"

#include "win32/kernel32/paths.h"

namespace host {

const std::string& PathDisplay::show(const std::string& path) {
  if (windowsPaths_) return path;
  if (cached_ && path == lastPath_) return lastShown_;
  char posix[4096];
  lastPath_ = path;
  lastShown_ = VwinToPosixPath(path.c_str(), posix, sizeof posix) ? std::string(posix) : path;
  cached_ = true;
  return lastShown_;
}

}  // namespace host
