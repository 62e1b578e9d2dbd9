#include "host/ide/source_scopes.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace host {
namespace {

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

// Bytes of a line that mean something in the middle of a line outside a directive: what opens a
// comment or literal or splices lines, and a line end. Any other byte there is code, whatever
// comes before it.
constexpr uint8_t kLoud = 1;
// Bytes that a token ending just before a loud byte may hold: the token's start is looked for
// back over them, so that a prefix (u8"), a number (1'000) or an identifier (a\<line end>b) is
// lexed whole.
constexpr uint8_t kWordish = 2;

constexpr std::array<uint8_t, 256> makeQuiet() {
  std::array<uint8_t, 256> marks{};
  for (int c = 0; c < 256; ++c) {
    if (c == '"' || c == '\'' || c == '/' || c == '\\' || c == '\n' || c == '\r') marks[c] = kLoud;
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
        c == '$' || c == '.' || c == '+' || c == '-' || c >= 0x80)
      marks[c] = kWordish;
  }
  return marks;
}
constexpr std::array<uint8_t, 256> kQuiet = makeQuiet();

bool isAsciiIdentifierContinue(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

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

class Lexer {
 public:
  Lexer(std::string_view text, SourceLanguage language, std::vector<ScopeSpan>& spans)
      : s_(reinterpret_cast<const unsigned char*>(text.data())),
        n_(text.size()),
        cpp_(language == SourceLanguage::cpp),
        spans_(spans) {}

  void run();

 private:
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
    // Sixteen bytes at a time: most lines of code are longer than that.
    const __m128i quote = _mm_set1_epi8('"'), apostrophe = _mm_set1_epi8('\''),
                  slash = _mm_set1_epi8('/'), backslash = _mm_set1_epi8('\\'),
                  feed = _mm_set1_epi8('\n'), ret = _mm_set1_epi8('\r');
    while (at + 16 <= n_) {
      __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s_ + at));
      __m128i hit = _mm_or_si128(
          _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, quote), _mm_cmpeq_epi8(v, apostrophe)),
                       _mm_or_si128(_mm_cmpeq_epi8(v, slash), _mm_cmpeq_epi8(v, backslash))),
          _mm_or_si128(_mm_cmpeq_epi8(v, feed), _mm_cmpeq_epi8(v, ret)));
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

  void add(size_t begin, size_t end, SourceScope scope) {
    if (end > begin) spans_.push_back({begin, end, scope});
  }
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
  // The literal whose prefix begins at `start` and whose quote is at `quote`.
  size_t literal(size_t start, size_t quote, bool raw);

  const unsigned char* s_;
  size_t n_;
  bool cpp_;
  std::vector<ScopeSpan>& spans_;
};

size_t Lexer::utf8Length(size_t at) const {
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

size_t Lexer::lineCommentEnd(size_t from) const {
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

size_t Lexer::blockCommentEnd(size_t from) const {
  for (size_t i = from; i < n_;) {
    const void* star = std::memchr(s_ + i, '*', n_ - i);
    if (star == nullptr) return n_;
    size_t j = static_cast<const unsigned char*>(star) - s_;
    size_t k = real(j + 1);
    if (k < n_ && s_[k] == '/') return k + 1;
    i = j + 1;
  }
  return n_;
}

size_t Lexer::quotedEnd(size_t quote, bool* closed) const {
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

size_t Lexer::rawStringEnd(size_t quote) const {
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

size_t Lexer::suffixEnd(size_t from, bool string) const {
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

size_t Lexer::numberEnd(size_t first) const {
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

size_t Lexer::identifierEnd(size_t first, char* name, size_t capacity, size_t* length) const {
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

size_t Lexer::headerEnd(size_t less) const {
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

size_t Lexer::literal(size_t start, size_t quote, bool raw) {
  bool closed;
  size_t end = raw ? rawStringEnd(quote) : quotedEnd(quote, &closed);
  add(start, end, SourceScope::string);
  return end;
}

void Lexer::run() {
  // Where a directive can begin (only blanks and comments so far on the line), and how far a
  // directive has come: 1 after its #, 2 after a name that a header name follows.
  bool lineStart = true;
  int directive = 0;
  size_t lexedTo = 0;  // the loud byte found last: the bytes before it are read token by token
  size_t p = 0;
  while (p < n_) {
    if (!lineStart && directive == 0 && p >= lexedTo) {
      // Within a line and outside a directive, only a loud byte changes anything: up to the start
      // of the token that ends before it (each byte before it that is no word's is a token of
      // its own, or ends one) is code, read in one pass; from there to the loud byte the tokens
      // are read one by one.
      size_t loud = loudFrom(p);
      lexedTo = loud;
      while (loud > p && (kQuiet[s_[loud - 1]] & kWordish)) --loud;
      if (loud > p) {
        p = loud;
        continue;
      }
    }
    if (lineStart) {
      // A line's blanks, then its first byte: one that begins no directive, comment, literal or
      // splice begins a line that is no directive, read as any other from there.
      while (p < n_ && kKinds[s_[p]] == kBlank) ++p;
      if (p >= n_) break;
      uint8_t first = kKinds[s_[p]];
      if (first != kHash && first != kPercent && !(kQuiet[s_[p]] & kLoud)) {
        lineStart = false;
        directive = 0;
        continue;
      }
    }
    uint8_t kind = kKinds[s_[p]];
    if (kind == kBlank) {
      ++p;
      continue;
    }
    if (kind == kLineEnd) {
      ++p;
      lineStart = true;
      directive = 0;
      continue;
    }
    size_t start = p;  // splices before a token are the token's
    size_t q = p;
    if (kind == kBackslash) {
      q = real(p);
      if (q >= n_) break;
      kind = kKinds[s_[q]];
      if (kind == kBlank || kind == kLineEnd) {
        p = q;
        continue;
      }
    }
    unsigned char c = s_[q];
    int wasDirective = directive;
    bool wasLineStart = lineStart;
    lineStart = false;
    directive = 0;
    switch (kind) {
      case kSlash: {
        size_t r = real(q + 1);
        if (r < n_ && (s_[r] == '/' || s_[r] == '*')) {
          p = s_[r] == '/' ? lineCommentEnd(r + 1) : blockCommentEnd(r + 1);
          add(start, p, SourceScope::comment);
          // A comment is a blank: it changes neither a line's start nor a directive.
          lineStart = wasLineStart;
          directive = wasDirective;
        } else {
          p = q + 1;
        }
        break;
      }
      case kQuote: {
        if (wasDirective == 2 && c == '"') {
          // A header name in quotes reads as a string literal does; being no literal, it is
          // code once closed.
          bool closed;
          p = quotedEnd(q, &closed);
          if (!closed) add(start, p, SourceScope::string);
        } else {
          p = literal(start, q, false);
        }
        break;
      }
      case kIdentifier:
      case kHigh: {
        if (kind == kHigh && utf8Length(q) == 0) {
          p = q + 1;
          break;
        }
        char name[12];
        size_t length;
        size_t end = identifierEnd(q, name, sizeof name, &length);
        std::string_view word(name, std::min(length, sizeof name));
        size_t r = real(end);
        if (r < n_ && (s_[r] == '"' || s_[r] == '\'') && length <= 3) {
          bool string = s_[r] == '"';
          bool plain = word == "L" || word == "u" || word == "U" || word == "u8";
          bool raw = cpp_ && string &&
                     (word == "R" || word == "LR" || word == "uR" || word == "UR" || word == "u8R");
          if (plain || raw) {
            p = literal(start, r, raw);
            break;
          }
        }
        if (wasDirective == 1 &&
            (word == "include" || word == "include_next" || word == "import") &&
            length == word.size()) {
          directive = 2;
        }
        p = end;
        break;
      }
      case kDigit:
        p = numberEnd(q);
        break;
      case kDot: {
        size_t r = real(q + 1);
        p = r < n_ && s_[r] >= '0' && s_[r] <= '9' ? numberEnd(q) : q + 1;
        break;
      }
      case kHash:
      case kPercent: {
        p = q + 1;
        if (kind == kPercent) {
          // %: is # spelt as a digraph.
          size_t r = real(q + 1);
          if (r >= n_ || s_[r] != ':') break;
          p = r + 1;
        }
        if (wasLineStart) directive = 1;
        break;
      }
      case kLess: {
        size_t end = wasDirective == 2 ? headerEnd(q) : 0;
        p = end ? end : q + 1;
        break;
      }
      default:
        p = q + 1;
        break;
    }
  }
}

}  // namespace

SourceLanguage sourceLanguageOf(std::string_view path) {
  size_t dot = path.find_last_of("./\\");
  if (dot == std::string_view::npos || path[dot] != '.') return SourceLanguage::none;
  std::string extension(path.substr(dot + 1));
  if (extension.size() > 3) return SourceLanguage::none;
  for (char& c : extension) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  if (extension == "c" || extension == "rc" || extension == "idl") return SourceLanguage::c;
  static constexpr std::string_view kCpp[] = {"h",   "cc", "cpp", "cxx", "c++",
                                              "hpp", "hh", "hxx", "inl", "ipp"};
  for (std::string_view e : kCpp) {
    if (extension == e) return SourceLanguage::cpp;
  }
  return SourceLanguage::none;
}

void lexSourceScopes(std::string_view text, SourceLanguage language,
                     std::vector<ScopeSpan>& spans) {
  spans.clear();
  if (language == SourceLanguage::none) return;
  Lexer(text, language, spans).run();
}

SourceScope scopeAt(const std::vector<ScopeSpan>& spans, size_t offset) {
  auto after = std::upper_bound(spans.begin(), spans.end(), offset,
                                [](size_t at, const ScopeSpan& span) { return at < span.begin; });
  if (after == spans.begin()) return SourceScope::code;
  const ScopeSpan& span = *(after - 1);
  return offset < span.end ? span.scope : SourceScope::code;
}

}  // namespace host
