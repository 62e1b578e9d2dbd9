// The front end's result pages (see host/tui/tui_message_list.h).
// Tested by tests/tui_message_list_test.cpp.
#include "host/tui/tui_message_list.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <string_view>

#include "host/ide/text_encoding.h"

namespace tui {
namespace {

constexpr size_t kChunk = size_t{1} << 22;  // hit texts are kept in chunks of this size

char foldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// The words for a file the add-on did not search, by its error entry.
std::string reasonWord(const std::string& text) {
  if (text == "File too large !") return "too large";
  if (text == "File is 0 byte length !") return "empty";
  if (text == "Can't open file !") return "not opened";
  if (text == "Error reading file !") return "not read";
  if (text == "Can not allocate memory to grep file !") return "out of memory";
  std::string word;
  host::appendTerminalText(word, text);
  while (!word.empty() && (word.back() == '!' || word.back() == ' ')) word.pop_back();
  return word;
}

}  // namespace

struct MessageList::Page {
  struct File {
    std::string path;      // POSIX bytes, for the editor
    std::string full;      // escaped, as an entry shows its file (POSIX or Windows form)
    std::string relative;  // escaped, relative to the page's base directory when under it
    uint32_t firstHit = 0;
    uint32_t hits = 0;
    bool collapsed = false;
  };
  struct Hit {
    uint32_t file;
    int32_t line;
    int32_t column;
    uint32_t chunk;
    uint32_t offset;
    uint32_t length;
  };
  struct Notice {
    std::string path;  // escaped
    std::string reason;
  };

  SearchRequest request;
  std::string base;
  std::vector<File> files;
  std::deque<Hit> hits;
  std::vector<std::string> chunks;
  std::vector<uint64_t> rowStart;  // the heading row of each file
  uint64_t fileRows = 0;
  std::vector<Notice> notices;
  bool noticesOpen = false;
  std::vector<std::string> messages;  // escaped
  std::vector<std::string> trailer;   // the front end's own lines, after every other row
  long searched = 0;
  long messageGroups = 0;
  bool stopped = false;
  std::string refusal;
  // The group being written and the file it belongs to.
  int group = 0;
  std::string groupTitle;
  long groupFile = -1;

  // A filter narrows the rows shown to those of matching files and hits; `shown` lists the rows
  // that pass, made again when the page has changed since.
  std::string filter;
  std::vector<uint64_t> shown;
  std::vector<uint32_t> matching;  // each file's hits that pass the filter
  bool shownStale = true;

  static bool holds(std::string_view text, const std::string& folded) {
    if (folded.size() > text.size()) return false;
    for (size_t p = 0; p + folded.size() <= text.size(); ++p) {
      size_t i = 0;
      while (i < folded.size() && foldAscii(text[p + i]) == folded[i]) ++i;
      if (i == folded.size()) return true;
    }
    return false;
  }
  void refilter() {
    shownStale = false;
    shown.clear();
    matching.clear();
    if (filter.empty()) return;
    matching.resize(files.size());
    for (size_t f = 0; f < files.size(); ++f) {
      const File& file = files[f];
      bool whole = holds(file.relative, filter);
      bool any = whole;
      size_t headingAt = shown.size();
      shown.push_back(rowStart[f]);
      for (uint32_t h = 0; h < file.hits; ++h) {
        if (!whole && !holds(text(hits[file.firstHit + h]), filter)) continue;
        any = true;
        ++matching[f];
        if (!file.collapsed) shown.push_back(rowStart[f] + 1 + h);
      }
      if (!any) shown.resize(headingAt);
    }
    uint64_t at = fileRows;
    if (!notices.empty()) {
      bool anyNotice = false;
      for (const Notice& n : notices) anyNotice = anyNotice || holds(n.path, filter);
      if (anyNotice) shown.push_back(at);
      ++at;
      if (noticesOpen)
        for (const Notice& n : notices) {
          if (holds(n.path, filter)) shown.push_back(at);
          ++at;
        }
    }
    for (const std::string& m : messages) {
      if (holds(m, filter)) shown.push_back(at);
      ++at;
    }
    for (const std::string& m : trailer) {
      if (holds(m, filter)) shown.push_back(at);
      ++at;
    }
  }
  uint64_t shownCount() {
    if (filter.empty()) return rowCount();
    if (shownStale) refilter();
    return shown.size();
  }
  // The row behind shown row `index` (index < shownCount()).
  uint64_t behind(uint64_t index) const { return filter.empty() ? index : shown[index]; }
  // The shown row of underlying row `row`, or the first after it.
  uint64_t shownIndexOf(uint64_t row) {
    if (filter.empty()) return row;
    if (shownStale) refilter();
    return static_cast<uint64_t>(std::lower_bound(shown.begin(), shown.end(), row) - shown.begin());
  }

  std::string_view text(const Hit& hit) const {
    return std::string_view(chunks[hit.chunk]).substr(hit.offset, hit.length);
  }
  uint64_t rowsOf(const File& file) const { return 1 + (file.collapsed ? 0 : file.hits); }
  void restartRows(size_t from) {
    uint64_t at = from == 0 ? 0 : rowStart[from - 1] + rowsOf(files[from - 1]);
    for (size_t f = from; f < files.size(); ++f) {
      rowStart[f] = at;
      at += rowsOf(files[f]);
    }
    fileRows = at;
  }
  uint64_t noticeRows() const {
    return notices.empty() ? 0 : 1 + (noticesOpen ? notices.size() : 0);
  }
  uint64_t rowCount() const { return fileRows + noticeRows() + messages.size() + trailer.size(); }
  std::string noticesLine() const {
    std::map<std::string, long> counts;
    for (const Notice& n : notices) ++counts[n.reason];
    std::vector<std::pair<long, std::string>> byCount;
    for (const auto& [reason, count] : counts) byCount.emplace_back(-count, reason);
    std::sort(byCount.begin(), byCount.end());
    std::string out = std::to_string(notices.size()) +
                      (notices.size() == 1 ? " file not searched: " : " files not searched: ");
    for (size_t i = 0; i < byCount.size(); ++i)
      out += (i ? ", " : "") + std::to_string(-byCount[i].first) + " " + byCount[i].second;
    return out;
  }
  Row row(uint64_t index) const {
    Row out;
    if (index < fileRows) {
      size_t f = static_cast<size_t>(std::upper_bound(rowStart.begin(), rowStart.end(), index) -
                                     rowStart.begin() - 1);
      const File& file = files[f];
      out.file = static_cast<long>(f);
      out.path = file.path;
      if (index == rowStart[f]) {
        out.kind = Row::kHeading;
        out.shown = file.relative;
        out.hits = file.hits;
        out.matching = filter.empty() || f >= matching.size() ? file.hits : matching[f];
        out.folded = file.collapsed;
        const Hit& first = hits[file.firstHit];
        out.line = first.line;
        out.column = first.column;
        return out;
      }
      const Hit& hit = hits[file.firstHit + (index - rowStart[f] - 1)];
      out.kind = Row::kHit;
      out.line = hit.line;
      out.column = hit.column;
      out.text = text(hit);
      out.shown = "  " + std::to_string(hit.line) + ":" + std::to_string(hit.column) + ": ";
      out.shown += out.text;
      return out;
    }
    index -= fileRows;
    if (!notices.empty()) {
      if (index == 0) {
        out.kind = Row::kNotices;
        out.shown = noticesLine();
        out.folded = !noticesOpen;
        return out;
      }
      index -= 1;
      if (noticesOpen) {
        if (index < notices.size()) {
          out.kind = Row::kNotice;
          out.shown = "  " + notices[index].path + ": " + notices[index].reason;
          return out;
        }
        index -= notices.size();
      }
    }
    if (index < messages.size()) {
      out.shown = messages[index];
      return out;
    }
    index -= messages.size();
    if (index < trailer.size()) out.shown = trailer[index];
    return out;
  }
  // The page's hit text storage for `length` more bytes.
  std::string& chunkFor(size_t length) {
    if (chunks.empty() || chunks.back().size() + length > chunks.back().capacity()) {
      chunks.emplace_back();
      chunks.back().reserve(std::max(kChunk, length));
    }
    return chunks.back();
  }
};

MessageList::MessageList(bool windowsPaths)
    : windowsPaths_(windowsPaths), paths_(windowsPaths), posixPaths_(false) {}

MessageList::~MessageList() = default;

MessageList::Page& MessageList::newestPage() {
  if (pages_.empty()) {
    pages_.push_back(std::make_unique<Page>());
    pages_.back()->base = baseDirectory(pages_.back()->request);
  }
  return *pages_.back();
}

void MessageList::beginPage(const SearchRequest& request) {
  auto page = std::make_unique<Page>();
  page->request = request;
  page->base = baseDirectory(request);
  std::lock_guard<std::mutex> lock(mutex_);
  pages_.push_back(std::move(page));
  ++version_;
}

void MessageList::clearOlderPages() {
  std::lock_guard<std::mutex> lock(mutex_);
  while (pages_.size() > 1) pages_.pop_front();
  ++version_;
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
    Page& page = newestPage();
    switch (event.kind) {
      case Kind::Group:
        // Every file the add-on scans opens a group, so do its own lines (told apart below).
        ++page.searched;
        page.group = event.group;
        page.groupTitle = event.text;
        page.groupFile = -1;
        break;
      case Kind::Heading:
        if (event.file) break;  // a file's heading: its file is made with its first hit
        if (event.group == page.group) {
          ++page.messageGroups;
          --page.searched;
        }
        if (event.text == "Vantrel : User break !") page.stopped = true;
        if (event.text.rfind("Vantrel regular expression error", 0) == 0 && page.refusal.empty())
          host::appendTerminalText(page.refusal, event.text);
        page.messages.emplace_back();
        host::appendTerminalText(page.messages.back(), event.text);
        break;
      case Kind::Entry:
        if (!event.file) {
          Page::Notice notice;
          const std::string& shown = paths_.show(page.groupTitle);
          std::string_view path = shown;
          if (!windowsPaths_ && path.rfind(page.base, 0) == 0) path.remove_prefix(page.base.size());
          host::appendTerminalText(notice.path, path);
          notice.reason = reasonWord(event.text);
          page.notices.push_back(std::move(notice));
          break;
        }
        if (page.groupFile < 0 || event.group != page.group) {
          Page::File file;
          // The path mappings are used only here, one event at a time (the window's lock).
          const std::string& shown = paths_.show(*event.file);
          file.path = windowsPaths_ ? posixPaths_.show(*event.file) : shown;
          host::appendTerminalText(file.full, shown);
          std::string_view relative = shown;
          if (!windowsPaths_ && relative.rfind(page.base, 0) == 0)
            relative.remove_prefix(page.base.size());
          host::appendTerminalText(file.relative, relative);
          file.firstHit = static_cast<uint32_t>(page.hits.size());
          page.group = event.group;
          page.groupFile = static_cast<long>(page.files.size());
          page.rowStart.push_back(page.fileRows);
          page.fileRows += 1;
          page.files.push_back(std::move(file));
        }
        {
          Page::File& file = page.files[static_cast<size_t>(page.groupFile)];
          std::string& chunk = page.chunkFor(event.text.size() * 2 + 16);
          size_t offset = chunk.size();
          host::appendTerminalText(chunk, event.text);
          Page::Hit hit{static_cast<uint32_t>(page.groupFile),
                        event.line,
                        event.column,
                        static_cast<uint32_t>(page.chunks.size() - 1),
                        static_cast<uint32_t>(offset),
                        static_cast<uint32_t>(chunk.size() - offset)};
          page.hits.push_back(hit);
          ++file.hits;
          if (!file.collapsed) ++page.fileRows;
          ++hits_;
        }
        break;
      default:
        return;
    }
    page.shownStale = true;
    ++version_;
  } catch (...) {
    // Out of memory: the row is lost, the search goes on.
  }
}

void MessageList::addLine(const std::string& text) {
  try {
    std::lock_guard<std::mutex> lock(mutex_);
    Page& page = newestPage();
    page.trailer.emplace_back();
    host::appendTerminalText(page.trailer.back(), text);
    page.shownStale = true;
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
  const Page& page = *pages_[index];
  out.request = page.request;
  out.files = static_cast<long>(page.files.size());
  out.hits = static_cast<long>(page.hits.size());
  out.searched = page.searched;
  out.notSearched = static_cast<long>(page.notices.size());
  out.stopped = page.stopped;
  out.ended = !page.messages.empty();
  out.refusal = page.refusal;
  return out;
}

size_t MessageList::size(size_t index) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return index < pages_.size() ? static_cast<size_t>(pages_[index]->shownCount()) : 0;
}

Row MessageList::row(size_t page, size_t index) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (page >= pages_.size() || index >= pages_[page]->shownCount()) return Row();
  return pages_[page]->row(pages_[page]->behind(index));
}

std::vector<Row> MessageList::rows(size_t page, size_t first, size_t count) const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<Row> out;
  if (page >= pages_.size()) return out;
  Page& p = *pages_[page];
  for (uint64_t i = first; i < p.shownCount() && i < first + count; ++i)
    out.push_back(p.row(p.behind(i)));
  return out;
}

long MessageList::headingRow(size_t page, long file) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (page >= pages_.size() || file < 0 || static_cast<size_t>(file) >= pages_[page]->files.size())
    return -1;
  Page& p = *pages_[page];
  uint64_t row = p.rowStart[static_cast<size_t>(file)];
  uint64_t index = p.shownIndexOf(row);
  if (index >= p.shownCount() || p.behind(index) != row) return -1;
  return static_cast<long>(index);
}

void MessageList::setFilter(size_t page, const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (page >= pages_.size()) return;
  std::string folded;
  host::appendTerminalText(folded, text);
  for (char& c : folded) c = foldAscii(c);
  pages_[page]->filter = folded;
  pages_[page]->shownStale = true;
  ++version_;
}

std::string MessageList::filter(size_t page) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return page < pages_.size() ? pages_[page]->filter : std::string();
}

long MessageList::fileCount(size_t page) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return page < pages_.size() ? static_cast<long>(pages_[page]->files.size()) : 0;
}

void MessageList::toggleFile(size_t page, long file) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (page >= pages_.size() || file < 0 || static_cast<size_t>(file) >= pages_[page]->files.size())
    return;
  Page& p = *pages_[page];
  p.files[static_cast<size_t>(file)].collapsed = !p.files[static_cast<size_t>(file)].collapsed;
  p.restartRows(static_cast<size_t>(file));
  p.shownStale = true;
  ++version_;
}

void MessageList::toggleNotices(size_t page) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (page >= pages_.size()) return;
  pages_[page]->noticesOpen = !pages_[page]->noticesOpen;
  pages_[page]->shownStale = true;
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

long MessageList::writeQuickfix(size_t index, const std::string& path) const {
  std::string text;
  long lines = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (index < pages_.size()) {
      const Page& page = *pages_[index];
      for (const Page::Hit& hit : page.hits) {
        text += page.files[hit.file].full;
        text += ":" + std::to_string(hit.line) + ":" + std::to_string(hit.column) + ": ";
        text += page.text(hit);
        text += '\n';
        ++lines;
      }
    }
  }
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) return -1;
  std::string_view rest = text;
  while (!rest.empty()) {
    ssize_t written = write(fd, rest.data(), rest.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      int saved = errno;
      close(fd);
      errno = saved;
      return -1;
    }
    rest.remove_prefix(static_cast<size_t>(written));
  }
  if (close(fd) != 0) return -1;
  return lines;
}

}  // namespace tui
