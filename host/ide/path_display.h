// How an output shows a file path the add-on passed: as the POSIX path of the file (the default),
// or as the add-on gave it (Windows form).
//
// The mapping of the last path is cached: every entry of a file names the same path, so a file's
// hits cost one mapping. A path the file object has just opened as spelled (noteOpenedAsSpelled)
// is mapped as spelled, with no stat: every component exists as spelled, so the lookup would give
// the same path. A path that cannot be mapped (unknown drive, too long) is shown as given.
// Threading: one thread at a time (sinks are called under the message window's lock).
// Tested by tests/host/ide/host_message_window_test.cpp.
#ifndef VANTREL_HOST_PATH_DISPLAY_H_
#define VANTREL_HOST_PATH_DISPLAY_H_

#include <string>

namespace host {

// Tells the path displays that the file named `windowsPath` was opened as spelled (its last
// open found every component as written). Any thread.
void noteOpenedAsSpelled(const std::string& windowsPath);

class PathDisplay {
 public:
  explicit PathDisplay(bool windowsPaths) : windowsPaths_(windowsPaths) {}

  // The path to show for `path` (the add-on's bytes); valid until the next call.
  const std::string& show(const std::string& path);

 private:
  bool windowsPaths_;
  bool cached_ = false;
  std::string lastPath_;
  std::string lastShown_;
};

}  // namespace host

#endif  // VANTREL_HOST_PATH_DISPLAY_H_
