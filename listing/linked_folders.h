// Folders reached through a symbolic link: passed over and counted by default, entered with the
// follow switch under a guard that lets one search enter each folder once.
//
// The Win32 layer reads a link to a directory as a system directory with a reparse point
// (win32/kernel32/attributes.h), which no walk enters. By default the judge leaves it so and counts
// it ("linked folders not followed"). Following, the judge clears its system mark, and for every
// folder of a listing, linked or not, it asks the search's guard: the guard keeps each folder's
// identity (device and inode) with the path the walk first reached it by, and a folder met again
// under another path (a link to an ancestor, two links to one folder, a link to a folder the tree
// holds as well) is not entered, and counted ("folders reached again, searched once"). The walk
// lists a tree in the same order in its counting pass and in its search, so both admit the same
// paths. Ignore rules and exclusions judge a linked folder first, by its own name, as git does.
//
// Threading: any thread; the guard is under one lock and forgets its folders as a new search
// starts (listing/passed_over.h's search number). Tested by tests/listing/listing_rules_test.cpp
// and tests/host/cli/command_e2e_test.cpp.
#ifndef VANTREL_LISTING_LINKED_FOLDERS_H_
#define VANTREL_LISTING_LINKED_FOLDERS_H_

#include <memory>

#include "win32/kernel32/listing_hook.h"

namespace vwin {
struct DirectoryListing;
}

namespace vlisting {

// Whether the searches from now on follow linked folders.
void setLinkedFolders(bool follow);

// The judge of `listing` (the listing of `posixDir`), wrapping `rules` (the ignore rules' judge, or
// nullptr): `rules` itself when the listing holds no link and links are not followed.
std::unique_ptr<vwin::EntryJudge> judgeLinkedFolders(
    const char* posixDir, const std::shared_ptr<const vwin::DirectoryListing>& listing, bool count,
    std::unique_ptr<vwin::EntryJudge> rules);

}  // namespace vlisting

#endif  // VANTREL_LISTING_LINKED_FOLDERS_H_
