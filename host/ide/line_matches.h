// The matches of a search on one line of a file, found again as the search found them: a text
// compared as the search compares it (upper-cased first unless the case counts, whole words by
// the add-on's word characters when asked), a pattern run by the add-on's own engine
// (regex/grepclass.h) with its options. The add-on reports only a line's first match; the ones
// after it are looked for from the end of the one before. A pattern anchored at the line's start
// has no match after its first; a later match that the engine finds where the line before it
// ends in a word character is not a whole word.
//
// Ownership: owns its compiled pattern and a folded copy of the line (reused from line to line).
// Threading: one thread at a time.
// Tested by tests/host/ide/scope_filter_test.cpp.
#ifndef VANTREL_HOST_LINE_MATCHES_H_
#define VANTREL_HOST_LINE_MATCHES_H_

#include <memory>
#include <string>
#include <string_view>

class GREPCLASS;

namespace host {

class LineMatches {
 public:
  LineMatches();
  ~LineMatches();

  // The search: its text and the dialog's option bits (search/option_bits.h: case sensitive,
  // regular expression and whole words are read).
  void setSearch(const std::string& text, int options);
  // The line searched next (without its line end; read up to its first NUL, as the search does).
  void setLine(std::string_view line);
  // The first match that starts at or after byte `from` of the line: [*start, *end); false when
  // there is none (or the search cannot be compiled).
  bool next(size_t from, size_t* start, size_t* end);

 private:
  std::string text_;
  int options_ = 0;
  std::string wanted_;  // a text as compared
  std::unique_ptr<GREPCLASS> pattern_;
  std::string line_;  // the line as searched, NUL-terminated
};

}  // namespace host

#endif  // VANTREL_HOST_LINE_MATCHES_H_
