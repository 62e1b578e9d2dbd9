// The literal every match of a compiled pattern holds (see GREPCLASS::textEveryMatchHolds in
// regex/grepclass.h). Tested by tests/regex/regex_compile_test.cpp.
#include <string.h>

#include "regex/grepclass.h"

const char* GREPCLASS::textEveryMatchHolds(size_t* length) const {
  auto linkOf = [](const unsigned char* node) { return (node[1] << 8) | node[2]; };
  *length = 0;
  if (errorCount != 0 || program[0] != ProgramMarker) return nullptr;
  // One top-level alternative: the first choice node leads straight to the finish.
  int top = linkOf(program + 1);
  if (top == 0 || 1 + top >= kGrepProgramSize || program[1 + top] != OpFinish) return nullptr;
  const char* best = nullptr;
  const unsigned char* node = program + 4;
  for (int steps = 0; steps < kGrepProgramSize && node[0] != OpFinish; ++steps) {
    if (node[0] == OpLiteral) {
      const char* text = reinterpret_cast<const char*>(node + 3);
      size_t n = strnlen(text, static_cast<size_t>(program + kGrepProgramSize - node - 3));
      if (n >= *length) {
        best = text;
        *length = n;
      }
    }
    int link = linkOf(node);
    if (link == 0 || node[0] == OpLoopBack) break;  // never on this path in a sound program
    if (node + link >= program + kGrepProgramSize) break;
    node += link;
  }
  return *length ? best : nullptr;
}
