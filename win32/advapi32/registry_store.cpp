// The registry's SQLite file: where it lives, opening and checking it, setting aside a file that
// is not a registry (see win32/advapi32/registry_store.h). Tested by tests/registry_test.cpp.
#include "win32/advapi32/registry_store.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>

#include "win32/kernel32/errno_map.h"

namespace vwin::registry {
namespace {

// Marks our files among SQLite databases ("VREG"); user_version is the schema's version.
constexpr int kApplicationId = 0x56524547;
constexpr int kSchemaVersion = 1;
// Long enough that another process's write (a few milliseconds) is always waited out.
constexpr int kBusyTimeoutMs = 30000;

struct Connection {
  std::mutex mutex;
  sqlite3* db = nullptr;
  std::string path;
  pid_t owner = 0;
};

Connection& connection() {
  static Connection* c = new Connection;  // lives to exit: keys may be closed from static dtors
  return *c;
}

bool makeDirectories(const std::string& dir) {
  if (dir.empty()) return true;
  struct stat st;
  if (stat(dir.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return true;
    errno = ENOTDIR;
    return false;
  }
  size_t slash = dir.find_last_of('/');
  if (slash != std::string::npos && slash > 0 && !makeDirectories(dir.substr(0, slash)))
    return false;
  return mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST;
}

// Answers the first column of a one-row statement as an integer; the SQLite result in *rc.
long long queryInteger(sqlite3* db, const char* sql, int* rc) {
  sqlite3_stmt* stmt = nullptr;
  *rc = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
  long long value = 0;
  if (*rc == SQLITE_OK) {
    *rc = sqlite3_step(stmt);
    if (*rc == SQLITE_ROW) {
      value = sqlite3_column_int64(stmt, 0);
      *rc = SQLITE_OK;
    } else if (*rc == SQLITE_DONE) {
      *rc = SQLITE_OK;
    }
  }
  sqlite3_finalize(stmt);
  return value;
}

enum class Verdict { kRegistry, kEmpty, kNotRegistry, kError };

Verdict examineSnapshot(sqlite3* db, int* rc) {
  long long appId = queryInteger(db, "PRAGMA application_id", rc);
  if (*rc == SQLITE_NOTADB || *rc == SQLITE_CORRUPT) return Verdict::kNotRegistry;
  if (*rc != SQLITE_OK) return Verdict::kError;
  if (appId == 0) {
    long long objects = queryInteger(db, "SELECT count(*) FROM sqlite_master", rc);
    if (*rc == SQLITE_NOTADB || *rc == SQLITE_CORRUPT) return Verdict::kNotRegistry;
    if (*rc != SQLITE_OK) return Verdict::kError;
    return objects == 0 ? Verdict::kEmpty : Verdict::kNotRegistry;
  }
  if (appId != kApplicationId) return Verdict::kNotRegistry;
  sqlite3_stmt* stmt = nullptr;
  *rc = sqlite3_prepare_v2(db, "PRAGMA quick_check(1)", -1, &stmt, nullptr);
  bool sound = false;
  if (*rc == SQLITE_OK && (*rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    const unsigned char* text = sqlite3_column_text(stmt, 0);
    sound = text && std::string(reinterpret_cast<const char*>(text)) == "ok";
    *rc = SQLITE_OK;
  }
  sqlite3_finalize(stmt);
  if (*rc == SQLITE_BUSY || *rc == SQLITE_LOCKED || *rc == SQLITE_NOMEM) return Verdict::kError;
  if (!sound) return Verdict::kNotRegistry;
  int versionRc;
  long long version = queryInteger(db, "PRAGMA user_version", &versionRc);
  if (versionRc == SQLITE_OK && version < kSchemaVersion) return Verdict::kEmpty;
  return Verdict::kRegistry;
}

// Examines the file in one read transaction: another process may be laying out a new registry at
// this moment, and reading its id and its tables in two snapshots could see the tables without
// the id and take a sound registry for a foreign file.
Verdict examine(sqlite3* db, int* rc) {
  *rc = sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  if (*rc != SQLITE_OK) return Verdict::kError;
  Verdict verdict = examineSnapshot(db, rc);
  sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
  return verdict;
}

// Lays out a new registry in an empty database. Another process may do the same at once: the
// IMMEDIATE transaction serialises the two and the loser finds the work done.
int initialise(sqlite3* db) {
  sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
  int rc = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) return rc;
  rc = sqlite3_exec(db,
                    "CREATE TABLE IF NOT EXISTS keys(path TEXT PRIMARY KEY COLLATE NOCASE)"
                    " WITHOUT ROWID;"
                    "CREATE TABLE IF NOT EXISTS vals(key TEXT NOT NULL COLLATE NOCASE,"
                    " name TEXT NOT NULL COLLATE NOCASE, type INTEGER NOT NULL,"
                    " data BLOB NOT NULL, PRIMARY KEY(key, name)) WITHOUT ROWID;"
                    "PRAGMA application_id=1448232263;"
                    "PRAGMA user_version=1;",
                    nullptr, nullptr, nullptr);
  static_assert(kApplicationId == 1448232263 && kSchemaVersion == 1);
  if (rc != SQLITE_OK) {
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    return rc;
  }
  return sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
}

std::string asideName(const std::string& path) {
  char stamp[32];
  time_t now = time(nullptr);
  struct tm parts;
  gmtime_r(&now, &parts);
  strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &parts);
  std::string base = path + ".damaged-" + stamp;
  std::string name = base;
  struct stat st;
  for (int n = 2; lstat(name.c_str(), &st) == 0; ++n) name = base + "-" + std::to_string(n);
  return name;
}

// Renames the file at `path` aside unless it is no longer the file we examined (another process
// may have set it aside and started a new registry already).
void setAside(const std::string& path, dev_t device, ino_t inode) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || st.st_dev != device || st.st_ino != inode) return;
  std::string aside = asideName(path);
  if (rename(path.c_str(), aside.c_str()) != 0) return;
  rename((path + "-wal").c_str(), (aside + "-wal").c_str());
  unlink((path + "-shm").c_str());
  fprintf(stderr,
          "vantrel: %s is not a usable registry file; it was kept as %s and a new registry "
          "was started\n",
          path.c_str(), aside.c_str());
}

// Opens (creating when missing) the registry file at `path`, setting aside what is not one.
LONG openDatabase(const std::string& path, sqlite3** out) {
  *out = nullptr;
  size_t slash = path.find_last_of('/');
  if (slash != std::string::npos && slash > 0 && !makeDirectories(path.substr(0, slash)))
    return static_cast<LONG>(vwinErrorFromErrno(errno));
  for (int attempt = 0; attempt < 3; ++attempt) {
    struct stat before;
    bool existed = stat(path.c_str(), &before) == 0;
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return static_cast<LONG>(vwinErrorFromErrno(errno));
    if (!existed) fchmod(fd, 0600);  // whatever the umask took away or left
    struct stat opened;
    fstat(fd, &opened);
    close(fd);

    sqlite3* db = nullptr;
    int rc =
        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
      sqlite3_close_v2(db);
      return errorFromSqlite(rc);
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    sqlite3_exec(db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    Verdict verdict = examine(db, &rc);
    if (verdict == Verdict::kEmpty) {
      rc = initialise(db);
      if (rc == SQLITE_OK) verdict = examine(db, &rc);
      if (rc == SQLITE_NOTADB || rc == SQLITE_CORRUPT) verdict = Verdict::kNotRegistry;
    }
    if (verdict == Verdict::kRegistry) {
      *out = db;
      return ERROR_SUCCESS;
    }
    sqlite3_close_v2(db);
    if (verdict != Verdict::kNotRegistry) return errorFromSqlite(rc);
    setAside(path, opened.st_dev, opened.st_ino);
  }
  return ERROR_REGISTRY_CORRUPT;
}

}  // namespace

std::string registryPath() {
  if (const char* named = getenv("VANTREL_REGISTRY"); named && *named) return named;
  if (const char* config = getenv("XDG_CONFIG_HOME"); config && *config == '/')
    return std::string(config) + "/vantrel/registry.sqlite3";
  if (const char* home = getenv("HOME"); home && *home)
    return std::string(home) + "/.config/vantrel/registry.sqlite3";
  return std::string();
}

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
  std::lock_guard<std::mutex> lock(c.mutex);
  // A forked child must not use its parent's connection (SQLite's locks are per process).
  if (c.db && c.owner != getpid()) c.db = nullptr;
  std::string path = registryPath();
  if (path.empty()) return ERROR_CANTOPEN;
  if (c.db && c.path != path) {
    sqlite3_close_v2(c.db);
    c.db = nullptr;
  }
  if (!c.db) {
    LONG error = openDatabase(path, &c.db);
    if (error != ERROR_SUCCESS) return error;
    c.path = path;
    c.owner = getpid();
  }
  LONG result;
  try {
    result = work(c.db);
  } catch (...) {
    result = ERROR_NOT_ENOUGH_MEMORY;
  }
  if (result == ERROR_REGISTRY_CORRUPT) {
    sqlite3_close_v2(c.db);
    c.db = nullptr;
  }
  return result;
}

}  // namespace vwin::registry
