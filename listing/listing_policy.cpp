// The listing policy on the layer's hook (see listing/listing_policy.h).
// Tested by tests/listing/listing_rules_test.cpp and tests/host/cli/command_e2e_test.cpp.
#include "listing/listing_policy.h"

#include "listing/directory_rules.h"
#include "listing/linked_folders.h"
#include "listing/listing_judge.h"
#include "listing/passed_over.h"

namespace vlisting {

namespace {

#ifndef _WIN32
class Policy final : public vwin::ListingPolicy {
 public:
  std::unique_ptr<vwin::EntryJudge> judge(
      const char* posixDir, const std::shared_ptr<const vwin::DirectoryListing>& listing,
      bool count) override {
    return judgeEntries(posixDir, listing, count);
  }

  bool counting() const override { return countingPassedOver(); }

  void unlisted(vwin::Unlisted why, const std::string& key, const std::string& spelled) override {
    static constexpr PassedOver kAs[] = {PassedOver::kMissingDirectory,
                                         PassedOver::kUnreadableDirectory, PassedOver::kLongPath,
                                         PassedOver::kUncarriedName};
    notePassedOver(kAs[static_cast<int>(why)], key, spelled);
  }

  uint64_t searchUnderWay() const override { return vlisting::searchUnderWay(); }
};

void registerPolicy() {
  static Policy* policy = new Policy;  // a worker may still search while the process exits
  VwinSetListingPolicy(policy);
}
#else
// The Windows command asks the judges itself, from its watch on the system's FindFirstFileA
// (listing/system_listing.h): there is no layer to register on.
void registerPolicy() {}
#endif

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
