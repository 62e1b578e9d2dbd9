// The front end's result pages (see host/tui/tui_message_list.h).
// Tested by tests/host/tui/tui_message_list_test.cpp.
#include "host/tui/tui_message_list.h"

#include <cstdlib>
#include <string_view>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "host/ide/addon_text.h"
#include "host/ide/text_encoding.h"
#include "host/tui/tui_notice_summary.h"
#include "host/tui/tui_page_filter.h"
#include "host/tui/tui_quickfix.h"

namespace tui {

// A page with its filter, and what reading the add-on's events into it needs.
struct MessageList::Sheet {
  explicit Sheet(const SearchRequest& request = SearchRequest()) : page(request) {}

  Page page;
  PageFilter filter;
  long searched = 0;
  long summaryFiles = -1;  // the add-on's own counts, once its summary came
  long summaryDirectories = -1;
  long messageGroups = 0;
  bool stopped = false;
  bool taken = false;  // by takeEnded
  bool provisional = false;
  std::string refusal;
  // The group being written and the file it belongs to.
  int group = 0;
  std::string groupTitle;
  long groupFile = -1;

  // Files added while the page is by path are put in place before its rows are read.
  void settle() {
    if (page.settleOrder(!page.messages().empty())) filter.markStale();
  }
  uint64_t count() {
    settle();
    return filter.count(page);
  }
  Row row(uint64_t index) {
    settle();
    uint64_t behind = filter.behind(index);
    Row out = page.row(behind);
    if (out.kind == Row::kHeading)
      out.matching = filter.matching(page, static_cast<size_t>(out.file));
    return out;
  }
};

namespace {

// The counts of the summary's "(5 Files searched in 4 Directories)"; left alone when absent.
void readSearchedCounts(const std::string& summary, long* files, long* directories) {
  size_t searched = summary.find(" searched in ");
  size_t open = summary.rfind('(', searched);
  if (searched == std::string::npos || open == std::string::npos) return;
  char* end = nullptr;
  long f = std::strtol(summary.c_str() + open + 1, &end, 10);
  if (end == summary.c_str() + open + 1) return;
  const char* at = summary.c_str() + searched + 13;
  long d = std::strtol(at, &end, 10);
  if (end == at) return;
  *files = f;
  *directories = d;
}

}  // namespace

MessageList::MessageList(bool windowsPaths)
    : windowsPaths_(windowsPaths), paths_(windowsPaths), posixPaths_(false) {}

MessageList::~MessageList() = default;

MessageList::Sheet& MessageList::newestPage() {
  if (pages_.empty()) pages_.push_back(std::make_unique<Sheet>());
  return *pages_.back();
}

void MessageList::beginPage(const SearchRequest& request, bool provisional) {
  auto sheet = std::make_unique<Sheet>(request);
  sheet->provisional = provisional;
  std::lock_guard<std::mutex> lock(mutex_);
  pages_.push_back(std::move(sheet));
  ++version_;
}

namespace {

// The allocator keeps what a page freed for later use (its many small blocks lie between other
// blocks, and its text chunks come from the heap once one chunk was given back); a million-hit
// page is tens of megabytes, so after dropping pages their whole free pages go back to the system.
void giveBackFreedMemory() {
#if defined(__GLIBC__)
  malloc_trim(0);
#endif
}

}  // namespace

void MessageList::clearOlderPages() {
  std::deque<std::unique_ptr<Sheet>> older;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    while (pages_.size() > 1) {
      older.push_back(std::move(pages_.front()));
      pages_.pop_front();
    }
    ++version_;
  }
  // Freed outside the lock: a worker search may be adding to the newest page.
  older.clear();
  giveBackFreedMemory();
}

void MessageList::keepNewestPage() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!pages_.empty()) pages_.back()->provisional = false;
  ++version_;
}

bool MessageList::takeEnded(size_t index) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (index >= pages_.size()) return false;
  Sheet& sheet = *pages_[index];
  if (sheet.taken || sheet.provisional || sheet.page.messages().empty() || !sheet.refusal.empty() ||
      !sheet.page.request().known)
    return false;
  sheet.taken = true;
  return true;
}

void MessageList::dropNewestPage() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!pages_.empty()) pages_.pop_back();
  ++version_;
}

void MessageList::event(const host::MessageEvent& event) {
  using Kind = host::MessageEvent::Kind;
  try {
    std::lock_guard<std::mutex> lock(mutex_);
    Sheet& sheet = newestPage();
    Page& page = sheet.page;
    switch (event.kind) {
      case Kind::Group:
        // Every file the add-on scans opens a group, so do its own lines (told apart below).
        ++sheet.searched;
        sheet.group = event.group;
        sheet.groupTitle = event.text;
        sheet.groupFile = -1;
        break;
      case Kind::Heading:
        if (event.file) break;  // a file's heading: its file is made with its first hit
        if (event.group == sheet.group) {
          ++sheet.messageGroups;
          --sheet.searched;
        }
        {
          host::AddOnText said = host::classify(event);
          if (said == host::AddOnText::kUserBreak) sheet.stopped = true;
          if (said == host::AddOnText::kSummary)
            readSearchedCounts(event.text, &sheet.summaryFiles, &sheet.summaryDirectories);
          if (said == host::AddOnText::kRegexError && sheet.refusal.empty())
            host::appendTerminalText(sheet.refusal, event.text);
        }
        page.addMessage(event.text);
        break;
      case Kind::Entry:
        if (!event.file) {
          const std::string& shown = paths_.show(sheet.groupTitle);
          std::string_view path = shown;
          if (!windowsPaths_ && path.rfind(page.base(), 0) == 0)
            path.remove_prefix(page.base().size());
          page.addNotice(path, reasonWord(event.text),
                         windowsPaths_ ? posixPaths_.show(sheet.groupTitle) : shown);
          break;
        }
        if (sheet.groupFile < 0 || event.group != sheet.group) {
          // The path mappings are used only here, one event at a time (the window's lock).
          const std::string& shown = paths_.show(*event.file);
          std::string path = windowsPaths_ ? posixPaths_.show(*event.file) : shown;
          std::string_view relative = shown;
          if (!windowsPaths_ && relative.rfind(page.base(), 0) == 0)
            relative.remove_prefix(page.base().size());
          sheet.group = event.group;
          sheet.groupFile = static_cast<long>(page.addFile(std::move(path), shown, relative));
        }
        page.addHit(event.line, event.column, event.text);
        ++hits_;
        break;
      default:
        return;
    }
    sheet.filter.markStale();
    ++version_;
  } catch (...) {
    // Out of memory: the row is lost, the search goes on.
  }
}

void MessageList::addLine(const std::string& text) {
  try {
    std::lock_guard<std::mutex> lock(mutex_);
    Sheet& sheet = newestPage();
    sheet.page.addTrailer(text);
    sheet.filter.markStale();
    ++version_;
  } catch (...) {
    // Out of memory: the line is lost.
  }
}

size_t MessageList::pageCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return pages_.size();
}

PageSummary MessageList::summary(size_t index) const {
  std::lock_guard<std::mutex> lock(mutex_);
  PageSummary out;
  if (index >= pages_.size()) return out;
  Sheet& sheet = *pages_[index];
  out.request = sheet.page.request();
  out.files = static_cast<long>(sheet.page.files().size());
  out.hits = static_cast<long>(sheet.page.hits().size());
  out.shownHits = out.hits;
  out.shownFiles = out.files;
  if (!sheet.filter.empty()) {
    sheet.count();  // the rows that pass, listed again if the page changed
    out.shownHits = out.shownFiles = 0;
    for (size_t f = 0; f < sheet.page.files().size(); ++f) {
      long matching = sheet.filter.matching(sheet.page, f);
      out.shownHits += matching;
      out.shownFiles += matching > 0;
    }
  }
  out.searched = sheet.searched;
  out.summaryFiles = sheet.summaryFiles;
  out.summaryDirectories = sheet.summaryDirectories;
  out.notSearched = static_cast<long>(sheet.page.notices().size());
  out.stopped = sheet.stopped;
  out.ended = !sheet.page.messages().empty();
  out.refusal = sheet.refusal;
  out.provisional = sheet.provisional;
  if (out.hits == 0 && out.notSearched > 0)
    out.notSearchedText = noticeSummary(sheet.page.notices());
  return out;
}

size_t MessageList::size(size_t index) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return index < pages_.size() ? static_cast<size_t>(pages_[index]->count()) : 0;
}

Row MessageList::row(size_t page, size_t index) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (page >= pages_.size() || index >= pages_[page]->count()) return Row();
  return pages_[page]->row(index);
}

std::vector<Row> MessageList::rows(size_t page, size_t first, size_t count) const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<Row> out;
  if (page >= pages_.size()) return out;
  Sheet& sheet = *pages_[page];
  for (uint64_t i = first; i < sheet.count() && i < first + count; ++i) out.push_back(sheet.row(i));
  return out;
}

long MessageList::headingRow(size_t page, long file) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (page >= pages_.size() || file < 0 ||
      static_cast<size_t>(file) >= pages_[page]->page.files().size())
    return -1;
  Sheet& sheet = *pages_[page];
  sheet.settle();
  uint64_t row = sheet.page.headingRow(static_cast<size_t>(file));
  uint64_t index = sheet.filter.indexOf(sheet.page, row);
  if (index >= sheet.count() || sheet.filter.behind(index) != row) return -1;
  return static_cast<long>(index);
}

void MessageList::setFilter(size_t page, const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (page >= pages_.size()) return;
  pages_[page]->filter.set(text);
  ++version_;
}

void MessageList::setScopes(size_t page, unsigned scopes) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (page >= pages_.size()) return;
  pages_[page]->filter.setScopes(scopes);
  ++version_;
}

unsigned MessageList::scopes(size_t page) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return page < pages_.size() ? pages_[page]->filter.scopes() : 0;
}

std::string MessageList::filter(size_t page) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return page < pages_.size() ? pages_[page]->filter.text() : std::string();
}

long MessageList::rowBehind(size_t page, size_t index) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (page >= pages_.size() || index >= pages_[page]->count()) return -1;
  return static_cast<long>(pages_[page]->filter.behind(index));
}

long MessageList::shownRowOf(size_t page, uint64_t row) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (page >= pages_.size()) return -1;
  Sheet& sheet = *pages_[page];
  uint64_t index = sheet.filter.indexOf(sheet.page, row);
  uint64_t count = sheet.count();
  return index < count && sheet.filter.behind(index) == row ? static_cast<long>(index) : -1;
}

long MessageList::fileCount(size_t page) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return page < pages_.size() ? static_cast<long>(pages_[page]->page.files().size()) : 0;
}

void MessageList::toggleFile(size_t page, long file) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (page >= pages_.size() || file < 0 ||
      static_cast<size_t>(file) >= pages_[page]->page.files().size())
    return;
  pages_[page]->page.toggleFile(static_cast<size_t>(file));
  pages_[page]->filter.markStale();
  ++version_;
}

void MessageList::orderByPath(size_t page, bool byPath) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (page >= pages_.size()) return;
  pages_[page]->page.orderByPath(byPath);
  pages_[page]->filter.markStale();
  ++version_;
}

bool MessageList::byPath(size_t page) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return page < pages_.size() && pages_[page]->page.byPath();
}

long MessageList::fileAt(size_t page, long position) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (page >= pages_.size() || position < 0) return -1;
  Sheet& sheet = *pages_[page];
  sheet.settle();
  return static_cast<size_t>(position) < sheet.page.files().size()
             ? static_cast<long>(sheet.page.fileAt(static_cast<size_t>(position)))
             : -1;
}

long MessageList::positionOf(size_t page, long file) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (page >= pages_.size() || file < 0) return -1;
  Sheet& sheet = *pages_[page];
  sheet.settle();
  return static_cast<size_t>(file) < sheet.page.files().size()
             ? static_cast<long>(sheet.page.positionOf(static_cast<size_t>(file)))
             : -1;
}

void MessageList::toggleNotices(size_t page) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (page >= pages_.size()) return;
  pages_[page]->page.toggleNotices();
  pages_[page]->filter.markStale();
  ++version_;
}

unsigned long MessageList::version() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return version_;
}

size_t MessageList::hitCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return hits_;
}

std::vector<std::string> MessageList::tooLargeFiles(size_t page) const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> out;
  if (page >= pages_.size()) return out;
  const std::string tooLarge = reasonWord("File too large !");
  for (const Page::Notice& notice : pages_[page]->page.notices())
    if (notice.reason == tooLarge && !notice.file.empty()) out.push_back(notice.file);
  return out;
}

long MessageList::writeQuickfix(size_t index, const std::string& path,
                                QuickfixCounts* counts) const {
  std::string text;
  QuickfixCounts made;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (index < pages_.size()) {
      pages_[index]->count();  // settled, and its hits classified when a scope is chosen
      text = quickfixLines(pages_[index]->page, &pages_[index]->filter, &made);
    }
  }
  if (counts) *counts = made;
  return writeQuickfixFile(path, text) ? made.written : -1;
}

}  // namespace tui
