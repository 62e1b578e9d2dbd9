// The registry's file: one SQLite database shared by every process of the user, opened lazily and
// reopened when the file named by the environment changes (tests point VANTREL_REGISTRY at a new
// temporary file per case).
//
// Invariants:
// - The file is VANTREL_REGISTRY, else $XDG_CONFIG_HOME/vantrel/registry.sqlite3, else
//   $HOME/.config/vantrel/registry.sqlite3; it is created with mode 0600 (its journal files take
//   the same mode) and its directory with 0700.
// - A file there that is not a registry (not SQLite, damaged, or another program's database) is
//   never written: it is renamed aside, the user is told once on stderr, and a new registry starts.
// - Keys are rows of `keys` (full path, case-insensitive); values are rows of `vals` (key path,
//   case-insensitive name, type, raw bytes). A write is one IMMEDIATE transaction; a busy file is
//   waited for, so concurrent processes queue instead of failing.
//
// Threading: every function locks the one connection of the process; callable from any thread.
// A child made by fork() opens its own connection and never touches its parent's.
// Tested by tests/registry_test.cpp.
#ifndef VANTREL_WIN32_REGISTRY_STORE_H_
#define VANTREL_WIN32_REGISTRY_STORE_H_

#include <functional>
#include <string>

#include "win32/include/windef.h"

struct sqlite3;

namespace vwin::registry {

// Runs `work` with the open database under the process's registry lock. Answers what `work`
// answers, or a system error code when the file cannot be opened (ERROR_CANTOPEN and friends).
// When `work` answers ERROR_REGISTRY_CORRUPT the connection is dropped, so that the next call
// checks the file again and sets it aside.
LONG withDatabase(const std::function<LONG(sqlite3*)>& work);

// Maps an SQLite result code to the Windows error the registry functions answer.
LONG errorFromSqlite(int code);

// The registry file's path as the environment names it now; empty when none can be formed.
std::string registryPath();

}  // namespace vwin::registry

#endif  // VANTREL_WIN32_REGISTRY_STORE_H_
