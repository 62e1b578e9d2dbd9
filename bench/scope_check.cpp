// scope_check: the source lexer against clang's raw tokens on many files, and --scope's kept
// lines against them (bench/scope_compare runs both on the kernel's sources).
//
//   scope_check lexer FILE...         each file's scope of every byte, ours and clang's (C or
//                                     C++ by the file's name); prints the files that differ
//   scope_check kept SCOPES TEXT OPTIONS < vimgrep lines
//                                     each line kept by --scope=SCOPES (a sum of 1 code,
//                                     2 comments, 4 strings) has a match starting in one of
//                                     them by clang's tokens
//   scope_check speed FILE...         how fast the lexer reads the files (from memory, best of
//                                     five passes)
// Exit status: 0 when all agree, 1 when one does not, 2 when clang cannot be run.
#include <chrono>
#include <cstdio>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "host/ide/line_matches.h"
#include "host/ide/scope_filter.h"
#include "tests/host/ide/clang_scopes.h"

namespace {

using host::SourceLanguage;

constexpr size_t kBatch = 300;  // files a run of clang lexes

// Lexes `paths` (all of `language`) with clang in batches; fills `scopes` by path.
bool clangScopesOf(const std::vector<std::string>& paths, SourceLanguage language,
                   std::map<std::string, std::string>& scopes) {
  for (size_t from = 0; from < paths.size(); from += kBatch) {
    std::vector<std::string> batch(paths.begin() + from,
                                   paths.begin() + std::min(paths.size(), from + kBatch));
    std::vector<std::string> theirs;
    std::string error;
    if (!clang_scopes::clangScopes("clang", batch, language, theirs, error)) {
      std::cerr << "scope_check: " << error << "\n";
      return false;
    }
    for (size_t i = 0; i < batch.size(); ++i) scopes[batch[i]] = std::move(theirs[i]);
  }
  return true;
}

bool clangScopesByLanguage(const std::vector<std::string>& paths,
                           std::map<std::string, std::string>& scopes) {
  std::vector<std::string> c, cpp;
  for (const std::string& path : paths) {
    SourceLanguage language = host::sourceLanguageOf(path);
    if (language == SourceLanguage::c) c.push_back(path);
    if (language == SourceLanguage::cpp) cpp.push_back(path);
  }
  return clangScopesOf(c, SourceLanguage::c, scopes) &&
         clangScopesOf(cpp, SourceLanguage::cpp, scopes);
}

int lexer(const std::vector<std::string>& paths) {
  std::map<std::string, std::string> theirs;
  if (!clangScopesByLanguage(paths, theirs)) return 2;
  long differ = 0, bytes = 0;
  for (const auto& [path, scopes] : theirs) {
    std::string text = clang_scopes::readFile(path);
    bytes += static_cast<long>(text.size());
    std::string ours = clang_scopes::ourScopes(text, host::sourceLanguageOf(path));
    std::string difference = clang_scopes::firstDifference(text, ours, scopes);
    if (difference.empty()) continue;
    ++differ;
    std::cout << path << ": " << difference << "\n";
  }
  std::cout << theirs.size() << " files (" << bytes << " bytes) lexed, " << differ
            << " with a byte scoped otherwise than by clang\n";
  return differ == 0 ? 0 : 1;
}

// The line of `text` numbered `number` (from 1) with the add-on's line ends, and its offset.
bool lineOf(const std::string& text, long number, size_t& start, std::string_view& line) {
  size_t at = 0;
  for (long n = 1; n < number; ++n) {
    size_t end = text.find_first_of("\r\n", at);
    if (end == std::string::npos) return false;
    at = end + host::lineEndLength(text.data(), text.size(), end);
  }
  if (at >= text.size()) return false;
  size_t end = text.find_first_of("\r\n", at);
  start = at;
  line = std::string_view(text).substr(at, (end == std::string::npos ? text.size() : end) - at);
  return true;
}

int kept(unsigned scopes, const std::string& search, int options) {
  struct Hit {
    std::string file;
    long line;
    long column;
  };
  std::vector<Hit> hits;
  std::vector<std::string> files;
  for (std::string row; std::getline(std::cin, row);) {
    // FILE:LINE:COLUMN:TEXT (a file name holding ":N:N:" is not expected in the sources)
    size_t c1 = row.find(':');
    size_t c2 = c1 == std::string::npos ? c1 : row.find(':', c1 + 1);
    size_t c3 = c2 == std::string::npos ? c2 : row.find(':', c2 + 1);
    if (c3 == std::string::npos) continue;
    Hit hit{row.substr(0, c1), std::stol(row.substr(c1 + 1, c2 - c1 - 1)),
            std::stol(row.substr(c2 + 1, c3 - c2 - 1))};
    if (files.empty() || files.back() != hit.file) files.push_back(hit.file);
    hits.push_back(hit);
  }
  std::map<std::string, std::string> theirs;
  if (!clangScopesByLanguage(files, theirs)) return 2;
  host::LineMatches matches;
  matches.setSearch(search, options);
  long wrong = 0, checked = 0;
  std::string text, file;
  for (const Hit& hit : hits) {
    auto scoped = theirs.find(hit.file);
    if (scoped == theirs.end()) continue;  // another language: kept whole
    if (file != hit.file) text = clang_scopes::readFile(file = hit.file);
    size_t start;
    std::string_view line;
    bool inScope = false;
    if (lineOf(text, hit.line, start, line)) {
      auto scopeBit = [&](size_t at) -> unsigned {
        char c = scoped->second[start + at];
        return c == clang_scopes::kCode ? 1 : c == clang_scopes::kComment ? 2 : 4;
      };
      size_t at = static_cast<size_t>(hit.column - 1), end;
      inScope = (scopeBit(at) & scopes) != 0;
      matches.setLine(line);
      for (size_t from = at + 1; !inScope && matches.next(from, &at, &end);
           from = end > at ? end : at + 1)
        inScope = (scopeBit(at) & scopes) != 0;
    }
    ++checked;
    if (!inScope) {
      ++wrong;
      std::cout << hit.file << ":" << hit.line << ":" << hit.column
                << ": kept, but no match in scope by clang\n";
    }
  }
  std::cout << checked << " hit lines of C files checked, " << wrong << " with no match in "
            << host::scopeWords(scopes) << " by clang\n";
  return wrong == 0 ? 0 : 1;
}

int speed(const std::vector<std::string>& paths) {
  std::vector<std::string> texts;
  size_t bytes = 0;
  for (const std::string& path : paths) {
    texts.push_back(clang_scopes::readFile(path));
    bytes += texts.back().size();
  }
  std::vector<host::ScopeSpan> spans;
  double best = 1e9;
  size_t count = 0;
  for (int pass = 0; pass < 5; ++pass) {
    auto start = std::chrono::steady_clock::now();
    for (size_t i = 0; i < texts.size(); ++i) {
      host::lexSourceScopes(texts[i], host::sourceLanguageOf(paths[i]), spans);
      count += spans.size();
    }
    best = std::min(
        best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  std::printf("%zu files, %.1f MB lexed in %.1f ms: %.0f MB/s (%zu spans)\n", texts.size(),
              static_cast<double>(bytes) / 1e6, best * 1e3, static_cast<double>(bytes) / 1e6 / best,
              count / 5);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "lexer") return lexer(std::vector<std::string>(argv + 2, argv + argc));
  if (mode == "speed") return speed(std::vector<std::string>(argv + 2, argv + argc));
  if (mode == "kept" && argc == 5) return kept(std::stoul(argv[2]), argv[3], std::stoi(argv[4]));
  std::cerr << "usage: scope_check lexer FILE... | scope_check kept SCOPES TEXT OPTIONS | "
               "scope_check speed FILE...\n";
  return 2;
}
