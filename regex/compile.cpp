// The two-pass compiler of GREPCLASS: the constructor, the recursive-descent steps
// parseExpression / parseBranch / parsePiece / parseAtom, and the start-up hints.
//
// The measuring pass checks the whole pattern and counts the program's exact size without writing
// anything; only a pattern whose program fits in `program` gets an emitting pass, which parses the
// same text again and so cannot fail. Nesting is bounded by the nine groups, so the recursion is at
// most ten levels deep whatever the pattern.
//
// Covered by tests/regex/regex_compile_test.cpp.
#include <string.h>

#include "regex/grepclass.h"

namespace {

const char kMetaChars[] = "^$.[()|?+*\\";

bool isClosure(char c) { return c == '*' || c == '+' || c == '?'; }

}  // namespace

GREPCLASS::GREPCLASS(const char* pattern)
    : errorCount(0),
      firstChar(0),
      anchoredAtStart(0),
      requiredText(nullptr),
      requiredLength(0),
      parsePos(nullptr),
      nextGroup(1),
      sink(0),
      emitPos(&sink),
      programSize(0),
      inputPos(nullptr),
      lineStart(nullptr),
      startSlots(groupStart),
      endSlots(groupEnd),
      metaChars(kMetaChars),
      nodeCount(0),
      stopCheck(nullptr),
      stopContext(nullptr),
      stopped(0),
      matchSteps(0),
      armAt(~0ULL),
      stopAt(~0ULL),
      checkAt(~0ULL),
      failedBits(nullptr),
      failedFull(nullptr),
      failedTop(nullptr),
      failedStride(0),
      failedRowWords(0),
      failedFullWords(0),
      failedTopWords(0),
      failedArmed(0) {
  errorText[0] = '\0';
  program[0] = 0;  // refused by match until a program is complete
  startFilter = 0;
  oneAttempt = 0;
  wholeWords = 0;
  for (int i = 0; i < kGrepGroups; ++i) groupStart[i] = groupEnd[i] = nullptr;
  repeatCount = 0;
  for (int i = 0; i < kGrepRepeats; ++i) {
    runNode[i] = nullptr;
    runFrom[i] = runTo[i] = nullptr;
  }
  if (pattern == nullptr) {
    recordError(0);
    return;
  }

  int flags = 0;
  parsePos = pattern;
  emitPos = &sink;
  emitByte(ProgramMarker);
  if (parseExpression(0, &flags) == nullptr) return;
  if (programSize > kGrepProgramSize) {
    recordError(kGrepErrorTooLong);
    return;
  }

  parsePos = pattern;
  nextGroup = 1;
  emitPos = program;
  emitByte(ProgramMarker);
  if (parseExpression(0, &flags) == nullptr) {
    program[0] = 0;
    return;
  }
  emitPos = &sink;
  setHints(flags);
  indexNodes();
  findStartBytes();
}

unsigned char* GREPCLASS::parseExpression(int inGroup, int* flags) {
  *flags = NonEmpty;
  unsigned char* first = nullptr;
  int group = 0;
  if (inGroup) {
    if (nextGroup >= kGrepGroups) {
      recordError(3);
      return nullptr;
    }
    group = nextGroup++;
    first = emitNode(OpGroupOpen + group);
  }
  for (;;) {
    int branchFlags = 0;
    unsigned char* branch = parseBranch(&branchFlags);
    if (branch == nullptr) return nullptr;
    if (first == nullptr)
      first = branch;
    else
      setTail(first, branch);
    if (!(branchFlags & NonEmpty)) *flags &= ~NonEmpty;
    *flags |= branchFlags & LeadingOptional;
    if (*parsePos != '|') break;
    ++parsePos;
  }

  unsigned char* closing = emitNode(inGroup ? OpGroupClose + group : OpFinish);
  setTail(first, closing);
  for (unsigned char* node = first; node != nullptr; node = nextNode(node))
    setBranchTail(node, closing);

  if (inGroup) {
    if (*parsePos != ')') {
      recordError(3);
      return nullptr;
    }
    ++parsePos;
  } else if (*parsePos != '\0') {
    recordError(*parsePos == ')' ? 3 : 4);
    return nullptr;
  }
  return first;
}

unsigned char* GREPCLASS::parseBranch(int* flags) {
  *flags = 0;
  unsigned char* choice = emitNode(OpChoice);
  unsigned char* previous = nullptr;
  while (*parsePos != '\0' && *parsePos != '|' && *parsePos != ')') {
    int pieceFlags = 0;
    unsigned char* piece = parsePiece(&pieceFlags);
    if (piece == nullptr) return nullptr;
    *flags |= pieceFlags & NonEmpty;
    if (previous == nullptr)
      *flags |= pieceFlags & LeadingOptional;
    else
      setTail(previous, piece);
    previous = piece;
  }
  if (previous == nullptr) emitNode(OpEmpty);
  return choice;
}

unsigned char* GREPCLASS::parsePiece(int* flags) {
  int atomFlags = 0;
  unsigned char* atom = parseAtom(&atomFlags);
  if (atom == nullptr) return nullptr;
  char closure = *parsePos;
  if (!isClosure(closure)) {
    *flags = atomFlags;
    return atom;
  }
  if (closure != '?' && !(atomFlags & NonEmpty)) {
    recordError(5);
    return nullptr;
  }
  *flags = closure == '+' ? NonEmpty : LeadingOptional;

  if (closure == '*' && (atomFlags & SingleChar)) {
    insertNode(OpRepeatAny, atom);
  } else if (closure == '*') {
    insertNode(OpChoice, atom);
    setBranchTail(atom, emitNode(OpLoopBack));
    setBranchTail(atom, atom);
    setTail(atom, emitNode(OpChoice));
    setTail(atom, emitNode(OpEmpty));
  } else if (closure == '+' && (atomFlags & SingleChar)) {
    insertNode(OpRepeatSome, atom);
  } else if (closure == '+') {
    unsigned char* loop = emitNode(OpChoice);
    setTail(atom, loop);
    setTail(emitNode(OpLoopBack), atom);
    setTail(loop, emitNode(OpChoice));
    setTail(atom, emitNode(OpEmpty));
  } else {
    insertNode(OpChoice, atom);
    setTail(atom, emitNode(OpChoice));
    unsigned char* empty = emitNode(OpEmpty);
    setTail(atom, empty);
    setBranchTail(atom, empty);
  }

  ++parsePos;
  if (isClosure(*parsePos)) {
    recordError(6);
    return nullptr;
  }
  return atom;
}

// "[...]" after its "[": a set of members, ranges spread out ("a-d" is "abcd"); "]" or "-" first
// and "-" last stand for themselves.
unsigned char* GREPCLASS::parseSet(int* flags) {
  unsigned char* node = nullptr;
  if (*parsePos == '^') {
    node = emitNode(OpNotInSet);
    ++parsePos;
  } else {
    node = emitNode(OpInSet);
  }
  if (*parsePos == ']' || *parsePos == '-') emitByte(static_cast<unsigned char>(*parsePos++));
  while (*parsePos != '\0' && *parsePos != ']') {
    if (*parsePos != '-') {
      emitByte(static_cast<unsigned char>(*parsePos++));
      continue;
    }
    ++parsePos;
    if (*parsePos == ']' || *parsePos == '\0') {
      emitByte('-');
      continue;
    }
    unsigned lower = static_cast<unsigned char>(parsePos[-2]);
    unsigned upper = static_cast<unsigned char>(*parsePos);
    if (lower > upper) {
      recordError(7);
      return nullptr;
    }
    for (unsigned member = lower + 1; member <= upper; ++member) emitByte(member);
    ++parsePos;
  }
  emitByte(0);
  if (*parsePos != ']') {
    recordError(3);
    return nullptr;
  }
  ++parsePos;
  *flags = NonEmpty | SingleChar;
  return node;
}

// A run of ordinary characters as one literal, less its last when a closure follows (which
// applies to that character alone).
unsigned char* GREPCLASS::parseLiteralRun(int* flags) {
  size_t run = strcspn(parsePos, metaChars);
  if (run > 1 && isClosure(parsePos[run])) --run;
  unsigned char* node = emitNode(OpLiteral);
  for (size_t i = 0; i < run; ++i) emitByte(static_cast<unsigned char>(parsePos[i]));
  emitByte(0);
  parsePos += run;
  *flags = run == 1 ? (NonEmpty | SingleChar) : NonEmpty;
  return node;
}

unsigned char* GREPCLASS::parseAtom(int* flags) {
  *flags = 0;
  char c = *parsePos;
  if (c == '\0' || c == '|' || c == ')') {
    recordError(2);
    return nullptr;
  }
  ++parsePos;
  unsigned char* node = nullptr;
  switch (c) {
    case '^':
      return emitNode(OpLineStart);
    case '$':
      return emitNode(OpLineEnd);
    case '.':
      *flags = NonEmpty | SingleChar;
      return emitNode(OpAnyChar);
    case '[':
      return parseSet(flags);
    case '(': {
      int groupFlags = 0;
      node = parseExpression(1, &groupFlags);
      if (node == nullptr) return nullptr;
      *flags = groupFlags & (NonEmpty | LeadingOptional);
      return node;
    }
    case '*':
    case '+':
    case '?':
      recordError(8);
      return nullptr;
    case '\\':
      if (*parsePos == '\0') {
        recordError(9);
        return nullptr;
      }
      node = emitNode(OpLiteral);
      emitByte(static_cast<unsigned char>(*parsePos++));
      emitByte(0);
      *flags = NonEmpty | SingleChar;
      return node;
    default:
      --parsePos;
      return parseLiteralRun(flags);
  }
}

void GREPCLASS::setHints(int flags) {
  firstChar = 0;
  anchoredAtStart = 0;
  requiredText = nullptr;
  requiredLength = 0;
  unsigned char* top = program + 1;
  unsigned char* after = nextNode(top);
  if (after == nullptr || after[0] != OpFinish) return;
  unsigned char* start = top + 3;
  if (start[0] == OpLiteral)
    firstChar = start[3];
  else if (start[0] == OpLineStart)
    anchoredAtStart = 1;
  // Only worth a look through the text before each match when the start is no help.
  if (!(flags & LeadingOptional)) return;
  size_t length = 0;
  requiredText = textEveryMatchHolds(&length);
  requiredLength = static_cast<int>(length);
}

// Walks the program byte by byte (every node, repeat operands included) to count the nodes, to
// give each repeat's operand its own run slot and the first kGrepFastSets sets a bit in the
// membership table.
void GREPCLASS::indexNodes() {
  memset(setSlot, 0, sizeof setSlot);
  memset(setMask, 0, sizeof setMask);
  memset(runSlot, 0, sizeof runSlot);
  int sets = 0;
  int offset = 1;
  nodeCount = 0;
  repeatCount = 0;
  bool operand = false;  // the node follows a repeat's header: it is that repeat's operand
  while (offset + 3 <= programSize) {
    unsigned char* node = program + offset;
    ++nodeCount;
    offset += 3;
    unsigned char op = node[0];
    if (operand && repeatCount < kGrepRepeats)
      runSlot[(node - program) / 3] = static_cast<unsigned char>(++repeatCount);
    operand = op == OpRepeatAny || op == OpRepeatSome;
    if (op != OpLiteral && op != OpInSet && op != OpNotInSet) continue;
    const unsigned char* members = program + offset;
    offset += static_cast<int>(strlen(reinterpret_cast<const char*>(members))) + 1;
    if (op == OpLiteral || sets >= kGrepFastSets) continue;
    setSlot[(node - program) / 3] = static_cast<unsigned char>(sets + 1);
    for (const unsigned char* m = members; *m != 0; ++m) setMask[*m] |= 1u << sets;
    ++sets;
  }
}
