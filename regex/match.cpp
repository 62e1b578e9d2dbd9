// match and tryAt: where GREPCLASS tries its program in a text, and the table of failed attempts.
//
// The start-up hints decide the positions: a text lacking the required literal is refused after
// one scan; an anchored pattern is tried at the start only; with a first character known, attempts
// jump from one occurrence to the next (strchr, no per-byte calls); otherwise every position up to
// and including the terminating NUL is tried.
//
// The failed-attempt table: whether the program succeeds from a node at a text position depends on
// nothing else (group slots are written only once OpFinish is reached), so within one call a
// (node, position) pair that failed fails again. Once a call has made more attempts than the
// program has nodes times the text has positions, some pair must have been tried twice; only then
// is one bit per pair allocated, and from then on a pair known to fail is skipped. That bounds the
// work by nodes x positions (x the give-backs of a repeat) instead of letting it grow
// exponentially, and it does not change which match is found. The table lives for one call.
//
// Covered by tests/regex_match_test.cpp and tests/regex_pathological_test.cpp.
#include <limits.h>
#include <stdlib.h>
#include <string.h>

#include "regex/grepclass.h"

namespace {

// Attempts below this many per node are never worth measuring the text for.
constexpr unsigned long long kStepsBeforeMeasuring = 8;

inline int attempt(GREPCLASS& re, const char* position) {
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
}

bool containsLiteral(const char* text, const char* literal, int length) {
  for (const char* p = strchr(text, literal[0]); p != nullptr; p = strchr(p + 1, literal[0])) {
    if (memcmp(p + 1, literal + 1, static_cast<size_t>(length - 1)) == 0) return true;
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
  failedBits = nullptr;
  failedStride = 0;
  armAt = kStepsBeforeMeasuring * static_cast<unsigned long long>(nodeCount);
  clearSlots(*this);  // failed attempts write no slot, so once per call is enough

  int found = 0;
  if (anchoredAtStart) {
    found = attempt(*this, text);
  } else if (firstChar != 0) {
    const char c = static_cast<char>(firstChar);
    for (const char* p = strchr(text, c); p != nullptr && !found; p = strchr(p + 1, c))
      found = attempt(*this, p);
  } else {
    for (const char* p = text;; ++p) {
      found = attempt(*this, p);
      if (found || *p == '\0') break;
    }
  }

  free(failedBits);
  failedBits = nullptr;
  failedStride = 0;
  armAt = ULLONG_MAX;
  return found;
}

int GREPCLASS::tryAt(const char* position) {
  clearSlots(*this);
  return attempt(*this, position);
}

bool GREPCLASS::armFailedTable() {
  if (failedBits != nullptr || lineStart == nullptr) {
    armAt = ULLONG_MAX;
    return failedBits != nullptr;
  }
  if (failedStride == 0) {
    failedStride = strlen(lineStart) + 1;
    armAt = static_cast<unsigned long long>(nodeCount) * failedStride;
    if (matchSteps <= armAt) return false;
  }
  failedRows = programSize / 3 + 1;
  size_t bits = static_cast<size_t>(failedRows) * failedStride;
  failedBits = static_cast<uint64_t*>(calloc((bits + 63) / 64, sizeof(uint64_t)));
  armAt = ULLONG_MAX;  // armed, or no memory: either way never asked again in this call
  return failedBits != nullptr;
}

bool GREPCLASS::knownFailed(const unsigned char* node, const char* pos) const {
  if (node == nullptr) return false;
  size_t bit = static_cast<size_t>((node - program) / 3) * failedStride +
               static_cast<size_t>(pos - lineStart);
  return (failedBits[bit / 64] >> (bit % 64)) & 1u;
}

void GREPCLASS::markFailed(const unsigned char* node, const char* pos) {
  if (node == nullptr) return;
  size_t bit = static_cast<size_t>((node - program) / 3) * failedStride +
               static_cast<size_t>(pos - lineStart);
  failedBits[bit / 64] |= uint64_t{1} << (bit % 64);
}
