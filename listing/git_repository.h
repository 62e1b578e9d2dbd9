// Where a git repository keeps what its work tree's listing rules come from: the repository
// directory a ".git" entry stands for, and the directory its work trees share (info/exclude,
// config).
//
// Threading: any thread. Tested by tests/listing/listing_rules_test.cpp.
#ifndef VANTREL_LISTING_GIT_REPOSITORY_H_
#define VANTREL_LISTING_GIT_REPOSITORY_H_

#include <string>

#include "listing/small_file.h"

namespace vlisting {

// The repository directory the ".git" entry `dotGit` of the work tree `workTree` stands for:
// itself when it is (or leads to) a directory, else the one its "gitdir:" line names, else itself
// (so that nothing is read from it). `outcome` tells what became of a ".git" file read.
std::string gitDirectory(const std::string& dotGit, const std::string& workTree,
                         SmallFile& outcome);

// Where the repository `gitDir` keeps what its work trees share: the directory its "commondir"
// names, else itself.
std::string commonDirectory(const std::string& gitDir);

}  // namespace vlisting

#endif  // VANTREL_LISTING_GIT_REPOSITORY_H_
