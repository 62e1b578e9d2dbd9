// A result page's storage and rows (see host/tui/tui_page.h).
// Tested by tests/host/tui/tui_page_test.cpp and tests/host/tui/tui_message_list_test.cpp.
#include "host/tui/tui_page.h"

#include <algorithm>

#include "host/ide/text_encoding.h"
#include "host/tui/tui_notice_summary.h"

namespace tui {
namespace {

constexpr size_t kChunk = size_t{1} << 22;  // hit texts are kept in chunks of this size

}  // namespace

Page::Page(const SearchRequest& request) : request_(request), base_(baseDirectory(request)) {}

size_t Page::addFile(std::string path, std::string_view shown, std::string_view relative) {
  File file;
  file.path = std::move(path);
  host::appendTerminalText(file.full, shown);
  host::appendTerminalText(file.relative, relative);
  file.firstHit = static_cast<uint32_t>(hits_.size());
  // At the end of the order; by path, settleOrder() moves it to its place.
  position_.push_back(static_cast<uint32_t>(order_.size()));
  order_.push_back(static_cast<uint32_t>(files_.size()));
  rowStart_.push_back(fileRows_);
  fileRows_ += 1;
  files_.push_back(std::move(file));
  return files_.size() - 1;
}

void Page::addHit(int line, int column, std::string_view text) {
  File& file = files_.back();
  std::string& chunk = chunkFor(text.size() * 2 + 16);
  size_t offset = chunk.size();
  host::appendTerminalText(chunk, text);
  hits_.push_back(Hit{static_cast<uint32_t>(files_.size() - 1), line, column,
                      static_cast<uint32_t>(chunks_.size() - 1), static_cast<uint32_t>(offset),
                      static_cast<uint32_t>(chunk.size() - offset)});
  ++file.hits;
  if (!file.collapsed) ++fileRows_;
}

void Page::addNotice(std::string_view path, std::string reason, std::string file) {
  Notice notice;
  host::appendTerminalText(notice.path, path);
  notice.reason = std::move(reason);
  notice.file = std::move(file);
  notices_.push_back(std::move(notice));
}

void Page::addMessage(std::string_view text) {
  messages_.emplace_back();
  host::appendTerminalText(messages_.back(), text);
}

void Page::addTrailer(std::string_view text) {
  trailer_.emplace_back();
  host::appendTerminalText(trailer_.back(), text);
}

void Page::toggleFile(size_t file) {
  files_[file].collapsed = !files_[file].collapsed;
  restartRows(position_[file]);
}

void Page::restartRows(size_t from) {
  uint64_t at = from == 0 ? 0 : rowStart_[from - 1] + rowsOf(files_[order_[from - 1]]);
  for (size_t p = from; p < order_.size(); ++p) {
    rowStart_[p] = at;
    at += rowsOf(files_[order_[p]]);
  }
  fileRows_ = at;
}

void Page::orderByPath(bool byPath) {
  byPath_ = byPath;
  for (size_t f = 0; f < files_.size(); ++f) order_[f] = static_cast<uint32_t>(f);
  for (size_t p = 0; p < order_.size(); ++p) position_[order_[p]] = static_cast<uint32_t>(p);
  ordered_ = 0;
  restartRows(0);
}

bool Page::settleOrder(bool newestToo) {
  // Positions from ordered_ on hold the files added since, in the order added.
  size_t upTo = newestToo || order_.empty() ? order_.size() : order_.size() - 1;
  if (!byPath_ || ordered_ >= upTo) return false;
  // A directory's own files before its subdirectories', so that a .c and its .h stand together:
  // the directory part first, then the name.
  auto before = [this](uint32_t a, uint32_t b) {
    std::string_view pa = files_[a].relative, pb = files_[b].relative;
    size_t sa = pa.rfind('/'), sb = pb.rfind('/');
    std::string_view da = sa == std::string_view::npos ? std::string_view() : pa.substr(0, sa);
    std::string_view db = sb == std::string_view::npos ? std::string_view() : pb.substr(0, sb);
    if (da != db) return da < db;
    return pa.substr(da.size()) < pb.substr(db.size());
  };
  auto middle = order_.begin() + static_cast<long>(ordered_);
  auto end = order_.begin() + static_cast<long>(upTo);
  std::stable_sort(middle, end, before);
  std::inplace_merge(order_.begin(), middle, end, before);
  ordered_ = upTo;
  for (size_t p = 0; p < order_.size(); ++p) position_[order_[p]] = static_cast<uint32_t>(p);
  restartRows(0);
  return true;
}

std::string& Page::chunkFor(size_t length) {
  if (chunks_.empty() || chunks_.back().size() + length > chunks_.back().capacity()) {
    chunks_.emplace_back();
    chunks_.back().reserve(std::max(kChunk, length));
  }
  return chunks_.back();
}

Row Page::row(uint64_t index) const {
  Row out;
  if (index < fileRows_) {
    size_t p = static_cast<size_t>(std::upper_bound(rowStart_.begin(), rowStart_.end(), index) -
                                   rowStart_.begin() - 1);
    size_t f = order_[p];
    const File& file = files_[f];
    out.file = static_cast<long>(f);
    out.path = file.path;
    if (index == rowStart_[p]) {
      out.kind = Row::kHeading;
      out.shown = file.relative;
      out.hits = file.hits;
      out.matching = file.hits;
      out.folded = file.collapsed;
      const Hit& first = hits_[file.firstHit];
      out.line = first.line;
      out.column = first.column;
      return out;
    }
    const Hit& hit = hits_[file.firstHit + (index - rowStart_[p] - 1)];
    out.kind = Row::kHit;
    out.line = hit.line;
    out.column = hit.column;
    out.text = text(hit);
    out.shown = "  " + std::to_string(hit.line) + ":" + std::to_string(hit.column) + ": ";
    out.shown += out.text;
    return out;
  }
  index -= fileRows_;
  if (!notices_.empty()) {
    if (index == 0) {
      out.kind = Row::kNotices;
      out.shown = noticeSummary(notices_);
      out.folded = !noticesOpen_;
      return out;
    }
    index -= 1;
    if (noticesOpen_) {
      if (index < notices_.size()) {
        out.kind = Row::kNotice;
        out.shown = "  " + notices_[index].path + ": " + notices_[index].reason;
        return out;
      }
      index -= notices_.size();
    }
  }
  if (index < messages_.size()) {
    out.shown = messages_[index];
    return out;
  }
  index -= messages_.size();
  if (index < trailer_.size()) out.shown = trailer_[index];
  return out;
}

}  // namespace tui
