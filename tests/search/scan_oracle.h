// A line-by-line reading of a buffer, against which the whole-buffer scan is checked: the scan's
// own line rules (nextLine), display texts, folding and whole-word rule, read literally. Shared
// by tests/search/scan_lines_test.cpp and fuzz/scan_fuzz.cpp.
#ifndef VANTREL_TESTS_SCAN_ORACLE_H_
#define VANTREL_TESTS_SCAN_ORACLE_H_

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "regex/grepclass.h"
#include "search/scan.h"

namespace scanoracle {

// One hit as the message window shows it.
struct Hit {
  int line;
  int column;
  std::string text;
  bool operator==(const Hit&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Hit& hit) {
  return out << hit.line << ":" << hit.column << ": " << hit.text;
}

using Hits = std::vector<Hit>;

// The scan's line rules, folding and whole-word rule read literally: every line cut with
// nextLine, its display text made, upper-cased, and searched from its start with strstr. When
// `hidden` is given, it tells whether a line without a hit holds one behind a NUL byte: each part
// of the line behind a NUL read as a line of its own.
inline Hits oracle(std::string data, const std::string& text, WORD options,
                   bool* hidden = nullptr) {
  Hits hits;
  LONG size = static_cast<LONG>(data.size());
  data.append(kScanSpare, '\0');
  char* line = data.data();
  LONG consumed = 0;
  auto firstHit = [&](char* from) -> const char* {
    if (!(options & CaseSensitive)) CharUpperA(from);
    const char* position = from;
    while (const char* start = strstr(position, text.c_str())) {
      const char* end = start + text.size();
      if (!(options & WholeWords) ||
          ((start == from || !grepIsWordByte(static_cast<unsigned char>(start[-1]))) &&
           !grepIsWordByte(static_cast<unsigned char>(*end))))
        return start;
      position = start + 1;
      if (!*position) break;
    }
    return nullptr;
  };
  if (hidden) *hidden = false;
  for (int number = 1; line && consumed < size; ++number) {
    size_t length = 0;
    while (consumed + static_cast<LONG>(length) < size && line[length] != '\r' &&
           line[length] != '\n')
      ++length;
    char* next = nextLine(line, size - consumed);
    char display[kDisplaySize];
    makeDisplayText(line, display);
    if (const char* start = *line ? firstHit(line) : nullptr) {
      hits.push_back({number, static_cast<int>(start - line + 1), display});
    } else if (hidden) {
      for (size_t part = strlen(line); part < length; part += 1 + strlen(line + part + 1))
        if (line[part + 1] && firstHit(line + part + 1)) *hidden = true;
    }
    if (next) consumed += static_cast<LONG>(next - line);
    line = next;
  }
  return hits;
}

inline void collect(void* context, LONG line, LONG column, const char* display) {
  static_cast<Hits*>(context)->push_back({line, column, display});
}

}  // namespace scanoracle

#endif  // VANTREL_TESTS_SCAN_ORACLE_H_
