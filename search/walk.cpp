// The file-set walks (see search/walk.h): the directory list, one directory with its
// subdirectories, the selected project nodes and their descendants, and the extension test of
// node names.
//
// Invariant: every path is built in a kPathSize work area by appendBounded, which refuses (and
// the caller then skips) what would not fit, so a long name is never cut into another path.
// Tested by tests/walk_test.cpp.
#include "search/walk.h"

#include <cstdlib>
#include <cstring>

#include "search/node_path.h"
#include "search/output.h"
#include "search/progress.h"
#include "search/scan.h"

namespace {

constexpr char kCurrentDirectory[] = "[Current Directory]";
constexpr char kCurrentPath[] = "[Current Path]";

bool stopped(SearchJob* job) { return job->stopRequested != 0; }

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
// project's path.
LONG visitFile(SearchJob* job, LPSTR path, int countOnly, bool nodeFile) {
  if (countOnly) return 1;
  ++job->filesSearched;
  updateProgress(job, 0);
  if (nodeFile) resolveNodePath(job->searchProjectPath, path);
  return scanFile(job, path);
}

// Whether a directory must be quoted to stay one entry of the list.
bool needsQuotes(const char* dir, size_t length) {
  for (size_t i = 0; i < length; ++i)
    if (dir[i] == ';' || dir[i] == ',') return true;
  return false;
}

// Appends one directory to the list being built in `list` (kTextSize bytes, `*used` of them
// filled), quoted when it holds a separator; false (list unchanged) when it would not fit.
bool appendEntry(char* list, size_t* used, const char* dir, size_t length) {
  bool quote = needsQuotes(dir, length);
  size_t need = (*used ? 1 : 0) + length + (quote ? 2 : 0);
  if (*used + need > static_cast<size_t>(kTextSize - 1)) return false;
  char* out = list + *used;
  if (*used) *out++ = ';';
  if (quote) *out++ = '"';
  std::memcpy(out, dir, length);
  out += length;
  if (quote) *out++ = '"';
  *out = '\0';
  *used += need;
  return true;
}

// Puts the current directory into `directories` as one entry.
void replaceWithCurrentDirectory() {
  char current[kTextSize];
  DWORD length = GetCurrentDirectoryA(sizeof current, current);
  if (length == 0 || length >= sizeof current) return;  // the special text stays, finds nothing
  char list[kTextSize];
  size_t used = 0;
  if (appendEntry(list, &used, current, length)) std::memcpy(directories, list, used + 1);
}

// Puts the search path into `directories`, entry by entry: "Path" is read as Windows lists read
// it (";" between entries, double quotes around an entry holding one), and each directory becomes
// one entry of the list. A search path too long for the field keeps its whole leading entries,
// so that an entry is never cut into another directory's name.
void replaceWithSearchPath() {
  char small[kTextSize];
  char* value = small;
  DWORD length = GetEnvironmentVariableA("Path", small, sizeof small);
  if (length == 0) return;  // not set: the special text stays and finds nothing
  if (length >= sizeof small) {
    value = static_cast<char*>(std::malloc(length));
    if (!value) return;
    DWORD got = GetEnvironmentVariableA("Path", value, length);
    if (got == 0 || got >= length) {
      std::free(value);
      return;
    }
  }
  char list[kTextSize];
  size_t used = 0;
  char dir[kTextSize];
  for (const char* p = value; *p;) {
    size_t n = 0;
    bool quoted = false;
    bool fits = true;
    for (; *p && (quoted || *p != ';'); ++p) {
      if (*p == '"')
        quoted = !quoted;
      else if (n < sizeof dir - 1)
        dir[n++] = *p;
      else
        fits = false;
    }
    if (*p) ++p;
    if (n > 0 && (!fits || !appendEntry(list, &used, dir, n))) break;
  }
  if (used > 0) std::memcpy(directories, list, used + 1);
  if (value != small) std::free(value);
}

// Copies the entry of the directory list at *cursor into `dir` (kPathSize bytes) and moves the
// cursor past it and its separator. Double quotes hold a ";" or "," inside the entry and are
// dropped; trailing slashes and backslashes give way to one backslash. Answers false for an
// entry to pass by: an empty one, or one too long for a path work area (never cut).
bool nextDirectoryEntry(const char** cursor, char* dir) {
  const char* p = *cursor;
  size_t n = 0;
  bool quoted = false;
  bool fits = true;
  for (; *p && (quoted || (*p != ';' && *p != ',')); ++p) {
    if (*p == '"')
      quoted = !quoted;
    else if (n < static_cast<size_t>(kPathSize - 1))
      dir[n++] = *p;
    else
      fits = false;
  }
  if (*p) ++p;
  *cursor = p;
  if (n == 0 || !fits) return false;
  while (n > 1 && (dir[n - 1] == '\\' || dir[n - 1] == '/')) --n;
  if (dir[n - 1] == '/') dir[n - 1] = '\\';
  if (dir[n - 1] != '\\') {
    if (n + 1 > static_cast<size_t>(kPathSize - 1)) return false;
    dir[n++] = '\\';
  }
  dir[n] = '\0';
  return true;
}

// Walks one file search on `pattern`: each entry that is a file, neither hidden nor system, is
// visited as dir followed by its name; names that would not fit are skipped.
LONG walkFiles(SearchJob* job, LPCSTR dir, LPCSTR pattern, int countOnly) {
  LONG total = 0;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(pattern, &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  do {
    if (found.dwFileAttributes &
        (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY))
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
    DWORD a = found.dwFileAttributes;
    if (!(a & FILE_ATTRIBUTE_DIRECTORY) || (a & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
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
  if (!std::strcmp(directories, kCurrentDirectory))
    replaceWithCurrentDirectory();
  else if (!std::strcmp(directories, kCurrentPath))
    replaceWithSearchPath();

  LONG total = 0;
  const char* cursor = directories;
  while (*cursor && !stopped(job)) {
    char dir[kPathSize];
    if (nextDirectoryEntry(&cursor, dir)) total += walkDirectory(job, dir, countOnly);
  }
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
