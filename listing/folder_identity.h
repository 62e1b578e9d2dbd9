// What tells one folder from another whatever path reaches it: on POSIX its device and inode, on
// Windows its volume's serial number and its file index (which a link or junction leading to
// it gives too).
//
// Threading: any thread. Tested by tests/host/cli/command_e2e_test.cpp and, on Windows, by
// tests/windows/wine_test.sh.
#ifndef VANTREL_LISTING_FOLDER_IDENTITY_H_
#define VANTREL_LISTING_FOLDER_IDENTITY_H_

#include <cstdint>
#include <string>
#include <utility>

namespace vlisting {

using FolderIdentity = std::pair<uint64_t, uint64_t>;

// The identity of the folder at `path` (in the rules' form: listing/system_path.h), following
// links; false when it cannot be had (gone, unreadable).
bool folderIdentity(const std::string& path, FolderIdentity& identity);

}  // namespace vlisting

#endif  // VANTREL_LISTING_FOLDER_IDENTITY_H_
