// The message window as the terminal front end keeps it: a sink of the host's message window that
// files what the add-on writes into result pages, one page per search, as it happens (a worker
// search adds to its page while the front end draws).
//
// A page holds the search's request (its header), its files in the order searched, each with its
// hits, the files the add-on did not search (a file's error entry: "File too large !"), and the
// add-on's own lines ("Vantrel : 12 found in 3 Files ..."). Its rows, as shown: each file's
// heading (its path relative to the directory searched, and its hit count) followed by its hits
// as "LINE:COLUMN: TEXT" unless the file is collapsed; then one row that sums up the files not
// searched ("153 files not searched: 141 too large, 12 empty"), followed by the list of them when
// it is opened; then the add-on's lines. Every text is escaped for the terminal
// (host/ide/text_encoding.h): no control character from a file is ever drawn.
//
// Its parts: each page's storage and rows (host/tui/tui_page.h), its filter
// (host/tui/tui_page_filter.h), the row of the files not searched (host/tui/tui_notice_summary.h)
// and the quickfix lines (host/tui/tui_quickfix.h); here the add-on's events are read into them.
// Threading: event() is called under the message window's lock from any thread (a worker
// search); every other call may come from any thread; one lock guards the pages. Events go to the
// newest page: only one search runs at a time.
// Tested by tests/host/tui/tui_message_list_test.cpp.
#ifndef VANTREL_HOST_TUI_MESSAGE_LIST_H_
#define VANTREL_HOST_TUI_MESSAGE_LIST_H_

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "host/ide/message_event.h"
#include "host/ide/path_display.h"
#include "host/tui/tui_page.h"
#include "host/tui/tui_quickfix.h"
#include "host/tui/tui_search_request.h"

namespace tui {

// What a page's header shows.
struct PageSummary {
  SearchRequest request;
  long files = 0;  // files with hits
  long hits = 0;
  long shownHits = 0;            // with a filter on, the hits it lets through (else hits)
  long shownFiles = 0;           // and the files they are in
  long searched = 0;             // files the add-on opened a group for (every file it scanned)
  long notSearched = 0;          // files it did not search (their error entries)
  long summaryFiles = -1;        // the files and directories its summary says were searched,
  long summaryDirectories = -1;  // or -1 before it came
  bool stopped = false;          // "Vantrel : User break !" came
  bool ended = false;            // the summary or another line of the add-on's own came
  std::string refusal;           // the pattern's error line, when the search was refused
  std::string notSearchedText;   // with no hits: the row of the files not searched, if any
  bool provisional = false;      // a live query's page, not kept yet
};

class MessageList final : public host::MessageSink {
 public:
  explicit MessageList(bool windowsPaths = false);
  ~MessageList() override;

  void event(const host::MessageEvent& event) override;
  // Adds a line of the front end's own to the newest page, after all its other rows (the
  // add-on's summary may still be on its way: the line is written when the search ends).
  void addLine(const std::string& text);

  // What comes next goes to a new page for `request` (a search confirmed in the dialog). A
  // provisional page (a live query's) is not among the ended searches until it is kept.
  void beginPage(const SearchRequest& request, bool provisional = false);
  void keepNewestPage();
  // Removes every page but the newest, and gives the memory they held back to the system.
  void clearOlderPages();
  // Once per page: true when page `page` holds a search that has ended (not one refused), to be
  // kept among the recent searches; false after that and before.
  bool takeEnded(size_t page);
  // Removes the newest page (a refused search, whose dialog is shown again).
  void dropNewestPage();

  size_t pageCount() const;
  PageSummary summary(size_t page) const;
  size_t size(size_t page) const;  // rows
  // A copy of row `index` of `page` (an empty message row when out of range).
  Row row(size_t page, size_t index) const;
  // Rows [first, first + count) of `page` (fewer at the end).
  std::vector<Row> rows(size_t page, size_t first, size_t count) const;
  // The row of file `file`'s heading, or -1.
  long headingRow(size_t page, long file) const;
  long fileCount(size_t page) const;
  // Narrows the page's rows to the files whose path holds `text` (with all their hits), the hits
  // whose text holds it (under their file's heading), and the other rows that hold it; ASCII
  // letters match either case. An empty text shows every row again. The row calls above then
  // count and index the narrowed rows.
  void setFilter(size_t page, const std::string& text);
  std::string filter(size_t page) const;
  // Narrows the page's hits to those with a match in one of `scopes` (host::ScopeBits; 0: every
  // hit), as --scope does (host/tui/tui_hit_scopes.h: each file with hits is read again and lexed
  // once), together with the text filter; the counts, the rows and the quickfix lines follow.
  void setScopes(size_t page, unsigned scopes);
  unsigned scopes(size_t page) const;
  // The page's own row behind shown row `index` (whatever the filter), or -1.
  long rowBehind(size_t page, size_t index) const;
  // The shown row of the page's own row `row`, or -1 when the filter leaves it out.
  long shownRowOf(size_t page, uint64_t row) const;
  // Collapses or expands a file; opens or closes the list of files not searched.
  void toggleFile(size_t page, long file);
  void toggleNotices(size_t page);
  // Shows the page's files by path (each directory's files together, a .c beside its .h) or in
  // the order found; the quickfix lines follow.
  void orderByPath(size_t page, bool byPath);
  bool byPath(size_t page) const;
  // The file shown at `position` of the page's files, and a file's position; -1 when none.
  long fileAt(size_t page, long position) const;
  long positionOf(size_t page, long file) const;

  // Raised by every change: a reader redraws when it changed.
  unsigned long version() const;
  // Hits listed during the session, cleared pages included.
  size_t hitCount() const;

  // The POSIX paths of the files the page's search refused as too large.
  std::vector<std::string> tooLargeFiles(size_t page) const;

  // Writes the hits the page's filter lets through as quickfix lines to `path`
  // (host/tui/tui_quickfix.h; created or replaced, a symbolic link refused). Answers the number
  // of lines, or -1 with errno set; `counts`, when given, gets what was written and left out.
  long writeQuickfix(size_t page, const std::string& path, QuickfixCounts* counts = nullptr) const;

  // The single-page forms, for the newest page.
  size_t size() const { return pageCount() ? size(pageCount() - 1) : 0; }
  Row row(size_t index) const { return pageCount() ? row(pageCount() - 1, index) : Row(); }

  struct Sheet;

 private:
  Sheet& newestPage();  // under the lock; makes a page when there is none

  mutable std::mutex mutex_;
  std::deque<std::unique_ptr<Sheet>> pages_;
  unsigned long version_ = 0;
  size_t hits_ = 0;
  bool windowsPaths_;
  host::PathDisplay paths_;
  host::PathDisplay posixPaths_;
};

}  // namespace tui

#endif  // VANTREL_HOST_TUI_MESSAGE_LIST_H_
