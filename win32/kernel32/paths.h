// The drive mapping between Windows paths and POSIX paths, as the Win32 layer's file functions
// see the file system: "Z:" is "/", further drives come from VANTREL_DRIVES
// ("C=/srv/src;D=/mnt/x"),
// "\" and "/" both separate, and a component that does not exist as spelled is looked up
// case-insensitively in its directory.
//
// Threading: any thread. The drive table is read from the environment once, on first use, and can
// be reloaded for tests.
#ifndef VANTREL_WIN32_PATHS_H_
#define VANTREL_WIN32_PATHS_H_

#include "win32/include/windef.h"

// Maps a Windows path (absolute with a drive, or relative to the process's directory) to the
// POSIX path it names. Writes at most `size` bytes with the terminator. Answers TRUE, or FALSE with
// GetLastError set: ERROR_FILENAME_EXCED_RANGE for a path of MAX_PATH characters or more,
// ERROR_PATH_NOT_FOUND for an unknown drive or a UNC path, ERROR_INSUFFICIENT_BUFFER.
WINAPI_EXPORT BOOL VwinToPosixPath(LPCSTR windowsPath, LPSTR posixPath, DWORD size);

// VwinToPosixPath without the file system: the path as spelled, no component looked up without
// case, so no stat is made. Where every component exists as spelled both answer the same path; so
// a caller that opens the answer and, only when that fails with ENOENT or ENOTDIR, opens what
// VwinToPosixPath answers, opens what VwinToPosixPath alone would have, one stat cheaper.
WINAPI_EXPORT BOOL VwinToPosixPathAsSpelled(LPCSTR windowsPath, LPSTR posixPath, DWORD size);

// VwinToPosixPathAsSpelled for a path opened at once, never kept or shown: a relative path that
// stays inside the current directory comes back relative ("a/b.c", "." for the directory
// itself), which the system resolves in fewer steps than the absolute form. Valid until the
// current directory changes.
WINAPI_EXPORT BOOL VwinToOpenablePath(LPCSTR windowsPath, LPSTR posixPath, DWORD size);

// Maps an absolute POSIX path to its Windows form through the drive whose directory is the
// longest prefix of it ("Z:" when no other fits). Answers the length written, or 0 with
// GetLastError set (ERROR_FILENAME_EXCED_RANGE when the result would not fit MAX_PATH - 1
// characters or `size`, ERROR_INVALID_NAME for a path holding a backslash or not absolute).
WINAPI_EXPORT DWORD VwinToWindowsPath(LPCSTR posixPath, LPSTR windowsPath, DWORD size);

// Reads VANTREL_DRIVES again (tests change it); the current directory is read again too.
WINAPI_EXPORT void VwinReloadDrives(void);

// The layer keeps the process's current directory as Windows does, changed by
// SetCurrentDirectoryA; after a chdir made without the layer, this makes it read the directory
// from the system again.
WINAPI_EXPORT void VwinSyncCurrentDirectory(void);

#include <stddef.h>
#include <stdint.h>

namespace vwin {

// VwinToOpenablePath that also answers, in `fullLength`, the length of the path's full Windows
// form ("L:\a\b", "L:\" for a root; "." and ".." applied, a relative path set on the current
// directory), which MAX_PATH limits, from the same reading of the path. `fullLength` is set
// whenever the path could be read, even when the mapping then fails.
BOOL toOpenablePath(const char* windowsPath, char* posixPath, DWORD size, size_t* fullLength);

// How many times the current directory changed (SetCurrentDirectoryA, VwinSyncCurrentDirectory):
// what a caller that keeps something derived from it compares.
uint64_t currentDirectoryMoves();

}  // namespace vwin

#endif  // VANTREL_WIN32_PATHS_H_
