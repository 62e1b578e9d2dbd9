// The registry's SQLite file: where it lives, opening and checking it, setting aside a file that
// is not a registry (see win32/advapi32/registry_file.h). Tested by
// tests/win32/advapi32/registry_test.cpp.
#include "win32/advapi32/registry_file.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "win32/advapi32/registry_store.h"
#include "win32/kernel32/errno_map.h"

namespace vwin::registry {
namespace {

// Marks our files among SQLite databases ("VREG"); user_version is the schema's version.
constexpr int kApplicationId = 0x56524547;
constexpr int kSchemaVersion = 1;
// Long enough that another process's write (a few milliseconds) is always waited out.
constexpr int kBusyTimeoutMs = 30000;

// Makes `dir` and the directories above it that are missing. False with errno set when one cannot
// be made or reached; *failed then says which, and how, for the user.
bool makeDirectories(const std::string& dir, std::string* failed) {
  if (dir.empty()) return true;
  struct stat st;
  if (stat(dir.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return true;
    *failed = "its directory " + dir + " is a file";
    errno = ENOTDIR;
    return false;
  }
  if (errno != ENOENT) {  // there, but out of reach
    *failed = "its directory " + dir + " cannot be reached";
    return false;
  }
  size_t slash = dir.find_last_of('/');
  if (slash != std::string::npos && slash > 0 && !makeDirectories(dir.substr(0, slash), failed))
    return false;
  if (mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST) return true;
  *failed = "its directory " + dir + " cannot be made";
  return false;
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

// Whether an error from opening or reading the file for writing says that it can still be read:
// the file or its directory is read-only, or the disk is full (its -wal or -shm cannot be made).
bool readableOnly(int code) {
  switch (code & 0xff) {
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_CANTOPEN:
    case SQLITE_FULL:
    case SQLITE_IOERR:
      return true;
    default:
      return false;
  }
}

// `path` as an SQLite URI with `query`: every byte but the unreserved ones and '/' escaped.
std::string fileUri(const std::string& path, const char* query) {
  std::string uri = "file:";
  for (unsigned char ch : path) {
    if (isalnum(ch) || strchr("/-._~", ch)) {
      uri += static_cast<char>(ch);
    } else {
      char escaped[4];
      snprintf(escaped, sizeof escaped, "%%%02X", ch);
      uri += escaped;
    }
  }
  return uri + "?" + query;
}

// Opens the registry at `path` for reading only. Without a -wal the file holds everything and is
// read as an unchanging file, which makes no journal files beside it (they would take the file's
// read-only mode and outlast it); with one, as SQLite reads a database it cannot write, and, when
// not even the -shm can be had there, the file alone.
LONG openForReading(const std::string& path, sqlite3** out) {
  int rc = SQLITE_CANTOPEN;
  struct stat st;
  std::vector<std::string> names{fileUri(path, "immutable=1")};
  if (stat((path + "-wal").c_str(), &st) == 0) names.insert(names.begin(), path);
  for (const std::string& name : names) {
    sqlite3* db = nullptr;
    rc = sqlite3_open_v2(name.c_str(), &db,
                         SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI, nullptr);
    if (rc == SQLITE_OK) {
      sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
      sqlite3_busy_timeout(db, kBusyTimeoutMs);
      Verdict verdict = examine(db, &rc);
      if (verdict == Verdict::kRegistry) {
        *out = db;
        return ERROR_SUCCESS;
      }
      if (verdict == Verdict::kNotRegistry) rc = SQLITE_NOTADB;
      if (verdict == Verdict::kEmpty) rc = SQLITE_READONLY;  // nothing stored and nothing to store
    }
    sqlite3_close_v2(db);
    if (rc == SQLITE_NOTADB || rc == SQLITE_CORRUPT) break;  // read-only: left where it is
  }
  return errorFromSqlite(rc);
}

// Gives `from` the name `to` unless `to` exists; answers whether `from` is gone (or never was).
// A hard link never replaces a file, so two runs can never put their files under one name.
bool moveUnlessTaken(const std::string& from, const std::string& to) {
  if (link(from.c_str(), to.c_str()) == 0) return unlink(from.c_str()) == 0 || errno == ENOENT;
  if (errno == ENOENT) return true;
  if (errno == EEXIST) return false;
  // A file system without hard links: the name holds this process's id, and every run that sets
  // this file aside holds its lock, so nothing else can be at `to`.
  struct stat st;
  return lstat(to.c_str(), &st) != 0 && rename(from.c_str(), to.c_str()) == 0;
}

// Moves the file at `path` (which was found to be no registry; device and inode as examined) to
// a name of its own, with its -wal and -shm, and tells the user. Every run that found the same
// file takes its turn on an exclusive lock of that file and moves it only while `path` still
// names it, so a file is moved once, and only a file's own journal files move with it: a new
// registry's files can only appear after the damaged file has left `path`.
void setAside(const std::string& path, dev_t device, ino_t inode) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return;
  while (flock(fd, LOCK_EX) != 0 && errno == EINTR) {
  }
  struct stat held, named;
  if (fstat(fd, &held) != 0 || held.st_dev != device || held.st_ino != inode ||
      stat(path.c_str(), &named) != 0 || named.st_dev != device || named.st_ino != inode) {
    close(fd);  // another run has set it aside already
    return;
  }
  char stamp[32];
  time_t now = time(nullptr);
  struct tm parts;
  gmtime_r(&now, &parts);
  strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &parts);
  std::string base = path + ".damaged-" + stamp + "-" + std::to_string(getpid());
  std::string aside;
  bool linked = false;
  for (int n = 1; n < 100 && aside.empty(); ++n) {
    std::string name = n == 1 ? base : base + "-" + std::to_string(n);
    struct stat st;
    if (lstat(name.c_str(), &st) == 0 || lstat((name + "-wal").c_str(), &st) == 0 ||
        lstat((name + "-shm").c_str(), &st) == 0)
      continue;
    linked = link(path.c_str(), name.c_str()) == 0;
    if (linked || errno != EEXIST) aside = name;  // without hard links it is renamed below
  }
  if (aside.empty()) {
    close(fd);
    return;
  }
  // The journal files first: once `path` is free a new registry may make its own at once.
  bool kept = moveUnlessTaken(path + "-wal", aside + "-wal") &&
              moveUnlessTaken(path + "-shm", aside + "-shm");
  if (kept) kept = linked ? unlink(path.c_str()) == 0 : rename(path.c_str(), aside.c_str()) == 0;
  if (!kept && linked) unlink(aside.c_str());  // the bytes are still whole at `path`
  close(fd);
  if (!kept) return;
  fprintf(stderr,
          "vantrel: %s is not a usable registry file; it was kept as %s and a new registry "
          "was started\n",
          path.c_str(), aside.c_str());
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

LONG openRegistryFile(const std::string& path, sqlite3** out, bool* readOnly, std::string* why) {
  *out = nullptr;
  *readOnly = false;
  std::string scratch;
  if (!why) why = &scratch;
  size_t slash = path.find_last_of('/');
  std::string failed;
  if (slash != std::string::npos && slash > 0 && !makeDirectories(path.substr(0, slash), &failed)) {
    int error = errno;
    *why = failed + ": " + strerror(error);
    return static_cast<LONG>(vwinErrorFromErrno(error));
  }
  // Each turn either opens the registry or finds that its file was set aside (by this run or
  // another) and looks again.
  for (int attempt = 0; attempt < 8; ++attempt) {
    struct stat before;
    bool existed = stat(path.c_str(), &before) == 0;
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
      int error = errno;
      if (existed && (error == EACCES || error == EPERM || error == EROFS)) {
        *readOnly = true;
        LONG read = openForReading(path, out);
        if (read != ERROR_SUCCESS) *why = "it cannot be read";
        return read;
      }
      *why = strerror(error);
      return static_cast<LONG>(vwinErrorFromErrno(error));
    }
    if (!existed) fchmod(fd, 0600);  // whatever the umask took away or left
    struct stat opened;
    fstat(fd, &opened);
    close(fd);

    sqlite3* db = nullptr;
    int rc =
        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
      *why = sqlite3_errstr(rc);
      sqlite3_close_v2(db);
      return errorFromSqlite(rc);
    }
    // Closing never checkpoints or removes the journal files by their names: they may be a
    // damaged file's, to be kept with it, or, once it has been set aside, a new registry's.
    sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    sqlite3_exec(db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    Verdict verdict = examine(db, &rc);
    struct stat now;
    if (stat(path.c_str(), &now) != 0 || now.st_dev != opened.st_dev ||
        now.st_ino != opened.st_ino) {
      // Set aside meanwhile: what was read may mix its file with a new registry's journal.
      sqlite3_close_v2(db);
      continue;
    }
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
    if (verdict == Verdict::kError && readableOnly(rc)) {
      // The journal files cannot be made here (read-only directory, full disk): read what is
      // stored, if anything.
      *readOnly = true;
      LONG error = openForReading(path, out);
      if (error != ERROR_SUCCESS) *why = sqlite3_errstr(rc);
      return error == ERROR_SUCCESS ? error : errorFromSqlite(rc);
    }
    if (verdict != Verdict::kNotRegistry) {
      *why = sqlite3_errstr(rc);
      return errorFromSqlite(rc);
    }
    setAside(path, opened.st_dev, opened.st_ino);
  }
  *why = "it is not a registry and could not be set aside";
  return ERROR_REGISTRY_CORRUPT;
}

}  // namespace vwin::registry
