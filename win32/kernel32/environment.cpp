// The process's environment and current directory in Windows form: GetEnvironmentVariableA with
// case-insensitive names ("Path" answers PATH with every entry mapped to its drive form, ";"
// between entries, an entry holding one in double quotes, a double quote in it doubled) and
// GetCurrentDirectoryA (the drive whose directory is the longest prefix).
//
// The current directory is the process's own record, as on Windows: read from the system on
// first use and kept, so that mapping a relative path (a search maps one per file and directory)
// costs no system call. SetCurrentDirectoryA changes it; a host that changes directory behind the
// layer's back with chdir says so with VwinSyncCurrentDirectory, and so does VwinReloadDrives,
// since the drive form depends on the table.
//
// Both keep Windows' size rule: the length written without the terminator, or, when the buffer
// cannot hold the value and its terminator, the size needed including it (nothing written).
// Tested by tests/win32/kernel32/paths_test.cpp.
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "win32/include/winbase.h"
#include "win32/kernel32/errno_map.h"
#include "win32/kernel32/paths.h"

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
      // As Windows lists it: an entry holding the separator is quoted, and a double quote in
      // it doubled, so that the entry reads back whole.
      bool quote = strchr(mapped, ';') != nullptr;
      if (quote) out.push_back('"');
      for (const char* c = mapped; *c; ++c) {
        if (quote && *c == '"') out.push_back('"');
        out.push_back(*c);
      }
      if (quote) out.push_back('"');
    }
    if (!end) break;
    p = end + 1;
  }
  return out;
}

struct CurrentDirectory {
  std::mutex mutex;
  bool known = false;
  char windows[MAX_PATH];
  DWORD length = 0;
};

// Counts the changes of the current directory the layer was told of.
std::atomic<uint64_t> directoryMoves{0};

CurrentDirectory& currentDirectory() {
  static CurrentDirectory* current = new CurrentDirectory;  // used until the process ends
  return *current;
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
  CurrentDirectory& current = currentDirectory();
  std::lock_guard<std::mutex> lock(current.mutex);
  if (!current.known) {
    char posix[4096];
    if (!getcwd(posix, sizeof posix)) {
      vwinSetLastErrorFromErrno();
      return 0;
    }
    current.length = VwinToWindowsPath(posix, current.windows, sizeof current.windows);
    if (current.length == 0) return 0;  // not kept: asked again next time
    current.known = true;
  }
  return answer(current.windows, current.length, buffer, size);
}

WINAPI_EXPORT BOOL WINAPI SetCurrentDirectoryA(LPCSTR path) {
  if (!path) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  char posix[4096];
  if (!VwinToPosixPath(path, posix, sizeof posix)) return FALSE;  // the mapping set the reason
  if (chdir(posix) != 0) {
    int cause = errno;
    struct stat st;
    DWORD error = vwinErrorFromErrno(cause);
    if (cause == ENOTDIR && stat(posix, &st) == 0 && !S_ISDIR(st.st_mode))
      error = ERROR_DIRECTORY;  // the name is a file, not a missing path
    else if (error == ERROR_FILE_NOT_FOUND)
      error = ERROR_PATH_NOT_FOUND;
    SetLastError(error);
    return FALSE;
  }
  VwinSyncCurrentDirectory();
  return TRUE;
}

WINAPI_EXPORT void VwinSyncCurrentDirectory(void) {
  {
    CurrentDirectory& current = currentDirectory();
    std::lock_guard<std::mutex> lock(current.mutex);
    current.known = false;
    directoryMoves.fetch_add(1, std::memory_order_release);
  }
}

namespace vwin {

uint64_t currentDirectoryMoves() { return directoryMoves.load(std::memory_order_acquire); }

}  // namespace vwin
