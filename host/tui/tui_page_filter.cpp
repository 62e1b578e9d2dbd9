// A page's filter (see host/tui/tui_page_filter.h).
// Tested by tests/host/tui/tui_page_test.cpp and tests/host/tui/tui_message_list_test.cpp.
#include "host/tui/tui_page_filter.h"

#include <algorithm>

#include "host/ide/text_encoding.h"

namespace tui {
namespace {

char foldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

void PageFilter::set(std::string_view text) {
  folded_.clear();
  host::appendTerminalText(folded_, text);
  for (char& c : folded_) c = foldAscii(c);
  stale_ = true;
}

bool PageFilter::holds(std::string_view text) const {
  if (folded_.size() > text.size()) return false;
  for (size_t p = 0; p + folded_.size() <= text.size(); ++p) {
    size_t i = 0;
    while (i < folded_.size() && foldAscii(text[p + i]) == folded_[i]) ++i;
    if (i == folded_.size()) return true;
  }
  return false;
}

void PageFilter::list(const Page& page) {
  stale_ = false;
  shown_.clear();
  matching_.clear();
  if (empty()) return;
  if (scopes_ != 0) hitScopes_.classify(page);
  const std::vector<Page::File>& files = page.files();
  matching_.resize(files.size());
  for (size_t p = 0; p < files.size(); ++p) {
    size_t f = page.fileAt(p);
    const Page::File& file = files[f];
    bool whole = holds(file.relative);
    size_t headingAt = shown_.size();
    uint64_t heading = page.headingRow(f);
    shown_.push_back(heading);
    bool any = whole && scopes_ == 0;
    for (uint32_t h = 0; h < file.hits; ++h) {
      if (!passes(page, file.firstHit + h, whole)) continue;
      any = true;
      ++matching_[f];
      if (!file.collapsed) shown_.push_back(heading + 1 + h);
    }
    if (!any) shown_.resize(headingAt);
  }
  uint64_t at = page.fileRows();
  const std::vector<Page::Notice>& notices = page.notices();
  if (!notices.empty()) {
    bool anyNotice = false;
    for (const Page::Notice& n : notices) anyNotice = anyNotice || holds(n.path);
    if (anyNotice) shown_.push_back(at);
    ++at;
    if (page.noticesOpen())
      for (const Page::Notice& n : notices) {
        if (holds(n.path)) shown_.push_back(at);
        ++at;
      }
  }
  for (const std::vector<std::string>* lines : {&page.messages(), &page.trailer()})
    for (const std::string& m : *lines) {
      if (holds(m)) shown_.push_back(at);
      ++at;
    }
}

uint64_t PageFilter::count(const Page& page) {
  if (empty()) return page.rowCount();
  if (stale_) list(page);
  return shown_.size();
}

uint64_t PageFilter::indexOf(const Page& page, uint64_t row) {
  if (empty()) return row;
  if (stale_) list(page);
  return static_cast<uint64_t>(std::lower_bound(shown_.begin(), shown_.end(), row) -
                               shown_.begin());
}

long PageFilter::matching(const Page& page, size_t file) const {
  if (empty() || file >= matching_.size()) return page.files()[file].hits;
  return matching_[file];
}

}  // namespace tui
