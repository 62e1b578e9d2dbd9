// The product's listing policy, registered on the Win32 layer's hook
// (win32/kernel32/listing_hook.h): which entries a search passes over, and the count of what it
// passed over.
//
// A listing flows through it so: FindFirstFileA reads a directory (win32/kernel32/listing_cache.h)
// and asks the policy for a judge of it; the policy finds the directory's rules, kept with the
// listing for the walk's later requests of it, else built from its parent's and its own ignore
// files (listing/directory_rules.h), and the judge hides what they say (listing/verdicts.h),
// counting it (listing/passed_over.h). The add-on's walk, which never enters a hidden directory,
// is unchanged.
//
// Threading: the switches are set by the thread that starts the searches, never while one runs;
// the policy answers any thread. Tested by tests/listing/listing_rules_test.cpp and
// tests/host/cli/command_e2e_test.cpp.
#ifndef VANTREL_LISTING_LISTING_POLICY_H_
#define VANTREL_LISTING_LISTING_POLICY_H_

#include "listing/listing_switches.h"

namespace vlisting {

// Sets `switches` as the rules of every search from now on, and registers the policy.
void applyListingSwitches(const ListingSwitches& switches);
// Turns every rule off (a listing then is what the files make it); the policy stays registered
// for the count.
void clearListingRules();
// A search starts: registers the policy and forgets every ignore file read, so that an edit
// shows from now on.
void startListingSearch();

}  // namespace vlisting

#endif  // VANTREL_LISTING_LISTING_POLICY_H_
