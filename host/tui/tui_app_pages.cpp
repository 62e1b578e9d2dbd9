// The front end's pages (see host/tui/tui_app_state.h): opening the selected row in the editor,
// writing the page's hits as a quickfix file, showing another page, the list of searches (this
// run's pages after the earlier runs' recent searches, each search listed once), keeping ended
// searches for the runs to come, clearing the older pages and showing the page's hits by scope.
// Clearing keeps the cleared pages' searches in the list; a page keeps its own filter and scope.
// Threading: the IDE's thread. Tested by tests/host/tui/tui_results_test.cpp,
// tests/host/tui/tui_editor_test.cpp, tests/host/tui/tui_quickfix_test.cpp and
// tests/host/tui/tui_app_test.cpp.
#include <curses.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iterator>

#include "host/ide/scope_filter.h"
#include "host/tui/tui_app_state.h"
#include "host/tui/tui_editor.h"
#include "host/tui/tui_quickfix.h"
#include "host/tui/tui_search_list.h"

namespace tui {

void App::openRow(const Row& row) {
  if (row.file < 0 || (row.kind != Row::kHit && row.kind != Row::kHeading)) return;
  std::vector<std::string> argv = editorCommand(row.path, row.line, row.column);
  screen_.suspend();
  int status = runCommand(argv);
  screen_.resume();
  Screen::takeInterrupt();  // a Ctrl-C meant for the editor
  if (status == 127 || status < 0)
    note_ = "Could not start " + argv[0];
  else if (status != 0)
    note_ = argv[0] + " ended with status " + std::to_string(status);
  else
    note_.clear();
  erase();
}

void App::openSelected() {
  std::optional<Row> row = view_.selected();
  if (!row) return;
  if (row->kind == Row::kNotices) {
    view_.toggleSelected();
    return;
  }
  openRow(*row);
}

void App::writeQuickfix() {
  if (list_->pageCount() == 0) {
    note_ = "No hits to write";
    return;
  }
  std::string dir = quickfixDirectory(frontEnd_.stateDirectory);
  std::string path =
      dir + "/search-" + std::to_string(getpid()) + "-" + std::to_string(++quickfixes_) + ".qf";
  long lines = -1;
  QuickfixCounts counts;
  if (makeDirectories(dir)) lines = list_->writeQuickfix(view_.page(), path, &counts);
  if (lines < 0) {
    note_ = "Cannot write " + path + ": " + std::strerror(errno);
    return;
  }
  pruneQuickfixes(dir);
  // The hits the filter lets through, of the page's; those whose names no line can carry.
  note_ = "Wrote " + std::to_string(lines);
  if (lines < counts.total) note_ += " of " + std::to_string(counts.total);
  note_ += counts.total == 1 ? " hit" : " hits";
  if (counts.leftOut > 0)
    note_ +=
        " (" + std::to_string(counts.leftOut) +
        (counts.leftOut == 1 ? " left out: its file's name" : " left out: their files' names") +
        " cannot be a quickfix line's)";
  note_ += ": vim -q " + shellWord(path);
}

void App::showPage(long page) {
  long pages = static_cast<long>(list_->pageCount());
  if (page < 0 || page >= pages) return;
  view_.showPage(static_cast<size_t>(page));
}

void App::showSearchList() {
  // An earlier search asked again later is listed once, as the later one.
  for (size_t i = 0; i < earlier_.size();) {
    bool later = false;
    for (size_t j = i + 1; j < earlier_.size() && !later; ++j)
      later = sameSearch(earlier_[i].request, earlier_[j].request);
    for (size_t p = 0; p < list_->pageCount() && !later; ++p)
      later = sameSearch(earlier_[i].request, list_->summary(p).request);
    if (later)
      earlier_.erase(earlier_.begin() + static_cast<long>(i));
    else
      ++i;
  }
  std::vector<std::string> lines;
  for (const RecentSearch& search : earlier_) lines.push_back(describeRecent(search));
  for (size_t i = 0; i < list_->pageCount(); ++i) lines.push_back(describePage(*list_, i));
  if (lines.empty() && recentProblem_.empty()) {
    note_ = "No search yet";
    return;
  }
  if (lines.empty()) lines.push_back(" No search yet");
  size_t current = list_->pageCount() ? earlier_.size() + view_.page() : lines.size() - 1;
  SearchListChoice choice =
      runSearchList(lines, current, recentProblem_, screen_.palette(), [this] { repaint(); });
  erase();
  if (choice.action == SearchListChoice::kClose ||
      choice.index >= earlier_.size() + list_->pageCount())
    return;
  // A search of this run shows its page on Enter; an earlier one has none: it runs again.
  bool earlier = choice.index < earlier_.size();
  if (choice.action == SearchListChoice::kShow && !earlier) {
    showPage(static_cast<long>(choice.index - earlier_.size()));
    return;
  }
  rerun(earlier ? earlier_[choice.index].request
                : list_->summary(choice.index - earlier_.size()).request);
}

// A search that ended goes into the recent searches, for the runs to come.
void App::keepEndedSearches() {
  for (size_t i = 0; i < list_->pageCount(); ++i) {
    if (!list_->takeEnded(i)) continue;
    PageSummary s = list_->summary(i);
    std::string problem;
    if (!recent_.add({s.request, s.hits, s.files, s.stopped}, &problem) && !problem.empty())
      note_ = problem;
  }
}

// The cleared pages' searches stay in the list of searches, as an earlier run's do.
void App::clearOlderPages() {
  keepEndedSearches();
  for (size_t i = 0; i + 1 < list_->pageCount(); ++i) {
    PageSummary s = list_->summary(i);
    if (s.request.known && s.refusal.empty())
      earlier_.push_back({s.request, s.hits, s.files, s.stopped});
  }
  if (earlier_.size() > static_cast<size_t>(RecentSearches::kKept))
    earlier_.erase(earlier_.begin(), earlier_.end() - RecentSearches::kKept);
  list_->clearOlderPages();
  view_.showPage(0);
  note_ = "Cleared the older pages";
}

// The page's hits in code, comments, strings, comments and strings, then all again (back: the
// other way round).
void App::cycleScope(bool back) {
  static constexpr unsigned kCycle[] = {0, host::kScopeCode, host::kScopeComments,
                                        host::kScopeStrings,
                                        host::kScopeComments | host::kScopeStrings};
  constexpr size_t kSteps = std::size(kCycle);
  if (list_->pageCount() == 0) {
    note_ = "No hits to show by scope";
    return;
  }
  size_t page = view_.page();
  unsigned now = list_->scopes(page);
  size_t at = 0;
  while (at < kSteps && kCycle[at] != now) ++at;
  unsigned next = kCycle[(at + (back ? kSteps - 1 : 1)) % kSteps];
  view_.refilter([this, page, next] { list_->setScopes(page, next); });
  note_ = next == 0 ? "Every hit shown (s: by scope)"
                    : "The hits in " + host::scopeWords(next) + " (s: the next scope)";
}

}  // namespace tui
