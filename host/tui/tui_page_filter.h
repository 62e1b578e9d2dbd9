// A page's filter: the rows of a Page (host/tui/tui_page.h) that hold a text. A file whose path
// holds it passes with all its hits; a hit passes when its text holds it (under its file's
// heading); the row of the files not searched passes when one of their paths holds it, each of
// them when its own does; the other lines when they hold it. ASCII letters match either case.
// With scopes chosen (host::ScopeBits), a hit passes only when one of its line's matches stands
// in one of them (host/tui/tui_hit_scopes.h), and a file only with such a hit.
//
// The rows that pass are listed again only when the page has changed since (markStale()), so
// drawing a filtered page costs no more than an unfiltered one between changes.
// Threading: none of its own (used under host/tui/tui_message_list.h's lock).
// Tested by tests/host/tui/tui_page_test.cpp and tests/host/tui/tui_message_list_test.cpp.
#ifndef VANTREL_HOST_TUI_PAGE_FILTER_H_
#define VANTREL_HOST_TUI_PAGE_FILTER_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/tui/tui_hit_scopes.h"
#include "host/tui/tui_page.h"

namespace tui {

class PageFilter {
 public:
  // An empty text lets every row through. `text` is as typed (escaped and folded here).
  void set(std::string_view text);
  const std::string& text() const { return folded_; }
  // The scopes a hit must stand in (0: any; the hits are classified when next listed).
  void setScopes(unsigned scopes) {
    scopes_ = scopes;
    stale_ = true;
  }
  unsigned scopes() const { return scopes_; }
  // No text and no scope: every row passes.
  bool empty() const { return folded_.empty() && scopes_ == 0; }
  // The page changed: the rows that pass are listed again when next asked for.
  void markStale() { stale_ = true; }

  // How many rows of `page` pass.
  uint64_t count(const Page& page);
  // The page's row behind passing row `index` (index < count()).
  uint64_t behind(uint64_t index) const { return empty() ? index : shown_[index]; }
  // The passing row at or after the page's row `row` (count() when none).
  uint64_t indexOf(const Page& page, uint64_t row);
  // Of file `file`'s hits, how many pass.
  long matching(const Page& page, size_t file) const;
  // Whether `text` holds the filter.
  bool holds(std::string_view text) const;
  // Whether hit `hit` (its index in `page`) passes, its file's path holding the text or not
  // (`pathHolds`); the page listed since it last changed.
  bool passes(const Page& page, size_t hit, bool pathHolds) const {
    return (pathHolds || holds(page.text(page.hits()[hit]))) &&
           (scopes_ == 0 || (hitScopes_.of(hit) & scopes_) != 0);
  }

 private:
  void list(const Page& page);

  std::string folded_;
  unsigned scopes_ = 0;
  HitScopes hitScopes_;
  std::vector<uint64_t> shown_;
  std::vector<uint32_t> matching_;
  bool stale_ = true;
};

}  // namespace tui

#endif  // VANTREL_HOST_TUI_PAGE_FILTER_H_
