// The Windows command's watch on the add-on's file searches (see host/windows/find_watch.h).
// Tested under Wine by tests/windows/wine_test.sh.
#include "host/windows/find_watch.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "host/windows/import_hook.h"
#include "listing/passed_over.h"
#include "listing/system_listing.h"

namespace vantrel {
namespace {

typedef HANDLE(WINAPI* FindFirst)(LPCSTR, LPWIN32_FIND_DATAA);
typedef BOOL(WINAPI* FindNext)(HANDLE, LPWIN32_FIND_DATAA);
typedef BOOL(WINAPI* FindEnd)(HANDLE);
FindFirst realFirst = nullptr;
FindNext realNext = nullptr;
FindEnd realEnd = nullptr;

// Each open search's directory as the pattern spelled it, and the listing policy's judge of it.
struct Searched {
  std::string dir;
  std::unique_ptr<vlisting::SystemListing> policy;
};
std::mutex mutex;
std::map<HANDLE, Searched> searched;

// The directory part of a pattern, with its separator ("" for none; "C:" for "C:*.c").
std::string directoryOf(const char* pattern) {
  const char* cut = nullptr;
  for (const char* p = pattern; *p; ++p)
    if (*p == '\\' || *p == '/') cut = p;
  if (!cut && pattern[0] && pattern[1] == ':') cut = pattern + 1;
  return cut ? std::string(pattern, static_cast<size_t>(cut - pattern + 1)) : std::string();
}

// The tally's key for a path: letter case aside, as Windows compares names.
std::string keyOf(std::string path) {
  for (char& c : path)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return path;
}

// Whether the entry is "." or "..", which every walk passes by.
bool dots(const char* name) { return !std::strcmp(name, ".") || !std::strcmp(name, ".."); }

// Marks the entry hidden when the listing policy has the walk leave it alone, and shown when the
// policy shows what Windows hides (a dot name under Wine, with --hidden); a linked folder the
// policy follows reads as the folder.
void judge(vlisting::SystemListing& policy, WIN32_FIND_DATAA& data) {
  if (dots(data.cFileName)) return;
  DWORD& a = data.dwFileAttributes;
  vlisting::SystemEntry entry;
  entry.name = data.cFileName;
  entry.folder = (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
  entry.linked = (a & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  entry.hidden = (a & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
  if (policy.leaveAlone(entry))
    a |= FILE_ATTRIBUTE_HIDDEN;
  else
    a &= ~(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
}

void noteEntry(const std::string& dir, const WIN32_FIND_DATAA& data) {
  DWORD a = data.dwFileAttributes;
  if (a & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) return;  // no walk takes these
  const char* name = data.cFileName;
  if (dots(name)) return;
  size_t need = dir.size() + std::strlen(name) + ((a & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0);
  if (need >= MAX_PATH)
    vlisting::notePassedOver(vlisting::PassedOver::kLongPath, keyOf(dir + name));
}

// The listing policy's judge of the directory `dir` (as a pattern spells it).
std::unique_ptr<vlisting::SystemListing> policyOf(const std::string& dir) {
  char full[MAX_PATH * 2];
  DWORD length = GetFullPathNameA(dir.empty() ? "." : dir.c_str(), sizeof full, full, nullptr);
  if (length == 0 || length >= sizeof full) return nullptr;
  return std::make_unique<vlisting::SystemListing>(std::string_view(full, length));
}

HANDLE WINAPI watchFirst(LPCSTR pattern, LPWIN32_FIND_DATAA data) {
  HANDLE search = realFirst(pattern, data);
  if (!pattern) return search;
  DWORD error = GetLastError();
  std::string dir = directoryOf(pattern);
  if (search == INVALID_HANDLE_VALUE) {
    if (!vlisting::countingPassedOver()) return search;
    std::string spelled = dir.empty() ? "." : dir;
    // A file named as a directory, or a name no directory can have, is a missing directory too.
    if (error == ERROR_PATH_NOT_FOUND || error == ERROR_DIRECTORY || error == ERROR_INVALID_NAME ||
        error == ERROR_BAD_NETPATH)
      vlisting::notePassedOver(vlisting::PassedOver::kMissingDirectory, keyOf(spelled), spelled);
    else if (error == ERROR_ACCESS_DENIED)
      vlisting::notePassedOver(vlisting::PassedOver::kUnreadableDirectory, keyOf(spelled));
    else if (error == ERROR_FILENAME_EXCED_RANGE)
      vlisting::notePassedOver(vlisting::PassedOver::kLongPath, keyOf(spelled));
  } else {
    std::unique_ptr<vlisting::SystemListing> policy = policyOf(dir);
    if (policy) judge(*policy, *data);
    if (vlisting::countingPassedOver()) noteEntry(dir, *data);
    std::lock_guard<std::mutex> lock(mutex);
    searched[search] = Searched{dir, std::move(policy)};
  }
  SetLastError(error);
  return search;
}

BOOL WINAPI watchNext(HANDLE search, LPWIN32_FIND_DATAA data) {
  BOOL found = realNext(search, data);
  if (!found) return found;
  DWORD error = GetLastError();
  Searched* watched;
  {
    std::lock_guard<std::mutex> lock(mutex);
    auto at = searched.find(search);
    if (at == searched.end()) return found;
    watched = &at->second;  // a search handle serves one thread, and lives till FindClose
  }
  if (watched->policy) judge(*watched->policy, *data);
  if (vlisting::countingPassedOver()) noteEntry(watched->dir, *data);
  SetLastError(error);
  return found;
}

BOOL WINAPI watchEnd(HANDLE search) {
  {
    std::lock_guard<std::mutex> lock(mutex);
    searched.erase(search);
  }
  return realEnd(search);
}

template <typename Function>
Function redirect(HMODULE module, const char* name, Function replacement) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(
      redirectImport(module, "KERNEL32.dll", name,
                     reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(replacement)))));
}

}  // namespace

bool watchFileSearches(HMODULE module) {
  realFirst = redirect(module, "FindFirstFileA", &watchFirst);
  realNext = redirect(module, "FindNextFileA", &watchNext);
  realEnd = redirect(module, "FindClose", &watchEnd);
  return realFirst && realNext && realEnd;
}

}  // namespace vantrel
