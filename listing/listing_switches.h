// The switches that decide what a search's listings show: ignore files, dot names, exclusions
// and linked folders. The command's options fill one (host/cli/command_args.h), the full-screen
// program changes it between searches, and the listing policy applies it
// (listing/listing_policy.h).
//
// Threading: a plain value. Tested by tests/listing/listing_rules_test.cpp and
// tests/host/cli/command_e2e_test.cpp.
#ifndef VANTREL_LISTING_LISTING_SWITCHES_H_
#define VANTREL_LISTING_LISTING_SWITCHES_H_

#include <string>
#include <vector>

namespace vlisting {

struct ListingSwitches {
  bool ignoreFiles = true;            // honour .gitignore, .ignore and git's exclude files
  bool hidden = false;                // list dot names, but ".git"
  std::vector<std::string> excludes;  // gitignore patterns, anchored at the current directory
  bool follow = false;                // enter linked folders, each folder once a search
};

}  // namespace vlisting

#endif  // VANTREL_LISTING_LISTING_SWITCHES_H_
