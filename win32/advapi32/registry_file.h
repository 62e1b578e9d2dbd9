// The registry's file: where it lives, opening and checking it, and setting aside a file that is
// not a registry.
//
// Invariants:
// - The file is VANTREL_REGISTRY, else $XDG_CONFIG_HOME/vantrel/registry.sqlite3, else
//   $HOME/.config/vantrel/registry.sqlite3; it is created with mode 0600 (its journal files take
//   the same mode) and its directory with 0700.
// - Keys are rows of `keys` (full path, case-insensitive); values are rows of `vals` (key path,
//   case-insensitive name, type, raw bytes); the file is in write-ahead-log mode with full syncs.
// - A file there that is not a registry (not SQLite, damaged, or another program's database) is
//   never written and never lost: its bytes (and its -wal) are moved to a name no other file has,
//   the user is told once on stderr, and a new registry starts. Runs that find the same file at
//   once take turns on a lock of that file; the first moves it, the others find a new file there.
// - A registry that can be read but not written (read-only file or directory, full disk) is
//   opened for reading only.
//
// Threading: called under the connection's lock (win32/advapi32/registry_store.h).
// Tested by tests/win32/advapi32/registry_test.cpp.
#ifndef VANTREL_WIN32_REGISTRY_FILE_H_
#define VANTREL_WIN32_REGISTRY_FILE_H_

#include <string>

#include "win32/include/windef.h"

struct sqlite3;

namespace vwin::registry {

// The registry file's path as the environment names it now; empty when none can be formed.
std::string registryPath();

// Opens the registry at `path`, creating it when missing and setting aside what is not one.
// On success *out is the connection (the caller closes it) and *readOnly says whether it can
// only be read; otherwise a system error code (ERROR_CANTOPEN, ERROR_REGISTRY_CORRUPT, ...) and,
// in *why when given, the reason in words ("its directory /x cannot be reached (Permission
// denied)").
LONG openRegistryFile(const std::string& path, sqlite3** out, bool* readOnly,
                      std::string* why = nullptr);

}  // namespace vwin::registry

#endif  // VANTREL_WIN32_REGISTRY_FILE_H_
