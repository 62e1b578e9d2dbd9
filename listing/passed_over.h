// The count of what a search's listings passed over, and why: directories that could not be
// listed, entries that no Windows path of MAX_PATH characters can name (both told by the Win32
// layer, which meets them: win32/kernel32/listing_hook.h), and entries that the listing rules hid
// (listing/listing_policy.h). The walks of a search see none of these (a missing directory finds
// nothing, a left-out or hidden entry is never taken), so the count is kept beside them.
//
// Each directory or entry counts once between a start and a take, however often it is searched
// (a walk asks for a directory once per mask entry and once more for its subdirectories, in a
// counting pass and in the search). Hidden and system entries, which no walk takes, are not
// counted, but for those the listing rules hid. FindFirstFileA on a pattern that matches every
// name ("*.*") meets every entry of its directory, so in a recursive walk an entry left out counts
// whether or not its name fits a mask.
//
// The Windows command keeps the same tally (this source), fed by its watch on the add-on's file
// searches (host/windows/find_watch.cpp), so both commands tell the same.
//
// Threading: any thread; a worker search counts into the same tally as the IDE's thread.
// Tested by tests/win32/kernel32/findfile_test.cpp and tests/listing/listing_rules_test.cpp.
#ifndef VANTREL_LISTING_PASSED_OVER_H_
#define VANTREL_LISTING_PASSED_OVER_H_

#include <cstdint>
#include <string>
#include <vector>

namespace vlisting {

enum class PassedOver {
  kMissingDirectory,     // searched, but no such directory (or not a directory)
  kUnreadableDirectory,  // a directory that exists but cannot be listed
  kLongPath,             // an entry whose path would reach MAX_PATH characters
  kUncarriedName,        // an entry whose name holds a backslash
  kIgnoredByGitRules,    // an entry .gitignore, info/exclude or git's excludes file ignores
  kIgnoredByIgnoreFile,  // an entry a .ignore file ignores
  kExcluded,             // an entry an exclusion of the host's matches
  kRuleFileRefused,      // a rule file (or .git) not read: not a regular file, or too large
  kGitignoreLink,        // a .gitignore that is a symbolic link, which git does not follow
  kLinkedFolder,         // a symbolic link to a folder, not followed
  kFolderReachedAgain,   // following links, a folder the search had reached by another path
  kCount
};

// How many of the missing directories are kept by name, for the user to see which.
constexpr size_t kMissingNamesKept = 3;

struct PassedOverCount {
  unsigned long counts[static_cast<int>(PassedOver::kCount)] = {};
  // The first missing directories met, as the search spelled them.
  std::vector<std::string> missingNames;

  unsigned long operator[](PassedOver why) const { return counts[static_cast<int>(why)]; }
};

// Starts counting from zero, as a search starts; on POSIX also the listing policy's start of a
// search (ignore files are read afresh from now on).
void startPassedOverCount();
// What was counted since the start (all zero when none was made); ends the count.
PassedOverCount takePassedOverCount();

// Whether a count is running; a caller skips building keys while it is not.
bool countingPassedOver();
// The number of the search under way, from its startPassedOverCount to its takePassedOverCount
// (each start takes a new one); 0 while none is.
uint64_t searchUnderWay();
// Counts `key` (a directory or an entry's path) under `why`, unless it was counted already; a
// missing directory newly counted is kept by its name as `spelled` while there is room.
void notePassedOver(PassedOver why, const std::string& key, const std::string& spelled = {});

}  // namespace vlisting

#endif  // VANTREL_LISTING_PASSED_OVER_H_
