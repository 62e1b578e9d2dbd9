// The request globals and the search job's mask list (see search/job.h).
// Tested by tests/search/job_test.cpp.
#include "search/job.h"

#include <cstring>

char textToFind[kTextSize];
char fileMask[kTextSize];
char directories[kTextSize];
WORD searchOptions;
std::atomic<DWORD> searchThreadId{0};

namespace {

bool isSeparator(char c) { return c == ';' || c == ','; }

// The part of `fileMask` that becomes the list: a predefined entry carries it in parentheses
// ("[Source Files (.c;.cpp;.cc)]"). It goes through a path-sized work area, so a longer
// parenthesised text keeps its first 259 characters.
const char* listText(size_t* length) {
  fileMask[kTextSize - 1] = '\0';
  const char* open = strchr(fileMask, '(');
  const char* close = strchr(fileMask, ')');
  if (open && close && close > open) {
    *length = static_cast<size_t>(close - open - 1);
    if (*length > kPathSize - 1) *length = kPathSize - 1;
    return open + 1;
  }
  *length = strlen(fileMask);
  return fileMask;
}

LPCSTR entryAt(const char* at) { return at < fileMask + kTextSize && *at ? at : nullptr; }

}  // namespace

void prepareFileMask() {
  size_t length;
  const char* text = listText(&length);
  memmove(fileMask, text, length);
  fileMask[length] = '\0';
  CharUpperA(fileMask);
  // Entries move down over separators and empty entries, each ended by a NUL; one more NUL ends
  // the list when there is room, and the field's end ends it otherwise.
  length = strlen(fileMask);
  size_t out = 0;
  for (size_t i = 0; i < length; ++i) {
    if (!isSeparator(fileMask[i]))
      fileMask[out++] = fileMask[i];
    else if (out > 0 && fileMask[out - 1] != '\0')
      fileMask[out++] = '\0';
  }
  if (out > 0 && fileMask[out - 1] != '\0') fileMask[out++] = '\0';
  if (out < kTextSize) fileMask[out] = '\0';
}

LPCSTR firstMaskEntry() { return entryAt(fileMask); }

LPCSTR nextMaskEntry(LPCSTR entry) { return entryAt(entry + strlen(entry) + 1); }

int maskNamesFolder(LPSTR entry) {
  size_t length;
  const char* text = listText(&length);
  for (size_t start = 0; start < length;) {
    size_t end = start;
    while (end < length && !isSeparator(text[end])) ++end;
    for (size_t i = start; i < end; ++i) {
      if (text[i] == '\\' || text[i] == '/') {
        memcpy(entry, text + start, end - start);
        entry[end - start] = '\0';
        return 1;
      }
    }
    start = end + 1;
  }
  return 0;
}
