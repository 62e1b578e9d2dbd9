// The verdicts on a listing's entries (see listing/verdicts.h).
// Tested by tests/listing/listing_rules_test.cpp.
#include "listing/verdicts.h"

#include <string_view>

#include "listing/passed_over.h"
#include "win32/kernel32/listing_cache.h"

namespace vlisting {

ListingRules::ListingRules(std::shared_ptr<const DirectoryRules> rules,
                           const std::shared_ptr<const vwin::DirectoryListing>& listing, bool count)
    : rules_(std::move(rules)), dotNames_(rules_->dotNames), count_(count) {
  if (!listing) {
    verdicts_ = &unkept_;  // entries given one by one: each judged as it comes
    return;
  }
  memoLock_ = std::unique_lock<std::mutex>(rules_->memoMutex);
  if (rules_->memoListing.lock() != listing) {
    rules_->memoListing = listing;
    rules_->verdicts.assign(listing->names.size(), 0);
  }
  verdicts_ = &rules_->verdicts;
}

DWORD ListingRules::judge(size_t index, const char* name, size_t length, DWORD attributes,
                          uint8_t judged) {
  uint8_t* kept = index < verdicts_->size() ? &(*verdicts_)[index] : nullptr;
  // The entry's absolute path, made only when needed, in a buffer the listing's entries share:
  // as the walk names it (for exclusions and the count), and where it really is (for ignore
  // files).
  bool made = false, madeReal = false;
  auto full = [&]() -> std::string_view {
    if (!made) {
      path_.assign(rules_->dir).append(1, '/').append(name, length);
      made = true;
    }
    return path_;
  };
  auto fullReal = [&]() -> std::string_view {
    if (rules_->realDir.empty()) return full();
    if (!madeReal) {
      realPath_.assign(rules_->realDir).append(1, '/').append(name, length);
      madeReal = true;
    }
    return realPath_;
  };
  if (!judged) {
    std::string_view leaf(name, length);
    bool directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    judged = kShownEntry;
    const Candidate* decided = nullptr;
    if (rules_->excludes) decided = rules_->excludes->firstMatch(leaf, directory, full);
    if (!decided || decided->pattern->negated())
      decided = rules_->firstMatch(leaf, directory, fullReal);
    if (decided && !decided->pattern->negated()) judged = decided->source;
    if (kept) *kept = judged;
  }
  if (judged == kShownEntry) return attributes;
  if (count_ && countingPassedOver()) {
    full();
    notePassedOver(judged == kExcludedEntry         ? PassedOver::kExcluded
                   : judged == kIgnoredByIgnoreFile ? PassedOver::kIgnoredByIgnoreFile
                                                    : PassedOver::kIgnoredByGitRules,
                   path_);
  }
  return attributes | FILE_ATTRIBUTE_HIDDEN;
}

}  // namespace vlisting
