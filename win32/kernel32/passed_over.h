// The host's count of what file searches passed over, and why: directories that could not be
// listed, and entries that a listing leaves out because no Windows path of MAX_PATH characters
// can name them. The walks of a search see none of these (a missing directory finds nothing, a
// left-out entry is never listed), so the layer, which meets each one, counts them for the host.
//
// Each directory or entry counts once between a start and a take, however often it is searched
// (a walk asks for a directory once per mask entry and once more for its subdirectories, in a
// counting pass and in the search). Hidden and system entries, which no walk takes, are not
// counted, but for those the listing rules hide. FindFirstFileA on a pattern that matches every
// name ("*.*") meets every entry of its directory, so in a recursive walk an entry left out counts
// whether or not its name fits a mask.
//
// The Windows command keeps the same tally, fed by its watch on the add-on's file searches
// (host/windows/find_watch.cpp), so both commands tell the same.
//
// Threading: any thread; a worker search counts into the same tally as the IDE's thread.
// Tested by tests/win32/kernel32/findfile_test.cpp.
#ifndef VANTREL_WIN32_PASSED_OVER_H_
#define VANTREL_WIN32_PASSED_OVER_H_

#include <cstdint>
#include <string>

#ifdef _WIN32
#include <windows.h>
#define WINAPI_EXPORT extern "C"
#else
#include "win32/include/windef.h"
#endif

// How many of the missing directories are kept by name, for the user to see which.
#define VWIN_PASSED_OVER_NAMED 3

typedef struct VWIN_PASSED_OVER {
  DWORD missingDirectories;     // searched, but no such directory (or not a directory)
  DWORD unreadableDirectories;  // a directory that exists but cannot be listed
  DWORD longPaths;              // an entry whose path would reach MAX_PATH characters
  DWORD uncarriedNames;         // an entry whose name holds a backslash
  DWORD ignoredByGitRules;      // an entry .gitignore, info/exclude or git's excludes file ignores
  DWORD ignoredByIgnoreFiles;   // an entry a .ignore file ignores
  DWORD excluded;               // an entry an exclusion of the host's matches
  // The first missing directories met, as the search spelled them (an empty string for none).
  CHAR missingNames[VWIN_PASSED_OVER_NAMED][MAX_PATH];
} VWIN_PASSED_OVER;

// Starts counting from zero, as a search starts (ignore files are read afresh from now on).
WINAPI_EXPORT void VwinStartPassedOverCount(void);
// What was counted since the start (all zero when none was made); ends the count.
WINAPI_EXPORT void VwinTakePassedOverCount(VWIN_PASSED_OVER* counts);

namespace vwin {

enum class PassedOver {
  kMissingDirectory,
  kUnreadableDirectory,
  kLongPath,
  kUncarriedName,
  kIgnoredByGitRules,
  kIgnoredByIgnoreFile,
  kExcluded,
  kCount
};

// Whether a count is running; a caller skips building keys while it is not.
bool countingPassedOver();
// The number of the search under way, from its VwinStartPassedOverCount to its
// VwinTakePassedOverCount (each start takes a new one); 0 while none is.
uint64_t searchUnderWay();
// Counts `key` (a directory or an entry's path) under `why`, unless it was counted already; a
// missing directory newly counted is kept by its name as `spelled` while there is room.
void notePassedOver(PassedOver why, const std::string& key, const std::string& spelled = {});

}  // namespace vwin

#endif  // VANTREL_WIN32_PASSED_OVER_H_
