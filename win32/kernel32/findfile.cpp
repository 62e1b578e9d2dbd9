// File search with wildcards: FindFirstFileA, FindNextFileA, FindClose.
//
// FindFirstFileA reads the pattern's directory once (one readdir pass), keeps the names that fit
// the last component and sorts them as NTFS lists a directory: names compared byte by byte after
// folding ASCII letters to upper case, ties broken by the raw bytes, with "." and ".." first.
// So every run lists the same tree the same way.
//
// Masks have Windows' effect, case-insensitive, in the ANSI code page
// (win32/kernel32/file_mask.h).
//
// Attributes are those of win32/kernel32/attributes.h (hidden dot names; FIFOs, sockets, devices,
// dangling links and links to directories system), but the type comes from d_type: a stat is made
// only for a link or when the file system gives no type. So a plain file reads as archive, never
// read-only, and sizes and times are not filled in (0): nothing reads them, and a stat per entry
// would double the cost of a walk. A name holding a backslash, which no Windows path can carry, is
// left out, and so is an entry whose path (the pattern's directory as spelled, the name and, for a
// directory, a separator) would reach MAX_PATH characters; both, and a directory that cannot be
// listed, are told to the host's listing policy for its count, and the policy may hide more
// entries (win32/kernel32/listing_hook.h).
//
// Listings come from win32/kernel32/listing_cache.h: one read of a directory serves every search of
// it while it stays unchanged (both searches of a walk's visit, and both passes of a search that
// counts first), and the names each mask matched are kept with the listing, so a directory's later
// requests by the same mask match no name again. Attributes that depend on another file (links,
// unknown types) are examined again by every search.
//
// Invariant: a search handle is a heap record whose address is the handle; only handles in the
// live set are dereferenced.
// Tested by tests/win32/kernel32/findfile_test.cpp.
#include "win32/kernel32/findfile.h"

#include <dirent.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "win32/include/winbase.h"
#include "win32/kernel32/ascii_fold.h"
#include "win32/kernel32/attributes.h"
#include "win32/kernel32/errno_map.h"
#include "win32/kernel32/file_mask.h"
#include "win32/kernel32/listing_cache.h"
#include "win32/kernel32/listing_hook.h"
#include "win32/kernel32/paths.h"

namespace {

struct Entry {
  uint32_t index;  // into the listing's names
  DWORD attributes;
};

struct Search {
  std::shared_ptr<const vwin::DirectoryListing> listing;
  std::vector<Entry> entries;
  size_t next = 0;
};

struct Searches {
  std::mutex mutex;
  std::unordered_set<const void*> live;
};

Searches& searches() {
  static Searches* s = new Searches;  // never destroyed: handles may be closed during exit
  return *s;
}

// The attributes of one entry, from d_type where the file system gives it; a link, or an entry
// of unknown type, is examined as GetFileAttributesA examines a file.
DWORD attributesOf(const char* posixDir, const char* name, unsigned char type) {
  if (type != DT_LNK && type != DT_UNKNOWN) return vwinTypeAttributes(type, name);
  std::string path = std::string(posixDir) + "/" + name;
  DWORD attributes = vwinFileAttributes(path.c_str(), name);
  // Vanished since readdir: nothing a walk may open.
  return attributes == INVALID_FILE_ATTRIBUTES ? FILE_ATTRIBUTE_SYSTEM : attributes;
}

void fill(const Search& search, const Entry& entry, LPWIN32_FIND_DATAA data) {
  const vwin::DirectoryListing::Name& name = search.listing->names[entry.index];
  // Every field but the name's unused tail: a walk fetches each entry of a tree four times.
  std::memset(data, 0, offsetof(WIN32_FIND_DATAA, cFileName));
  std::memset(data->cAlternateFileName, 0, sizeof data->cAlternateFileName);
  data->dwFileAttributes = entry.attributes;
  std::memcpy(data->cFileName, search.listing->name(name), name.length + 1u);
}

// Counts a directory that could not be listed, by the reason `error` (an errno value).
void notePassedOverDirectory(const char* windowsDir, int error) {
  if (!vwin::countingUnlisted()) return;
  std::string key(windowsDir);
  for (char& c : key) c = static_cast<char>(vwin::foldAscii(static_cast<unsigned char>(c)));
  vwin::Unlisted why = vwin::Unlisted::kUnreadableDirectory;
  if (error == ENAMETOOLONG)
    why = vwin::Unlisted::kLongPath;
  else if (error == ENOENT || error == ENOTDIR)
    why = vwin::Unlisted::kMissingDirectory;
  vwin::noteUnlisted(why, key, windowsDir);
}

// Counts a directory whose Windows path could not be mapped: too long in full form, or naming no
// drive of ours.
void notePassedOverMapping(const char* windowsDir) {
  notePassedOverDirectory(windowsDir,
                          GetLastError() == ERROR_FILENAME_EXCED_RANGE ? ENAMETOOLONG : ENOENT);
}

// Whether a Windows directory part ("C:\", "\", "Z:/") names the root of its drive, where Windows
// lists no "." and "..".
bool isDriveRoot(const std::string& dir) {
  size_t start = dir.size() >= 2 && dir[1] == ':' ? 2 : 0;
  std::string rest = dir.substr(start);
  return rest == "\\" || rest == "/";
}

// Splits a pattern into its directory part as spelled ("" for none, else ending in its separator
// or the drive's colon) and the name pattern; false with GetLastError set when it cannot be used.
bool splitPattern(LPCSTR pattern, std::string& dir, std::string& namePattern) {
  size_t length = strnlen(pattern, MAX_PATH);
  if (length >= MAX_PATH) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  std::string whole(pattern, length);
  size_t cut = whole.find_last_of("\\/");
  if (cut == std::string::npos && whole.size() >= 2 && whole[1] == ':') cut = 1;
  dir = cut == std::string::npos ? "" : whole.substr(0, cut + 1);
  namePattern = cut == std::string::npos ? whole : whole.substr(cut + 1);
  if (namePattern.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return false;
  }
  return true;
}

// The listing of a Windows directory, its POSIX path left in `posix` (of `size` bytes) and the
// length of its full Windows form in `fullLength`. The directory as spelled first (a walk names
// directories just listed); looked up without case only when it cannot be opened so. NULL with
// GetLastError set, and the directory counted as passed over, when it cannot be listed.
std::shared_ptr<const vwin::DirectoryListing> listWindowsDirectory(const char* windowsDir,
                                                                   char* posix, size_t size,
                                                                   size_t& fullLength) {
  if (!vwin::toOpenablePath(windowsDir, posix, size, &fullLength)) {
    notePassedOverMapping(windowsDir);
    return nullptr;  // the mapping set the reason
  }
  std::shared_ptr<const vwin::DirectoryListing> listing = vwin::listDirectory(posix);
  if (listing) return listing;
  bool retry = errno == ENOENT || errno == ENOTDIR;
  if (retry && !VwinToPosixPath(windowsDir, posix, size)) {
    notePassedOverMapping(windowsDir);
    return nullptr;
  }
  if (retry) listing = vwin::listDirectory(posix);
  if (listing) return listing;
  int cause = errno;
  notePassedOverDirectory(windowsDir, cause);
  DWORD error = vwinErrorFromErrno(cause);
  // The directory itself is missing: Windows calls that a missing path.
  SetLastError(error == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : error);
  return nullptr;
}

bool isDotName(const char* name, uint16_t length) {
  return (length == 1 && name[0] == '.') || (length == 2 && name[0] == '.' && name[1] == '.');
}

// Keeps in `search` the entries of its listing whose names fit `namePattern`, with their
// attributes. The caller names an entry by the directory and the name, and a directory also needs
// a separator after it: an entry that leaves no room for that before MAX_PATH, as spelled (`dir`)
// or in full form (`dirFull` characters for the directory), is left out and counted as passed
// over when a walk would have taken it.
void collectEntries(Search& search, const std::string& dir, size_t dirFull, const char* posix,
                    const std::string& namePattern, vwin::LazyMatcher& matcher,
                    vwin::EntryJudge* judge, bool count = true) {
  const vwin::DirectoryListing& listing = *search.listing;
  bool root = isDriveRoot(dir);
  // Where an entry's name starts in the caller's path to it, as spelled and in full form.
  size_t nameAt = std::max(dir.size(), dirFull == 3 ? dirFull : dirFull + 1);
  bool every = vwin::matchesEveryName(namePattern);
  std::shared_ptr<const std::vector<uint32_t>> matched;
  if (!every) matched = vwin::matchedNames(listing, namePattern, matcher);
  size_t candidates = every ? listing.names.size() : matched->size();
  for (size_t k = 0; k < candidates; ++k) {
    size_t i = every ? k : (*matched)[k];
    const vwin::DirectoryListing::Name& entry = listing.names[i];
    const char* name = listing.name(entry);
    bool dotName = isDotName(name, entry.length);
    if (dotName && root) continue;
    DWORD attributes = FILE_ATTRIBUTE_DIRECTORY;
    if (!dotName) {
      attributes = attributesOf(posix, name, entry.type);
      if (judge) attributes = judge->apply(i, name, entry.length, attributes);
    }
    bool directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (!dotName && nameAt + entry.length + (directory ? 1 : 0) >= MAX_PATH) {
      if (count && !vwinHiddenOrSystem(attributes) && vwin::countingUnlisted())
        vwin::noteUnlisted(vwin::Unlisted::kLongPath, std::string(posix) + "/" + name);
      continue;
    }
    search.entries.push_back(Entry{static_cast<uint32_t>(i), attributes});
  }
}

// Counts as passed over the names of the listing no Windows path can carry that fit `matcher`
// and that a walk would have taken.
void countUncarried(const vwin::DirectoryListing& listing, const char* posix,
                    vwin::LazyMatcher& matcher, vwin::EntryJudge* judge) {
  if (!vwin::countingUnlisted()) return;
  for (const vwin::DirectoryListing::Name& entry : listing.uncarried) {
    const char* name = listing.name(entry);
    if (!matcher.get().matches(std::string_view(name, entry.length))) continue;
    DWORD attributes = attributesOf(posix, name, entry.type);
    if (judge)
      attributes = judge->apply(vwin::EntryJudge::kNotListed, name, entry.length, attributes);
    if (!vwinHiddenOrSystem(attributes))
      vwin::noteUnlisted(vwin::Unlisted::kUncarriedName, std::string(posix) + "/" + name);
  }
}

}  // namespace

namespace vwin {

std::vector<FoundEntry> searchEntries(std::shared_ptr<const DirectoryListing> listing,
                                      const std::string& dir, size_t dirFull, const char* posix,
                                      const std::string& namePattern) {
  Search search;
  search.listing = std::move(listing);
  vwin::LazyMatcher matcher(namePattern);
  std::unique_ptr<vwin::EntryJudge> judge = vwin::judgeListing(posix, search.listing, false);
  collectEntries(search, dir, dirFull, posix, namePattern, matcher, judge.get(), false);
  std::vector<FoundEntry> found;
  found.reserve(search.entries.size());
  for (const Entry& e : search.entries) found.push_back(FoundEntry{e.index, e.attributes});
  return found;
}

}  // namespace vwin

WINAPI_EXPORT HANDLE WINAPI FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data) {
  if (!pattern || !data) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  std::string dir, namePattern;
  if (!splitPattern(pattern, dir, namePattern)) return INVALID_HANDLE_VALUE;
  const char* windowsDir = dir.empty() ? "." : dir.c_str();
  char posix[4096];
  auto search = std::make_unique<Search>();
  size_t dirFull = MAX_PATH;
  search->listing = listWindowsDirectory(windowsDir, posix, sizeof posix, dirFull);
  if (!search->listing) return INVALID_HANDLE_VALUE;
  vwin::LazyMatcher matcher(namePattern);
  std::unique_ptr<vwin::EntryJudge> judge = vwin::judgeListing(posix, search->listing, true);
  collectEntries(*search, dir, dirFull, posix, namePattern, matcher, judge.get());
  countUncarried(*search->listing, posix, matcher, judge.get());
  judge.reset();  // lets go of the directory's verdicts
  if (search->entries.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  fill(*search, search->entries[0], data);
  search->next = 1;
  Searches& s = searches();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.live.insert(search.get());
  return search.release();
}

WINAPI_EXPORT BOOL WINAPI FindNextFileA(HANDLE handle, LPWIN32_FIND_DATAA data) {
  Search* search = nullptr;
  {
    Searches& s = searches();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.live.count(handle)) search = static_cast<Search*>(handle);
  }
  if (!search || !data) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (search->next >= search->entries.size()) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  fill(*search, search->entries[search->next++], data);
  return TRUE;
}

WINAPI_EXPORT BOOL WINAPI FindClose(HANDLE handle) {
  {
    Searches& s = searches();
    std::lock_guard<std::mutex> lock(s.mutex);
    auto it = s.live.find(handle);
    if (it == s.live.end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    s.live.erase(it);
  }
  delete static_cast<Search*>(handle);
  return TRUE;
}
