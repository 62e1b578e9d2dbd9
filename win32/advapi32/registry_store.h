// The registry's connection: one SQLite connection per process to the file that
// win32/advapi32/registry_file.h opens, reopened when the file named by the environment changes
// (tests point VANTREL_REGISTRY at a new temporary file per case), and the transactions the
// registry functions run in.
//
// Invariants:
// - A change is one IMMEDIATE transaction of its own, or, inside a Batch, a savepoint of the
//   batch's transaction; a busy file is waited for, so concurrent processes queue instead of
//   failing.
// - A Batch's transaction begins at its first registry call and ends with it: committed whole
//   when every change succeeded, rolled back whole otherwise, so another process or a kill sees
//   all of its changes or none.
// - When a change cannot be stored (the file or its directory read-only, the disk full, the file
//   unusable) the user is told once per process on stderr that settings will not be saved; when
//   the registry cannot be opened at all, or no file is named, the first call of any kind tells
//   it, with the reason.
//
// Threading: every function locks the one connection of the process; callable from any thread.
// A Batch belongs to the thread that made it and keeps other threads' registry calls waiting
// while its transaction is open. A child made by fork() opens its own connection and never
// touches its parent's.
// Tested by tests/win32/advapi32/registry_test.cpp and tests/dialog/search_dialog_test.cpp.
#ifndef VANTREL_WIN32_REGISTRY_STORE_H_
#define VANTREL_WIN32_REGISTRY_STORE_H_

#include <functional>
#include <string>

#include "win32/include/windef.h"

struct sqlite3;

namespace vwin::registry {

// Runs `work` with the open database under the process's registry lock (inside the thread's
// Batch transaction when there is one). Answers what `work` answers, or a system error code when
// the file cannot be opened (ERROR_CANTOPEN and friends). When `work` answers
// ERROR_REGISTRY_CORRUPT the connection is dropped, so that the next call checks the file again
// and sets it aside.
LONG withDatabase(const std::function<LONG(sqlite3*)>& work);

// Runs `change` as one change of the registry (see the invariants); a failure leaves the file as
// it was and tells the user once that settings will not be saved.
LONG withChange(const std::function<LONG(sqlite3*)>& change);

// Maps an SQLite result code to the Windows error the registry functions answer.
LONG errorFromSqlite(int code);

// Makes every registry call of the calling thread, while the outermost Batch of the thread lives,
// one transaction (see the invariants). Nested Batches join the outermost one. The dialog manager
// holds one while a dialog procedure handles a message, so that one dialog action (reading a
// history list and writing it back shifted) is atomic towards other processes.
class Batch {
 public:
  Batch();
  ~Batch();
  Batch(const Batch&) = delete;
  Batch& operator=(const Batch&) = delete;
};

}  // namespace vwin::registry

#endif  // VANTREL_WIN32_REGISTRY_STORE_H_
