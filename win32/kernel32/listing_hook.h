// The one place where a host's listing policy meets FindFirstFileA.
//
// Windows lists what a directory holds; which of those entries a product's search should pass
// over (ignore files, exclusions, dot names) is the host's business, not the layer's. A host
// registers a policy (VwinSetListingPolicy); FindFirstFileA then asks it for a judge of each
// listing it answers, which may mark entries hidden, and tells it what the layer itself could not
// list (a missing or unreadable directory, a path too long, a name no Windows path can carry) so
// that the host can count them. With no policy registered a listing is what
// win32/kernel32/attributes.h makes it, and nothing is counted.
//
// Ownership: the policy outlives every file search made after its registration (a host registers
// a static object). Threading: any thread; the registration is one atomic pointer, read once per
// file search. Tested by tests/win32/kernel32/findfile_test.cpp and tests/listing/.
#ifndef VANTREL_WIN32_LISTING_HOOK_H_
#define VANTREL_WIN32_LISTING_HOOK_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "win32/include/windef.h"

namespace vwin {

struct DirectoryListing;

// What the layer met but could not list, for the policy's count.
enum class Unlisted { kMissingDirectory, kUnreadableDirectory, kLongPath, kUncarriedName };

// Judges the entries of one listing, for one file search.
class EntryJudge {
 public:
  virtual ~EntryJudge() = default;
  // The attributes of the listing's entry `index` (kNotListed for a name outside its `names`),
  // named `name`, from those the file alone gives.
  virtual DWORD apply(size_t index, const char* name, size_t length, DWORD attributes) = 0;
  static constexpr size_t kNotListed = ~size_t{0};
};

class ListingPolicy {
 public:
  virtual ~ListingPolicy() = default;
  // The judge of `listing`, the listing of `posixDir` (as FindFirstFileA opened it: relative to
  // the current directory, or absolute); nullptr leaves its entries as they are. `count`: whether
  // an entry the judge hides is counted as passed over (not for a listing read ahead of the walk,
  // which may never reach it).
  virtual std::unique_ptr<EntryJudge> judge(const char* posixDir,
                                            const std::shared_ptr<const DirectoryListing>& listing,
                                            bool count) = 0;
  // Whether the host counts now; the layer builds no key while it does not.
  virtual bool counting() const = 0;
  // Counts `key` (a directory or an entry's path) under `why`; a missing directory's name is
  // also given as the search spelled it.
  virtual void unlisted(Unlisted why, const std::string& key, const std::string& spelled) = 0;
  // The number of the search under way, each search its own; 0 while none is. A listing the
  // search under way found current a moment ago is trusted without a stat
  // (win32/kernel32/listing_cache.h).
  virtual uint64_t searchUnderWay() const = 0;
};

// The registered policy, or nullptr.
ListingPolicy* listingPolicy();

// The judge of a listing under the registered policy, or nullptr (see ListingPolicy::judge).
std::unique_ptr<EntryJudge> judgeListing(const char* posixDir,
                                         const std::shared_ptr<const DirectoryListing>& listing,
                                         bool count);

// Whether the registered policy counts now (false with none).
bool countingUnlisted();
// Tells the registered policy of an entry or directory the layer could not list.
void noteUnlisted(Unlisted why, const std::string& key, const std::string& spelled = {});
// The registered policy's search under way (0 with none).
uint64_t searchUnderWay();

}  // namespace vwin

// Registers `policy` for every file search from now on (NULL: none).
WINAPI_EXPORT void VwinSetListingPolicy(vwin::ListingPolicy* policy);

#endif  // VANTREL_WIN32_LISTING_HOOK_H_
