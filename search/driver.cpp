// The search driver (see search/driver.h): prepares the request, runs the walk the directories
// field asks for, and writes the summary, a failure or the user break.
//
// Invariant: whatever happens, a run ends with no compiled pattern, no node ids and no progress
// line (both handles cleared).
// Tested by tests/search/driver_test.cpp.
#include "search/driver.h"

#include <cstring>
#include <new>

#include "addon/search_threads.h"
#include "dialog/max_file_size.h"
#include "regex/grepclass.h"
#include "search/output.h"
#include "search/progress.h"
#include "search/scan_window.h"
#include "search/walk.h"

namespace {

constexpr char kSelectedNodes[] = "[Selected Nodes]";

// Compiles `textToFind` into the job; on failure writes the reason, beeps and answers false.
bool compilePattern(SearchJob* job) {
  job->regexProgram = new (std::nothrow) GREPCLASS(textToFind);
  if (!job->regexProgram) {
    printMessage("Not enough memory to Vantrel files !");
    MessageBeep(0);
    return false;
  }
  if (job->regexProgram->errorCount != 0) {
    printMessage("Vantrel regular expression error : %s", job->regexProgram->errorText);
    MessageBeep(0);
    return false;
  }
  return true;
}

// The searching walk on the threads the host allows: through a window of files in flight when it
// allows more than one and one more thread can start, else on this thread alone.
void searchingWalk(SearchJob* job) {
  auto* threads = static_cast<SearchThreadsService*>(getService(IID_SearchThreadsService));
  job->scanNotes = static_cast<ScanNotesService*>(getService(IID_ScanNotesService));
  ScanWindow window;
  if (threads && window.start(job, threads->threadCount(), threads)) job->window = &window;
  if (job->nodeMode)
    walkSelectedNodes(job, 0);
  else
    walkDirectoryList(job, 0);
  window.finish();
  job->window = nullptr;
  if (threads) threads->Release();
  if (job->scanNotes) job->scanNotes->Release();
  job->scanNotes = nullptr;
}

void search(SearchJob* job) {
  char withHits[kCountTextSize];
  char searched[kCountTextSize];
  if (!std::strcmp(directories, kSelectedNodes)) {
    job->nodeMode = 1;
    if (!job->runsDetached) beginProgress(job);
    searchingWalk(job);
    LONG total = job->hitCount;
    formatCount(withHits, "%ld Files", "%ld File", job->filesWithHits);
    formatCount(searched, "%ld Files", "%ld File", job->filesSearched);
    printMessage("Vantrel : %ld found in %s (%s searched)", static_cast<long>(total), withHits,
                 searched);
  } else {
    job->nodeMode = 0;
    if (!job->runsDetached) beginProgress(job);
    searchingWalk(job);
    LONG total = job->hitCount;
    char dirs[kCountTextSize];
    formatCount(withHits, "%ld Files", "%ld File", job->filesWithHits);
    formatCount(searched, "%ld Files", "%ld File", job->filesSearched);
    formatCount(dirs, "%ld Directories", "%ld Directory", job->directoriesSearched);
    printMessage("Vantrel : %ld found in %s (%s searched in %s)", static_cast<long>(total),
                 withHits, searched, dirs);
  }
}

}  // namespace

void captureProjectPath(SearchJob* job) {
  std::strncpy(job->searchProjectPath, projectPath, sizeof job->searchProjectPath - 1);
  job->searchProjectPath[sizeof job->searchProjectPath - 1] = '\0';
}

void runSearch(SearchJob* job, int detached) {
  job->runsDetached = detached ? 1 : 0;
  // A worker's starter cleared the flag before the thread began, so a Yes to the stop question
  // given before this point still stops it.
  if (!detached) job->stopRequested = 0;
  job->filesSearched = 0;
  job->filesWithHits = 0;
  job->directoriesSearched = 0;
  job->hitCount = 0;
  // The node walk resolves names against the project this search started in. A worker's starter
  // captured it on the IDE's thread, the only thread that writes `projectPath`.
  if (!detached) captureProjectPath(job);
  job->maxFileSize = readMaxFileSize();

  // Patterns are folded before compilation, letters in classes and after backslashes included,
  // exactly as each line is folded before it is searched.
  if (!(searchOptions & CaseSensitive)) CharUpperA(textToFind);
  if (!(searchOptions & RegularExpression) || compilePattern(job)) {
    char folder[kTextSize];
    if (maskNamesFolder(folder)) {
      printMessage("Vantrel : A file type may not name a folder : %s !", folder);
      MessageBeep(0);
    } else {
      prepareFileMask();
      search(job);
    }
  }

  delete job->regexProgram;
  job->regexProgram = nullptr;
  delete[] job->nodeIds;
  job->nodeIds = nullptr;
  endProgress(job);
  if (job->stopRequested) {
    printMessage("Vantrel : User break !");
    MessageBeep(0);
  }
}

DWORD WINAPI searchThreadMain(LPVOID job) {
  runSearch(static_cast<SearchJob*>(job), 1);
  searchThreadId = 0;
  return 0;
}
