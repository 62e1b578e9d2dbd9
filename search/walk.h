// The file-set walks: which files a search hands to the file scan, and in which order. The
// directory walk goes through the listed directories (or the current directory, or the search
// path), matching the mask list as wildcards and recursing on request; the node walk goes through
// the selected project nodes and, on request, their descendants, admitting a node by its
// extension.
//
// Every walk has two modes with the same visiting order: countOnly 1 only counts the files it
// would scan (the progress bar's length) and changes nothing in the job; countOnly 0 raises
// `filesSearched` (and `directoriesSearched`), lets the progress line redraw and poll Esc, and
// scans each file, or, with the job's window (search/scan_window.h), hands it to the window, which
// does the same in walk order; the hits answered are then those written so far, and the job's
// `hitCount` is the total. Every loop ends at its next test of `stopRequested`. A path that would
// pass kPathSize - 1 characters is skipped, never cut into another path.
//
// Threading: on the thread that runs the search. `nodeService` is held by walkSelectedNodes from
// its start to its end.
// Tested by tests/search/walk_test.cpp.
#ifndef VANTREL_SEARCH_WALK_H_
#define VANTREL_SEARCH_WALK_H_

#include "search/job.h"

// Walks every directory listed in `directories` (";" or "," between them; an empty entry is
// skipped), replacing "[Current Directory]" or "[Current Path]" there first; every directory of a
// search path too long for the field is walked all the same. Answers the hits, or with countOnly
// the files.
LONG walkDirectoryList(SearchJob* job, int countOnly);

// Walks one directory (`dir` ends with a backslash): its files by mask entry, then, with the
// Recurse option, its subdirectories depth-first. Answers the hits, or with countOnly the files.
LONG walkDirectory(SearchJob* job, LPCSTR dir, int countOnly);

// Walks the selected nodes (`nodeIds`), then with Recurse their descendants. Without node ids the
// searching pass writes "Not enough memory to Vantrel files !" and beeps.
LONG walkSelectedNodes(SearchJob* job, int countOnly);

// Walks the descendants of node `id`, each node before its own descendants.
LONG walkNodeChildren(SearchJob* job, ProjectNodeId id, int countOnly);

// 1 when the extension of the name's last component (from its last "." on, upper-cased) ends the
// first place it occurs in some mask entry, else 0. A name without extension never matches.
int matchesMaskList(SearchJob* job, LPCSTR name);

#endif  // VANTREL_SEARCH_WALK_H_
