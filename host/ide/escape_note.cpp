// Escapes of the common syntaxes, noted (see host/ide/escape_note.h).
// Tested by tests/host/ide/escape_note_test.cpp.
#include "host/ide/escape_note.h"

#include <cctype>
#include <cstring>
#include <vector>

namespace host {
namespace {

// What this syntax has in place of each escape.
const char* insteadOf(char letter) {
  switch (letter) {
    case 'd':
      return "write [0-9]";
    case 'D':
      return "write [^0-9]";
    case 's':
      return "write [ ] holding a blank and a tab";
    case 'S':
      return "write [^ ] holding a blank and a tab";
    case 'w':
      return "write [A-Za-z0-9_]";
    case 'W':
      return "write [^A-Za-z0-9_]";
    case 'b':
      return "tick Whole Words only";
    case 'B':
      return "this syntax has none";
    default:
      return nullptr;
  }
}

// The length of an interval `{n}`, `{n,}` or `{n,m}` at the start of `text`, or 0.
size_t intervalLength(std::string_view text) {
  size_t i = 1;
  auto digits = [&] {
    size_t from = i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
    return i > from;
  };
  if (text.empty() || text[0] != '{' || !digits()) return 0;
  if (i < text.size() && text[i] == ',') {
    ++i;
    digits();
  }
  return i < text.size() && text[i] == '}' ? i + 1 : 0;
}

}  // namespace

std::string escapeNote(std::string_view pattern) {
  std::vector<std::string> said;
  std::string out;
  auto add = [&](const std::string& what, const std::string& text) {
    for (const std::string& s : said)
      if (s == what) return;
    said.push_back(what);
    out += (out.empty() ? "" : "; ") + text;
  };
  bool inBrackets = false;
  for (size_t i = 0; i < pattern.size(); ++i) {
    char c = pattern[i];
    if (inBrackets) {
      // A `]` right after `[` or `[^` is a member.
      if (c == ']' && pattern[i - 1] != '[' && !(pattern[i - 1] == '^' && pattern[i - 2] == '['))
        inBrackets = false;
      continue;
    }
    if (c == '[') {
      inBrackets = true;
    } else if (c == '\\' && i + 1 < pattern.size()) {
      char letter = pattern[++i];
      if (const char* instead = insteadOf(letter))
        add(std::string("\\") + letter,
            std::string("\\") + letter + " is a plain " + letter + " here: " + instead);
    } else if (size_t length = intervalLength(pattern.substr(i))) {
      std::string interval(pattern.substr(i, length));
      add(interval, interval + " is text here: write the item out (x{2,3}: xxx?)");
      i += length - 1;
    }
  }
  return out;
}

}  // namespace host
