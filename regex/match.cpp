// match and tryAt: where GREPCLASS tries its program in a text.
//
// The start-up hints decide the positions: a text lacking the required literal is refused after
// one scan; an anchored pattern, or one beginning with «.*» or «.+», is tried at the start only;
// with a first character known, attempts jump from one occurrence to the next (strchr, or strstr
// when the first node is a literal of several characters; no per-byte calls); when every match
// begins with a character, only positions holding one of startBytes are tried; otherwise every
// position up to and including the terminating NUL is tried. Slow attempts arm the failed-attempt
// table of regex/failed.cpp for the rest of the call; match releases it before returning. A long
// call asks the caller's stopCheck now and then, and ends as soon as it answers yes.
//
// Covered by tests/regex/regex_match_test.cpp.
#include <limits.h>
#include <stdlib.h>
#include <string.h>

#include "regex/grepclass.h"

namespace {

// Attempts below this many per node are never worth measuring the text for.
constexpr unsigned long long kStepsBeforeMeasuring = 8;

inline int attempt(GREPCLASS& re, const char* position) {
  if (re.wholeWords && position != re.lineStart &&
      grepIsWordByte(static_cast<unsigned char>(position[-1])))
    return 0;  // inside a word: no whole word begins here
  re.inputPos = position;
  re.startSlots = re.groupStart;
  re.endSlots = re.groupEnd;
  if (!re.matchFrom(re.program + 1)) return 0;
  re.groupStart[0] = position;
  re.groupEnd[0] = re.inputPos;
  return 1;
}

inline void clearSlots(GREPCLASS& re) {
  for (int i = 0; i < kGrepGroups; ++i) re.groupStart[i] = re.groupEnd[i] = nullptr;
  for (int i = 0; i < re.repeatCount; ++i) re.runNode[i] = nullptr;  // runs of an earlier text
}

bool containsLiteral(const char* text, const char* literal, int length) {
  for (const char* p = strchr(text, literal[0]); p != nullptr; p = strchr(p + 1, literal[0])) {
    if (strncmp(p + 1, literal + 1, static_cast<size_t>(length - 1)) == 0) return true;
  }
  return false;
}

}  // namespace

int GREPCLASS::match(const char* text) {
  if (text == nullptr) {
    recordError(0);
    return 0;
  }
  if (program[0] != ProgramMarker) {
    recordError(2);
    return 0;
  }
  if (requiredText != nullptr && !containsLiteral(text, requiredText, requiredLength)) return 0;
  lineStart = text;
  matchSteps = 0;
  failedArmed = 0;
  armAt = kStepsBeforeMeasuring * static_cast<unsigned long long>(nodeCount);
  stopped = 0;
  stopAt = stopCheck != nullptr ? kGrepStopCheckSteps : ULLONG_MAX;
  checkAt = armAt < stopAt ? armAt : stopAt;
  failedBits = nullptr;
  failedStride = 0;
  clearSlots(*this);  // failed attempts write no slot, so once per call is enough

  int found = 0;
  if (anchoredAtStart || oneAttempt) {
    found = attempt(*this, text);
  } else if (firstChar != 0 && program[8] != 0) {
    // The first node is a literal of two or more characters: attempts go where it occurs whole.
    const char* lead = reinterpret_cast<const char*>(program + 7);
    for (const char* p = strstr(text, lead); p != nullptr && !found && !stopped;
         p = strstr(p + 1, lead))
      found = attempt(*this, p);
  } else if (firstChar != 0) {
    const char c = static_cast<char>(firstChar);
    for (const char* p = strchr(text, c); p != nullptr && !found && !stopped; p = strchr(p + 1, c))
      found = attempt(*this, p);
  } else if (startFilter) {
    // No match is empty here, so the terminating NUL needs no attempt.
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    for (;; ++p) {
      while (*p != 0 && !startBytes[*p]) ++p;
      if (*p == 0) break;
      found = attempt(*this, reinterpret_cast<const char*>(p));
      if (found || stopped) break;
    }
  } else {
    for (const char* p = text;; ++p) {
      found = attempt(*this, p);
      if (found || stopped || *p == '\0') break;
    }
  }

  releaseFailedTable();
  armAt = stopAt = checkAt = ULLONG_MAX;
  return found;
}

bool GREPCLASS::checkpoint() {
  if (matchSteps > armAt) armFailedTable();
  if (matchSteps > stopAt && !stopped) {
    stopAt = matchSteps + kGrepStopCheckSteps;
    if (stopCheck != nullptr && stopCheck(stopContext) != 0) stopped = 1;
  }
  // Once stopped, every step comes back here and is refused, so the call unwinds at once.
  checkAt = stopped ? 0 : armAt < stopAt ? armAt : stopAt;
  return !stopped;
}

int GREPCLASS::tryAt(const char* position) {
  clearSlots(*this);
  stopped = 0;
  int found = attempt(*this, position);
  releaseFailedTable();  // a table armed outside match lives for this one attempt
  return found;
}
