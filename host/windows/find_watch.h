// The Windows command's listing policy and count of what the add-on's file searches passed over,
// as our layer has them on POSIX: FindFirstFileA, FindNextFileA and FindClose in the module's
// import table point at functions that call Windows' own, have the listing policy judge each
// entry (listing/system_listing.h: ignore files, exclusions, dot names, linked folders), marking
// hidden what the walk is to leave alone, and note, while a count runs, a directory that is
// missing or cannot be listed and an entry whose path as the walk spells it would reach MAX_PATH
// characters (which the walk skips). Windows lists no name holding a backslash, and an entry is
// measured as spelled only: the full form of a relative path is Windows' own business there.
//
// Ownership: the module must stay loaded while searches run; nothing to release.
// Threading: any thread the add-on searches on.
// Tested under Wine by tests/windows/wine_test.sh.
#ifndef VANTREL_HOST_WINDOWS_FIND_WATCH_H_
#define VANTREL_HOST_WINDOWS_FIND_WATCH_H_

#include <windows.h>

namespace vantrel {

// Points the module's file-search imports at the watch; false when one cannot be redirected.
bool watchFileSearches(HMODULE module);

}  // namespace vantrel

#endif  // VANTREL_HOST_WINDOWS_FIND_WATCH_H_
