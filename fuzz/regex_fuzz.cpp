// libFuzzer target for GREPCLASS: the input up to its first NUL byte is the pattern, the rest the
// text. Checks what must hold for every pattern and text: the compiler either succeeds or records
// one known message, a compiled program never makes the matcher record an error, the spans of a
// match lie inside the text in order, matching again gives the same answer, and neither the
// start-up hints nor the failed-attempt table change what is found, with whole words
// or without, and a whole-word match begins and ends at a word's edge.
// Build and run: see docs/regex.md.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <string>

#include "regex/grepclass.h"
#include "tests/regex/without_hints.h"

namespace {

void check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const uint8_t* split = static_cast<const uint8_t*>(memchr(data, 0, size));
  size_t patternLength = split != nullptr ? static_cast<size_t>(split - data) : size;
  std::string pattern(reinterpret_cast<const char*>(data), patternLength);
  std::string text;
  if (split != nullptr)
    text.assign(reinterpret_cast<const char*>(split + 1), size - patternLength - 1);
  const char* line = text.c_str();  // ends at its first NUL, as a line handed to match does
  size_t lineLength = strlen(line);

  GREPCLASS* re = new GREPCLASS(pattern.c_str());
  if (re->errorCount != 0) {
    check(re->errorCount == 1);
    check(re->errorText[0] != '\0');
    check(re->match(line) == 0);
    delete re;
    return 0;
  }
  check(re->program[0] == ProgramMarker && re->programSize <= kGrepProgramSize);

  // The same program without start-up hints and with the failed-attempt table armed from the
  // first step must find the very same match: hints and table only save work.
  GREPCLASS* plain = compileWithoutHints(pattern.c_str());

  // Whole words: what is found begins and ends at a word's edge, and hints and table still only
  // save work.
  auto isWord = [](char c) {
    return c == '_' || (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z');
  };
  for (unsigned char whole = 1;; whole = 0) {
    re->wholeWords = plain->wholeWords = whole;
    int found = re->match(line);
    check(re->errorCount == 0);
    check(plain->match(line) == found && plain->errorCount == 0);
    if (found) {
      for (int n = 0; n < kGrepGroups; ++n)
        check(plain->groupStart[n] == re->groupStart[n] && plain->groupEnd[n] == re->groupEnd[n]);
      if (whole)
        check((re->groupStart[0] == line || !isWord(re->groupStart[0][-1])) &&
              !isWord(*re->groupEnd[0]));
    }
    if (!whole) break;
  }
  delete plain;
  int found = re->match(line);
  if (found) {
    check(re->groupStart[0] >= line && re->groupStart[0] <= re->groupEnd[0]);
    check(re->groupEnd[0] <= line + lineLength);
    const char* start = re->groupStart[0];
    const char* end = re->groupEnd[0];
    for (int n = 1; n < kGrepGroups; ++n) {
      check((re->groupStart[n] == nullptr) == (re->groupEnd[n] == nullptr));
      if (re->groupStart[n] == nullptr) continue;
      check(re->groupStart[n] >= start && re->groupStart[n] <= re->groupEnd[n]);
      check(re->groupEnd[n] <= end);
    }
    check(re->match(line) == 1 && re->groupStart[0] == start && re->groupEnd[0] == end);
  } else {
    check(re->match(line) == 0);
  }
  delete re;
  return 0;
}
