// A hit's match on its file's line (see host/tui/tui_hit_match.h).
// Tested by tests/host/tui/tui_results_test.cpp.
#include "host/tui/tui_hit_match.h"

#include <chrono>
#include <new>

#include "regex/grepclass.h"
#include "win32/include/winbase.h"

namespace tui {
namespace {

// Asked by the engine every few thousand steps: gives up once the time allowed has passed.
int pastDeadline(void* context) {
  auto* deadline = static_cast<std::chrono::steady_clock::time_point*>(context);
  return std::chrono::steady_clock::now() > *deadline ? 1 : 0;
}

// The text as the search compares it: upper-cased, as the add-on folds the pattern and each line,
// unless the case counts.
void asSearched(std::string& out, std::string_view text, int options) {
  out.assign(text.data(), text.size());
  if (!(options & CaseSensitive) && !out.empty())
    CharUpperBuffA(out.data(), static_cast<DWORD>(out.size()));
}

}  // namespace

HitMatcher::HitMatcher() = default;
HitMatcher::~HitMatcher() = default;

bool HitMatcher::compile(const SearchRequest& request) {
  if (pattern_ && compiledText_ == request.text && compiledOptions_ == request.options)
    return pattern_->errorCount == 0;
  compiledText_ = request.text;
  compiledOptions_ = request.options;
  std::string folded;
  asSearched(folded, request.text, request.options);
  pattern_.reset(new (std::nothrow) GREPCLASS(folded.c_str()));
  return pattern_ && pattern_->errorCount == 0;
}

bool HitMatcher::extent(std::string_view line, const SearchRequest& request, int column,
                        size_t* start, size_t* end) {
  if (!request.known || request.text.empty() || column < 1) return false;
  // The search reads a line up to its first NUL.
  line = line.substr(0, line.find('\0'));
  size_t at = static_cast<size_t>(column - 1);
  if (at > line.size()) return false;
  if (!(request.options & RegularExpression)) {
    std::string wanted;
    asSearched(wanted, request.text, request.options);
    if (line.size() - at < wanted.size()) return false;
    asSearched(searched_, line.substr(at, wanted.size()), request.options);
    if (searched_ != wanted) return false;
    *start = at;
    *end = at + wanted.size();
    return true;
  }
  if (!compile(request)) return false;
  asSearched(searched_, line, request.options);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(16);
  pattern_->wholeWords = (request.options & WholeWords) ? 1 : 0;
  pattern_->stopCheck = pastDeadline;
  pattern_->stopContext = &deadline;
  const char* text = searched_.c_str();
  bool found = pattern_->match(text) != 0;
  pattern_->stopCheck = nullptr;
  pattern_->stopContext = nullptr;
  if (!found || pattern_->groupStart[0] != text + at) return false;
  *start = at;
  *end = static_cast<size_t>(pattern_->groupEnd[0] - text);
  return true;
}

long HitMatcher::refusedAt(const SearchRequest& request, std::string* reason) {
  if (!(request.options & RegularExpression)) return -1;
  std::string folded;
  asSearched(folded, request.text, request.options);
  std::unique_ptr<GREPCLASS> pattern(new (std::nothrow) GREPCLASS(folded.c_str()));
  if (!pattern || pattern->errorCount == 0 || !pattern->parsePos) return -1;
  long at = static_cast<long>(pattern->parsePos - folded.c_str());
  if (reason) *reason = pattern->errorText;
  return at >= 0 && at <= static_cast<long>(folded.size()) ? at : -1;
}

}  // namespace tui
