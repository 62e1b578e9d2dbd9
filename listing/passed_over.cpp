// The count of what a search's listings passed over (see listing/passed_over.h).
// Tested by tests/win32/kernel32/findfile_test.cpp and tests/listing/listing_rules_test.cpp.
#include "listing/passed_over.h"

#include <atomic>
#include <mutex>
#include <set>

#include "listing/listing_policy.h"

namespace vlisting {

namespace {

struct Tally {
  std::mutex mutex;
  std::atomic<bool> running{false};
  std::atomic<uint64_t> search{0};  // the search under way, 0 for none
  uint64_t searches = 0;            // how many have started
  std::set<std::string> seen[static_cast<int>(PassedOver::kCount)];
  std::vector<std::string> missingNames;
};

Tally& tally() {
  static Tally* t = new Tally;  // a worker may still search while the process exits
  return *t;
}

}  // namespace

bool countingPassedOver() { return tally().running.load(std::memory_order_relaxed); }

uint64_t searchUnderWay() { return tally().search.load(std::memory_order_acquire); }

void notePassedOver(PassedOver why, const std::string& key, const std::string& spelled) {
  Tally& t = tally();
  std::lock_guard<std::mutex> lock(t.mutex);
  if (!t.running.load(std::memory_order_relaxed)) return;
  try {
    bool added = t.seen[static_cast<int>(why)].insert(key).second;
    if (added && why == PassedOver::kMissingDirectory && t.missingNames.size() < kMissingNamesKept)
      t.missingNames.push_back(spelled);
  } catch (...) {
    // Out of memory: the entry goes uncounted, and the search goes on.
  }
}

void startPassedOverCount() {
  startListingSearch();  // a new search: ignore files edited since are read again
  Tally& t = tally();
  std::lock_guard<std::mutex> lock(t.mutex);
  for (std::set<std::string>& s : t.seen) s.clear();
  t.missingNames.clear();
  t.running.store(true);
  t.search.store(++t.searches, std::memory_order_release);
}

PassedOverCount takePassedOverCount() {
  Tally& t = tally();
  std::lock_guard<std::mutex> lock(t.mutex);
  PassedOverCount count;
  for (int why = 0; why < static_cast<int>(PassedOver::kCount); ++why)
    count.counts[why] = static_cast<unsigned long>(t.seen[why].size());
  count.missingNames.swap(t.missingNames);
  for (std::set<std::string>& s : t.seen) s.clear();
  t.running.store(false);
  t.search.store(0, std::memory_order_release);
  return count;
}

}  // namespace vlisting
