// The recent searches kept across runs (see host/tui/tui_recent_searches.h).
// Tested by tests/host/tui/tui_results_test.cpp.
#include "host/tui/tui_recent_searches.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <stdio.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

#include "host/tui/tui_quickfix.h"

namespace tui {
namespace {

// Beside the boxes in the options column: an older program reads the boxes alone.
constexpr int kStoppedBit = 0x100;

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS searches(id INTEGER PRIMARY KEY, time INTEGER NOT NULL, "
    "text BLOB NOT NULL, file_types BLOB NOT NULL, directories BLOB NOT NULL, "
    "options INTEGER NOT NULL, rules BLOB NOT NULL, hits INTEGER NOT NULL, "
    "files INTEGER NOT NULL)";

std::string column(sqlite3_stmt* statement, int index) {
  const void* bytes = sqlite3_column_blob(statement, index);
  int size = sqlite3_column_bytes(statement, index);
  return bytes ? std::string(static_cast<const char*>(bytes), static_cast<size_t>(size))
               : std::string();
}

bool damaged(int rc) {
  rc &= 0xFF;
  return rc == SQLITE_NOTADB || rc == SQLITE_CORRUPT;
}

// Reads the kept searches, oldest first; the SQLite result code.
int readAll(sqlite3* db, std::vector<RecentSearch>* out) {
  // A damaged page shows here even where the rows read below would not touch it.
  sqlite3_stmt* check = nullptr;
  int rc = sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &check, nullptr);
  if (rc == SQLITE_OK) {
    rc = sqlite3_step(check);
    if (rc == SQLITE_ROW) {
      const unsigned char* verdict = sqlite3_column_text(check, 0);
      rc = verdict && std::string(reinterpret_cast<const char*>(verdict)) == "ok" ? SQLITE_OK
                                                                                  : SQLITE_CORRUPT;
    }
  }
  sqlite3_finalize(check);
  if (rc != SQLITE_OK && rc != SQLITE_DONE) return rc;
  rc = sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) return rc;
  sqlite3_stmt* select = nullptr;
  rc = sqlite3_prepare_v2(db,
                          // The newest kKept only, as add keeps them: a file another build or
                          // a hand wrote may hold more.
                          ("SELECT time, text, file_types, directories, options, rules, hits, "
                           "files FROM (SELECT * FROM searches ORDER BY id DESC LIMIT " +
                           std::to_string(RecentSearches::kKept) + ") ORDER BY id")
                              .c_str(),
                          -1, &select, nullptr);
  while (rc == SQLITE_OK && (rc = sqlite3_step(select)) == SQLITE_ROW) {
    RecentSearch s;
    s.request.known = true;
    s.request.time = sqlite3_column_int64(select, 0);
    s.request.text = column(select, 1);
    s.request.fileTypes = column(select, 2);
    s.request.directories = column(select, 3);
    int options = sqlite3_column_int(select, 4);
    s.request.options = options & kAllSearchOptions;  // the five boxes, nothing else
    s.stopped = (options & kStoppedBit) != 0;
    s.request.rules = column(select, 5);
    s.hits = static_cast<long>(sqlite3_column_int64(select, 6));
    s.files = static_cast<long>(sqlite3_column_int64(select, 7));
    out->push_back(std::move(s));
    rc = SQLITE_OK;
  }
  sqlite3_finalize(select);
  return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

int openFile(const std::string& path, sqlite3** db) {
  int rc = sqlite3_open_v2(path.c_str(), db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  if (rc == SQLITE_OK) sqlite3_busy_timeout(*db, 2000);  // another run writing its search
  return rc;
}

}  // namespace

RecentSearches::~RecentSearches() { sqlite3_close_v2(db_); }

namespace {

// Moves `path` to the first free name of "PATH.unreadable", "PATH.unreadable.2", ..., never over
// a copy set aside before; the name, or "" when it could not be moved.
std::string setAside(const std::string& path) {
  for (int n = 1; n <= 1000; ++n) {
    std::string aside = path + ".unreadable" + (n > 1 ? "." + std::to_string(n) : "");
    if (renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE) == 0)
      return aside;
    if (errno == EINVAL && link(path.c_str(), aside.c_str()) == 0) {
      // A file system that cannot rename without replacing: a second name, then the first gone.
      if (unlink(path.c_str()) == 0) return aside;
      unlink(aside.c_str());
      return "";
    }
    if (errno != EEXIST) return "";
  }
  return "";
}

}  // namespace

bool RecentSearches::open(const std::string& directory, std::vector<RecentSearch>* searches,
                          std::string* problem) {
  searches->clear();
  path_ = directory + "/" + kFileName;
  if (!makeDirectories(directory)) {
    *problem = "Recent searches are not kept: cannot make " + directory;
    return false;
  }
  int rc = openFile(path_, &db_);
  if (rc == SQLITE_OK) rc = readAll(db_, searches);
  if (rc == SQLITE_OK) return true;
  std::string why = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
  sqlite3_close_v2(db_);
  db_ = nullptr;
  searches->clear();
  if (!damaged(rc)) {
    *problem = "Recent searches are not kept: " + path_ + ": " + why;
    return false;
  }
  // Set aside whole, for the user to look at; a new list begins.
  std::string aside = setAside(path_);
  if (aside.empty()) {
    *problem = "Recent searches are not kept: " + path_ + ": " + why;
    return false;
  }
  *problem = "Recent searches could not be read (" + why + "): the file is now " + aside;
  if (openFile(path_, &db_) != SQLITE_OK ||
      sqlite3_exec(db_, kSchema, nullptr, nullptr, nullptr) != SQLITE_OK) {
    sqlite3_close_v2(db_);
    db_ = nullptr;
    *problem += "; this run's searches are not kept";
  }
  return false;
}

bool RecentSearches::add(const RecentSearch& search, std::string* problem) {
  if (!db_) return false;
  sqlite3_stmt* insert = nullptr;
  int rc = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
  if (rc == SQLITE_OK)
    rc = sqlite3_prepare_v2(db_,
                            "INSERT INTO searches(time, text, file_types, directories, options, "
                            "rules, hits, files) VALUES(?, ?, ?, ?, ?, ?, ?, ?)",
                            -1, &insert, nullptr);
  if (rc == SQLITE_OK) {
    const SearchRequest& r = search.request;
    sqlite3_bind_int64(insert, 1, r.time);
    sqlite3_bind_blob(insert, 2, r.text.data(), static_cast<int>(r.text.size()), SQLITE_STATIC);
    sqlite3_bind_blob(insert, 3, r.fileTypes.data(), static_cast<int>(r.fileTypes.size()),
                      SQLITE_STATIC);
    sqlite3_bind_blob(insert, 4, r.directories.data(), static_cast<int>(r.directories.size()),
                      SQLITE_STATIC);
    sqlite3_bind_int(insert, 5,
                     (r.options & kAllSearchOptions) | (search.stopped ? kStoppedBit : 0));
    sqlite3_bind_blob(insert, 6, r.rules.data(), static_cast<int>(r.rules.size()), SQLITE_STATIC);
    sqlite3_bind_int64(insert, 7, search.hits);
    sqlite3_bind_int64(insert, 8, search.files);
    rc = sqlite3_step(insert) == SQLITE_DONE ? SQLITE_OK : sqlite3_errcode(db_);
  }
  sqlite3_finalize(insert);
  if (rc == SQLITE_OK)
    rc = sqlite3_exec(db_,
                      ("DELETE FROM searches WHERE id <= (SELECT id FROM searches ORDER BY id "
                       "DESC LIMIT 1 OFFSET " +
                       std::to_string(kKept) + ")")
                          .c_str(),
                      nullptr, nullptr, nullptr);
  if (rc == SQLITE_OK) rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
  if (rc == SQLITE_OK) return true;
  *problem = "This search is not kept: " + path_ + ": " + sqlite3_errmsg(db_);
  if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  return false;
}

std::string describeRecent(const RecentSearch& search) {
  char when[32] = "";
  time_t t = static_cast<time_t>(search.request.time);
  struct tm local;
  if (t > 0 && localtime_r(&t, &local)) strftime(when, sizeof when, "%d %b %H:%M", &local);
  std::string out = std::string(" ") + when + "  " + std::to_string(search.hits) +
                    (search.hits == 1 ? " hit in " : " hits in ") + std::to_string(search.files) +
                    (search.files == 1 ? " file" : " files");
  if (search.stopped) out += ", stopped by the user";
  return out + "  " + describe(search.request);
}

bool sameSearch(const SearchRequest& a, const SearchRequest& b) {
  return a.text == b.text && a.fileTypes == b.fileTypes && a.directories == b.directories &&
         a.options == b.options && a.rules == b.rules;
}

}  // namespace tui
