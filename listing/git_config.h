// git's excludes file, as the user's and the repository's git configuration name it
// (core.excludesFile), else its default place ($XDG_CONFIG_HOME/git/ignore).
//
// Threading: any thread. Tested by tests/listing/listing_rules_test.cpp.
#ifndef VANTREL_LISTING_GIT_CONFIG_H_
#define VANTREL_LISTING_GIT_CONFIG_H_

#include <string>

namespace vlisting {

// Leaves in `value` the last core.excludesFile the git configuration file `configPath` sets,
// "~/" expanded; `value` stays as it was when the file sets none.
void readExcludesFile(const std::string& configPath, std::string& value);

// git's excludes file as the user's configuration (system, XDG, home) names it, or its default
// place; "" when there is none.
std::string userExcludesFile();

}  // namespace vlisting

#endif  // VANTREL_LISTING_GIT_CONFIG_H_
