// A compiled pattern stripped of its start-up hints, with the failed-attempt table armed from the
// first step: the plain program, whose matches the hinted one must give exactly, since hints and
// table only save work. Shared by the differential test and the fuzz target, so a new hint is
// dropped in one place.
#ifndef VANTREL_TESTS_REGEX_WITHOUT_HINTS_H_
#define VANTREL_TESTS_REGEX_WITHOUT_HINTS_H_

#include "regex/grepclass.h"

inline GREPCLASS* compileWithoutHints(const char* pattern) {
  GREPCLASS* plain = new GREPCLASS(pattern);
  plain->firstChar = 0;
  plain->anchoredAtStart = 0;
  plain->requiredText = nullptr;
  plain->startFilter = 0;
  plain->oneAttempt = 0;
  plain->nodeCount = 0;
  return plain;
}

#endif  // VANTREL_TESTS_REGEX_WITHOUT_HINTS_H_
