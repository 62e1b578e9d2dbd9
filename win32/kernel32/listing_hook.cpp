// The host's listing policy as FindFirstFileA sees it (see win32/kernel32/listing_hook.h).
// Tested by tests/win32/kernel32/findfile_test.cpp and tests/listing/.
#include "win32/kernel32/listing_hook.h"

#include <atomic>

namespace vwin {

namespace {
std::atomic<ListingPolicy*> registered{nullptr};
}  // namespace

ListingPolicy* listingPolicy() { return registered.load(std::memory_order_acquire); }

std::unique_ptr<EntryJudge> judgeListing(const char* posixDir,
                                         const std::shared_ptr<const DirectoryListing>& listing,
                                         bool count) {
  ListingPolicy* policy = listingPolicy();
  return policy ? policy->judge(posixDir, listing, count) : nullptr;
}

bool countingUnlisted() {
  ListingPolicy* policy = listingPolicy();
  return policy && policy->counting();
}

void noteUnlisted(Unlisted why, const std::string& key, const std::string& spelled) {
  if (ListingPolicy* policy = listingPolicy()) policy->unlisted(why, key, spelled);
}

uint64_t searchUnderWay() {
  ListingPolicy* policy = listingPolicy();
  return policy ? policy->searchUnderWay() : 0;
}

}  // namespace vwin

WINAPI_EXPORT void VwinSetListingPolicy(vwin::ListingPolicy* policy) {
  vwin::registered.store(policy, std::memory_order_release);
}
