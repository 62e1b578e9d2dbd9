// Start-up hints of GREPCLASS beyond the first character: the characters a match can begin with,
// and whether one attempt at the start of the text stands for all.
//
// From the program's first node, every way that consumes no character is followed (alternatives,
// group nodes, optional repeats, empty nodes, "^") up to the nodes that test a character; their
// characters form startBytes. When some way reaches OpFinish or "$" first, a match may be empty and
// may begin anywhere, so there is no filter. match then skips, in a plain loop, the positions whose
// character cannot begin a match; it finds the same match, with fewer attempts.
//
// A pattern that begins with «.*» or «.+» (and has no top-level "|"): the attempt at position p
// tries the rest of the pattern at every position from p (or p + 1) to the end, a superset of what
// an attempt at any later position tries, and the rest succeeds or fails by position alone. So
// when the first attempt fails, every later one would, and it is the only attempt made.
//
// Covered by tests/regex/regex_compile_test.cpp (hints) and
// tests/regex/regex_differential_test.cpp.
#include <string.h>

#include "regex/grepclass.h"

void GREPCLASS::findStartBytes() {
  unsigned char visited[kGrepProgramSize / 3 + 1];
  memset(visited, 0, sizeof visited);
  memset(startBytes, 0, sizeof startBytes);
  startFilter = addStartBytes(program + 1, visited) ? 1 : 0;

  unsigned char* after = nextNode(program + 1);
  const unsigned char* first = program + 4;
  oneAttempt = after != nullptr && after[0] == OpFinish &&
               (first[0] == OpRepeatAny || first[0] == OpRepeatSome) && first[3] == OpAnyChar;
}

// Adds the characters that can begin a match from `node`; false when a match from there can be
// empty (or the program is not understood), which leaves no filter.
bool GREPCLASS::addStartBytes(unsigned char* node, unsigned char* visited) {
  if (node == nullptr || node < program + 1 || node >= program + programSize) return false;
  unsigned char& seen = visited[(node - program) / 3];
  if (seen) return true;  // its characters are in already
  seen = 1;
  switch (node[0]) {
    case OpLiteral:
      startBytes[node[3]] = 1;
      return true;
    case OpAnyChar:
      memset(startBytes + 1, 1, 255);
      return true;
    case OpInSet:
    case OpNotInSet:
      for (int c = 1; c < 256; ++c)
        if (inSet(node, static_cast<unsigned char>(c)) == (node[0] == OpInSet)) startBytes[c] = 1;
      return true;
    case OpChoice: {
      unsigned char* next = nextNode(node);
      if (!addStartBytes(node + 3, visited)) return false;
      return next == nullptr || next[0] != OpChoice || addStartBytes(next, visited);
    }
    case OpRepeatSome:
      return addStartBytes(node + 3, visited);
    case OpRepeatAny:
      return addStartBytes(node + 3, visited) && addStartBytes(nextNode(node), visited);
    case OpLineStart:
    case OpEmpty:
    case OpLoopBack:
      return addStartBytes(nextNode(node), visited);
    default:
      if ((node[0] > OpGroupOpen && node[0] < OpGroupOpen + 10) ||
          (node[0] > OpGroupClose && node[0] < OpGroupClose + 10))
        return addStartBytes(nextNode(node), visited);
      return false;  // OpFinish, OpLineEnd: the match may be empty here
  }
}
