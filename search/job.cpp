// The request globals and the search job's mask list (see search/job.h).
// Tested by tests/job_test.cpp.
#include "search/job.h"

#include <cstring>

char textToFind[kTextSize];
char fileMask[kTextSize];
char directories[kTextSize];
WORD searchOptions;
std::atomic<DWORD> searchThreadId{0};

void prepareFileMask() {
  fileMask[kTextSize - 1] = '\0';
  // A predefined entry carries its list in parentheses: "[Source Files (.c;.cpp;.cc)]". The list
  // goes through a path-sized work area, so a longer text keeps its first 259 characters.
  char* open = strchr(fileMask, '(');
  char* close = strchr(fileMask, ')');
  if (open && close && close > open) {
    char work[kPathSize];
    size_t length = static_cast<size_t>(close - open - 1);
    if (length > kPathSize - 1) length = kPathSize - 1;
    memcpy(work, open + 1, length);
    work[length] = '\0';
    memcpy(fileMask, work, length + 1);
  }
  CharUpperA(fileMask);
  // Separators become terminators; one more NUL after the last entry ends the list. The text is
  // at most 499 characters, so its terminator is at 499 at the latest and 500 bytes suffice.
  size_t length = strlen(fileMask);
  for (size_t i = 0; i < length; ++i)
    if (fileMask[i] == ';' || fileMask[i] == ',') fileMask[i] = '\0';
  if (length + 1 < kTextSize) {
    fileMask[length + 1] = '\0';
  } else {
    // A full field (499 characters) has no room after its terminator; end the list by giving up
    // its last character.
    fileMask[length - 1] = '\0';
    fileMask[length] = '\0';
  }
}
