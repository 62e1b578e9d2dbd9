// The recent searches: what the user searched for (the text, file types, directories, the option
// boxes, the listing rules in words), when, and with how many hits, kept in the user's state
// directory (the quickfix files' own) so that the next run can list them and run one again with
// its own options. Only the last 100 are kept. The add-on's own history (its registry entries)
// is a separate thing and is not touched.
//
// The store is an SQLite file, "recent-searches.sqlite3": a write is one transaction, so a crash
// or a full disk leaves the list as it was, and two programs running at once each add theirs. A
// file that is not a sound database (damaged, or something else at that name) is renamed aside
// with ".unreadable" (".unreadable.2", ".3", ... when that is taken: no copy set aside replaces
// another) and a new one begun, so nothing is lost; a file that cannot be opened at all
// (permissions) is left alone and this run's searches are not kept. Either is told in `problem`.
//
// Ownership: a RecentSearches owns its connection. Threading: one thread.
// Tested by tests/host/tui/tui_results_test.cpp.
#ifndef VANTREL_HOST_TUI_RECENT_SEARCHES_H_
#define VANTREL_HOST_TUI_RECENT_SEARCHES_H_

#include <cstdint>
#include <string>
#include <vector>

#include "host/tui/tui_search_request.h"

struct sqlite3;

namespace tui {

struct RecentSearch {
  SearchRequest request;  // known; its `time` says when it ran
  long hits = 0;
  long files = 0;
  bool stopped = false;  // the user stopped it (kept beside the five boxes, as bit 0x100)
};

// Whether two searches asked for the same thing (text, file types, directories, boxes, rules).
bool sameSearch(const SearchRequest& a, const SearchRequest& b);

class RecentSearches {
 public:
  static constexpr int kKept = 100;
  static constexpr const char* kFileName = "recent-searches.sqlite3";

  RecentSearches() = default;
  ~RecentSearches();
  RecentSearches(const RecentSearches&) = delete;
  RecentSearches& operator=(const RecentSearches&) = delete;

  // Opens (or makes) the store in `directory` (made private when missing) and reads it: the kept
  // searches, oldest first. False, with a sentence for the user in `problem`, when the file had to
  // be set aside or cannot be used (`problem` says which; the list read is then empty).
  bool open(const std::string& directory, std::vector<RecentSearch>* searches,
            std::string* problem);
  // Adds a search and drops all but the newest kKept. False (with `problem`) when it could not be
  // written; nothing kept is lost then.
  bool add(const RecentSearch& search, std::string* problem);
  const std::string& path() const { return path_; }

 private:
  sqlite3* db_ = nullptr;
  std::string path_;
};

// How a recent search reads in the list: "12 Mar 14:05  3 hits  "needle" (case sensitive) in ...".
std::string describeRecent(const RecentSearch& search);

}  // namespace tui

#endif  // VANTREL_HOST_TUI_RECENT_SEARCHES_H_
