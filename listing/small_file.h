// Reading the small files the listing rules are made of: ignore files, a ".git" file, a git
// configuration file, a repository's "commondir".
//
// Only a regular file of at most kSmallFileBytes is read. Whatever else stands at such a name (a
// FIFO, a socket, a device, a link to one of them, a file too large) is refused without being
// opened, so that no read waits for a writer or runs on without end: the caller counts it.
//
// Threading: any thread. Tested by tests/listing/listing_rules_test.cpp.
#ifndef VANTREL_LISTING_SMALL_FILE_H_
#define VANTREL_LISTING_SMALL_FILE_H_

#include <cstddef>
#include <string>

namespace vlisting {

// The most bytes a rule or configuration file may hold: 4 MiB, some 100,000 lines of patterns.
constexpr size_t kSmallFileBytes = size_t{4} << 20;

enum class SmallFile {
  kRead,     // read whole
  kMissing,  // no such file, or it cannot be opened
  kRefused,  // not a regular file, or larger than kSmallFileBytes
  kLink,     // a symbolic link, not followed
};

// Leaves the contents of the file `path` in `text` (empty unless read). `followLink`: whether a
// symbolic link at `path` is followed, else answered kLink.
SmallFile readSmallFile(const std::string& path, std::string& text, bool followLink = true);

}  // namespace vlisting

#endif  // VANTREL_LISTING_SMALL_FILE_H_
