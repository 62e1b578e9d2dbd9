// Opening ahead: a helper thread opens the files a walk is about to open, and reads the
// directories it is about to list, so that the walking thread is left reading and scanning.
//
// The layer learns the walk from the file searches it answers: a walk asks for a directory's files
// by mask, then for "*.*" to go into its subdirectories in listing order. At each "*.*" the helper
// takes up the walk from there, with the masks asked of that directory, and goes on through the
// rest of the tree the walk is in (what is left of every directory above, as far as the walk came
// down). For each directory it visits it lists the directory, opens (read-only, O_NONBLOCK, as
// the file object does) and fstats the regular files the masks find that a walk takes, in order,
// and leaves a mark after them. The walking thread takes a listing read ahead instead of its own,
// and the file object takes the descriptor opened for exactly its Windows path.
//
// Invariants: no file byte is read here; nothing is written, created or locked. A descriptor is
// handed only for the Windows path it was opened for, under the current directory and drives it
// was mapped with (a change of either drops everything ahead). At most kFilesAhead descriptors
// and kDirectoriesAhead directories are held ahead; what the walk passes by unused is closed when
// it takes something further on. When the process runs out of descriptors the helper stops
// opening, and the file object opens in place. A file changed after it was opened ahead is read as
// it was at that moment, what a walk a moment earlier would have read. The helper works only for a
// walk that opens files: a counting pass, which opens none, lists as fast alone. A mask
// list holding "*.*" is not told apart from the walk into subdirectories, so nothing is opened
// ahead for it.
//
// Threading: one helper thread, started at the first use; every entry point is safe from any
// thread. Tested by tests/search/driver_test.cpp (a search under changes; also under
// ThreadSanitizer).
#ifndef VANTREL_WIN32_OPEN_AHEAD_H_
#define VANTREL_WIN32_OPEN_AHEAD_H_

#include <memory>
#include <string>

#include "win32/include/windef.h"
#include "win32/kernel32/listing_cache.h"

namespace vwin {

constexpr size_t kFilesAhead = 256;
constexpr size_t kDirectoriesAhead = 128;

// Called by FindFirstFileA on the searching thread for every search it answers: `dir` as spelled
// (with its separator), the name pattern.
void noteFileSearch(const std::string& dir, const std::string& namePattern);
// The listing of `posixDir` read ahead for the calling thread's walk, or NULL.
std::shared_ptr<const DirectoryListing> listedAhead(const char* posixDir);
// Drops everything ahead: the current directory or the drives changed.
void dropOpenedAhead();

}  // namespace vwin

// Switches opening ahead on or off (off: everything held ahead is closed once the helper has
// let go of it, before this returns). Off at the start.
WINAPI_EXPORT void VwinOpenAhead(BOOL on);
// The descriptor opened ahead for `windowsPath` and the file's size at that moment, or -1 when
// there is none (the caller opens the file itself). The caller owns the descriptor.
WINAPI_EXPORT int VwinTakeOpenedAhead(LPCSTR windowsPath, long long* size);
// Closes a descriptor taken from VwinTakeOpenedAhead on the helper thread (at once when opening
// ahead is off).
WINAPI_EXPORT void VwinHandBackOpened(int fd);
// Descriptors held ahead or waiting to be closed right now, for tests.
WINAPI_EXPORT DWORD VwinOpenedAheadCount(void);

#endif  // VANTREL_WIN32_OPEN_AHEAD_H_
