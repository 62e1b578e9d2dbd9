// The drive mapping between Windows paths and POSIX paths (see win32/kernel32/paths.h).
//
// Windows paths are resolved in their own name space first ("." and ".." by text, never above a
// drive's root, as Windows does), then mapped onto the drive's directory. A component that does
// not exist as spelled is looked up in its directory with both names folded by CharUpperBuffA,
// in the ANSI code page, as file masks are; when several
// names fit, the first in byte order is taken, so the answer is the same on every machine. A path
// of MAX_PATH characters or more is refused, never cut into another path.
//
// The drive table: "Z:" is always "/"; VANTREL_DRIVES adds "L=/dir" entries separated by ";".
// It is read on first use and by VwinReloadDrives, under a lock.
// Tested by tests/paths_test.cpp.
#include "win32/kernel32/paths.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "win32/include/winbase.h"
#include "win32/kernel32/errno_map.h"

namespace {

constexpr int kDrives = 26;

struct DriveTable {
  bool loaded = false;
  std::string root[kDrives];  // normalised absolute POSIX directory; empty: no such drive
};

std::mutex drivesMutex;
DriveTable drives;

bool isSeparator(char c) { return c == '\\' || c == '/'; }

char foldAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 0x20) : c; }

std::string folded(std::string_view text) {
  std::string out(text);
  CharUpperBuffA(out.data(), static_cast<DWORD>(out.size()));
  return out;
}

// Applies the components of `text` (split at any of `separators`) to `parts`: empty ones and "."
// are dropped, ".." removes the last part but never goes above the root.
void applyComponents(std::string_view text, bool backslashToo, std::vector<std::string>& parts) {
  size_t i = 0;
  while (i < text.size()) {
    size_t end = i;
    while (end < text.size() && text[end] != '/' && !(backslashToo && text[end] == '\\')) ++end;
    std::string_view part = text.substr(i, end - i);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.emplace_back(part);
    }
    i = end + 1;
  }
}

std::string joinPosix(const std::vector<std::string>& parts) {
  std::string out;
  for (const std::string& part : parts) out.append("/").append(part);
  return out.empty() ? std::string("/") : out;
}

void loadDrivesLocked() {
  for (std::string& root : drives.root) root.clear();
  drives.root['Z' - 'A'] = "/";
  if (const char* table = getenv("VANTREL_DRIVES")) {
    std::string_view rest(table);
    while (!rest.empty()) {
      size_t end = rest.find(';');
      std::string_view entry = rest.substr(0, end);
      rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
      // "L=/dir": a letter, "=", an absolute directory. Z stays "/".
      if (entry.size() < 3 || entry[1] != '=' || entry[2] != '/') continue;
      char letter = foldAscii(entry[0]);
      if (letter < 'A' || letter > 'Z' || letter == 'Z') continue;
      std::vector<std::string> parts;
      applyComponents(entry.substr(2), false, parts);
      drives.root[letter - 'A'] = joinPosix(parts);
    }
  }
  drives.loaded = true;
}

std::string driveRoot(char letter) {
  std::lock_guard<std::mutex> lock(drivesMutex);
  if (!drives.loaded) loadDrivesLocked();
  return drives.root[letter - 'A'];
}

// The name in `directory` that equals `name` when both are folded, the first in byte order when
// several do; empty when none does or the directory cannot be read.
std::string findFolded(const std::string& directory, std::string_view name) {
  std::string best;
  DIR* dir = opendir(directory.c_str());
  if (!dir) return best;
  const std::string wanted = folded(name);
  std::string candidate;
  while (const dirent* entry = readdir(dir)) {
    size_t length = strlen(entry->d_name);
    if (length != wanted.size()) continue;  // folding keeps every length
    candidate.assign(entry->d_name, length);
    CharUpperBuffA(candidate.data(), static_cast<DWORD>(length));
    if (candidate != wanted) continue;
    if (best.empty() || strcmp(entry->d_name, best.c_str()) < 0) best = entry->d_name;
  }
  closedir(dir);
  return best;
}

bool exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

// Components of a path, joined as "/a/b" (empty for none), with "." and empty ones dropped and
// ".." removing the last one but never going above the start. Sized for a current directory and
// a relative path of under MAX_PATH characters each.
class JoinedParts {
 public:
  // Applies the components of `text`, separated by "\\" or "/".
  void apply(const char* text, size_t length) {
    size_t i = 0;
    while (i < length) {
      size_t end = i;
      while (end < length && !isSeparator(text[end])) ++end;
      size_t partLength = end - i;
      const char* part = text + i;
      if (partLength == 2 && part[0] == '.' && part[1] == '.') {
        if (length_ == 0) escaped_ = true;
        while (length_ > 0 && text_[length_ - 1] != '/') --length_;
        if (length_ > 0) --length_;  // the separator before the removed part
      } else if (partLength > 0 && !(partLength == 1 && part[0] == '.')) {
        text_[length_++] = '/';
        memcpy(text_ + length_, part, partLength);
        length_ += partLength;
      }
      i = end + 1;
    }
  }
  std::string_view view() const { return std::string_view(text_, length_); }
  // Whether a ".." met no part to remove.
  bool escaped() const { return escaped_; }

 private:
  char text_[2 * MAX_PATH + 2];
  size_t length_ = 0;
  bool escaped_ = false;
};

// The POSIX path of `joined` ("/a/b" or empty) under `root`, each missing component looked up
// without case unless `lookUp` is false.
std::string resolve(const std::string& root, std::string_view joined, bool lookUp) {
  std::string spelled = root == "/" ? std::string() : root;
  spelled.append(joined);
  if (spelled.empty()) spelled = "/";
  if (!lookUp || joined.empty() || exists(spelled)) return spelled;

  std::vector<std::string> parts;
  applyComponents(joined, false, parts);
  std::string path = root == "/" ? std::string() : root;
  bool found = true;  // every component so far exists
  for (const std::string& part : parts) {
    std::string next = path + "/" + part;
    if (found && !exists(next)) {
      if (errno == ENOENT) {
        std::string name = findFolded(path.empty() ? std::string("/") : path, part);
        if (!name.empty()) {
          path.append("/").append(name);
          continue;
        }
      }
      found = false;
    }
    path = std::move(next);
  }
  return path;
}

BOOL fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

enum class Form {
  kLookedUp,   // VwinToPosixPath
  kAsSpelled,  // VwinToPosixPathAsSpelled
  kOpenable,   // VwinToOpenablePath
};

BOOL answerPath(std::string_view posix, LPSTR posixPath, DWORD size) {
  if (posix.size() + 1 > size) return fail(ERROR_INSUFFICIENT_BUFFER);
  memcpy(posixPath, posix.data(), posix.size());
  posixPath[posix.size()] = '\0';
  return TRUE;
}

// The drive letter of the current directory, 0 when it cannot be read.
char currentDriveLetter() {
  char current[MAX_PATH];
  DWORD length = GetCurrentDirectoryA(sizeof current, current);
  return length > 0 && length < sizeof current ? foldAscii(current[0]) : 0;
}

BOOL mapPath(LPCSTR windowsPath, LPSTR posixPath, DWORD size, Form form) {
  if (!windowsPath || !posixPath) return fail(ERROR_INVALID_PARAMETER);
  size_t length = strlen(windowsPath);
  if (length >= MAX_PATH) return fail(ERROR_FILENAME_EXCED_RANGE);
  if (length == 0) return fail(ERROR_PATH_NOT_FOUND);
  if (isSeparator(windowsPath[0]) && isSeparator(windowsPath[1]))
    return fail(ERROR_PATH_NOT_FOUND);  // UNC and device paths name no drive of ours

  bool hasDrive =
      windowsPath[1] == ':' && foldAscii(windowsPath[0]) >= 'A' && foldAscii(windowsPath[0]) <= 'Z';
  const char* rest = hasDrive ? windowsPath + 2 : windowsPath;
  char letter = hasDrive ? foldAscii(windowsPath[0]) : 0;
  size_t restLength = length - static_cast<size_t>(rest - windowsPath);
  bool relative = !isSeparator(rest[0]);

  // A relative path goes against the process's directory (or, naming another drive, that drive's
  // root); a rooted one without a drive stands on the current directory's drive.
  char current[MAX_PATH];
  DWORD currentLength = 0;
  if (relative || !hasDrive) {
    currentLength = GetCurrentDirectoryA(sizeof current, current);
    if (currentLength == 0) return FALSE;
    if (currentLength >= sizeof current) return fail(ERROR_FILENAME_EXCED_RANGE);
    if (!hasDrive) letter = current[0];
  }

  if (form == Form::kOpenable && !hasDrive && relative) {
    // Inside the current directory: the system walks only the relative part, and the full
    // Windows form is the current directory's ("L:\" or "L:\a\b") with that part added.
    JoinedParts inside;
    inside.apply(rest, restLength);
    if (!inside.escaped()) {
      std::string_view part = inside.view();
      size_t fullLength =
          part.empty() ? currentLength : (currentLength == 3 ? 2 : currentLength) + part.size();
      if (fullLength >= MAX_PATH) return fail(ERROR_FILENAME_EXCED_RANGE);
      return answerPath(part.empty() ? std::string_view(".") : part.substr(1), posixPath, size);
    }
  }

  JoinedParts parts;
  if (relative && letter == current[0]) parts.apply(current + 2, currentLength - 2);
  parts.apply(rest, restLength);

  std::string root = driveRoot(letter);
  if (root.empty()) return fail(ERROR_PATH_NOT_FOUND);

  // The full Windows form, "L:\a\b", must stay under MAX_PATH characters.
  std::string_view joined = parts.view();
  size_t fullLength = joined.empty() ? 3 : 2 + joined.size();
  if (fullLength >= MAX_PATH) return fail(ERROR_FILENAME_EXCED_RANGE);

  int savedErrno = errno;
  std::string posix = resolve(root, joined, form == Form::kLookedUp);
  errno = savedErrno;
  return answerPath(posix, posixPath, size);
}

}  // namespace

namespace vwin {

size_t fullPathLength(const char* windowsPath) {
  size_t length = strlen(windowsPath);
  if (length == 0 || length >= MAX_PATH) return length;
  bool hasDrive =
      windowsPath[1] == ':' && foldAscii(windowsPath[0]) >= 'A' && foldAscii(windowsPath[0]) <= 'Z';
  const char* rest = hasDrive ? windowsPath + 2 : windowsPath;
  bool relative = !isSeparator(rest[0]);
  JoinedParts parts;
  if (relative && (!hasDrive || foldAscii(windowsPath[0]) == currentDriveLetter())) {
    char current[MAX_PATH];
    DWORD currentLength = GetCurrentDirectoryA(sizeof current, current);
    if (currentLength == 0 || currentLength >= sizeof current) return MAX_PATH;
    parts.apply(current + 2, currentLength - 2);
  }
  parts.apply(rest, length - static_cast<size_t>(rest - windowsPath));
  return parts.view().empty() ? 3 : 2 + parts.view().size();
}

}  // namespace vwin

WINAPI_EXPORT BOOL VwinToPosixPath(LPCSTR windowsPath, LPSTR posixPath, DWORD size) {
  return mapPath(windowsPath, posixPath, size, Form::kLookedUp);
}

WINAPI_EXPORT BOOL VwinToPosixPathAsSpelled(LPCSTR windowsPath, LPSTR posixPath, DWORD size) {
  return mapPath(windowsPath, posixPath, size, Form::kAsSpelled);
}

WINAPI_EXPORT BOOL VwinToOpenablePath(LPCSTR windowsPath, LPSTR posixPath, DWORD size) {
  return mapPath(windowsPath, posixPath, size, Form::kOpenable);
}

WINAPI_EXPORT DWORD VwinToWindowsPath(LPCSTR posixPath, LPSTR windowsPath, DWORD size) {
  if (!posixPath || !windowsPath) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (posixPath[0] != '/' || strchr(posixPath, '\\')) {
    SetLastError(ERROR_INVALID_NAME);
    return 0;
  }
  std::vector<std::string> parts;
  applyComponents(posixPath, false, parts);
  std::string normal = joinPosix(parts);

  char letter = 'Z';
  size_t rootLength = 1;
  {
    std::lock_guard<std::mutex> lock(drivesMutex);
    if (!drives.loaded) loadDrivesLocked();
    size_t best = 0;
    for (int i = 0; i < kDrives; ++i) {
      const std::string& root = drives.root[i];
      if (root.empty() || root.size() <= best) continue;
      bool fits = root == "/" || normal == root ||
                  (normal.compare(0, root.size(), root) == 0 && normal[root.size()] == '/');
      if (!fits) continue;
      best = root.size();
      letter = static_cast<char>('A' + i);
      rootLength = root == "/" ? 0 : root.size();
    }
  }

  std::string out;
  out.push_back(letter);
  out.append(":\\");
  if (normal.size() > rootLength + 1) {
    for (size_t i = rootLength + 1; i < normal.size(); ++i)
      out.push_back(normal[i] == '/' ? '\\' : normal[i]);
  }
  if (out.size() > MAX_PATH - 1 || out.size() + 1 > size) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return 0;
  }
  memcpy(windowsPath, out.c_str(), out.size() + 1);
  return static_cast<DWORD>(out.size());
}

WINAPI_EXPORT void VwinReloadDrives(void) {
  {
    std::lock_guard<std::mutex> lock(drivesMutex);
    loadDrivesLocked();
  }
  VwinSyncCurrentDirectory();
}
