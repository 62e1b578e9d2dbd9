// Ignore-file patterns (see listing/ignore_pattern.h). Tested by
// tests/listing/ignore_pattern_test.cpp and tests/listing/listing_rules_test.cpp.
#include "listing/ignore_pattern.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <iterator>

namespace vlisting {
namespace {

// A failed match that no later position of an enclosing "*" can mend: the text ran out (kAbortAll),
// or a "*" met a "/" it may not pass, which only an enclosing "**" can (kAbortToStarStar).
enum Result { kMatch, kNoMatch, kAbortAll, kAbortToStarStar };

bool inClass(std::string_view name, unsigned char c, bool& known) {
  known = true;
  if (name == "alnum") return std::isalnum(c);
  if (name == "alpha") return std::isalpha(c);
  if (name == "blank") return c == ' ' || c == '\t';
  if (name == "cntrl") return std::iscntrl(c);
  if (name == "digit") return std::isdigit(c);
  if (name == "graph") return std::isgraph(c);
  if (name == "lower") return std::islower(c);
  if (name == "print") return std::isprint(c);
  if (name == "punct") return std::ispunct(c);
  if (name == "space") return std::isspace(c);
  if (name == "upper") return std::isupper(c);
  if (name == "xdigit") return std::isxdigit(c);
  known = false;
  return false;
}

// Matches the set opening at p[pi] ("[") against c; leaves pi on its closing "]".
Result matchSet(std::string_view p, size_t& pi, unsigned char c) {
  ++pi;
  bool negate = pi < p.size() && (p[pi] == '!' || p[pi] == '^');
  if (negate) ++pi;
  bool matched = false;
  unsigned char previous = 0;
  for (bool first = true;; first = false, ++pi) {
    if (pi >= p.size()) return kAbortAll;  // no closing "]": the pattern matches nothing
    unsigned char pc = static_cast<unsigned char>(p[pi]);
    if (pc == ']' && !first) break;
    if (pc == '\\') {
      if (++pi >= p.size()) return kAbortAll;
      pc = static_cast<unsigned char>(p[pi]);
      matched |= c == pc;
      previous = pc;
    } else if (pc == '-' && previous && pi + 1 < p.size() && p[pi + 1] != ']') {
      unsigned char high = static_cast<unsigned char>(p[++pi]);
      if (high == '\\') {
        if (++pi >= p.size()) return kAbortAll;
        high = static_cast<unsigned char>(p[pi]);
      }
      matched |= c >= previous && c <= high;
      previous = 0;
    } else if (pc == '[' && pi + 1 < p.size() && p[pi + 1] == ':') {
      size_t end = p.find(":]", pi + 2);
      if (end == std::string_view::npos) {
        matched |= c == pc;
        previous = pc;
        continue;
      }
      bool known;
      matched |= inClass(p.substr(pi + 2, end - pi - 2), c, known);
      if (!known) return kAbortAll;
      pi = end + 1;
      previous = 0;
    } else {
      matched |= c == pc;
      previous = pc;
    }
  }
  return matched != negate ? kMatch : kNoMatch;
}

Result match(std::string_view p, size_t pi, std::string_view t, size_t ti) {
  for (; pi < p.size(); ++pi, ++ti) {
    char pc = p[pi];
    if (ti >= t.size() && pc != '*') return kAbortAll;
    switch (pc) {
      case '\\':
        if (++pi >= p.size() || p[pi] != t[ti]) return kNoMatch;
        break;
      case '?':
        if (t[ti] == '/') return kNoMatch;
        break;
      case '[': {
        if (t[ti] == '/') return kNoMatch;
        Result r = matchSet(p, pi, static_cast<unsigned char>(t[ti]));
        if (r != kMatch) return r;
        break;
      }
      case '*': {
        size_t first = pi;
        while (pi + 1 < p.size() && p[pi + 1] == '*') ++pi;
        // "**" between slashes (or the pattern's ends) passes slashes; any other run is one "*".
        bool crossesSlashes = pi > first && (first == 0 || p[first - 1] == '/') &&
                              (pi + 1 == p.size() || p[pi + 1] == '/');
        if (crossesSlashes && pi + 1 < p.size() && match(p, pi + 2, t, ti) == kMatch)
          return kMatch;  // "**/" standing for no directory at all
        ++pi;
        if (pi == p.size())
          return crossesSlashes || t.find('/', ti) == std::string_view::npos ? kMatch : kNoMatch;
        for (;; ++ti) {
          Result r = match(p, pi, t, ti);
          if (r != kNoMatch && (!crossesSlashes || r != kAbortToStarStar)) return r;
          if (ti >= t.size()) return kAbortAll;
          if (t[ti] == '/' && !crossesSlashes) return kAbortToStarStar;
        }
      }
      default:
        if (pc != t[ti]) return kNoMatch;
    }
  }
  return ti == t.size() ? kMatch : kNoMatch;
}

// Where the set opening at pattern[open] ("[") closes: a "]" first in it (after "!" or "^") is a
// member, and so is a class; npos when it never closes.
size_t setEnd(std::string_view pattern, size_t open) {
  size_t j = open + 1;
  if (j < pattern.size() && (pattern[j] == '!' || pattern[j] == '^')) ++j;
  if (j < pattern.size() && pattern[j] == ']') ++j;
  while (j < pattern.size() && pattern[j] != ']') {
    size_t close = pattern[j] == '[' && j + 1 < pattern.size() && pattern[j + 1] == ':'
                       ? pattern.find(":]", j + 2)
                       : std::string_view::npos;
    j = close != std::string_view::npos ? close + 2 : j + (pattern[j] == '\\' ? 2 : 1);
  }
  return j < pattern.size() ? j : std::string_view::npos;
}

bool hasWildcard(std::string_view s) { return s.find_first_of("*?[\\") != std::string_view::npos; }

// The longest run of characters outside any wildcard or set, and without "/" ("**/" may stand
// for no directory at all, slash included); "" when there is none. An escaped character ends a
// run, so a run holds only characters as the subject holds them.
std::string longestPlainRun(std::string_view pattern) {
  std::string_view best;
  size_t start = 0;
  for (size_t i = 0; i <= pattern.size(); ++i) {
    bool special = i == pattern.size() || std::strchr("*?\\[/", pattern[i]);
    if (!special) continue;
    if (i - start > best.size()) best = pattern.substr(start, i - start);
    if (i < pattern.size() && pattern[i] == '\\') {
      ++i;  // the escaped character
    } else if (i < pattern.size() && pattern[i] == '[') {
      size_t close = setEnd(pattern, i);
      i = close == std::string_view::npos ? pattern.size() : close;  // past the set
    }
    start = i + 1;
  }
  return std::string(best);
}

}  // namespace

bool wildMatch(std::string_view pattern, std::string_view text) {
  return match(pattern, 0, text, 0) == kMatch;
}

std::optional<IgnorePattern> IgnorePattern::parse(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line.empty() || line[0] == '#') return std::nullopt;
  IgnorePattern pattern;
  if (line[0] == '!') {
    pattern.negated_ = true;
    line.remove_prefix(1);
  }
  while (!line.empty() && line.back() == ' ' &&
         !(line.size() >= 2 && line[line.size() - 2] == '\\'))
    line.remove_suffix(1);
  if (!line.empty() && line.back() == '/') {
    pattern.directoryOnly_ = true;
    line.remove_suffix(1);
  }
  if (line.empty()) return std::nullopt;
  pattern.anchored_ = line.find('/') != std::string_view::npos;
  if (line[0] == '/') line.remove_prefix(1);
  if (line.empty()) return std::nullopt;
  pattern.text_ = line;
  pattern.classify();
  return pattern;
}

void IgnorePattern::classify() {
  std::string_view line = text_;
  if (!hasWildcard(line)) {
    kind_ = Kind::kLiteral;
    plain_ = line;
  } else if (!anchored_ && line[0] == '*' && !hasWildcard(line.substr(1))) {
    kind_ = Kind::kTail;
    plain_ = line.substr(1);
  } else {
    plain_ = longestPlainRun(line);
  }
  // A pattern ending in a plain byte (or an escaped one) ends every subject with it, one ending
  // in a plain set ("[ch]") with one of its members; one ending in a wildcard, any byte.
  unsigned char last = static_cast<unsigned char>(line.back());
  size_t backslashes = 0;
  while (backslashes + 1 < line.size() && line[line.size() - 2 - backslashes] == '\\')
    ++backslashes;
  if (backslashes % 2 == 1 || !std::strchr("*?]\\", last)) {
    lastBytes_.assign(1, static_cast<char>(last));
  } else if (last == ']') {
    size_t open = line.rfind('[');
    std::string_view members =
        open == std::string_view::npos ? "" : line.substr(open + 1, line.size() - open - 2);
    if (!members.empty() && members.find_first_of("!^-[]\\") == std::string_view::npos &&
        (open == 0 || line[open - 1] != '\\'))
      lastBytes_ = members;
  }
  if (!std::strchr("*?[\\", line[0])) firstByte_ = static_cast<unsigned char>(line[0]);
  reducible_ = anchored_ && line.find("**") == std::string_view::npos &&
               line.find_first_of("\\[") == std::string_view::npos &&
               line.find("//") == std::string_view::npos;
  shape_ = NameShape{};
  shape_.directoryOnly = directoryOnly_;
  if (!anchored_) {
    size_t head = std::min({line.find_first_of("*?[\\"), line.size(), sizeof shape_.head});
    shape_.headLength = static_cast<uint8_t>(head);
    std::memcpy(shape_.head, line.data(), head);
  }
  // The name is matched by what follows the last "/" (unless that is a "**" passing slashes,
  // which holds no dot and ends no tail), read here as the match reads it: a byte that matches
  // only itself, one that matches any ("?" or a set), or a run of any length. The tail is the
  // last bytes after the last run.
  constexpr int kAnyByte = -1;
  std::string_view name = line.substr(line.rfind('/') + 1);
  int units[sizeof shape_.tail];  // the last ones read, round
  size_t run = 0, dots = 0;       // bytes since the last run of any length; dots in all
  for (size_t i = 0; i < name.size(); ++i) {
    int unit = static_cast<unsigned char>(name[i]);
    if (name[i] == '\\' && i + 1 < name.size()) {
      unit = static_cast<unsigned char>(name[++i]);
    } else if (name[i] == '?') {
      unit = kAnyByte;
    } else if (name[i] == '[') {
      size_t close = setEnd(name, i);
      if (close == std::string_view::npos) {  // the pattern matches nothing: read no further
        run = 0;
        break;
      }
      unit = kAnyByte;
      i = close;
    } else if (name[i] == '*' || name[i] == '\\') {
      run = 0;
      continue;
    }
    dots += unit == '.';
    units[run++ % std::size(units)] = unit;
  }
  shape_.dots = static_cast<uint8_t>(std::min<size_t>(dots, 255));
  size_t tail = std::min(run, sizeof shape_.tail);
  shape_.tailLength = static_cast<uint8_t>(tail);
  for (size_t k = 0; k < tail; ++k) {
    int unit = units[(run - tail + k) % std::size(units)];
    shape_.tail[k] = unit == kAnyByte ? 0 : static_cast<char>(unit);
    shape_.tailMask[k] = unit == kAnyByte ? 0 : static_cast<char>(0xff);
  }
}

IgnorePattern IgnorePattern::nameTest(std::string_view name, bool negated, bool directoryOnly) {
  IgnorePattern pattern;
  pattern.text_ = name;
  pattern.negated_ = negated;
  pattern.directoryOnly_ = directoryOnly;
  pattern.classify();
  return pattern;
}

}  // namespace vlisting
