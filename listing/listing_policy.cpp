// The listing policy on the layer's hook (see listing/listing_policy.h).
// Tested by tests/listing/listing_rules_test.cpp and tests/host/cli/command_e2e_test.cpp.
#include "listing/listing_policy.h"

#include <algorithm>

#include "listing/directory_rules.h"
#include "listing/linked_folders.h"
#include "listing/passed_over.h"
#include "listing/verdicts.h"
#include "win32/kernel32/listing_cache.h"
#include "win32/kernel32/paths.h"

namespace vlisting {

namespace {

class Policy final : public vwin::ListingPolicy {
 public:
  std::unique_ptr<vwin::EntryJudge> judge(
      const char* posixDir, const std::shared_ptr<const vwin::DirectoryListing>& listing,
      bool count) override {
    return judgeLinkedFolders(posixDir, listing, count, judgeByRules(posixDir, listing, count));
  }

  bool counting() const override { return countingPassedOver(); }

  void unlisted(vwin::Unlisted why, const std::string& key, const std::string& spelled) override {
    static constexpr PassedOver kAs[] = {PassedOver::kMissingDirectory,
                                         PassedOver::kUnreadableDirectory, PassedOver::kLongPath,
                                         PassedOver::kUncarriedName};
    notePassedOver(kAs[static_cast<int>(why)], key, spelled);
  }

  uint64_t searchUnderWay() const override { return vlisting::searchUnderWay(); }

 private:
  // The ignore rules' and exclusions' judge of `listing`, or nullptr when none is in force.
  static std::unique_ptr<vwin::EntryJudge> judgeByRules(
      const char* posixDir, const std::shared_ptr<const vwin::DirectoryListing>& listing,
      bool count) {
    if (!listingRulesActive()) return nullptr;
    // The rules are kept with the listing, so that the walk's repeated listings of a directory
    // (by mask and for subdirectories, counting and searching) find them at no lookup.
    uint64_t key[2] = {rulesGeneration(), vwin::currentDirectoryMoves()};
    std::shared_ptr<const DirectoryRules> rules;
    {
      std::lock_guard<std::mutex> lock(listing->attachedMutex);
      if (listing->attached && std::equal(key, key + 2, listing->attachedKey))
        rules = std::static_pointer_cast<const DirectoryRules>(listing->attached);
    }
    if (!rules) {
      rules = directoryRules(posixDir, listing.get());
      std::lock_guard<std::mutex> lock(listing->attachedMutex);
      listing->attached = rules;
      std::copy(key, key + 2, listing->attachedKey);
    }
    // No file and no exclusion in force (a tree outside any repository, with no .ignore): the
    // listing is what the files make it, at no cost per entry.
    if (!rules->anyRule()) return nullptr;
    return std::make_unique<ListingRules>(std::move(rules), listing, count);
  }
};

void registerPolicy() {
  static Policy* policy = new Policy;  // a worker may still search while the process exits
  VwinSetListingPolicy(policy);
}

}  // namespace

void applyListingSwitches(const ListingSwitches& switches) {
  setListingRules(switches);
  setLinkedFolders(switches.follow);
  registerPolicy();
}

void clearListingRules() { applyListingSwitches(ListingSwitches{false, false, {}}); }

void startListingSearch() {
  registerPolicy();
  forgetIgnoreFiles();
}

}  // namespace vlisting
