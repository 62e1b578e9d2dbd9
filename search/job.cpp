// The request globals and the search job's mask list (see search/job.h).
#include "search/job.h"

char textToFind[kTextSize];
char fileMask[kTextSize];
char directories[kTextSize];
WORD searchOptions;
std::atomic<DWORD> searchThreadId{0};
