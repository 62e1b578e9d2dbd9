// The drive table: which POSIX directory each drive letter stands for. "Z:" is always "/";
// VANTREL_DRIVES adds "L=/dir" entries separated by ";" ("C=/srv/src;D=/mnt/x"). The layer's path
// mapping (win32/kernel32/paths.h) reads it both ways.
//
// Invariant: every root is an absolute POSIX directory in normal form ("/" for the root itself),
// or empty for a letter that names no drive.
// Threading: any thread; the table is read on first use and by reloadDrives, under a lock.
// Tested by tests/win32/kernel32/paths_test.cpp.
#ifndef VANTREL_WIN32_DRIVES_H_
#define VANTREL_WIN32_DRIVES_H_

#include <cstddef>
#include <string>

namespace vwin {

// The POSIX directory of drive `letter` ('A' to 'Z'); empty when there is no such drive.
std::string driveRoot(char letter);

// The drive whose directory is the longest prefix of `normal` (an absolute POSIX path in normal
// form), "Z" when no other fits; `rootLength` receives its directory's length (0 for "/").
char driveOfPosix(const std::string& normal, size_t* rootLength);

// Reads VANTREL_DRIVES again.
void reloadDrives();

}  // namespace vwin

#endif  // VANTREL_WIN32_DRIVES_H_
