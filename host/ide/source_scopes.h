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
// byte of the file is looked at a small fixed number of times.
// Ownership: the caller owns the span list, which is cleared and refilled (its memory is reused).
// Threading: no state; any thread.
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

}  // namespace host

#endif  // VANTREL_HOST_SOURCE_SCOPES_H_
