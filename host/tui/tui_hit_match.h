// Where a hit's match lies on its file's own line, found as the search found it: for a regular
// expression the add-on's own engine (regex/grepclass.h) runs on the line, upper-cased first
// unless the search was case sensitive and with whole-word matching when it asked for that, and
// its leftmost match must begin at the column the add-on reported; for a text, its length at that
// column, compared as the search compared it. A line that no longer holds the match there (the
// file changed since) gives no extent.
//
// A pattern's attempt is given up after about 16 ms of work, so a line on which the pattern is
// slow never holds up drawing. The pattern is compiled once per request.
// Ownership: owns its compiled pattern. Threading: one thread at a time.
// Tested by tests/host/tui/tui_results_test.cpp (highlighted regular-expression hits).
#ifndef VANTREL_HOST_TUI_HIT_MATCH_H_
#define VANTREL_HOST_TUI_HIT_MATCH_H_

#include <memory>
#include <string>
#include <string_view>

#include "host/tui/tui_search_request.h"

class GREPCLASS;

namespace tui {

class HitMatcher {
 public:
  HitMatcher();
  ~HitMatcher();

  // The match's bytes [*start, *end) on `line` (the file's line, its line end left out) for a hit
  // reported at `column` (1-based bytes) by the search `request` describes.
  bool extent(std::string_view line, const SearchRequest& request, int column, size_t* start,
              size_t* end);

  // Where `pattern` cannot be compiled: its byte offset at which the engine stopped, or -1 when
  // it compiles (or is no pattern).
  // `reason`, when given, gets the engine's message then.
  static long refusedAt(const SearchRequest& request, std::string* reason = nullptr);

 private:
  bool compile(const SearchRequest& request);

  std::string compiledText_;
  int compiledOptions_ = -1;
  std::unique_ptr<GREPCLASS> pattern_;
  std::string searched_;  // the line as searched (upper-cased when the case is ignored)
};

}  // namespace tui

#endif  // VANTREL_HOST_TUI_HIT_MATCH_H_
