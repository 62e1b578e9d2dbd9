// The bytes of a C or C++ source file as its lexer reads them (see host/ide/source_scopes.h):
// what a byte can begin outside comments and literals, the splices that join lines (a backslash,
// blanks, a line end), and where each token that the lexer skips whole ends (comments, quoted and
// raw literals with their suffixes, numbers, identifiers, header names). Knows nothing of spans or
// of where a line or directive stands; the lexer's state machine in source_scopes.cpp does.
//
// Invariants: every position given and returned is within [0, size]; a splice is never a token's
// end, so each end is found past the splices inside the token.
// Ownership: reads a text the caller keeps alive.
// Threading: no state but the text; any thread.
// Tested through tests/host/ide/source_scopes_test.cpp.
#ifndef VANTREL_HOST_SOURCE_READER_H_
#define VANTREL_HOST_SOURCE_READER_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "host/ide/source_scopes.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace host::source {

// What a byte can begin outside comments and literals.
enum Kind : uint8_t {
  kOther,
  kBlank,
  kLineEnd,
  kIdentifier,
  kDigit,
  kSlash,
  kQuote,
  kBackslash,
  kHash,
  kDot,
  kPercent,
  kLess,
  kHigh,
};

constexpr std::array<uint8_t, 256> makeKinds() {
  std::array<uint8_t, 256> kinds{};
  for (int c = 0; c < 256; ++c) {
    uint8_t kind = kOther;
    if (c == ' ' || c == '\t' || c == '\f' || c == '\v') kind = kBlank;
    if (c == '\n' || c == '\r') kind = kLineEnd;
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '$')
      kind = kIdentifier;
    if (c >= '0' && c <= '9') kind = kDigit;
    if (c == '/') kind = kSlash;
    if (c == '"' || c == '\'') kind = kQuote;
    if (c == '\\') kind = kBackslash;
    if (c == '#') kind = kHash;
    if (c == '.') kind = kDot;
    if (c == '%') kind = kPercent;
    if (c == '<') kind = kLess;
    if (c >= 0x80) kind = kHigh;
    kinds[c] = kind;
  }
  return kinds;
}
constexpr std::array<uint8_t, 256> kKinds = makeKinds();

// Bytes that mean something in code outside a directive: what opens a comment or literal or
// splices lines, and what begins a directive (# and %:, after only blanks on their line). Any
// other byte there is code, whatever comes before it; a line end changes only whether the next
// loud byte starts its line, which the lexer finds by looking back from it.
constexpr uint8_t kLoud = 1;
// Bytes that a token ending just before a loud byte may hold: the token's start is looked for
// back over them, so that a prefix (u8"), a number (1'000) or an identifier (a\<line end>b) is
// lexed whole.
constexpr uint8_t kWordish = 2;

constexpr std::array<uint8_t, 256> makeQuiet() {
  std::array<uint8_t, 256> marks{};
  for (int c = 0; c < 256; ++c) {
    if (c == '"' || c == '\'' || c == '/' || c == '\\' || c == '#' || c == '%') marks[c] = kLoud;
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
        c == '$' || c == '.' || c == '+' || c == '-' || c >= 0x80)
      marks[c] = kWordish;
  }
  return marks;
}
constexpr std::array<uint8_t, 256> kQuiet = makeQuiet();

inline bool isAsciiIdentifierContinue(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// The text and the ends of its tokens. The few members the lexer calls on most bytes are defined
// here, so that they are inlined into its loop.
class Reader {
 public:
  Reader(std::string_view text, SourceLanguage language)
      : s_(reinterpret_cast<const unsigned char*>(text.data())),
        n_(text.size()),
        cpp_(language == SourceLanguage::cpp) {}

  size_t size() const { return n_; }
  bool cpp() const { return cpp_; }
  unsigned char operator[](size_t at) const { return s_[at]; }

  // The length of the line splice (a backslash, blanks, a line end) at `at`, or 0.
  size_t spliceLength(size_t at) const {
    size_t i = at + 1;
    while (i < n_ && (s_[i] == ' ' || s_[i] == '\t' || s_[i] == '\f' || s_[i] == '\v')) ++i;
    if (i >= n_ || (s_[i] != '\n' && s_[i] != '\r')) return 0;
    ++i;
    if (i < n_ && (s_[i] == '\n' || s_[i] == '\r') && s_[i] != s_[i - 1]) ++i;
    return i - at;
  }
  // The first loud byte at or after `at` (n_ when none).
  size_t loudFrom(size_t at) const {
#if defined(__SSE2__)
    // Sixteen bytes at a time: most runs of code between two loud bytes are longer than that.
    const __m128i quote = _mm_set1_epi8('"'), apostrophe = _mm_set1_epi8('\''),
                  slash = _mm_set1_epi8('/'), backslash = _mm_set1_epi8('\\'),
                  hash = _mm_set1_epi8('#'), percent = _mm_set1_epi8('%');
    while (at + 16 <= n_) {
      __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s_ + at));
      __m128i hit = _mm_or_si128(
          _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, quote), _mm_cmpeq_epi8(v, apostrophe)),
                       _mm_or_si128(_mm_cmpeq_epi8(v, slash), _mm_cmpeq_epi8(v, backslash))),
          _mm_or_si128(_mm_cmpeq_epi8(v, hash), _mm_cmpeq_epi8(v, percent)));
      int mask = _mm_movemask_epi8(hit);
      if (mask != 0) return at + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
      at += 16;
    }
#endif
    while (at + 4 <= n_) {
      if ((kQuiet[s_[at]] | kQuiet[s_[at + 1]] | kQuiet[s_[at + 2]] | kQuiet[s_[at + 3]]) & kLoud)
        break;
      at += 4;
    }
    while (at < n_ && !(kQuiet[s_[at]] & kLoud)) ++at;
    return at;
  }
  // The first byte at or after `at` that no splice holds (n_ at the end).
  size_t real(size_t at) const {
    while (at < n_ && s_[at] == '\\') {
      size_t length = spliceLength(at);
      if (length == 0) break;
      at += length;
    }
    return at;
  }
  // The length of the well-formed UTF-8 sequence of two or more bytes at `at`, or 0.
  size_t utf8Length(size_t at) const;
  // Ends of what begins at a position: `from` is just past what opened it.
  size_t lineCommentEnd(size_t from) const;
  size_t blockCommentEnd(size_t from) const;
  // A quoted literal whose opening quote is at `quote`; *closed is false when a line or the file
  // ends inside it.
  size_t quotedEnd(size_t quote, bool* closed) const;
  size_t rawStringEnd(size_t quote) const;
  size_t suffixEnd(size_t from, bool string) const;
  size_t numberEnd(size_t first) const;
  // An identifier from `first`: its end, its first bytes in `name` (up to `capacity`), its
  // length in bytes (non-ASCII characters counted as 0x80 in `name`).
  size_t identifierEnd(size_t first, char* name, size_t capacity, size_t* length) const;
  // A header name after #include from the `<` at `less`: its end, or 0 when the line ends first.
  size_t headerEnd(size_t less) const;

 private:
  const unsigned char* s_;
  size_t n_;
  bool cpp_;
};

// Defined here, as they are called on most lines, to be inlined into the lexer's loop.
inline size_t Reader::lineCommentEnd(size_t from) const {
  for (size_t i = from; i < n_;) {
    // Only a line end can end the comment, and only a backslash continue it past one.
    size_t j = i;
    while (j < n_ && s_[j] != '\n' && s_[j] != '\r' && s_[j] != '\\') ++j;
    if (j >= n_) return n_;
    if (s_[j] != '\\') return j;
    size_t length = spliceLength(j);
    i = j + (length ? length : 1);
  }
  return n_;
}

inline size_t Reader::identifierEnd(size_t first, char* name, size_t capacity,
                                    size_t* length) const {
  *length = 0;
  size_t i = first;
  for (;;) {
    size_t j = real(i);
    if (j >= n_) break;
    unsigned char c = s_[j];
    size_t bytes = 0;
    if (isAsciiIdentifierContinue(c) || c == '$') {
      bytes = 1;
    } else if (c >= 0x80) {
      bytes = utf8Length(j);
      c = 0x80;
    }
    if (bytes == 0) break;
    if (*length < capacity) name[*length] = static_cast<char>(c);
    *length += bytes;
    i = j + bytes;
  }
  return i;
}

}  // namespace host::source

#endif  // VANTREL_HOST_SOURCE_READER_H_
