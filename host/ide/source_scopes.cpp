// The source lexer's state machine over a file's tokens (see host/ide/source_scopes.h); where each
// token ends is host/ide/source_reader.h's.
#include "host/ide/source_scopes.h"

#include <algorithm>
#include <string>

#include "host/ide/source_reader.h"

namespace host {
namespace {

using source::kBackslash;
using source::kBlank;
using source::kDigit;
using source::kDot;
using source::kHash;
using source::kHigh;
using source::kIdentifier;
using source::kKinds;
using source::kLess;
using source::kLineEnd;
using source::kLoud;
using source::kPercent;
using source::kQuiet;
using source::kQuote;
using source::kSlash;
using source::kWordish;

// The state machine over a file's tokens: where a line and a directive stand, and the spans of
// the comments and literals found. Where each token ends is the reader's.
class Lexer {
 public:
  Lexer(std::string_view text, SourceLanguage language, std::vector<ScopeSpan>& spans,
        const LexerPlace& place)
      : text_(text, language),
        s_(reinterpret_cast<const unsigned char*>(text.data())),
        n_(text.size()),
        cpp_(language == SourceLanguage::cpp),
        spans_(spans),
        lineStart_(place.lineStart),
        directive_(place.directive),
        lexedTo_(place.lexedTo),
        p_(place.next) {}

  // Lexes token by token until the next byte is past `last` or the text ends.
  void run(size_t last);
  LexerPlace place() const { return {p_, lexedTo_, directive_, lineStart_}; }

 private:
  size_t real(size_t at) const { return text_.real(at); }
  void add(size_t begin, size_t end, SourceScope scope) {
    if (end > begin) spans_.push_back({begin, end, scope});
  }
  // Steps of run(), each from p_: the code in the middle of a line up to the token before the
  // next loud byte (false when there is none to pass over), a line's blanks and first byte
  // (false at the file's end), and one token whose first real byte is at `q`.
  bool passQuiet();
  bool lineStart();
  void token(size_t start, size_t q, uint8_t kind);
  // A token that begins with a slash, a quote, a letter or a non-ASCII byte: its end.
  size_t slashEnd(size_t start, size_t q, bool wasLineStart, int wasDirective);
  size_t quoteEnd(size_t start, size_t q, int wasDirective);
  size_t wordEnd(size_t start, size_t q, uint8_t kind, int wasDirective);
  // The literal whose prefix begins at `start` and whose quote is at `quote`.
  size_t literal(size_t start, size_t quote, bool raw);

  const source::Reader text_;
  const unsigned char* s_;
  size_t n_;
  bool cpp_;
  std::vector<ScopeSpan>& spans_;
  // Where a directive can begin (only blanks and comments so far on the line), and how far a
  // directive has come: 1 after its #, 2 after a name that a header name follows.
  bool lineStart_;
  int directive_;
  size_t lexedTo_;  // the loud byte found last: the bytes before it are read token by token
  size_t p_;
};

size_t Lexer::literal(size_t start, size_t quote, bool raw) {
  bool closed;
  size_t end = raw ? text_.rawStringEnd(quote) : text_.quotedEnd(quote, &closed);
  add(start, end, SourceScope::string);
  return end;
}

bool Lexer::passQuiet() {
  // Outside a directive only a loud byte changes anything, on this line or a later one: up to
  // the start of the token that ends before it (each byte before it that is no word's is a token
  // of its own, or ends one) is code, read in one pass; from there to the loud byte the tokens are
  // read one by one. A line end passed on the way ends no directive; whether that token starts
  // its line (only blanks before it since the last line end passed) is all it leaves.
  size_t loud = text_.loudFrom(p_);
  lexedTo_ = loud;
  while (loud > p_ && (kQuiet[s_[loud - 1]] & kWordish)) --loud;
  if (loud <= p_) return false;
  size_t blank = loud;
  while (blank > p_ && kKinds[s_[blank - 1]] == kBlank) --blank;
  if (blank > p_ && kKinds[s_[blank - 1]] == kLineEnd) lineStart_ = true;
  p_ = loud;
  return true;
}

bool Lexer::lineStart() {
  // A line's blanks, then its first byte: one that begins no directive, comment, literal or
  // splice begins a line that is no directive, read as any other from there.
  while (p_ < n_ && kKinds[s_[p_]] == kBlank) ++p_;
  if (p_ >= n_) return false;
  uint8_t first = kKinds[s_[p_]];
  if (first != kHash && first != kPercent && !(kQuiet[s_[p_]] & kLoud)) {
    lineStart_ = false;
    directive_ = 0;
  }
  return true;
}

void Lexer::run(size_t last) {
  while (p_ < n_ && p_ <= last) {
    if (!lineStart_ && directive_ == 0 && p_ >= lexedTo_ && passQuiet()) continue;
    if (lineStart_) {
      if (!lineStart()) break;
      if (!lineStart_) continue;
    }
    uint8_t kind = kKinds[s_[p_]];
    if (kind == kBlank) {
      ++p_;
      continue;
    }
    if (kind == kLineEnd) {
      ++p_;
      lineStart_ = true;
      directive_ = 0;
      continue;
    }
    size_t start = p_;  // splices before a token are the token's
    size_t q = p_;
    if (kind == kBackslash) {
      q = real(p_);
      if (q >= n_) break;
      kind = kKinds[s_[q]];
      if (kind == kBlank || kind == kLineEnd) {
        p_ = q;
        continue;
      }
    }
    token(start, q, kind);
  }
}

void Lexer::token(size_t start, size_t q, uint8_t kind) {
  int wasDirective = directive_;
  bool wasLineStart = lineStart_;
  lineStart_ = false;
  directive_ = 0;
  switch (kind) {
    case kSlash:
      p_ = slashEnd(start, q, wasLineStart, wasDirective);
      break;
    case kQuote:
      p_ = quoteEnd(start, q, wasDirective);
      break;
    case kIdentifier:
    case kHigh:
      p_ = wordEnd(start, q, kind, wasDirective);
      break;
    case kDigit:
      p_ = text_.numberEnd(q);
      break;
    case kDot: {
      size_t r = real(q + 1);
      p_ = r < n_ && s_[r] >= '0' && s_[r] <= '9' ? text_.numberEnd(q) : q + 1;
      break;
    }
    case kHash:
    case kPercent: {
      p_ = q + 1;
      if (kind == kPercent) {
        // %: is # spelt as a digraph.
        size_t r = real(q + 1);
        if (r >= n_ || s_[r] != ':') break;
        p_ = r + 1;
      }
      if (wasLineStart) directive_ = 1;
      break;
    }
    case kLess: {
      size_t end = wasDirective == 2 ? text_.headerEnd(q) : 0;
      p_ = end ? end : q + 1;
      break;
    }
    default:
      p_ = q + 1;
      break;
  }
}

size_t Lexer::slashEnd(size_t start, size_t q, bool wasLineStart, int wasDirective) {
  size_t r = real(q + 1);
  if (r >= n_ || (s_[r] != '/' && s_[r] != '*')) return q + 1;
  size_t end = s_[r] == '/' ? text_.lineCommentEnd(r + 1) : text_.blockCommentEnd(r + 1);
  add(start, end, SourceScope::comment);
  // A comment is a blank: it changes neither a line's start nor a directive.
  lineStart_ = wasLineStart;
  directive_ = wasDirective;
  return end;
}

size_t Lexer::quoteEnd(size_t start, size_t q, int wasDirective) {
  if (wasDirective == 2 && s_[q] == '"') {
    // A header name in quotes reads as a string literal does; being no literal, it is code once
    // closed.
    bool closed;
    size_t end = text_.quotedEnd(q, &closed);
    if (!closed) add(start, end, SourceScope::string);
    return end;
  }
  return literal(start, q, false);
}

size_t Lexer::wordEnd(size_t start, size_t q, uint8_t kind, int wasDirective) {
  if (kind == kHigh && text_.utf8Length(q) == 0) return q + 1;
  char name[12];
  size_t length;
  size_t end = text_.identifierEnd(q, name, sizeof name, &length);
  std::string_view word(name, std::min(length, sizeof name));
  size_t r = real(end);
  if (r < n_ && (s_[r] == '"' || s_[r] == '\'') && length <= 3) {
    bool string = s_[r] == '"';
    bool plain = word == "L" || word == "u" || word == "U" || word == "u8";
    bool raw = cpp_ && string &&
               (word == "R" || word == "LR" || word == "uR" || word == "UR" || word == "u8R");
    if (plain || raw) return literal(start, r, raw);
  }
  if (wasDirective == 1 && (word == "include" || word == "include_next" || word == "import") &&
      length == word.size()) {
    directive_ = 2;
  }
  return end;
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
  Lexer(text, language, spans, LexerPlace{}).run(text.size());
}

void ScopeLexer::start(std::string_view text, SourceLanguage language) {
  text_ = text;
  language_ = language;
  place_ = LexerPlace{};
  spans_.clear();
}

SourceScope ScopeLexer::at(size_t offset) {
  // Every token that starts at or before the next byte has been read: a byte before it is in one
  // of the spans found or in code.
  if (place_.next <= offset && place_.next < text_.size()) {
    Lexer lexer(text_, language_, spans_, place_);
    lexer.run(offset);
    place_ = lexer.place();
  }
  return scopeAt(spans_, offset);
}

SourceScope scopeAt(const std::vector<ScopeSpan>& spans, size_t offset) {
  auto after = std::upper_bound(spans.begin(), spans.end(), offset,
                                [](size_t at, const ScopeSpan& span) { return at < span.begin; });
  if (after == spans.begin()) return SourceScope::code;
  const ScopeSpan& span = *(after - 1);
  return offset < span.end ? span.scope : SourceScope::code;
}

}  // namespace host
