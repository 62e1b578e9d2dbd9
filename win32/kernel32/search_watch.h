// Telling the host which files a file search has just listed, so that it can read them ahead.
//
// A walk opens the files of a search in the order FindFirstFileA/FindNextFileA hand them out, and
// the layer knows that order as soon as the search is made. A watcher installed by the host hears
// of every search that lists at least one plain file (neither directory, hidden nor system; the
// entries a walk opens), with the names in listing order. What the watcher does with it is its
// own affair: the layer's answers are the same with or without one.
// Ownership: the watcher stays the host's; it must outlive every search made while installed.
// Threading: the watcher is called on the thread that made the search, from any thread, and
// must not call back into the file search.
// Tested by tests/read_ahead_test.cpp.
#ifndef VANTREL_WIN32_SEARCH_WATCH_H_
#define VANTREL_WIN32_SEARCH_WATCH_H_

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "win32/include/windef.h"
#include "win32/kernel32/listing_cache.h"

namespace vwin {

struct FileSearchSeen {
  std::string_view windowsDir;  // the pattern up to its last separator, as the caller spelled it
  std::string_view pattern;     // the pattern's last component
  // The directory's listing (its posixDir names the directory) and, in listing order, the
  // indexes into its names of the plain files the search lists.
  std::shared_ptr<const DirectoryListing> listing;
  const std::vector<uint32_t>* files;
};

class FileSearchWatcher {
 public:
  virtual ~FileSearchWatcher() = default;
  virtual void searched(const FileSearchSeen& seen) = 0;
};

// Whether a watcher is installed; called by FindFirstFileA before it gathers the names.
bool fileSearchesWatched();
// Called by FindFirstFileA.
void tellFileSearch(const FileSearchSeen& seen);

}  // namespace vwin

// Installs the watcher (NULL removes it). Any thread; no search may be running in between.
WINAPI_EXPORT void VwinWatchFileSearches(vwin::FileSearchWatcher* watcher);

#endif  // VANTREL_WIN32_SEARCH_WATCH_H_
