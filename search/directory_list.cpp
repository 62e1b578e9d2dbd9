// The directories field as a list, and its special entries (see search/directory_list.h).
// Tested by tests/walk_test.cpp.
#include "search/directory_list.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr char kCurrentDirectory[] = "[Current Directory]";
constexpr char kCurrentPath[] = "[Current Path]";

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

}  // namespace

void replaceSpecialDirectories() {
  if (!std::strcmp(directories, kCurrentDirectory))
    replaceWithCurrentDirectory();
  else if (!std::strcmp(directories, kCurrentPath))
    replaceWithSearchPath();
}

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
