// The file-set walks (see search/walk.h): the directory list, one directory with its
// subdirectories, the selected project nodes and their descendants, and the extension test of
// node names.
//
// Invariant: every path is built in a kPathSize work area by appendBounded, which refuses (and
// the caller then skips) what would not fit, so a long name is never cut into another path.
// Tested by tests/search/walk_test.cpp.
#include "search/walk.h"

#include <cstdlib>
#include <cstring>

#include "search/directory_list.h"
#include "search/node_path.h"
#include "search/output.h"
#include "search/progress.h"
#include "search/scan.h"
#include "search/scan_window.h"

namespace {

bool stopped(SearchJob* job) { return job->stopRequested != 0; }

// Whether a walk leaves an entry alone: the platform calls it hidden or system.
bool leftAlone(DWORD attributes) {
  return (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
}

// Appends `text` to the NUL-terminated `area` of kPathSize bytes; false (area unchanged) when the
// result would pass kPathSize - 1 characters.
bool appendBounded(char* area, LPCSTR text) {
  size_t have = std::strlen(area);
  size_t add = std::strlen(text);
  if (have + add > static_cast<size_t>(kPathSize - 1)) return false;
  std::memcpy(area + have, text, add + 1);
  return true;
}

// Visits one file whose path is complete: counts it, or counts it in the job, lets the progress
// line redraw and poll Esc, and scans it. A node file's name is first made absolute against the
// project's path. On several threads the file goes to the window, which does the same in its
// turn.
LONG visitFile(SearchJob* job, LPSTR path, int countOnly, bool nodeFile) {
  if (countOnly) return 1;
  if (job->window) {
    if (nodeFile) resolveNodePath(job->searchProjectPath, path);
    job->window->submit(path);
    return 0;
  }
  ++job->filesSearched;
  updateProgress(job, 0);
  if (nodeFile) resolveNodePath(job->searchProjectPath, path);
  return scanFile(job, path);
}

// Walks one file search on `pattern`: each entry that is a file, neither hidden nor system, is
// visited as dir followed by its name; names that would not fit are skipped.
LONG walkFiles(SearchJob* job, LPCSTR dir, LPCSTR pattern, int countOnly) {
  LONG total = 0;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(pattern, &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  do {
    if (leftAlone(found.dwFileAttributes) || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      continue;
    char path[kPathSize] = {};
    if (!appendBounded(path, dir) || !appendBounded(path, found.cFileName)) continue;
    total += visitFile(job, path, countOnly, false);
  } while (!stopped(job) && FindNextFileA(search, &found));
  FindClose(search);
  return total;
}

// Walks the subdirectories of `dir`, neither hidden nor system, depth-first in listing order.
LONG walkSubdirectories(SearchJob* job, LPCSTR dir, int countOnly) {
  char pattern[kPathSize] = {};
  if (!appendBounded(pattern, dir) || !appendBounded(pattern, "*.*")) return 0;
  LONG total = 0;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(pattern, &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || leftAlone(found.dwFileAttributes))
      continue;
    if (!std::strcmp(found.cFileName, ".") || !std::strcmp(found.cFileName, "..")) continue;
    char sub[kPathSize] = {};
    if (!appendBounded(sub, dir) || !appendBounded(sub, found.cFileName) ||
        !appendBounded(sub, "\\"))
      continue;
    total += walkDirectory(job, sub, countOnly);
  } while (!stopped(job) && FindNextFileA(search, &found));
  FindClose(search);
  return total;
}

// Visits a node's file when its name is admitted by the mask list. Names longer than a path work
// area are skipped.
LONG visitNode(SearchJob* job, ProjectNode* node, int countOnly) {
  HostString* name = node->getName();
  if (!name) return 0;
  LONG total = 0;
  LPCSTR text = name->getText();
  if (text && std::strlen(text) < static_cast<size_t>(kPathSize)) {
    char path[kPathSize];
    std::strcpy(path, text);
    if (matchesMaskList(job, path)) total = visitFile(job, path, countOnly, true);
  }
  name->Release();
  return total;
}

}  // namespace

LONG walkDirectoryList(SearchJob* job, int countOnly) {
  // A search path too long for the field is walked from the variable itself, whole.
  char* searchPath = replaceSpecialDirectories();

  LONG total = 0;
  const char* cursor = searchPath ? searchPath : directories;
  const char* separators = searchPath ? ";" : ";,";
  while (*cursor && !stopped(job)) {
    char dir[kPathSize];
    if (nextDirectoryEntry(&cursor, dir, separators)) total += walkDirectory(job, dir, countOnly);
  }
  std::free(searchPath);
  return total;
}

LONG walkDirectory(SearchJob* job, LPCSTR dir, int countOnly) {
  if (!countOnly) ++job->directoriesSearched;
  LONG total = 0;
  for (LPCSTR entry = firstMaskEntry(); entry && !stopped(job); entry = nextMaskEntry(entry)) {
    char pattern[kPathSize] = {};
    if (!appendBounded(pattern, dir) || (entry[0] == '.' && !appendBounded(pattern, "*")) ||
        !appendBounded(pattern, entry))
      continue;
    total += walkFiles(job, dir, pattern, countOnly);
  }
  if ((searchOptions & Recurse) && !stopped(job)) total += walkSubdirectories(job, dir, countOnly);
  return total;
}

int matchesMaskList(SearchJob* job, LPCSTR name) {
  if (!name || !*name) return 0;
  // "*" and "*.*" admit every node, as they admit every file of a directory.
  for (LPCSTR entry = firstMaskEntry(); entry; entry = nextMaskEntry(entry))
    if (!std::strcmp(entry, "*") || !std::strcmp(entry, "*.*")) return 1;
  const char* component = name;
  for (const char* p = name; *p; ++p)
    if (*p == '\\' || *p == '/' || *p == ':') component = p + 1;
  const char* dot = std::strrchr(component, '.');
  if (!dot) return 0;
  size_t length = std::strlen(dot);
  if (length >= static_cast<size_t>(kPathSize)) return 0;
  char extension[kPathSize];
  std::memcpy(extension, dot, length + 1);
  CharUpperA(extension);
  for (LPCSTR entry = firstMaskEntry(); entry && !stopped(job); entry = nextMaskEntry(entry)) {
    const char* at = std::strstr(entry, extension);
    if (at && at[length] == '\0') return 1;
  }
  return 0;
}

LONG walkSelectedNodes(SearchJob* job, int countOnly) {
  if (!job->nodeIds) {
    if (!countOnly) {
      printMessage("Not enough memory to Vantrel files !");
      MessageBeep(0);
    }
    return 0;
  }
  job->nodeService = static_cast<ProjectService*>(getService(IID_ProjectService));
  if (!job->nodeService) return 0;
  LONG total = 0;
  for (LONG i = 0; i < job->nodeCount && !stopped(job); ++i) {
    ProjectNode* node = job->nodeService->getNode(job->nodeIds[i]);
    if (!node) continue;
    total += visitNode(job, node, countOnly);
    node->Release();
  }
  if (searchOptions & Recurse) {
    for (LONG i = 0; i < job->nodeCount && !stopped(job); ++i) {
      ProjectNode* node = job->nodeService->getNode(job->nodeIds[i]);
      if (!node) continue;
      if (node->firstChild() != 0) total += walkNodeChildren(job, job->nodeIds[i], countOnly);
      node->Release();
    }
  }
  job->nodeService->Release();
  job->nodeService = nullptr;
  return total;
}

LONG walkNodeChildren(SearchJob* job, ProjectNodeId id, int countOnly) {
  if (!job->nodeService) return 0;  // only walkSelectedNodes holds the service
  ProjectNode* parent = job->nodeService->getNode(id);
  if (!parent) return 0;
  ProjectNodeId child = parent->firstChild();
  parent->Release();
  LONG total = 0;
  while (child != 0 && !stopped(job)) {
    ProjectNode* node = job->nodeService->getNode(child);
    if (!node) break;
    total += visitNode(job, node, countOnly);
    if (node->firstChild() != 0) total += walkNodeChildren(job, child, countOnly);
    child = node->nextSibling();
    node->Release();
  }
  return total;
}
