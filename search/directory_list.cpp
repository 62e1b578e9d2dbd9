// The directories field as a list, and its special entries (see search/directory_list.h).
// Tested by tests/search/walk_test.cpp.
#include "search/directory_list.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr char kCurrentDirectory[] = "[Current Directory]";
constexpr char kCurrentPath[] = "[Current Path]";

// Reads one entry at *p up to the next of `separators` outside quotes, keeping at most `room`
// bytes of it in `out`; moves *p past the entry and its separator. Answers the entry's length,
// which passes `room` when the rest was not kept.
size_t readEntry(const char** p, const char* separators, char* out, size_t room) {
  const char* in = *p;
  size_t n = 0;
  auto keep = [&](char c) {
    if (n < room) out[n] = c;
    ++n;
  };
  if (*in == '"') {
    for (++in; *in; ++in) {
      if (*in != '"') {
        keep(*in);
      } else if (in[1] == '"') {
        keep('"');
        ++in;
      } else {
        ++in;  // the closing quote; what follows up to a separator is part of the name
        break;
      }
    }
  }
  for (; *in && !std::strchr(separators, *in); ++in) keep(*in);
  if (*in) ++in;
  *p = in;
  return n;
}

// Whether a directory must be quoted to read back as one entry naming it.
bool needsQuotes(const char* dir, size_t length) {
  for (size_t i = 0; i < length; ++i)
    if (dir[i] == ';' || dir[i] == ',' || dir[i] == '"') return true;
  return false;
}

// Appends one directory to the list being built in `list` (kTextSize bytes, `*used` of them
// filled), quoted when it must be; false (list unchanged) when it would not fit.
bool appendEntry(char* list, size_t* used, const char* dir, size_t length) {
  bool quote = needsQuotes(dir, length);
  size_t need = (*used ? 1 : 0) + length + (quote ? 2 : 0);
  if (quote)
    for (size_t i = 0; i < length; ++i) need += dir[i] == '"';
  if (*used + need > static_cast<size_t>(kTextSize - 1)) return false;
  char* out = list + *used;
  if (*used) *out++ = ';';
  if (quote) *out++ = '"';
  for (size_t i = 0; i < length; ++i) {
    if (quote && dir[i] == '"') *out++ = '"';
    *out++ = dir[i];
  }
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

// Reads the variable "Path" into a malloc'd buffer; NULL when it is not set or cannot be read.
char* readSearchPath() {
  char small[kTextSize];
  DWORD length = GetEnvironmentVariableA("Path", small, sizeof small);
  if (length == 0) return nullptr;
  DWORD size = length < sizeof small ? length + 1 : length;
  char* value = static_cast<char*>(std::malloc(size));
  if (!value) return nullptr;
  if (length < sizeof small) {
    std::memcpy(value, small, size);
    return value;
  }
  DWORD got = GetEnvironmentVariableA("Path", value, size);
  if (got == 0 || got >= size) {
    std::free(value);
    return nullptr;
  }
  return value;
}

// Puts the search path into `directories`, each of its directories one entry of the list, when
// the whole of it fits; else answers it for the walk to go through (see replaceSpecialDirectories).
char* replaceWithSearchPath() {
  char* value = readSearchPath();
  if (!value) return nullptr;  // not set: the special text stays and finds nothing
  char list[kTextSize];
  size_t used = 0;
  char dir[kTextSize];
  for (const char* p = value; *p;) {
    size_t n = readEntry(&p, ";", dir, sizeof dir);
    if (n > 0 && (n > sizeof dir || !appendEntry(list, &used, dir, n))) return value;
  }
  std::free(value);
  if (used > 0) std::memcpy(directories, list, used + 1);
  return nullptr;
}

}  // namespace

char* replaceSpecialDirectories() {
  if (!std::strcmp(directories, kCurrentDirectory))
    replaceWithCurrentDirectory();
  else if (!std::strcmp(directories, kCurrentPath))
    return replaceWithSearchPath();
  return nullptr;
}

bool nextDirectoryEntry(const char** cursor, char* dir, const char* separators) {
  size_t room = static_cast<size_t>(kPathSize - 1);
  size_t n = readEntry(cursor, separators, dir, room);
  if (n == 0 || n > room) return false;
  while (n > 1 && (dir[n - 1] == '\\' || dir[n - 1] == '/')) --n;
  if (dir[n - 1] == '/') dir[n - 1] = '\\';
  if (dir[n - 1] != '\\') {
    if (n + 1 > room) return false;
    dir[n++] = '\\';
  }
  dir[n] = '\0';
  return true;
}
