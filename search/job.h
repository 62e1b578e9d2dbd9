// The search request and the search job: what the user asked for (the request globals, filled by
// the search dialog) and the state of the running or last search (SearchJob, carried by the tool
// object). Also the mask list made from the file-type text.
//
// Ownership: a SearchJob owns `regexProgram` and `nodeIds` (released at the end of each search and
// by the tool's destructor); `nodeService`, `statusFont` and `statusWindow` are held only while a
// search runs.
// Threading: while a worker search runs, the IDE's thread touches only `stopRequested` (atomic)
// and reads `searchThreadId` (atomic); everything else belongs to the thread running the search.
// Tested by tests/search/job_test.cpp.
#ifndef VANTREL_SEARCH_JOB_H_
#define VANTREL_SEARCH_JOB_H_

#include <atomic>

#include "addon/host_access.h"
#include "addon/ide.h"
#include "addon/scan_notes.h"
#include "dialog/max_file_size.h"
#include "search/option_bits.h"

class GREPCLASS;
class ScanWindow;

// Width of the request's text fields: at most 499 characters and the terminator.
constexpr int kTextSize = 500;
// Width of path work areas: at most MAX_PATH - 1 characters and the terminator.
constexpr int kPathSize = 260;

extern char textToFind[kTextSize];
extern char fileMask[kTextSize];
extern char directories[kTextSize];
extern WORD searchOptions;
// The worker thread's id while a detached search runs, 0 otherwise.
extern std::atomic<DWORD> searchThreadId;

struct SearchJob {
  ProjectService* nodeService = nullptr;
  LONG filesWithHits = 0;
  LONG filesSearched = 0;
  LONG directoriesSearched = 0;
  LONG filesExpected = 0;
  GREPCLASS* regexProgram = nullptr;
  ProjectNodeId* nodeIds = nullptr;  // new (std::nothrow) ProjectNodeId[]; freed with delete[]
  LONG nodeCount = 0;
  LONG hitCount = 0;
  std::atomic<LONG> stopRequested{0};
  LONG runsDetached = 0;
  LONG nodeMode = 0;
  HFONT statusFont = nullptr;
  HWND statusWindow = nullptr;
  // The project path this search's node walk resolves names against, copied from `projectPath`
  // when the search starts, so a project opened meanwhile does not change a running walk.
  char searchProjectPath[kProjectPathSize] = {};
  // Files of this many bytes or more are refused; read from the registry as the search starts.
  LONG maxFileSize = kDefaultMaxFileSize;
  // While a searching walk runs on several threads, the window its files go to
  // (search/scan_window.h); NULL when the search runs on its own thread.
  ScanWindow* window = nullptr;
  // The host's scan notes while a searching walk runs (addon/scan_notes.h); NULL in the IDE.
  ScanNotesService* scanNotes = nullptr;
};

// Rewrites `fileMask` into the mask list: the text between its first "(" and a later ")" (at most
// 259 characters of it), upper-cased, split at ";" and "," into NUL-terminated entries, empty
// entries left out. The list ends at an empty entry or at the end of the field, so a full field
// keeps every character.
void prepareFileMask();

// The mask list's entries in order: the first, then each one's successor; NULL after the last.
LPCSTR firstMaskEntry();
LPCSTR nextMaskEntry(LPCSTR entry);

// Before prepareFileMask: 1 when an entry of the file-type text names a folder ("sub\*.c",
// "sub/*.c"), with that entry as typed copied into `entry` (kTextSize bytes); else 0. The walks
// would list such a folder's files but read files of the same names in the walked directory.
int maskNamesFolder(LPSTR entry);

#endif  // VANTREL_SEARCH_JOB_H_
