// Where each byte of a C or C++ source file stands, as a compiler's lexer reads the file: in a
// comment, in a string or character literal, or in code (everything else, whitespace and
// preprocessor lines included). Read as compilers do: lines spliced by a backslash at their end
// (also with blanks between it and the line end), digit separators (`1'000` opens no character
// literal), the L, u, U and u8 prefixes, C++'s raw strings with their delimiters and the suffixes
// a C++ lexer takes into a literal, and a header name after #include (`<a//b.h>` is code; a header
// name is no literal, in either form). A comment or literal that the file ends inside runs to the
// file's end, and a literal that a line ends inside runs to that line's end, as compilers take
// them; NUL and bytes that are not UTF-8 are read as any other byte.
//
// C is read as C23 (no trigraphs, no raw strings, no literal suffixes, u8 character constants),
// C++ as C++20 (no trigraphs).
//
// Invariants: the spans come out in file order, never overlap and never hold an empty span; each
// byte of the file is looked at a small fixed number of times, and none past the last one asked
// about (ScopeLexer).
// Ownership: the caller owns the span list, which is cleared and refilled (its memory is reused).
// Threading: lexSourceScopes has no state (any thread); a ScopeLexer is one thread's at a time.
// Tested by tests/host/ide/source_scopes_test.cpp, against clang's raw tokens.
#ifndef VANTREL_HOST_SOURCE_SCOPES_H_
#define VANTREL_HOST_SOURCE_SCOPES_H_

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace host {

enum class SourceLanguage : uint8_t { none, c, cpp };

enum class SourceScope : uint8_t { code, comment, string };

// A comment or literal: the bytes [begin, end) of the file, splices inside it included (and those
// just before it, which a compiler's lexer takes into the token that follows them).
struct ScopeSpan {
  size_t begin;
  size_t end;
  SourceScope scope;
};

// The language a file is read in, by its name's extension (case ignored): .c, .rc and .idl as C;
// .h, .cc, .cpp, .cxx, .c++, .hpp, .hh, .hxx, .inl and .ipp as C++; none for any other name.
SourceLanguage sourceLanguageOf(std::string_view path);

// The comments and literals of `text` read in `language` (not none), into `spans`.
void lexSourceScopes(std::string_view text, SourceLanguage language, std::vector<ScopeSpan>& spans);

// The scope of byte `offset`, looked up in `spans` (as lexSourceScopes gives them).
SourceScope scopeAt(const std::vector<ScopeSpan>& spans, size_t offset);

// Where the lexer stands between two tokens (see source_scopes.cpp): the next byte, the loud byte
// found last, how far a directive has come, whether only blanks and comments began the line.
struct LexerPlace {
  size_t next = 0;
  size_t lexedTo = 0;
  int directive = 0;
  bool lineStart = true;
};

// One file's scopes found only as far as they are asked for: a file's hits come in order, so the
// bytes after its last hit are never lexed. The spans found so far are lexSourceScopes's first.
class ScopeLexer {
 public:
  // Starts again on `text` (kept alive by the caller meanwhile) in `language` (not none).
  void start(std::string_view text, SourceLanguage language);
  // The scope of byte `offset`, the text lexed on as far as that needs.
  SourceScope at(size_t offset);
  const std::vector<ScopeSpan>& spans() const { return spans_; }

 private:
  std::string_view text_;
  SourceLanguage language_ = SourceLanguage::none;
  LexerPlace place_;
  std::vector<ScopeSpan> spans_;
};

}  // namespace host

#endif  // VANTREL_HOST_SOURCE_SCOPES_H_
