// The registry's connection, its changes and batches (see win32/advapi32/registry_store.h).
// Tested by tests/win32/advapi32/registry_test.cpp and tests/dialog/search_dialog_test.cpp.
#include "win32/advapi32/registry_store.h"

#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <mutex>

#include "win32/advapi32/registry_file.h"

namespace vwin::registry {
namespace {

struct Connection {
  std::recursive_mutex mutex;  // recursive: a Batch holds it across the calls it joins
  sqlite3* db = nullptr;
  std::string path;
  pid_t owner = 0;
  bool readOnly = false;
  bool told = false;     // the user was told that settings are not saved...
  std::string toldPath;  // ...in this file (empty: no file could be named)
};

Connection& connection() {
  static Connection* c = new Connection;  // lives to exit: keys may be closed from static dtors
  return *c;
}

// The calling thread's Batch: how deeply nested, whether its transaction is open on the
// connection, and the first failed change, after which the batch stores nothing.
struct BatchState {
  int depth = 0;
  bool open = false;
  LONG failure = ERROR_SUCCESS;
  std::unique_lock<std::recursive_mutex> hold;  // the connection's lock while `open`
};

thread_local BatchState batchState;

void drop(Connection& c) {
  sqlite3_close_v2(c.db);  // an open transaction is rolled back
  c.db = nullptr;
  BatchState& b = batchState;
  if (b.open) {
    b.open = false;
    if (b.failure == ERROR_SUCCESS) b.failure = ERROR_REGISTRY_CORRUPT;
    b.hold.unlock();
  }
}

const char* reason(LONG error) {
  switch (error) {
    case ERROR_ACCESS_DENIED:
      return "the file or its directory is read-only";
    case ERROR_DISK_FULL:
      return "the disk is full";
    case ERROR_REGISTRY_CORRUPT:
      return "the file is damaged";
    case ERROR_BUSY:
      return "another process holds it";
    case ERROR_REGISTRY_IO_FAILED:
    case ERROR_NOT_ENOUGH_MEMORY:
      return "a write failed";
    default:
      return "it cannot be opened";
  }
}

// Whether the user is still to be told about the registry at `path`; true once per file.
bool firstTellingFor(Connection& c, const std::string& path) {
  if (c.told && c.toldPath == path) return false;
  c.told = true;
  c.toldPath = path;
  return true;
}

// Tells the user, once per file, that what they choose is not remembered.
void tellNotSaved(LONG error) {
  if (error == ERROR_KEY_DELETED || error == ERROR_INVALID_PARAMETER) return;  // the caller's
  Connection& c = connection();
  std::lock_guard<std::recursive_mutex> lock(c.mutex);
  std::string path = registryPath();
  if (!firstTellingFor(c, path)) return;
  if (path.empty())
    fprintf(stderr,
            "vantrel: settings will not be saved: no registry file is named (VANTREL_REGISTRY, "
            "XDG_CONFIG_HOME and HOME are unset or empty)\n");
  else
    fprintf(stderr, "vantrel: settings will not be saved: the registry %s cannot be written (%s)\n",
            path.c_str(), reason(error));
}

// Tells the user, once per file, that the registry cannot be used at all: nothing remembered is
// read, nothing chosen is stored.
void tellNotOpened(Connection& c, const std::string& path, const std::string& why) {
  if (!firstTellingFor(c, path)) return;
  fprintf(stderr,
          "vantrel: settings will not be read or saved: the registry %s cannot be opened (%s)\n",
          path.c_str(), why.c_str());
}

}  // namespace

LONG errorFromSqlite(int code) {
  switch (code & 0xff) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
      return ERROR_SUCCESS;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return ERROR_BUSY;
    case SQLITE_NOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return ERROR_ACCESS_DENIED;
    case SQLITE_FULL:
      return ERROR_DISK_FULL;
    case SQLITE_CANTOPEN:
      return ERROR_CANTOPEN;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      return ERROR_REGISTRY_CORRUPT;
    case SQLITE_TOOBIG:
    case SQLITE_RANGE:
    case SQLITE_MISMATCH:
      return ERROR_INVALID_PARAMETER;
    default:
      return ERROR_REGISTRY_IO_FAILED;
  }
}

LONG withDatabase(const std::function<LONG(sqlite3*)>& work) {
  Connection& c = connection();
  std::lock_guard<std::recursive_mutex> lock(c.mutex);
  BatchState& b = batchState;
  // A forked child must not use its parent's connection (SQLite's locks are per process).
  if (c.db && c.owner != getpid()) c.db = nullptr;
  if (!b.open) {
    std::string path = registryPath();
    if (path.empty()) {
      tellNotSaved(ERROR_CANTOPEN);
      return ERROR_CANTOPEN;
    }
    if (c.db && c.path != path) drop(c);
    if (!c.db) {
      std::string why;
      LONG error = openRegistryFile(path, &c.db, &c.readOnly, &why);
      if (error != ERROR_SUCCESS) {
        tellNotOpened(c, path, why.empty() ? reason(error) : why);
        return error;
      }
      c.path = path;
      c.owner = getpid();
    }
    if (b.depth > 0) {
      // IMMEDIATE: what the batch reads cannot change before it writes.
      int rc =
          sqlite3_exec(c.db, c.readOnly ? "BEGIN" : "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
      if (rc != SQLITE_OK) return errorFromSqlite(rc);
      b.open = true;
      b.hold = std::unique_lock<std::recursive_mutex>(c.mutex);
    }
  }
  LONG result;
  try {
    result = work(c.db);
  } catch (...) {
    result = ERROR_NOT_ENOUGH_MEMORY;
  }
  if (result == ERROR_REGISTRY_CORRUPT) drop(c);
  return result;
}

LONG withChange(const std::function<LONG(sqlite3*)>& change) {
  BatchState& b = batchState;
  if (b.depth > 0 && b.failure != ERROR_SUCCESS) return b.failure;
  LONG result = withDatabase([&](sqlite3* db) -> LONG {
    if (connection().readOnly) return ERROR_ACCESS_DENIED;
    bool inBatch = b.open;
    int rc = sqlite3_exec(db, inBatch ? "SAVEPOINT change" : "BEGIN IMMEDIATE", nullptr, nullptr,
                          nullptr);
    if (rc != SQLITE_OK) return errorFromSqlite(rc);
    LONG error = change(db);
    if (error == ERROR_SUCCESS) {
      rc = sqlite3_exec(db, inBatch ? "RELEASE change" : "COMMIT", nullptr, nullptr, nullptr);
      if (rc == SQLITE_OK) return ERROR_SUCCESS;
      error = errorFromSqlite(rc);
    }
    if (inBatch) {
      sqlite3_exec(db, "ROLLBACK TO change; RELEASE change", nullptr, nullptr, nullptr);
    } else if (!sqlite3_get_autocommit(db)) {
      sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    return error;
  });
  if (result != ERROR_SUCCESS) {
    if (b.depth > 0 && b.failure == ERROR_SUCCESS) b.failure = result;
    tellNotSaved(result);
  }
  return result;
}

Batch::Batch() { ++batchState.depth; }

Batch::~Batch() {
  BatchState& b = batchState;
  if (--b.depth > 0) return;
  LONG failure = b.failure;
  b.failure = ERROR_SUCCESS;
  if (!b.open) return;
  sqlite3* db = connection().db;
  if (failure == ERROR_SUCCESS) {
    int rc = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    failure = errorFromSqlite(rc);
  }
  if (!sqlite3_get_autocommit(db)) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
  b.open = false;
  b.hold.unlock();
  if (failure != ERROR_SUCCESS) tellNotSaved(failure);
}

}  // namespace vwin::registry
