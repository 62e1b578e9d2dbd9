// matchFrom and countRepeat: the backtracking core of GREPCLASS, without
// recursion.
//
// Where a recursive matcher would call itself (an OpChoice with several
// alternatives, a repeat giving back one character at a time, a group node)
// this one pushes a frame and goes on with the callee; a failure pops back to
// the latest frame that has another way to go. The frames start in a small
// array on the C stack and move to the heap only when an attempt gets deep, so
// no text can exhaust the thread's stack and ordinary lines allocate nothing.
// The order of the ways tried is exactly the recursive order, and group slots
// are written only when OpFinish is reached, walking the open group frames from
// the latest down, so a group in a loop keeps its last repetition.
//
// Each frame's callee is one (node, position) pair, and its outcome depends on
// nothing else; once the failed-attempt table is armed (see match.cpp) a callee
// known to fail is not run again.
//
// Covered by tests/regex/regex_match_test.cpp, tests/regex/regex_depth_test.cpp
// and tests/regex/regex_differential_test.cpp.
#include <stdlib.h>
#include <string.h>

#include "regex/grepclass.h"

struct GrepBacktrack {
  struct Frame {
    unsigned char* node;  // the OpChoice tried, the repeat, or the group node
    const char* pos;      // where the choice or repeat began, or the group's position
    size_t count;         // repeat: the characters taken in this try
  };
  static constexpr size_t kInlineFrames = 32;

  Frame inlineFrames[kInlineFrames];
  Frame* frames = inlineFrames;
  size_t size = 0;
  size_t capacity = kInlineFrames;

  GrepBacktrack() = default;
  GrepBacktrack(const GrepBacktrack&) = delete;
  GrepBacktrack& operator=(const GrepBacktrack&) = delete;
  ~GrepBacktrack() {
    if (frames != inlineFrames) free(frames);
  }

  bool push(unsigned char* node, const char* pos, size_t count) {
    if (size == capacity && !grow()) return false;
    frames[size].node = node;
    frames[size].pos = pos;
    frames[size].count = count;
    ++size;
    return true;
  }

  bool grow() {
    size_t larger = capacity * 2;
    Frame* moved = nullptr;
    if (frames == inlineFrames) {
      moved = static_cast<Frame*>(malloc(larger * sizeof(Frame)));
      if (moved != nullptr) memcpy(moved, inlineFrames, sizeof inlineFrames);
    } else {
      moved = static_cast<Frame*>(realloc(frames, larger * sizeof(Frame)));
    }
    if (moved == nullptr) return false;
    frames = moved;
    capacity = larger;
    return true;
  }
};

namespace {

// The last `c` among the `length` bytes at `from`, or null.
inline const unsigned char* lastByte(const unsigned char* from, unsigned char c, size_t length) {
#ifdef __GLIBC__
  return static_cast<const unsigned char*>(memrchr(from, c, length));
#else
  for (size_t i = length; i-- > 0;)
    if (from[i] == c) return from + i;
  return nullptr;
#endif
}

// Bytes that the search for a literal's first character passes over for one
// step of work.
constexpr size_t kBytesPerStep = 16;

inline bool isGroupNode(unsigned char op) {
  return (op > OpGroupOpen && op < OpGroupOpen + 10) ||
         (op > OpGroupClose && op < OpGroupClose + 10);
}

}  // namespace

bool GREPCLASS::inSet(const unsigned char* node, unsigned char c) const {
  unsigned slot = setSlot[(node - program) / 3];
  if (slot != 0) return (setMask[c] >> (slot - 1)) & 1u;
  for (const unsigned char* m = node + 3; *m != 0; ++m)
    if (*m == c) return true;
  return false;
}

bool GREPCLASS::oneMatches(const unsigned char* node, unsigned char c) const {
  switch (node[0]) {
    case OpAnyChar:
      return c != 0;
    case OpLiteral:
      return c == node[3];
    case OpInSet:
      return c != 0 && inSet(node, c);
    case OpNotInSet:
      return c != 0 && !inSet(node, c);
    default:
      return false;
  }
}

size_t GREPCLASS::countRepeat(unsigned char* node) {
  const unsigned char* from = reinterpret_cast<const unsigned char*>(inputPos);
  const unsigned char* p = from;
  int cache = runSlot[(node - program) / 3] - 1;  // -1 only for a node that is no operand
  if (cache >= 0 && runNode[cache] == node && inputPos <= runTo[cache]) {
    // A run counted before: from inside it the count ends where it ended; from
    // below it, the characters up to its start are counted, and reaching it
    // means going on to its end.
    const unsigned char* limit = reinterpret_cast<const unsigned char*>(runFrom[cache]);
    if (node[0] == OpAnyChar) p = limit;  // every character before the NUL is one
    while (p < limit && oneMatches(node, *p)) ++p;
    if (p >= limit) {
      if (from < limit) runFrom[cache] = inputPos;
      inputPos = runTo[cache];
      return static_cast<size_t>(inputPos - reinterpret_cast<const char*>(from));
    }
    return rememberRun(node, cache, from, p);
  }
  switch (node[0]) {
    case OpAnyChar:
      p += strlen(inputPos);
      break;
    case OpLiteral: {
      unsigned char c = node[3];
      while (*p == c) ++p;
      break;
    }
    case OpInSet:
    case OpNotInSet: {
      bool wanted = node[0] == OpInSet;
      unsigned slot = setSlot[(node - program) / 3];
      if (slot != 0) {
        uint32_t bit = 1u << (slot - 1);
        if (wanted)
          while ((setMask[*p] & bit) != 0) ++p;  // NUL is never a member
        else
          while (*p != 0 && (setMask[*p] & bit) == 0) ++p;
      } else {
        while (*p != 0 && inSet(node, *p) == wanted) ++p;
      }
      break;
    }
    default:
      recordError(2);
      return 0;
  }
  return rememberRun(node, cache, from, p);
}

size_t GREPCLASS::rememberRun(const unsigned char* node, int cache, const unsigned char* from,
                              const unsigned char* to) {
  inputPos = reinterpret_cast<const char*>(to);
  if (cache < 0) return static_cast<size_t>(to - from);
  runNode[cache] = node;
  runFrom[cache] = reinterpret_cast<const char*>(from);
  runTo[cache] = inputPos;
  return static_cast<size_t>(to - from);
}

[[gnu::always_inline]] inline bool GREPCLASS::pickRepeatCount(unsigned char* repeat,
                                                              const unsigned char* start, size_t n,
                                                              size_t* picked) {
  const unsigned char* text = reinterpret_cast<const unsigned char*>(lineStart);
  unsigned char* next = nextNode(repeat);
  unsigned char look = next != nullptr && next[0] == OpLiteral ? next[3] : 0;
  size_t least = repeat[0] == OpRepeatSome ? 1 : 0;
  if (n < least) return false;
  if (failedBits != nullptr) {
    // Armed: skip the counts whose continuation is known to fail, a word of
    // them at a time. A literal cannot begin where its first character is not,
    // so such counts are marked as they are passed, and each is looked at only
    // once in the call.
    size_t base = static_cast<size_t>(start - text);
    size_t high = base + n;
    for (;;) {
      if (!lastOpen(next, base + least, &high)) return false;
      if (look == 0 || text[high] == look) break;
      markFailed(next, lineStart + high);
      if (high == base + least) return false;
      --high;
    }
    if (++matchSteps > checkAt && !checkpoint()) return false;
    *picked = high - base;
    return true;
  }
  for (;;) {
    if (n < least) return false;
    if (look != 0 && start[n] != look) {
      // Only a count followed by the literal's first character can go on: jump
      // to the last one.
      const unsigned char* hit = lastByte(start + least, look, n - least);
      // The bytes passed over are work too: counted (the next step checks the
      // count), a long line that gives back over them from many places arms the
      // table, which then marks them once.
      size_t passed = n - (hit != nullptr ? static_cast<size_t>(hit - start) : least);
      matchSteps += passed / kBytesPerStep;
      if (hit == nullptr) return false;
      n = static_cast<size_t>(hit - start);
    }
    if (++matchSteps > checkAt && !checkpoint()) return false;
    if (failedBits == nullptr || !knownFailed(next, reinterpret_cast<const char*>(start + n))) {
      *picked = n;
      return true;
    }
    if (n == 0) return false;
    --n;
  }
}

[[gnu::always_inline]] inline bool GREPCLASS::passesOne(const unsigned char* node,
                                                        const unsigned char** at) const {
  const unsigned char* p = *at;
  switch (node[0]) {
    case OpLineStart:
      return p == reinterpret_cast<const unsigned char*>(lineStart);
    case OpLineEnd:
      return *p == 0;
    case OpAnyChar:
      if (*p == 0) return false;
      break;
    case OpInSet:
      if (*p == 0 || !inSet(node, *p)) return false;
      break;
    case OpNotInSet:
      if (*p == 0 || inSet(node, *p)) return false;
      break;
    default: {  // OpLiteral
      const unsigned char* lit = node + 3;
      while (*lit != 0 && *p == *lit) ++p, ++lit;
      if (*lit != 0) return false;
      *at = p;
      return true;
    }
  }
  *at = p + 1;
  return true;
}

[[gnu::always_inline]] inline void GREPCLASS::writeGroupSlots(const GrepBacktrack& stack) {
  // The open group frames write their positions, latest first.
  for (size_t i = stack.size; i-- > 0;) {
    unsigned char code = stack.frames[i].node[0];
    if (!isGroupNode(code)) continue;
    const char** slots = code > OpGroupClose ? endSlots : startSlots;
    int n = code > OpGroupClose ? code - OpGroupClose : code - OpGroupOpen;
    if (slots[n] == nullptr) slots[n] = stack.frames[i].pos;
  }
}

[[gnu::always_inline]] inline bool GREPCLASS::resumeLatest(GrepBacktrack& stack,
                                                           unsigned char** node,
                                                           const unsigned char** at) {
  while (stack.size > 0) {
    GrepBacktrack::Frame& frame = stack.frames[stack.size - 1];
    unsigned char* owner = frame.node;
    const unsigned char* start = reinterpret_cast<const unsigned char*>(frame.pos);
    unsigned char code = owner[0];
    if (code == OpChoice) {
      if (failedBits != nullptr) markFailed(owner + 3, frame.pos);
      for (unsigned char* alternative = nextNode(owner);
           alternative != nullptr && alternative[0] == OpChoice;
           alternative = nextNode(alternative)) {
        frame.node = alternative;
        if (++matchSteps > checkAt && !checkpoint()) return false;
        if (failedBits == nullptr || !knownFailed(alternative + 3, frame.pos)) {
          *node = alternative + 3;
          *at = start;
          return true;
        }
      }
    } else if (code == OpRepeatAny || code == OpRepeatSome) {
      unsigned char* next = nextNode(owner);
      if (failedBits != nullptr) markFailed(next, frame.pos + frame.count);
      size_t picked = 0;
      if (frame.count > 0 && pickRepeatCount(owner, start, frame.count - 1, &picked)) {
        frame.count = picked;
        *node = next;
        *at = start + picked;
        return true;
      }
      if (stopped) return false;
    } else if (failedBits != nullptr) {
      markFailed(nextNode(owner), frame.pos);
    }
    --stack.size;
  }
  return false;
}

int GREPCLASS::matchFrom(unsigned char* node) {
  GrepBacktrack stack;
  const unsigned char* at = reinterpret_cast<const unsigned char*>(inputPos);
  for (;;) {
    bool passed = false;
    switch (node != nullptr ? node[0] : static_cast<unsigned char>(OpFinish)) {
      case OpFinish:
        // Unless it ends inside a word: the other ways to match are then tried.
        passed = node != nullptr && (!wholeWords || !grepIsWordByte(*at));
        if (passed) {
          writeGroupSlots(stack);
          inputPos = reinterpret_cast<const char*>(at);
          return 1;
        }
        if (node == nullptr) recordError(2);
        break;
      case OpLineStart:
      case OpLineEnd:
      case OpAnyChar:
      case OpInSet:
      case OpNotInSet:
      case OpLiteral:
        passed = passesOne(node, &at);
        break;
      case OpLoopBack:
      case OpEmpty:
        passed = true;
        break;
      case OpChoice: {
        // Of several alternatives the first is tried, with a frame to come back for the next.
        unsigned char* next = nextNode(node);
        if (next != nullptr && next[0] == OpChoice) {
          if (!stack.push(node, reinterpret_cast<const char*>(at), 0)) return 0;
          if (++matchSteps > checkAt && !checkpoint()) return 0;
          if (failedBits != nullptr && knownFailed(node + 3, reinterpret_cast<const char*>(at)))
            break;
        }
        node += 3;
        continue;
      }
      case OpRepeatAny:
      case OpRepeatSome: {
        unsigned char over = node[3];
        if (over != OpAnyChar && over != OpInSet && over != OpNotInSet && over != OpLiteral) {
          recordError(2);  // not a one-character node: this attempt fails
          break;
        }
        inputPos = reinterpret_cast<const char*>(at);
        size_t picked = 0;
        if (!pickRepeatCount(node, at, countRepeat(node + 3), &picked)) {
          if (stopped) return 0;
          break;
        }
        if (!stack.push(node, reinterpret_cast<const char*>(at), picked)) return 0;
        at += picked;
        node = nextNode(node);
        continue;
      }
      default:
        if (!isGroupNode(node[0])) {
          recordError(2);
          break;
        }
        if (!stack.push(node, reinterpret_cast<const char*>(at), 0)) return 0;
        if (++matchSteps > checkAt && !checkpoint()) return 0;
        node = nextNode(node);
        if (failedBits == nullptr || !knownFailed(node, reinterpret_cast<const char*>(at)))
          continue;
        break;
    }
    // After a failure the latest frame with a way left goes on.
    if (passed)
      node = nextNode(node);
    else if (!resumeLatest(stack, &node, &at))
      return 0;
  }
}
