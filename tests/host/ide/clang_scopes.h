// The scope of every byte of a C or C++ file by clang's raw tokens (`clang -cc1 -dump-raw-tokens`,
// C as `-x c -std=c2x`, C++ as `-x c++ -std=c++20`), a lexer we did not write, to hold
// host/ide/source_scopes to. A raw token runs from its location to the next token's (whitespace
// comes as tokens of its own); comments are comments, string literals and character constants
// of every prefix are strings, all else code. Where the raw lexer is not a compiler, its tokens
// are mapped as a compiler reads them:
//  - an `unknown` token that begins as a comment does is a comment (one the file ends inside);
//    one that begins as a literal does, a prefix or not before its quote, is a string (a literal
//    that a line or the file ends inside, the empty character constant '', a raw string whose
//    delimiter is bad, which a compiler takes up to the next quote);
//  - after #include, #include_next or #import, a header name is code: <...> is not known to the
//    raw lexer, so its bytes are masked (made 'x', its backslashes, blanks and line ends kept, so
//    every offset and line stays) and the file is lexed again until no header name holds
//    anything else, so what follows a header name is read as a compiler reads it; "..." there
//    reads as a string literal does and is code too;
//  - in C, u8 just before a character constant is its prefix (C23 has u8 character constants,
//    clang 14's C2x does not);
//  - C is lexed with -fno-trigraphs (C23 has none, clang 14's C2x still reads them).
// Locations are mapped back to offsets with clang's own line ends: LF, CR, CR LF (LF CR is two).
#ifndef VANTREL_TESTS_CLANG_SCOPES_H_
#define VANTREL_TESTS_CLANG_SCOPES_H_

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "host/ide/source_scopes.h"

namespace clang_scopes {

// One byte per byte of the file: its scope as a character, for readable differences.
inline constexpr char kCode = '.';
inline constexpr char kComment = '/';
inline constexpr char kString = '"';

inline std::string ourScopes(std::string_view text, host::SourceLanguage language) {
  std::vector<host::ScopeSpan> spans;
  host::lexSourceScopes(text, language, spans);
  std::string scopes(text.size(), kCode);
  for (const host::ScopeSpan& span : spans) {
    char mark = span.scope == host::SourceScope::comment ? kComment : kString;
    for (size_t i = span.begin; i < span.end; ++i) scopes[i] = mark;
  }
  return scopes;
}

// The length of the line splice (a backslash, blanks, a line end) at `at` in `text`, or 0.
inline size_t spliceLength(std::string_view text, size_t at) {
  if (at >= text.size() || text[at] != '\\') return 0;
  size_t j = at + 1;
  while (j < text.size() &&
         (text[j] == ' ' || text[j] == '\t' || text[j] == '\f' || text[j] == '\v'))
    ++j;
  if (j >= text.size() || (text[j] != '\n' && text[j] != '\r')) return 0;
  ++j;
  if (j < text.size() && (text[j] == '\n' || text[j] == '\r') && text[j] != text[j - 1]) ++j;
  return j - at;
}

// The bytes [begin, end) of `text` without their line splices.
inline std::string logical(std::string_view text, size_t begin, size_t end) {
  std::string out;
  for (size_t i = begin; i < end;) {
    size_t splice = spliceLength(text.substr(0, end), i);
    if (splice == 0) out += text[i];
    i += splice ? splice : 1;
  }
  return out;
}

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream read;
  read << in.rdbuf();
  return read.str();
}

struct Token {
  std::string kind;
  size_t offset;  // the line and column while read, until mapped to the byte offset
  size_t column;
};

inline std::string shellQuoted(const std::string& word) {
  std::string quoted = "'";
  for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// clang's raw tokens of the files at `paths`, all in `language`, lexed by one run of clang (its
// start costs more than lexing a file), each token's location as read; false with `error` set
// when clang cannot be run.
inline bool rawTokens(const std::string& clang, const std::vector<std::string>& paths,
                      host::SourceLanguage language, std::vector<std::vector<Token>>& tokens,
                      std::string& error) {
  std::string command =
      clang + " -cc1 -dump-raw-tokens " +
      (language == host::SourceLanguage::c ? "-x c -std=c2x -fno-trigraphs" : "-x c++ -std=c++20");
  for (const std::string& path : paths) command += " " + shellQuoted(path);
  // The tokens are written to stderr, a few unbuffered writes each: into a file, which takes them
  // at a fraction of what a pipe's reader woken for each costs.
  std::string dumped = (std::filesystem::temp_directory_path() /
                        ("clang_scopes." + std::to_string(getpid()) + ".tokens"))
                           .string();
  command += " 2>" + shellQuoted(dumped) + " >/dev/null";
  int status = std::system(command.c_str());
  std::string out = readFile(dumped);
  std::remove(dumped.c_str());
  if (status != 0) {
    error = "clang failed (" + std::to_string(status) + "): " + out.substr(0, 300);
    return false;
  }
  tokens.assign(paths.size(), {});
  size_t file = 0;
  for (size_t at = 0; at < out.size();) {
    size_t space = out.find(' ', at);
    if (space == std::string::npos) break;
    // The token's location: "Loc=<" with one of the files' names (a spelling may hold "Loc=<").
    size_t loc = space, line = 0, column = 0, next = std::string::npos;
    for (;;) {
      loc = out.find("Loc=<", loc);
      if (loc == std::string::npos) break;
      for (size_t f = file; f < paths.size() && next == std::string::npos; ++f) {
        if (out.compare(loc + 5, paths[f].size(), paths[f]) != 0) continue;
        // ":LINE:COLUMN>\n" (read by hand: sscanf would measure the whole output each time)
        size_t i = loc + 5 + paths[f].size();
        auto number = [&](size_t& value) {
          if (i >= out.size() || out[i] != ':') return false;
          size_t first = ++i;
          for (value = 0; i < out.size() && out[i] >= '0' && out[i] <= '9'; ++i)
            value = value * 10 + static_cast<size_t>(out[i] - '0');
          return i > first;
        };
        if (number(line) && number(column) && out.compare(i, 2, ">\n") == 0) {
          file = f;
          next = i + 2;
        }
      }
      if (next != std::string::npos) break;
      loc += 5;
    }
    if (next == std::string::npos) {
      error = "cannot read clang's output at " + out.substr(at, 80);
      return false;
    }
    tokens[file].push_back({out.substr(at, space - at), line, column});
    at = next;
  }
  return true;
}

// Maps the tokens' lines and columns to byte offsets of `text`, with clang's line ends.
inline bool mapLocations(std::string_view text, std::vector<Token>& tokens, std::string& error) {
  std::vector<size_t> lines{0};
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    if (text[i] == '\n' || text[i] == '\r') lines.push_back(i + 1);
  }
  for (Token& token : tokens) {
    if (token.offset == 0 || token.offset > lines.size()) {
      error = "a token on line " + std::to_string(token.offset) + " past the file's end";
      return false;
    }
    token.offset = lines[token.offset - 1] + token.column - 1;
  }
  return true;
}

inline bool isPrefixedQuote(const std::string& s) {
  for (const char* prefix : {"", "L", "u", "U", "u8", "R", "LR", "uR", "UR", "u8R"}) {
    std::string p(prefix);
    if (s.size() > p.size() && s.compare(0, p.size(), p) == 0 &&
        (s[p.size()] == '"' || s[p.size()] == '\''))
      return true;
  }
  return false;
}

inline bool endsWith(const std::string& s, std::string_view tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// The scopes of `text` by its `tokens`; `headers` gets the header names [begin, end) that hold
// more than masked bytes (for the caller to mask and lex again).
inline void scopesOf(std::string_view text, const std::vector<Token>& tokens,
                     host::SourceLanguage language, std::string& scopes,
                     std::vector<std::pair<size_t, size_t>>& headers) {
  scopes.assign(text.size(), kCode);
  headers.clear();
  bool lineStart = true;
  int directive = 0;  // 1 after a directive's #, 2 after a name a header name follows
  size_t skipTo = 0;  // the end of a header name: its tokens are code
  for (size_t t = 0; t < tokens.size(); ++t) {
    size_t begin = tokens[t].offset;
    size_t end = t + 1 < tokens.size() ? tokens[t + 1].offset : text.size();
    if (begin < skipTo) continue;
    const std::string& kind = tokens[t].kind;
    std::string bytes = logical(text, begin, end);
    char scope = kCode;
    bool blank = false;
    if (kind == "comment") {
      scope = kComment;
      blank = true;
    } else if (endsWith(kind, "string_literal") || endsWith(kind, "char_constant")) {
      scope = kString;
    } else if (kind == "unknown") {
      if (bytes.compare(0, 2, "/*") == 0 || bytes.compare(0, 2, "//") == 0) {
        scope = kComment;
        blank = true;
      } else if (isPrefixedQuote(bytes)) {
        scope = kString;
      } else if (bytes.find_first_not_of(" \t\f\v\n\r") == std::string::npos) {
        blank = true;
        if (bytes.find_first_of("\n\r") != std::string::npos) {
          lineStart = true;
          directive = 0;
          continue;
        }
      }
    } else if (language == host::SourceLanguage::c && kind == "raw_identifier" && bytes == "u8" &&
               t + 1 < tokens.size() && tokens[t + 1].offset == end &&
               (tokens[t + 1].kind == "char_constant" ||
                (tokens[t + 1].kind == "unknown" && text[end] == '\''))) {
      scope = kString;
    }
    if (directive == 2 && kind == "less") {
      // The header name: up to the > on the same line, a backslash taking the next byte.
      size_t close = 0;
      for (size_t i = begin + 1; i < text.size();) {
        if (size_t splice = spliceLength(text, i)) {
          i += splice;
          continue;
        }
        if (text[i] == '\n' || text[i] == '\r') break;
        if (text[i] == '>') {
          close = i + 1;
          break;
        }
        if (text[i] == '\\') {
          ++i;
          while (size_t splice = spliceLength(text, i)) i += splice;
          if (i >= text.size() || text[i] == '\n' || text[i] == '\r') break;
        }
        ++i;
      }
      if (close != 0) {
        for (size_t k = begin + 1; k + 1 < close; ++k) {
          char c = text[k];
          if (c != 'x' && c != '\\' && c != ' ' && c != '\t' && c != '\f' && c != '\v' &&
              c != '\n' && c != '\r') {
            headers.push_back({begin + 1, close - 1});
            break;
          }
        }
        skipTo = close;
        lineStart = false;
        directive = 0;
        continue;
      }
    }
    if (directive == 2 && kind == "string_literal") scope = kCode;
    for (size_t i = begin; i < end; ++i) scopes[i] = scope;
    if (blank) continue;
    if (kind == "hash" && lineStart) {
      directive = 1;
    } else if (directive == 1 && kind == "raw_identifier" &&
               (bytes == "include" || bytes == "include_next" || bytes == "import")) {
      directive = 2;
    } else {
      directive = 0;
    }
    lineStart = false;
  }
}

// The scopes of the files at `paths`, all in `language`, by clang's raw tokens mapped as above.
// The raw dump shows no end-of-file token, so where the last token ends is not shown: each file
// is lexed as a copy with a line end added (which ends no token that the file's end would not,
// and opens none), and the scope of that byte is dropped.
inline bool clangScopes(const std::string& clang, const std::vector<std::string>& paths,
                        host::SourceLanguage language, std::vector<std::string>& scopes,
                        std::string& error) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("clang_scopes." + std::to_string(getpid()));
  fs::create_directories(dir);
  std::vector<std::string> texts(paths.size()), copies(paths.size());
  for (size_t f = 0; f < paths.size(); ++f) {
    texts[f] = readFile(paths[f]) + "\n";
    copies[f] = (dir / std::to_string(f)).string();
    std::ofstream(copies[f], std::ios::binary) << texts[f];
  }
  scopes.assign(paths.size(), {});
  // Files whose header names were masked are lexed again together, a round at a time.
  std::vector<size_t> pending(paths.size());
  for (size_t f = 0; f < paths.size(); ++f) pending[f] = f;
  bool done = true;
  for (int round = 0; done && !pending.empty(); ++round) {
    if (round == 8) {
      error = paths[pending[0]] + ": header names still unmasked after 8 rounds";
      done = false;
      break;
    }
    std::vector<std::string> lexed;
    for (size_t f : pending) lexed.push_back(copies[f]);
    std::vector<std::vector<Token>> tokens;
    if (!rawTokens(clang, lexed, language, tokens, error)) {
      done = false;
      break;
    }
    std::vector<size_t> again;
    for (size_t i = 0; i < pending.size() && done; ++i) {
      size_t f = pending[i];
      std::string& text = texts[f];
      if (!mapLocations(text, tokens[i], error)) {
        error = paths[f] + ": " + error;
        done = false;
        break;
      }
      std::vector<std::pair<size_t, size_t>> headers;
      scopesOf(text, tokens[i], language, scopes[f], headers);
      scopes[f].resize(text.size() - 1);
      if (headers.empty()) continue;
      for (auto [begin, end] : headers) {
        for (size_t k = begin; k < end; ++k) {
          char& c = text[k];
          if (c != '\\' && c != ' ' && c != '\t' && c != '\f' && c != '\v' && c != '\n' &&
              c != '\r')
            c = 'x';
        }
      }
      std::ofstream(copies[f], std::ios::binary) << text;
      again.push_back(f);
    }
    pending = std::move(again);
  }
  fs::remove_all(dir);
  return done;
}

// Where `ours` and `theirs` first differ, shown with the file's bytes around it; empty when they
// are the same.
inline std::string firstDifference(std::string_view text, const std::string& ours,
                                   const std::string& theirs) {
  if (ours == theirs) return {};
  size_t at = 0;
  while (at < ours.size() && at < theirs.size() && ours[at] == theirs[at]) ++at;
  size_t from = at > 40 ? at - 40 : 0;
  size_t to = std::min(text.size(), at + 40);
  auto show = [&](std::string_view s) {
    std::string out;
    for (char c : s.substr(from, to - from)) out += (c == '\n' || c == '\r' || c == '\t') ? ' ' : c;
    return out;
  };
  std::ostringstream message;
  message << "first difference at byte " << at << "\n  text:  " << show(text)
          << "\n  ours:  " << show(ours) << "\n  clang: " << show(theirs);
  return message.str();
}

}  // namespace clang_scopes

#endif  // VANTREL_TESTS_CLANG_SCOPES_H_
