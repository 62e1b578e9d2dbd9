// The judge of one listing (see listing/listing_judge.h).
// Tested by tests/listing/listing_rules_test.cpp.
#include "listing/listing_judge.h"

#include <algorithm>

#include "listing/directory_rules.h"
#include "listing/linked_folders.h"
#include "listing/verdicts.h"
#include "win32/kernel32/listing_cache.h"
#ifndef _WIN32
#include "win32/kernel32/paths.h"
#endif

namespace vlisting {

namespace {

// The ignore rules' and exclusions' judge of `listing`, or nullptr when none is in force.
std::unique_ptr<vwin::EntryJudge> judgeByRules(
    const char* dir, const std::shared_ptr<const vwin::DirectoryListing>& listing, bool count) {
  if (!listingRulesActive()) return nullptr;
  if (!listing) {
    std::shared_ptr<const DirectoryRules> rules = directoryRules(dir, nullptr);
    if (!rules->anyRule()) return nullptr;
    return std::make_unique<ListingRules>(std::move(rules), nullptr, count);
  }
  // The rules are kept with the listing, so that the walk's repeated listings of a directory
  // (by mask and for subdirectories, counting and searching) find them at no lookup.
#ifdef _WIN32
  uint64_t key[2] = {rulesGeneration(), 0};
#else
  uint64_t key[2] = {rulesGeneration(), vwin::currentDirectoryMoves()};
#endif
  std::shared_ptr<const DirectoryRules> rules;
  {
    std::lock_guard<std::mutex> lock(listing->attachedMutex);
    if (listing->attached && std::equal(key, key + 2, listing->attachedKey))
      rules = std::static_pointer_cast<const DirectoryRules>(listing->attached);
  }
  if (!rules) {
    rules = directoryRules(dir, listing.get());
    std::lock_guard<std::mutex> lock(listing->attachedMutex);
    listing->attached = rules;
    std::copy(key, key + 2, listing->attachedKey);
  }
  // No file and no exclusion in force (a tree outside any repository, with no .ignore): the
  // listing is what the files make it, at no cost per entry.
  if (!rules->anyRule()) return nullptr;
  return std::make_unique<ListingRules>(std::move(rules), listing, count);
}

}  // namespace

std::unique_ptr<vwin::EntryJudge> judgeEntries(
    const char* dir, const std::shared_ptr<const vwin::DirectoryListing>& listing, bool count) {
  return judgeLinkedFolders(dir, listing, count, judgeByRules(dir, listing, count));
}

}  // namespace vlisting
