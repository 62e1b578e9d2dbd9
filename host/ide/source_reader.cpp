// Where the tokens that the source lexer skips whole end (see host/ide/source_reader.h).
#include "host/ide/source_reader.h"

#include <algorithm>
#include <cstring>

namespace host::source {
namespace {

// A raw string's delimiter may hold letters, digits and the basic punctuation, but no blank,
// parenthesis or backslash (nor $, @ or `, which the basic character set lacked).
bool isRawDelimiter(unsigned char c) {
  return isAsciiIdentifierContinue(c) || (c != 0 && std::strchr("{}[]#<>%:;.?*+-/^&|~!=,\"'", c));
}

// The suffixes the C++ library gives string literals, which a C++20 lexer takes without an
// underscore.
bool isStandardSuffix(std::string_view s) {
  static constexpr std::string_view kSuffixes[] = {"h",  "min", "s",  "ms", "us", "ns",
                                                   "il", "i",   "if", "d",  "y",  "sv"};
  return std::find(std::begin(kSuffixes), std::end(kSuffixes), s) != std::end(kSuffixes);
}

}  // namespace

size_t Reader::utf8Length(size_t at) const {
  unsigned char lead = s_[at];
  size_t length;
  unsigned char low = 0x80, high = 0xBF;  // the bounds of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (at + length > n_ || s_[at + 1] < low || s_[at + 1] > high) return 0;
  for (size_t i = 2; i < length; ++i) {
    if ((s_[at + i] & 0xC0) != 0x80) return 0;
  }
  return length;
}

size_t Reader::blockCommentEnd(size_t from) const {
  size_t i = from;
#if defined(__SSE2__)
  // Most stars in a comment begin its lines (" * "): sixteen bytes at a time, only a star that a
  // slash follows, or a backslash that may splice one to it, is looked at.
  const __m128i star = _mm_set1_epi8('*'), slash = _mm_set1_epi8('/'),
                backslash = _mm_set1_epi8('\\');
  while (i + 17 <= n_) {
    __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s_ + i));
    __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s_ + i + 1));
    __m128i ends =
        _mm_and_si128(_mm_cmpeq_epi8(here, star),
                      _mm_or_si128(_mm_cmpeq_epi8(next, slash), _mm_cmpeq_epi8(next, backslash)));
    unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(ends));
    if (mask == 0) {
      i += 16;
      continue;
    }
    size_t j = i + static_cast<size_t>(__builtin_ctz(mask));
    size_t k = real(j + 1);
    if (k < n_ && s_[k] == '/') return k + 1;
    i = j + 1;
  }
#endif
  while (i < n_) {
    const void* star = std::memchr(s_ + i, '*', n_ - i);
    if (star == nullptr) return n_;
    size_t j = static_cast<const unsigned char*>(star) - s_;
    size_t k = real(j + 1);
    if (k < n_ && s_[k] == '/') return k + 1;
    i = j + 1;
  }
  return n_;
}

size_t Reader::quotedEnd(size_t quote, bool* closed) const {
  unsigned char mark = s_[quote];
  *closed = false;
  size_t i = quote + 1;
  size_t first = real(i);
  // '' is no character constant: the two quotes stand alone, with no suffix.
  if (mark == '\'' && first < n_ && s_[first] == '\'') return first + 1;
  for (;;) {
    size_t j = real(i);
    if (j >= n_) return n_;
    unsigned char c = s_[j];
    if (c == mark) {
      *closed = true;
      return cpp_ ? suffixEnd(j + 1, mark == '"') : j + 1;
    }
    if (c == '\n' || c == '\r') return j;
    if (c == '\\') {
      j = real(j + 1);
      if (j >= n_) return n_;
      if (s_[j] == '\n' || s_[j] == '\r') return j;
    }
    i = j + 1;
  }
}

size_t Reader::rawStringEnd(size_t quote) const {
  size_t open = quote + 1;
  size_t length = 0;
  while (length < 16 && open + length < n_ && isRawDelimiter(s_[open + length])) ++length;
  if (open + length >= n_ || s_[open + length] != '(') {
    // Not a raw string after all: up to the next quote, as a compiler recovers.
    const void* next = std::memchr(s_ + open, '"', n_ - open);
    return next ? static_cast<const unsigned char*>(next) - s_ + 1 : n_;
  }
  const unsigned char* delimiter = s_ + open;
  for (size_t i = open + length + 1; i < n_;) {
    const void* close = std::memchr(s_ + i, ')', n_ - i);
    if (close == nullptr) return n_;
    size_t j = static_cast<const unsigned char*>(close) - s_ + 1;
    if (j + length < n_ && std::memcmp(s_ + j, delimiter, length) == 0 && s_[j + length] == '"') {
      return suffixEnd(j + length + 1, true);
    }
    i = j;
  }
  return n_;
}

size_t Reader::suffixEnd(size_t from, bool string) const {
  size_t j = real(from);
  if (j >= n_) return from;
  unsigned char c = s_[j];
  size_t end = from;
  if (c == '_' || (c >= 0x80 && utf8Length(j) > 0)) {
    end = j + (c == '_' ? 1 : utf8Length(j));
  } else if (string && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) {
    // Without an underscore only the library's own suffixes count, whole.
    char name[3];
    size_t length = 0;
    size_t i = j;
    for (;;) {
      size_t k = real(i);
      if (k >= n_ || !isAsciiIdentifierContinue(s_[k])) break;
      if (length == sizeof name) return from;
      name[length++] = static_cast<char>(s_[k]);
      i = k + 1;
    }
    if (!isStandardSuffix(std::string_view(name, length))) return from;
    end = j + 1;  // and the rest of the identifier, as after an underscore
  } else {
    return from;
  }
  for (;;) {
    size_t k = real(end);
    if (k >= n_) break;
    size_t length = isAsciiIdentifierContinue(s_[k]) ? 1 : s_[k] >= 0x80 ? utf8Length(k) : 0;
    if (length == 0) break;
    end = k + length;
  }
  return end;
}

size_t Reader::numberEnd(size_t first) const {
  // A preprocessing number: digits, letters, _, ., an exponent's sign and digit separators.
  bool hex = false;
  size_t second = real(first + 1);
  if (s_[first] == '0' && second < n_ && (s_[second] == 'x' || s_[second] == 'X')) hex = true;
  unsigned char previous = s_[first];
  size_t i = first + 1;
  for (;;) {
    size_t j = real(i);
    if (j >= n_) break;
    unsigned char c = s_[j];
    if (isAsciiIdentifierContinue(c) || c == '.') {
      previous = c;
      i = j + 1;
    } else if ((c == '+' || c == '-') &&
               (previous == 'e' || previous == 'E' ||
                ((previous == 'p' || previous == 'P') && (!cpp_ || hex)))) {
      previous = c;
      i = j + 1;
    } else if (c == '\'') {
      size_t k = real(j + 1);
      if (k >= n_ || !isAsciiIdentifierContinue(s_[k])) break;
      previous = 0;
      i = k + 1;
    } else if (c >= 0x80 && utf8Length(j) > 0) {
      previous = 0;
      i = j + utf8Length(j);
    } else {
      break;
    }
  }
  return i;
}

size_t Reader::headerEnd(size_t less) const {
  for (size_t i = less + 1;;) {
    size_t j = real(i);
    if (j >= n_) return 0;
    unsigned char c = s_[j];
    if (c == '\\') {
      // An escaped byte never ends the name.
      j = real(j + 1);
      if (j >= n_ || s_[j] == '\n' || s_[j] == '\r') return 0;
    } else if (c == '\n' || c == '\r') {
      return 0;
    } else if (c == '>') {
      return j + 1;
    }
    i = j + 1;
  }
}

}  // namespace host::source
