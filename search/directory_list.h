// The directories field as a list: entries between ";" and ",", where double quotes keep a
// separator inside one entry (as Windows lists quote such entries: "C:\a,b";src), and the special
// entries "[Current Directory]" and "[Current Path]", which the walk replaces in the field by the
// directories they stand for, each written as one entry (quoted when it holds a separator).
//
// Invariant: an entry is copied whole or passed by; it is never cut into another directory's
// name, and every copy stays within its kPathSize or kTextSize buffer.
// Threading: on the thread that runs the search, which alone touches `directories` then.
// Tested by tests/walk_test.cpp.
#ifndef VANTREL_SEARCH_DIRECTORY_LIST_H_
#define VANTREL_SEARCH_DIRECTORY_LIST_H_

#include "search/job.h"

// When `directories` is exactly "[Current Directory]" or "[Current Path]", replaces it by the
// process's current directory, or by the directories of the variable "Path" (";" between them,
// an entry holding one in double quotes), as many whole entries as fit. When that cannot be read
// (or not one entry fits), the special text stays and names no directory.
void replaceSpecialDirectories();

// Copies the entry at *cursor into `dir` (kPathSize bytes) and moves the cursor past it and its
// separator. Quotes are dropped; a run of trailing slashes and backslashes becomes one backslash,
// and one is appended when the entry ends without. Answers false for an entry to pass by: an
// empty one, or one too long for a path work area.
bool nextDirectoryEntry(const char** cursor, char* dir);

#endif  // VANTREL_SEARCH_DIRECTORY_LIST_H_
