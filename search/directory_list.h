// The directories field as a list: entries between ";" and ",", and the special entries
// "[Current Directory]" and "[Current Path]", which the walk replaces in the field by the
// directories they stand for, each written as one entry.
//
// Quoting, so that an entry can hold any name: a double quote that begins an entry opens a quoted
// part, which ends at the next double quote; inside it a separator belongs to the name and two
// double quotes stand for one ("C:\a,b";src and "q""d" name C:\a,b and q"d). A double quote
// anywhere else is part of the name (q"d names q"d). The replaced entries are written back quoted
// when they hold a separator or a double quote, so they read back as the same directories.
//
// Invariant: an entry is copied whole or passed by; it is never cut into another directory's
// name, and every copy stays within its kPathSize or kTextSize buffer.
// Threading: on the thread that runs the search, which alone touches `directories` then.
// Tested by tests/search/walk_test.cpp.
#ifndef VANTREL_SEARCH_DIRECTORY_LIST_H_
#define VANTREL_SEARCH_DIRECTORY_LIST_H_

#include "search/job.h"

// When `directories` is exactly "[Current Directory]" or "[Current Path]", replaces it by the
// process's current directory, or by the directories of the variable "Path" (";" between them,
// quoted as above). When that cannot be read the special text stays and names no directory.
// A search path too long for the field is not cut: the field keeps "[Current Path]" and the
// answer is the whole value of "Path" (allocated with malloc, freed by the caller), which the
// walk goes through instead, with ";" alone between its entries; else the answer is NULL.
char* replaceSpecialDirectories();

// Copies the entry at *cursor, up to the next of `separators` outside quotes, into `dir`
// (kPathSize bytes) and moves the cursor past it and its separator. Quoting as above; a run of
// trailing slashes and backslashes becomes one backslash, and one is appended when the entry ends
// without. Answers false for an entry to pass by: an empty one, or one too long for a path work
// area.
bool nextDirectoryEntry(const char** cursor, char* dir, const char* separators = ";,");

#endif  // VANTREL_SEARCH_DIRECTORY_LIST_H_
