// The matches of a search on one line (see host/ide/line_matches.h).
#include "host/ide/line_matches.h"

#include <new>

#include "addon/platform.h"
#include "regex/grepclass.h"
#include "search/option_bits.h"

namespace host {
namespace {

void asSearched(std::string& out, std::string_view text, int options) {
  out.assign(text.data(), text.size());
  if (!(options & CaseSensitive) && !out.empty())
    CharUpperBuffA(out.data(), static_cast<DWORD>(out.size()));
}

}  // namespace

LineMatches::LineMatches() = default;
LineMatches::~LineMatches() = default;

void LineMatches::setSearch(const std::string& text, int options) {
  text_ = text;
  options_ = options;
  asSearched(wanted_, text, options);
  pattern_.reset();
  if (options & RegularExpression) {
    pattern_.reset(new (std::nothrow) GREPCLASS(wanted_.c_str()));
    if (pattern_ && pattern_->errorCount != 0) pattern_.reset();
    if (pattern_) pattern_->wholeWords = (options & WholeWords) ? 1 : 0;
  }
}

void LineMatches::setLine(std::string_view line) {
  asSearched(line_, line.substr(0, line.find('\0')), options_);
}

bool LineMatches::next(size_t from, size_t* start, size_t* end) {
  const char* line = line_.c_str();
  size_t size = line_.size();
  bool words = (options_ & WholeWords) != 0;
  if (!(options_ & RegularExpression)) {
    if (wanted_.empty()) return false;
    for (size_t at = line_.find(wanted_, from); at != std::string::npos;
         at = line_.find(wanted_, at + 1)) {
      size_t after = at + wanted_.size();
      if (!words || ((at == 0 || !grepIsWordByte(static_cast<unsigned char>(line[at - 1]))) &&
                     (after == size || !grepIsWordByte(static_cast<unsigned char>(line[after]))))) {
        *start = at;
        *end = after;
        return true;
      }
    }
    return false;
  }
  if (!pattern_ || (from > 0 && pattern_->anchoredAtStart)) return false;
  for (size_t at = from; at <= size;) {
    if (!pattern_->match(line + at)) return false;
    size_t found = static_cast<size_t>(pattern_->groupStart[0] - line);
    size_t past = static_cast<size_t>(pattern_->groupEnd[0] - line);
    // The engine took `at` for the line's start: a match there is no whole word when a word
    // character stands before it.
    if (words && found == at && at > 0 &&
        grepIsWordByte(static_cast<unsigned char>(line[at - 1]))) {
      at = found + 1;
      continue;
    }
    *start = found;
    *end = past;
    return true;
  }
  return false;
}

}  // namespace host
