// The count of what file searches passed over (see win32/kernel32/passed_over.h).
// Tested by tests/win32/kernel32/findfile_test.cpp.
#include "win32/kernel32/passed_over.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <set>
#include <vector>

#ifndef _WIN32
#include "win32/kernel32/listing_rules.h"  // the Windows command's tally has no listing rules
#endif

namespace {

struct Tally {
  std::mutex mutex;
  std::atomic<bool> running{false};
  std::atomic<uint64_t> search{0};  // the search under way, 0 for none
  uint64_t searches = 0;            // how many have started
  std::set<std::string> seen[static_cast<int>(vwin::PassedOver::kCount)];
  std::vector<std::string> missingNames;
};

Tally& tally() {
  static Tally* t = new Tally;  // a worker may still search while the process exits
  return *t;
}

}  // namespace

namespace vwin {

bool countingPassedOver() { return tally().running.load(std::memory_order_relaxed); }

uint64_t searchUnderWay() { return tally().search.load(std::memory_order_acquire); }

void notePassedOver(PassedOver why, const std::string& key, const std::string& spelled) {
  Tally& t = tally();
  std::lock_guard<std::mutex> lock(t.mutex);
  if (!t.running.load(std::memory_order_relaxed)) return;
  try {
    bool added = t.seen[static_cast<int>(why)].insert(key).second;
    if (added && why == PassedOver::kMissingDirectory &&
        t.missingNames.size() < VWIN_PASSED_OVER_NAMED)
      t.missingNames.push_back(spelled.substr(0, MAX_PATH - 1));
  } catch (...) {
    // Out of memory: the entry goes uncounted, and the search goes on.
  }
}

}  // namespace vwin

WINAPI_EXPORT void VwinStartPassedOverCount(void) {
#ifndef _WIN32
  vwin::forgetIgnoreFiles();  // a new search: ignore files edited since are read again
#endif
  Tally& t = tally();
  std::lock_guard<std::mutex> lock(t.mutex);
  for (std::set<std::string>& s : t.seen) s.clear();
  t.missingNames.clear();
  t.running.store(true);
  t.search.store(++t.searches, std::memory_order_release);
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
    for (size_t i = 0; i < VWIN_PASSED_OVER_NAMED; ++i) {
      std::string name = i < t.missingNames.size() ? t.missingNames[i] : std::string();
      std::memcpy(counts->missingNames[i], name.c_str(), name.size() + 1);
    }
  }
  for (std::set<std::string>& s : t.seen) s.clear();
  t.missingNames.clear();
  t.running.store(false);
  t.search.store(0, std::memory_order_release);
}
