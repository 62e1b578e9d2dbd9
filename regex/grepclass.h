// GREPCLASS: one compiled regular expression, a flat record of fixed size that owns no memory
// outside itself. The constructor compiles the pattern into a node program held in `program`;
// `match` runs that program against one NUL-terminated text by backtracking.
//
// Invariants: after construction either errorCount == 0 and `program` holds a complete program
// beginning with ProgramMarker, or errorCount > 0, errorText holds the failing check's message and
// program[0] is 0 (so `match` refuses the record). Nothing is ever written past `program`.
//
// Ownership: the caller creates the record with `new` and destroys it with `delete`; the pattern is
// read only during construction. After a `match` that returned 1 the group slots point into the
// caller's text and mean something only while that text lives. `match` may allocate a backtracking
// stack and a table of failed attempts for one call when an attempt gets deep or slow; both are
// released before it returns, so between calls the record holds nothing outside itself.
//
// Threading: one record is used by one thread at a time (`match` writes into it); different records
// are independent. The only shared state is constant (the message table, the metacharacters).
//
// Covered by tests/regex/regex_compile_test.cpp, tests/regex/regex_match_test.cpp,
// tests/regex/regex_differential_test.cpp, tests/regex/regex_pathological_test.cpp and
// tests/regex/regex_depth_test.cpp.
#ifndef VANTREL_REGEX_GREPCLASS_H_
#define VANTREL_REGEX_GREPCLASS_H_

#include <stddef.h>
#include <stdint.h>

// Node operation codes of the compiled program. A node is a 3-byte header (code, then a 16-bit
// link, high byte first) followed by its operand, if any.
enum GrepOp : unsigned char {
  OpFinish = 0,       // the whole pattern matched
  OpLineStart = 1,    // at the start of the text
  OpLineEnd = 2,      // at the terminating NUL
  OpAnyChar = 3,      // any one character
  OpInSet = 4,        // one member of the NUL-terminated operand
  OpNotInSet = 5,     // one character that is not a member
  OpChoice = 6,       // one alternative; operand is the alternative's first node
  OpLoopBack = 7,     // no test; link leads backwards
  OpLiteral = 8,      // the NUL-terminated operand characters
  OpEmpty = 9,        // no test
  OpRepeatAny = 10,   // operand one-character node, zero or more times
  OpRepeatSome = 11,  // operand one-character node, one or more times
  OpGroupOpen = 20,   // 20 + n: start of group n (1 to 9)
  OpGroupClose = 30   // 30 + n: end of group n
};

// Parse flags reported by every compiler step.
enum GrepParseFlags : int {
  NonEmpty = 1,        // always consumes at least one character
  SingleChar = 2,      // one one-character node
  LeadingOptional = 4  // begins with a piece made with "*" or "?"
};

constexpr unsigned char ProgramMarker = 156;
constexpr int kGrepProgramSize = 1024;
constexpr int kGrepErrorTextSize = 255;
constexpr int kGrepGroups = 10;
// Sets that get a bit in the membership table; further sets are tested by scanning their members.
constexpr int kGrepFastSets = 32;
// Repeats a program can hold: each takes at least 6 bytes (its header and a one-character node).
constexpr int kGrepRepeats = kGrepProgramSize / 6 + 1;
// Message index recorded when a program would not fit in `program`.
constexpr int kGrepErrorTooLong = 10;
// Steps of a match call between two questions to its stopCheck (about a millisecond's work).
constexpr unsigned long long kGrepStopCheckSteps = 1 << 16;

// Whether `c` is a word character for whole-word matching: A-Z, a-z, 0-9 or "_".
inline bool grepIsWordByte(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

struct GrepBacktrack;

class GREPCLASS {
 public:
  // Compiles `pattern` (may be null). Never throws and never allocates.
  explicit GREPCLASS(const char* pattern);

  // 1 when the compiled pattern matches somewhere in `text`, else 0 (also after an error). After 1,
  // groupStart[0]/groupEnd[0] span the leftmost match and entries 1-9 the groups (null when a group
  // took no part). Only for a record whose compile succeeded.
  int match(const char* text);

  // The longest literal that every match holds, with its length, or null (and 0) when there is
  // none: the literal nodes met along the links of the program's single top-level alternative,
  // which pass by whatever is optional, repeated or one of several alternatives (those hang off
  // choice and repeat nodes as operands). It points into `program`. A search can look for it
  // first and leave alone the text before its next occurrence.
  const char* textEveryMatchHolds(size_t* length) const;

  // --- Error state and results (fields in this order) ---
  int errorCount;
  char errorText[kGrepErrorTextSize];
  const char* groupStart[kGrepGroups];
  const char* groupEnd[kGrepGroups];

  // --- Start-up hints ---
  unsigned char firstChar;        // every match begins with it; 0 = none
  unsigned char anchoredAtStart;  // 1: only the start of the text can match
  const char* requiredText;       // a literal inside `program` that every match contains, or null
  int requiredLength;

  unsigned char program[kGrepProgramSize];

  // --- Compile state ---
  const char* parsePos;
  int nextGroup;
  unsigned char sink;
  unsigned char* emitPos;  // == &sink: the pass only measures
  int programSize;         // bytes counted by the measuring pass (kept after compiling)

  // --- Match state ---
  const char* inputPos;
  const char* lineStart;
  const char** startSlots;
  const char** endSlots;
  const char* metaChars;

  // --- Engine additions: fast set tests and the guard against slow or deep attempts ---
  int nodeCount;  // nodes in the program, repeat operands included
  unsigned char setSlot[kGrepProgramSize / 3 + 1];  // by node offset / 3: 0, or 1 + bit of the set
  uint32_t setMask[256];  // by character: bit k set when it is in fast set k
  // Whether a match can begin with a character, when every match begins with one (startFilter 1).
  unsigned char startBytes[256];
  unsigned char startFilter;
  // 1 when the pattern begins with «.*» or «.+»: the attempt at the start of the text tries every
  // continuation that any later attempt could, so it is the only one made.
  unsigned char oneAttempt;
  // Set by the caller: 1 when only a whole-word match counts, one whose first character starts
  // the text or follows a non-word character and whose end is a non-word character or the
  // terminating NUL (word characters: letters A-Z and a-z, digits, "_"). Every way to match at a
  // position is then tried until one ends at a word's end, so the order of alternatives and the
  // length a repeat first takes decide nothing.
  unsigned char wholeWords;
  // Set by the caller: asked about every kGrepStopCheckSteps steps of a match call whether to
  // give up (never when null); on a non-zero answer the call ends at once, answering 0, with
  // `stopped` set. A long line can so be abandoned midway.
  int (*stopCheck)(void* context);
  void* stopContext;
  unsigned char stopped;          // 1 when the last match call was given up
  unsigned long long matchSteps;  // continuations tried (calls of a recursive matcher), last match
  unsigned long long armAt;       // steps after which failed attempts are remembered
  unsigned long long stopAt;      // steps after which stopCheck is asked next
  unsigned long long checkAt;     // the lower of armAt and stopAt: when checkpoint runs
  uint64_t* failedBits;           // one bit per (node offset / 3, text offset), row by row; or null
  uint64_t* failedFull;           // one bit per word of failedBits that is all ones (same block)
  uint64_t* failedTop;            // one bit per word of failedFull that is all ones (same block)
  size_t failedStride;            // text length + 1, once measured in this call
  size_t failedRowWords;          // words of failedBits per node
  size_t failedFullWords;         // words of failedFull per node
  size_t failedTopWords;          // words of failedTop per node
  unsigned char failedArmed;      // 1 when the last match call needed the failed-attempt table
  // The last run each repeat counted in this call, by runSlot of its operand: a repeat that
  // starts again inside a run it counted ends where that run ended. One slot per repeat, so
  // repeats never push each other's runs out.
  unsigned char runSlot[kGrepProgramSize / 3 + 1];  // by operand offset / 3: 0, or 1 + slot
  int repeatCount;
  const unsigned char* runNode[kGrepRepeats];
  const char* runFrom[kGrepRepeats];
  const char* runTo[kGrepRepeats];

  // --- Compiler steps: each returns its first node, or null after recording an error ---
  unsigned char* parseExpression(int inGroup, int* flags);
  unsigned char* parseBranch(int* flags);
  unsigned char* parsePiece(int* flags);
  unsigned char* parseAtom(int* flags);
  unsigned char* parseSet(int* flags);
  unsigned char* parseLiteralRun(int* flags);

  // --- Emission primitives ---
  unsigned char* emitNode(int op);
  void emitByte(int byte);
  void insertNode(int op, unsigned char* before);
  void setTail(unsigned char* node, unsigned char* target);
  void setBranchTail(unsigned char* node, unsigned char* target);
  unsigned char* nextNode(unsigned char* node);

  // Copies message `index` (0-10) into errorText and counts it.
  void recordError(int index);

  // --- Matcher steps (match sets lineStart; these run on the text it was given) ---
  // One attempt beginning exactly at `position`: 1 and the group slots set, or 0.
  int tryAt(const char* position);
  // Runs the program from `node` at inputPos: 1 with inputPos at the end of the match, or 0.
  int matchFrom(unsigned char* node);
  // How many characters in a row from inputPos the one-character `node` matches; moves past them.
  size_t countRepeat(unsigned char* node);
  // Whether `c` is a member of the set node `node` (OpInSet or OpNotInSet, membership only).
  bool inSet(const unsigned char* node, unsigned char c) const;
  // Whether the one-character node `node` matches `c` (never the NUL).
  bool oneMatches(const unsigned char* node, unsigned char c) const;

 private:
  void setHints(int flags);
  void indexNodes();
  void findStartBytes();
  bool addStartBytes(unsigned char* node, unsigned char* visited);
  size_t rememberRun(const unsigned char* node, int cache, const unsigned char* from,
                     const unsigned char* to);
  // matchFrom's steps (regex/backtrack.cpp). The next count to try for `repeat` begun at
  // `start`, from `n` down to its least; false when none is left (each try counts as a step).
  bool pickRepeatCount(unsigned char* repeat, const unsigned char* start, size_t n, size_t* picked);
  // Whether the one-position node `node` (line start or end, any character, a set, a literal)
  // matches at `*at`, which it moves past what it took.
  bool passesOne(const unsigned char* node, const unsigned char** at) const;
  // A match reached its finish: the open group frames write their positions, latest first.
  void writeGroupSlots(const GrepBacktrack& stack);
  // After a failure: resumes the latest frame with a way left, popping those without; false
  // when none is left or the call is to give up.
  bool resumeLatest(GrepBacktrack& stack, unsigned char** node, const unsigned char** at);
  // Arms the table and asks stopCheck when their step counts are passed; false when the call is
  // to give up.
  bool checkpoint();
  bool armFailedTable();
  void releaseFailedTable();
  bool knownFailed(const unsigned char* node, const char* pos) const;
  bool lastOpen(const unsigned char* node, size_t low, size_t* high) const;
  void markFailed(const unsigned char* node, const char* pos);
};

#endif  // VANTREL_REGEX_GREPCLASS_H_
