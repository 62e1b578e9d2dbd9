// The add-on's size limit of a searched file as a search starting now reads it (with the add-on's
// own reading, dialog/max_file_size.h), and where it comes from: the value MaxFileSize under the
// add-on's key, or this run's --max-filesize, which the host puts in place of the stored value
// without storing it (win32/advapi32/registry_override.h; on Windows the command answers the
// add-on's reading itself, host/windows/size_limit_watch.h). Files of the limit's size or more
// are refused.
//
// Our hosts put a default of their own in place of the add-on's 500,000 bytes when the
// registry holds no valid value: 16 MiB. Ordinary sources of today's large trees pass half a
// megabyte (a dozen of a kernel tree's .c files do), while a file of 16 MiB or more is data or a
// generated table rather than code to read. What bounds the memory: the add-on reads each file
// whole into one buffer while it scans it, so a search holds at most 16 MiB per file in flight.
//
// Threading: any thread. Tested by tests/dialog/max_file_size_test.cpp and
// tests/host/cli/command_e2e_test.cpp.
#ifndef VANTREL_HOST_FILE_SIZE_LIMIT_H_
#define VANTREL_HOST_FILE_SIZE_LIMIT_H_

#include "dialog/max_file_size.h"

namespace host {

struct FileSizeLimit {
  // kDefault: the add-on's own (no host said otherwise); kHostDefault: our hosts' default.
  enum class Source { kDefault, kHostDefault, kRegistry, kThisRun };
  unsigned long bytes = kDefaultMaxFileSize;
  Source source = Source::kDefault;
};

// Makes every search of this process refuse files of `bytes` bytes or more (1 to
// kMaxFileSizeCeiling).
void limitFileSizeForThisRun(unsigned long bytes);

// Our hosts' default limit, and the highest one the full-screen program raises it to by a key.
constexpr unsigned long kHostDefaultFileSize = 16ul << 20;
constexpr unsigned long kRaisedFileSizeCeiling = 256ul << 20;

// Makes every search of this process refuse files of kHostDefaultFileSize bytes or more unless
// the registry holds a valid value. Called before the first search, after the registry can be
// read.
void useHostDefaultFileSize();

#ifdef _WIN32
// The limit put in place of the stored value, 0 for none: what the Windows command answers the
// add-on's reading of MaxFileSize with (host/windows/size_limit_watch.h).
unsigned long fileSizeOverride();
#endif

// The limit the add-on's next search will apply.
FileSizeLimit fileSizeLimit();

}  // namespace host

#endif  // VANTREL_HOST_FILE_SIZE_LIMIT_H_
