// One result page as stored: the search's request, its files in the order searched, each with its
// hits, the files the add-on did not search, the add-on's own lines and the front end's lines
// after them; and the index of its rows, as they are shown when nothing is filtered out: each
// file's heading followed by its hits unless the file is collapsed (the files in the order found,
// or by path: each directory's files together, a .c beside its .h), the row that sums up the files
// not searched (then their list when it is opened), the add-on's lines, the front end's lines.
//
// Memory: a hit is a fixed 24-byte record; its escaped text lies in a chunk that never moves once
// written; paths are kept once per file. Rows are made only when asked for (row()).
// Every text a row shows is escaped for the terminal (host/ide/text_encoding.h) before it is kept.
// Threading: none of its own; host/tui/tui_message_list.h guards pages with its lock.
// Tested by tests/host/tui/tui_page_test.cpp and tests/host/tui/tui_message_list_test.cpp.
#ifndef VANTREL_HOST_TUI_PAGE_H_
#define VANTREL_HOST_TUI_PAGE_H_

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "host/tui/tui_search_request.h"

namespace tui {

struct Row {
  enum Kind { kHeading, kHit, kNotices, kNotice, kMessage };
  Kind kind = kMessage;
  std::string shown;  // kHeading: the relative path; kHit: "  LINE:COLUMN: TEXT"; others: the text
  std::string path;   // kHeading, kHit: the file's POSIX path as bytes, for the editor
  std::string text;   // kHit: the hit's text (escaped)
  int line = 0;       // kHeading: the line of its first hit
  int column = 0;
  long file = -1;       // kHeading, kHit: the file's index in its page
  long hits = 0;        // kHeading: the file's hit count
  long matching = 0;    // kHeading: of those, the hits the page's filter lets through
  bool folded = false;  // kHeading: collapsed; kNotices: its list is closed
};

class Page {
 public:
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
    std::string file;  // POSIX bytes, to be looked at again (its size)
  };

  explicit Page(const SearchRequest& request = SearchRequest());

  const SearchRequest& request() const { return request_; }
  // The directory paths are shown relative to (with its trailing slash).
  const std::string& base() const { return base_; }

  // A file whose hits follow; answers its index. `relative` is `shown` relative to base().
  size_t addFile(std::string path, std::string_view shown, std::string_view relative);
  // A hit of the newest file; `text` is escaped here.
  void addHit(int line, int column, std::string_view text);
  void addNotice(std::string_view path, std::string reason, std::string file = std::string());
  void addMessage(std::string_view text);
  void addTrailer(std::string_view text);

  void toggleFile(size_t file);
  void toggleNotices() { noticesOpen_ = !noticesOpen_; }
  // Shows the files by path (their paths' bytes, directory by directory), or in the order found.
  // Files added while they are by path are put in place by settleOrder().
  void orderByPath(bool byPath);
  bool byPath() const { return byPath_; }
  // Puts files added since into the order shown, the newest too only when `newestToo` (while a
  // search runs its hits are still being added: it stays last until then). Answers whether rows
  // moved.
  bool settleOrder(bool newestToo);
  // The file shown at `position` (0: the first), and the position of `file`.
  size_t fileAt(size_t position) const { return order_[position]; }
  size_t positionOf(size_t file) const { return position_[file]; }

  const std::vector<File>& files() const { return files_; }
  const std::deque<Hit>& hits() const { return hits_; }
  const std::vector<Notice>& notices() const { return notices_; }
  const std::vector<std::string>& messages() const { return messages_; }
  const std::vector<std::string>& trailer() const { return trailer_; }
  bool noticesOpen() const { return noticesOpen_; }
  std::string_view text(const Hit& hit) const {
    return std::string_view(chunks_[hit.chunk]).substr(hit.offset, hit.length);
  }

  // The rows: those of the files first (the heading of file f at headingRow(f)), then the rest.
  uint64_t rowCount() const {
    return fileRows_ + noticeRows() + messages_.size() + trailer_.size();
  }
  uint64_t fileRows() const { return fileRows_; }
  uint64_t headingRow(size_t file) const { return rowStart_[position_[file]]; }
  Row row(uint64_t index) const;

 private:
  uint64_t rowsOf(const File& file) const { return 1 + (file.collapsed ? 0 : file.hits); }
  uint64_t noticeRows() const {
    return notices_.empty() ? 0 : 1 + (noticesOpen_ ? notices_.size() : 0);
  }
  void restartRows(size_t from);  // from position `from` on
  // The chunk that takes `length` more bytes of hit text.
  std::string& chunkFor(size_t length);

  SearchRequest request_;
  std::string base_;
  std::vector<File> files_;
  std::deque<Hit> hits_;
  std::vector<std::string> chunks_;
  std::vector<uint64_t> rowStart_;  // the heading row of the file at each position
  std::vector<uint32_t> order_;     // the file at each position
  std::vector<uint32_t> position_;  // the position of each file
  bool byPath_ = false;
  size_t ordered_ = 0;  // files placed in order_ by path
  uint64_t fileRows_ = 0;
  std::vector<Notice> notices_;
  bool noticesOpen_ = false;
  std::vector<std::string> messages_;  // escaped
  std::vector<std::string> trailer_;   // the front end's own lines, after every other row
};

}  // namespace tui

#endif  // VANTREL_HOST_TUI_PAGE_H_
