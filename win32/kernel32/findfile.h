// What a file search answers, for the layer's own use (win32/kernel32/findfile.cpp).
//
// Threading: any thread; the listing is shared and never changes.
// Tested by tests/win32/kernel32/findfile_test.cpp and tests/search/driver_test.cpp.
#ifndef VANTREL_WIN32_FINDFILE_H_
#define VANTREL_WIN32_FINDFILE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "win32/include/windef.h"
#include "win32/kernel32/listing_cache.h"

namespace vwin {

struct FoundEntry {
  uint32_t index;  // into the listing's names
  DWORD attributes;
};

// The entries FindFirstFileA answers for `dir` (the directory part as spelled, "" for the current
// one; `dirFull` the length of its full form, as toOpenablePath gives it) and `namePattern` from
// `listing`, the listing of `posix`, in listing order; nothing is counted as passed over.
std::vector<FoundEntry> searchEntries(std::shared_ptr<const DirectoryListing> listing,
                                      const std::string& dir, size_t dirFull, const char* posix,
                                      const std::string& namePattern);

}  // namespace vwin

#endif  // VANTREL_WIN32_FINDFILE_H_
