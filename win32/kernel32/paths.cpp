// The drive mapping between Windows paths and POSIX paths (see win32/kernel32/paths.h).
//
// Windows paths are resolved in their own name space first ("." and ".." by text, never above a
// drive's root, as Windows does), then mapped onto the drive's directory. A component that does
// not exist as spelled is looked up in its directory with both names folded by CharUpperBuffA,
// in the ANSI code page, as file masks are; when several
// names fit, the first in byte order is taken, so the answer is the same on every machine. A path
// of MAX_PATH characters or more is refused, never cut into another path.
//
// Which directory each drive stands for is the drive table's (win32/kernel32/drives.h); a path's
// components are put in normal form by win32/kernel32/path_components.h.
//
// The forms without the file system keep, per thread, the mapping of the last path's directory
// part, and map a path with the same part and a plain last name by joining that name to it: the
// same answer the whole reading gives, as long as the current directory has not moved since.
// Tested by tests/win32/kernel32/paths_test.cpp.
#include "win32/kernel32/paths.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>

#include "win32/include/winbase.h"
#include "win32/kernel32/ascii_fold.h"
#include "win32/kernel32/drives.h"
#include "win32/kernel32/errno_map.h"
#include "win32/kernel32/path_components.h"

namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }

std::string folded(std::string_view text) {
  std::string out(text);
  CharUpperBuffA(out.data(), static_cast<DWORD>(out.size()));
  return out;
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

// 0 when `path` exists (a link counts as itself), else why not (an errno value).
int missing(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 ? 0 : errno;
}

// A Windows path read once: its drive and its components from the drive's root, "." and ".."
// applied and a relative path set on the current directory. The mapping and the MAX_PATH rule
// both use it. Sized for a current directory and a path of under MAX_PATH characters each.
struct WindowsPath {
  char letter = 0;  // upper case
  char storage[2 * MAX_PATH + 2];
  vwin::Components parts{storage};
  // For a relative path without a drive that stays inside the current directory, where its own
  // part starts in `parts`; npos otherwise.
  size_t inside = std::string_view::npos;

  // The length of the full form, "L:\a\b" ("L:\" for the root).
  size_t fullLength() const { return parts.view().empty() ? 3 : 2 + parts.view().size(); }
};

// Reads `windowsPath` (of `length` characters) into `out`. Answers 0, or the error: a path of
// MAX_PATH characters or more, an empty or UNC one, or a current directory that cannot be read.
// The drive is not checked against the drive table.
DWORD parseWindowsPath(const char* windowsPath, size_t length, WindowsPath& out) {
  if (length >= MAX_PATH) return ERROR_FILENAME_EXCED_RANGE;
  if (length == 0) return ERROR_PATH_NOT_FOUND;
  if (isSeparator(windowsPath[0]) && isSeparator(windowsPath[1]))
    return ERROR_PATH_NOT_FOUND;  // UNC and device paths name no drive of ours

  char first = static_cast<char>(vwin::foldAscii(static_cast<unsigned char>(windowsPath[0])));
  bool hasDrive = windowsPath[1] == ':' && first >= 'A' && first <= 'Z';
  std::string_view rest(windowsPath, length);
  if (hasDrive) rest.remove_prefix(2);
  bool relative = rest.empty() || !isSeparator(rest[0]);
  out.letter = hasDrive ? first : 0;

  // A relative path goes against the process's directory (or, naming another drive, that drive's
  // root); a rooted one without a drive stands on the current directory's drive.
  if (relative || !hasDrive) {
    char current[MAX_PATH];
    DWORD currentLength = GetCurrentDirectoryA(sizeof current, current);
    if (currentLength == 0) return GetLastError() ? GetLastError() : ERROR_PATH_NOT_FOUND;
    if (currentLength >= sizeof current) return ERROR_FILENAME_EXCED_RANGE;
    if (!hasDrive) out.letter = current[0];
    if (relative && out.letter == current[0]) {
      out.parts.apply(std::string_view(current + 2, currentLength - 2), true);
      out.parts.mark();
      out.parts.apply(rest, true);
      if (!hasDrive && !out.parts.leftMark()) out.inside = out.parts.marked();
      return 0;
    }
  }
  out.parts.apply(rest, true);
  return 0;
}

// The POSIX path of `joined` ("/a/b" or empty) under `root`, each missing component looked up
// without case unless `lookUp` is false.
std::string resolve(const std::string& root, std::string_view joined, bool lookUp) {
  std::string spelled = root == "/" ? std::string() : root;
  spelled.append(joined);
  if (spelled.empty()) spelled = "/";
  if (!lookUp || joined.empty() || missing(spelled) == 0) return spelled;

  std::string path = root == "/" ? std::string() : root;
  bool found = true;  // every component so far exists
  // `joined` is in normal form: each part follows one "/".
  for (size_t i = 1; i < joined.size();) {
    size_t end = std::min(joined.find('/', i), joined.size());
    std::string_view part = joined.substr(i, end - i);
    i = end + 1;
    std::string next = path;
    next.append("/").append(part);
    if (found) {
      int why = missing(next);
      if (why == ENOENT) {
        std::string name = findFolded(path.empty() ? std::string("/") : path, part);
        if (!name.empty()) {
          path.append("/").append(name);
          continue;
        }
      }
      if (why != 0) found = false;
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

// The directory part of the last path this thread mapped without the file system, per form: a
// search maps every file of a directory, and the directory itself, under one spelled prefix
// ("src\\net\\"), so the next path with that prefix and a plain last name is its mapping joined
// with the name, with no parse of the current directory and the whole path again. Valid while
// the current directory (and with it the drive table, whose reload moves it) stays where it was.
struct PrefixMemo {
  bool valid = false;
  uint64_t moves = 0;
  std::string spelled;  // up to and including its last separator
  std::string posix;    // its mapping: "." for the current directory itself, "/" for the root
  size_t full = 0;      // "L:" and its parts in normal form: 2 for a drive's root
};

// By form: the as-spelled one for headings, the openable one for the files they head.
thread_local PrefixMemo prefixMemos[2];

PrefixMemo& prefixMemo(Form form) { return prefixMemos[form == Form::kOpenable ? 1 : 0]; }

// Where the last name of a path starts: after its last separator; 0 when it has none.
size_t lastNameAt(const char* windowsPath, size_t length) {
  for (size_t i = length; i > 0; --i)
    if (isSeparator(windowsPath[i - 1])) return i;
  return 0;
}

bool isPlainName(std::string_view name) { return !name.empty() && name != "." && name != ".."; }

// The mapping from the memo of the path's prefix, when it holds it; false to map in full.
bool mapFromPrefix(const char* windowsPath, size_t length, size_t nameAt, Form form,
                   LPSTR posixPath, DWORD size, size_t* fullLength, BOOL& answer) {
  const PrefixMemo& m = prefixMemo(form);
  if (!m.valid || nameAt != m.spelled.size() ||
      memcmp(windowsPath, m.spelled.data(), nameAt) != 0 ||
      m.moves != vwin::currentDirectoryMoves())
    return false;
  std::string_view name(windowsPath + nameAt, length - nameAt);
  if (name.empty()) {
    if (fullLength) *fullLength = std::max<size_t>(m.full, 3);
    answer = answerPath(m.posix, posixPath, size);
    return true;
  }
  if (!isPlainName(name)) return false;
  size_t full = m.full + 1 + name.size();
  if (full >= MAX_PATH) return false;  // the full mapping fails it with its reason
  size_t lead = m.posix == "." ? 0 : m.posix == "/" ? 1 : m.posix.size() + 1;
  if (fullLength) *fullLength = full;
  if (lead + name.size() + 1 > size) {
    answer = fail(ERROR_INSUFFICIENT_BUFFER);
    return true;
  }
  if (lead > 1) memcpy(posixPath, m.posix.data(), lead - 1);
  if (lead > 0) posixPath[lead - 1] = '/';
  memcpy(posixPath + lead, name.data(), name.size());
  posixPath[lead + name.size()] = '\0';
  answer = TRUE;
  return true;
}

// Keeps the prefix of `windowsPath` that mapped to `posix` (`joined` its parts), when its last
// name is plain or empty.
void keepPrefix(const char* windowsPath, size_t nameAt, std::string_view name, Form form,
                uint64_t moves, std::string_view posix, std::string_view joined) {
  PrefixMemo& m = prefixMemo(form);
  m.valid = false;
  if (nameAt == 0) return;
  if (!name.empty()) {
    if (!isPlainName(name) || posix.size() < name.size()) return;
    posix.remove_suffix(name.size());
    joined.remove_suffix(name.size() + 1);
    if (posix.empty())
      posix = ".";  // "name" inside the current directory
    else if (posix.size() > 1)
      posix.remove_suffix(1);  // its separator; "/" is the root itself
  }
  m.moves = moves;
  m.spelled.assign(windowsPath, nameAt);
  m.posix.assign(posix);
  m.full = 2 + joined.size();
  m.valid = true;
}

// The mapping in each form; `fullLength`, when given, receives the length of the path's full
// Windows form.
BOOL mapPath(LPCSTR windowsPath, LPSTR posixPath, DWORD size, Form form,
             size_t* fullLength = nullptr) {
  if (!windowsPath || !posixPath) return fail(ERROR_INVALID_PARAMETER);
  size_t length = strlen(windowsPath);
  size_t nameAt = length < MAX_PATH ? lastNameAt(windowsPath, length) : 0;
  BOOL answer = FALSE;
  if (form != Form::kLookedUp && nameAt > 0 &&
      mapFromPrefix(windowsPath, length, nameAt, form, posixPath, size, fullLength, answer))
    return answer;
  uint64_t moves = vwin::currentDirectoryMoves();  // before the reading, so a move drops the memo
  WindowsPath path;
  if (DWORD error = parseWindowsPath(windowsPath, length, path)) return fail(error);
  std::string_view joined = path.parts.view();
  if (fullLength) *fullLength = path.fullLength();
  std::string_view name(windowsPath + nameAt, length - nameAt);

  if (form == Form::kOpenable && path.inside != std::string_view::npos) {
    // Inside the current directory: the system walks only the relative part.
    if (path.fullLength() >= MAX_PATH) return fail(ERROR_FILENAME_EXCED_RANGE);
    std::string_view part = joined.substr(path.inside);
    std::string_view posix = part.empty() ? std::string_view(".") : part.substr(1);
    if (!answerPath(posix, posixPath, size)) return FALSE;
    keepPrefix(windowsPath, nameAt, name, form, moves, posix, joined);
    return TRUE;
  }

  std::string root = vwin::driveRoot(path.letter);
  if (root.empty()) return fail(ERROR_PATH_NOT_FOUND);
  if (path.fullLength() >= MAX_PATH) return fail(ERROR_FILENAME_EXCED_RANGE);

  int savedErrno = errno;
  std::string posix = resolve(root, joined, form == Form::kLookedUp);
  errno = savedErrno;
  if (!answerPath(posix, posixPath, size)) return FALSE;
  if (form != Form::kLookedUp) keepPrefix(windowsPath, nameAt, name, form, moves, posix, joined);
  return TRUE;
}

}  // namespace

namespace vwin {

BOOL toOpenablePath(const char* windowsPath, char* posixPath, DWORD size, size_t* fullLength) {
  return mapPath(windowsPath, posixPath, size, Form::kOpenable, fullLength);
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
  std::string normal = vwin::normalPosix(posixPath);

  size_t rootLength = 0;
  char letter = vwin::driveOfPosix(normal, &rootLength);

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
  vwin::reloadDrives();
  VwinSyncCurrentDirectory();
}
