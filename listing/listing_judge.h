// The judge of one listing under the rules in force: the ignore rules' and the exclusions'
// (listing/verdicts.h) inside the linked folders' (listing/linked_folders.h). Our layer's
// FindFirstFileA asks for it through the registered policy (listing/listing_policy.h); the
// Windows command's watch on the system's own asks through listing/system_listing.h.
//
// Threading: any thread. Tested by tests/listing/listing_rules_test.cpp.
#ifndef VANTREL_LISTING_LISTING_JUDGE_H_
#define VANTREL_LISTING_LISTING_JUDGE_H_

#include <memory>

#include "win32/kernel32/listing_hook.h"

namespace vlisting {

// The judge of `listing`, a listing of `dir` (relative to the current directory, or absolute in
// the rules' form: listing/system_path.h), or of entries given one by one when `listing` is
// nullptr; nullptr when no rule has anything to say. `count`: see vwin::ListingPolicy::judge.
std::unique_ptr<vwin::EntryJudge> judgeEntries(
    const char* dir, const std::shared_ptr<const vwin::DirectoryListing>& listing, bool count);

}  // namespace vlisting

#endif  // VANTREL_LISTING_LISTING_JUDGE_H_
