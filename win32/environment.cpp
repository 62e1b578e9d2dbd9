// The process's environment and current directory in Windows form: GetEnvironmentVariableA with
// case-insensitive names ("Path" answers PATH with every entry mapped to its drive form and ";"
// between entries) and GetCurrentDirectoryA (the drive whose directory is the longest prefix).
//
// Both keep Windows' size rule: the length written without the terminator, or, when the buffer
// cannot hold the value and its terminator, the size needed including it (nothing written).
// Tested by tests/paths_test.cpp.
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "win32/errno_map.h"
#include "win32/paths.h"
#include "win32/winbase.h"

extern char** environ;

namespace {

char foldAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 0x20) : c; }

// The value of the variable whose name equals `name` without regard to case; an exact match wins,
// else the first in the environment's order. NULL when none.
const char* findVariable(const char* name) {
  if (const char* exact = getenv(name)) return exact;
  size_t length = strlen(name);
  for (char** entry = environ; entry && *entry; ++entry) {
    const char* text = *entry;
    size_t i = 0;
    while (i < length && text[i] && foldAscii(text[i]) == foldAscii(name[i])) ++i;
    if (i == length && text[i] == '=') return text + i + 1;
  }
  return nullptr;
}

bool isPathName(const char* name) {
  const char* path = "PATH";
  for (int i = 0; i < 4; ++i)
    if (foldAscii(name[i]) != path[i]) return false;
  return name[4] == '\0';
}

// PATH with every entry in drive form; an entry that has none (too long, holding a backslash, or
// relative while the current directory cannot be read) is left out rather than shown wrongly. An
// empty or relative entry means a directory relative to the current one, as the shell reads it.
std::string windowsSearchPath(const char* value) {
  std::string out;
  std::string cwd;
  const char* p = value;
  for (;;) {
    const char* end = strchr(p, ':');
    std::string entry(p, end ? static_cast<size_t>(end - p) : strlen(p));
    if (entry.empty() || entry[0] != '/') {
      if (cwd.empty()) {
        char buffer[4096];
        if (getcwd(buffer, sizeof buffer)) cwd = buffer;
      }
      entry = cwd.empty() ? std::string() : cwd + "/" + entry;
    }
    char mapped[MAX_PATH];
    if (!entry.empty() && VwinToWindowsPath(entry.c_str(), mapped, sizeof mapped) > 0) {
      if (!out.empty()) out.push_back(';');
      out.append(mapped);
    }
    if (!end) break;
    p = end + 1;
  }
  return out;
}

DWORD answer(const char* value, size_t length, LPSTR buffer, DWORD size) {
  if (!buffer || length + 1 > size) return static_cast<DWORD>(length + 1);
  memcpy(buffer, value, length);
  buffer[length] = '\0';
  return static_cast<DWORD>(length);
}

}  // namespace

WINAPI_EXPORT DWORD WINAPI GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size) {
  if (!name || !*name || strchr(name, '=')) {
    SetLastError(ERROR_ENVVAR_NOT_FOUND);
    return 0;
  }
  const char* value = findVariable(name);
  if (!value) {
    SetLastError(ERROR_ENVVAR_NOT_FOUND);
    return 0;
  }
  SetLastError(ERROR_SUCCESS);
  if (isPathName(name)) {
    std::string path = windowsSearchPath(value);
    return answer(path.c_str(), path.size(), buffer, size);
  }
  return answer(value, strlen(value), buffer, size);
}

WINAPI_EXPORT DWORD WINAPI GetCurrentDirectoryA(DWORD size, LPSTR buffer) {
  char posix[4096];
  if (!getcwd(posix, sizeof posix)) {
    vwinSetLastErrorFromErrno();
    return 0;
  }
  char windows[MAX_PATH];
  DWORD length = VwinToWindowsPath(posix, windows, sizeof windows);
  if (length == 0) return 0;
  return answer(windows, length, buffer, size);
}
