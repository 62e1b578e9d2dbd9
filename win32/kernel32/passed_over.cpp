// The count of what file searches passed over (see win32/kernel32/passed_over.h).
// Tested by tests/findfile_test.cpp.
#include "win32/kernel32/passed_over.h"

#include <atomic>
#include <mutex>
#include <set>

#include "win32/kernel32/listing_rules.h"

namespace {

struct Tally {
  std::mutex mutex;
  std::atomic<bool> running{false};
  std::set<std::string> seen[static_cast<int>(vwin::PassedOver::kCount)];
};

Tally& tally() {
  static Tally* t = new Tally;  // a worker may still search while the process exits
  return *t;
}

}  // namespace

namespace vwin {

bool countingPassedOver() { return tally().running.load(std::memory_order_relaxed); }

void notePassedOver(PassedOver why, const std::string& key) {
  Tally& t = tally();
  std::lock_guard<std::mutex> lock(t.mutex);
  if (!t.running.load(std::memory_order_relaxed)) return;
  try {
    t.seen[static_cast<int>(why)].insert(key);
  } catch (...) {
    // Out of memory: the entry goes uncounted, and the search goes on.
  }
}

}  // namespace vwin

WINAPI_EXPORT void VwinStartPassedOverCount(void) {
  vwin::forgetIgnoreFiles();  // a new search: ignore files edited since are read again
  Tally& t = tally();
  std::lock_guard<std::mutex> lock(t.mutex);
  for (std::set<std::string>& s : t.seen) s.clear();
  t.running.store(true);
}

WINAPI_EXPORT void VwinTakePassedOverCount(VWIN_PASSED_OVER* counts) {
  Tally& t = tally();
  std::lock_guard<std::mutex> lock(t.mutex);
  using vwin::PassedOver;
  auto size = [&t](PassedOver why) {
    return static_cast<DWORD>(t.seen[static_cast<int>(why)].size());
  };
  if (counts) {
    counts->missingDirectories = size(PassedOver::kMissingDirectory);
    counts->unreadableDirectories = size(PassedOver::kUnreadableDirectory);
    counts->longPaths = size(PassedOver::kLongPath);
    counts->uncarriedNames = size(PassedOver::kUncarriedName);
    counts->ignoredByGitRules = size(PassedOver::kIgnoredByGitRules);
    counts->ignoredByIgnoreFiles = size(PassedOver::kIgnoredByIgnoreFile);
    counts->excluded = size(PassedOver::kExcluded);
  }
  for (std::set<std::string>& s : t.seen) s.clear();
  t.running.store(false);
}
