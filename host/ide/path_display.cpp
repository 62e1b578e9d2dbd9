// Showing the add-on's file paths (see host/ide/path_display.h).
// Tested by tests/host/ide/host_message_window_test.cpp.
#include "host/ide/path_display.h"

#include <mutex>

#include "win32/kernel32/paths.h"

namespace host {
namespace {

// The name the file object opened last, when it opened it as spelled.
struct OpenedAsSpelled {
  std::mutex mutex;
  std::string name;
};

OpenedAsSpelled& openedAsSpelled() {
  static OpenedAsSpelled* opened = new OpenedAsSpelled;  // file objects may outlive statics
  return *opened;
}

bool wasOpenedAsSpelled(const std::string& path) {
  OpenedAsSpelled& o = openedAsSpelled();
  std::lock_guard<std::mutex> lock(o.mutex);
  return o.name == path;
}

}  // namespace

void noteOpenedAsSpelled(const std::string& windowsPath) {
  OpenedAsSpelled& o = openedAsSpelled();
  std::lock_guard<std::mutex> lock(o.mutex);
  o.name.assign(windowsPath);
}

const std::string& PathDisplay::show(const std::string& path) {
  if (windowsPaths_) return path;
  if (cached_ && path == lastPath_) return lastShown_;
  char posix[4096];
  lastPath_ = path;
  bool mapped = wasOpenedAsSpelled(path)
                    ? VwinToPosixPathAsSpelled(path.c_str(), posix, sizeof posix)
                    : VwinToPosixPath(path.c_str(), posix, sizeof posix);
  if (mapped)
    lastShown_.assign(posix);
  else
    lastShown_.assign(path);
  cached_ = true;
  return lastShown_;
}

}  // namespace host
