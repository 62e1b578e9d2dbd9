// Runs one search from start to end over the request globals and the job: case folding, pattern
// compilation, the mask list, the walk, the summary, the user-break line.
//
// Threading: runSearch runs on the IDE's thread (detached 0, with progress line and Esc) or on a
// worker thread (detached 1). A detached run keeps a stop asked before it began (its starter clears
// the flag). Tested by tests/search/driver_test.cpp.
#ifndef VANTREL_SEARCH_DRIVER_H_
#define VANTREL_SEARCH_DRIVER_H_

#include "search/job.h"

void runSearch(SearchJob* job, int detached);

// Fixes the project path the job's node walk resolves against to the current `projectPath`.
// runSearch does it for a search on the IDE's thread; whoever starts a worker search does it on
// the IDE's thread before the worker starts, so a project opened meanwhile changes nothing.
void captureProjectPath(SearchJob* job);

// A worker thread's entry: runSearch(job, 1), then clears `searchThreadId` as its last step.
DWORD WINAPI searchThreadMain(LPVOID job);

#endif  // VANTREL_SEARCH_DRIVER_H_
