// The file search's watcher (see win32/kernel32/search_watch.h).
// Tested by tests/read_ahead_test.cpp.
#include "win32/kernel32/search_watch.h"

#include <atomic>

namespace vwin {
namespace {

std::atomic<FileSearchWatcher*> installed{nullptr};

}  // namespace

bool fileSearchesWatched() { return installed.load(std::memory_order_acquire) != nullptr; }

void tellFileSearch(const FileSearchSeen& seen) {
  FileSearchWatcher* watcher = installed.load(std::memory_order_acquire);
  if (watcher && !seen.files->empty()) watcher->searched(seen);
}

}  // namespace vwin

WINAPI_EXPORT void VwinWatchFileSearches(vwin::FileSearchWatcher* watcher) {
  vwin::installed.store(watcher, std::memory_order_release);
}
