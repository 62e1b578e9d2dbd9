// File search with wildcards: FindFirstFileA, FindNextFileA, FindClose.
//
// FindFirstFileA reads the pattern's directory once (one readdir pass), keeps the names that fit
// the last component and sorts them as NTFS lists a directory: names compared byte by byte after
// folding ASCII letters to upper case, ties broken by the raw bytes, with "." and ".." first.
// So every run lists the same tree the same way.
//
// Wildcards have Windows' effect, case-insensitive: "*" any run, "?" one character (or none
// before a dot or at the end), a "." followed by a wildcard or ending the pattern also matches the
// end of a name without a dot, and "*.*" matches every name, also one without a dot. Pattern and
// name are folded alike, with CharUpperBuffA in the ANSI code page, so a mask matches every name
// that differs from it only in case, whatever bytes it holds; in UTF-8 "?" is one whole sequence.
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
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "win32/include/winbase.h"
#include "win32/kernel32/attributes.h"
#include "win32/kernel32/codepage.h"
#include "win32/kernel32/errno_map.h"
#include "win32/kernel32/listing_cache.h"
#include "win32/kernel32/listing_hook.h"
#include "win32/kernel32/paths.h"

namespace {

// Pattern tokens after the Windows translation of "?", "." and "*".
enum Token : int {
  kAny = 256,  // "*": any run of characters
  kDosStar,    // "*" before ".": any run that leaves the name's last dot still to match
  kDosQm,      // "?": one character, or none at a dot or the end of the name
  kDosDot,     // "." before a wildcard or at the end: a dot, or the end of the name
};

unsigned char foldAscii(unsigned char c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; }

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

std::vector<int> compilePattern(std::string pattern) {
  std::vector<int> tokens;
  if (pattern == "*.*") return {kAny};
  CharUpperBuffA(pattern.data(), static_cast<DWORD>(pattern.size()));
  for (size_t i = 0; i < pattern.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(pattern[i]);
    bool last = i + 1 == pattern.size();
    char next = last ? '\0' : pattern[i + 1];
    if (c == '?') {
      tokens.push_back(kDosQm);
    } else if (c == '*') {
      tokens.push_back(next == '.' ? kDosStar : kAny);
    } else if (c == '.' && (last || next == '*' || next == '?')) {
      tokens.push_back(kDosDot);
    } else {
      tokens.push_back(c);
    }
  }
  return tokens;
}

// Matches a name against the tokens; memo holds one state per (token, position) pair, so that no
// pattern can make the match exponential.
class Matcher {
 public:
  explicit Matcher(std::vector<int> tokens)
      : tokens_(std::move(tokens)), utf8_(GetACP() == CP_UTF8) {
    // "*" followed by plain characters only (a mask such as "*.c"): a name matches exactly when
    // it ends in them, ignoring case. (A "*" before a dot may not pass the name's last dot, but
    // a name ending in the rest has that rest's dot as its last.)
    bool plain = !tokens_.empty() && (tokens_[0] == kAny || tokens_[0] == kDosStar);
    for (size_t i = 1; plain && i < tokens_.size(); ++i) plain = tokens_[i] < 256;
    if (plain)
      for (size_t i = 1; i < tokens_.size(); ++i) suffix_.push_back(static_cast<char>(tokens_[i]));
    suffixOnly_ = plain;
  }

  bool matches(std::string_view name) {
    if (suffixOnly_) {
      if (name.size() < suffix_.size()) return false;
      size_t tail = name.size() - suffix_.size();
      if (asciiFrom(name, tail)) {
        for (size_t i = 0; i < suffix_.size(); ++i)
          if (foldAscii(static_cast<unsigned char>(name[tail + i])) !=
              static_cast<unsigned char>(suffix_[i]))
            return false;
        return true;
      }
      // Folded from the start of the character the tail begins in, as the whole name would be.
      size_t from = tail;
      while (from > 0 && tail - from < 3 && isContinuation(static_cast<unsigned char>(name[from])))
        --from;
      folded_.assign(name.substr(from));
      CharUpperBuffA(folded_.data(), static_cast<DWORD>(folded_.size()));
      return std::string_view(folded_).substr(tail - from) == suffix_;
    }
    folded_.assign(name);
    CharUpperBuffA(folded_.data(), static_cast<DWORD>(folded_.size()));
    name_ = folded_;
    lastDot_ = name_.rfind('.');
    memo_.assign((tokens_.size() + 1) * (name.size() + 1), 0);
    return at(0, 0);
  }

 private:
  bool at(size_t t, size_t n) {
    int8_t& m = memo_[t * (name_.size() + 1) + n];
    if (m) return m > 0;
    bool r = compute(t, n);
    m = r ? 1 : -1;
    return r;
  }

  bool compute(size_t t, size_t n) {
    size_t size = name_.size();
    if (t == tokens_.size()) return n == size;
    int tok = tokens_[t];
    switch (tok) {
      case kAny:
        for (size_t k = n; k <= size; ++k)
          if (at(t + 1, k)) return true;
        return false;
      case kDosStar: {
        // May run up to the last dot (which the rest must then match), or to the end when there
        // is no dot left.
        size_t limit = lastDot_ == std::string::npos || lastDot_ < n ? size : lastDot_;
        for (size_t k = n; k <= limit; ++k)
          if (at(t + 1, k)) return true;
        return false;
      }
      case kDosQm:
        if (n == size || name_[n] == '.') {
          size_t u = t;
          while (u < tokens_.size() && tokens_[u] == kDosQm) ++u;
          return at(u, n);
        }
        return at(t + 1, n + characterLength(n));
      case kDosDot:
        if (n == size) return at(t + 1, n);
        return name_[n] == '.' && at(t + 1, n + 1);
      default:
        return n < size && static_cast<unsigned char>(name_[n]) == tok && at(t + 1, n + 1);
    }
  }

  // Whether name[from, end) is ASCII only, and no sequence runs into it from before.
  static bool asciiFrom(std::string_view name, size_t from) {
    for (size_t i = from; i < name.size(); ++i)
      if (static_cast<unsigned char>(name[i]) >= 0x80) return false;
    return true;
  }

  // The bytes of the character at name_[n] (n < size): a whole sequence in UTF-8, else one.
  size_t characterLength(size_t n) const {
    uint32_t codePoint;
    int length = 0;
    if (utf8_)
      length = vwin::utf8SequenceAt(reinterpret_cast<const unsigned char*>(name_.data()) + n,
                                    name_.size() - n, &codePoint);
    return length > 0 ? static_cast<size_t>(length) : 1;
  }

  std::vector<int> tokens_;
  bool suffixOnly_ = false;
  bool utf8_;
  std::string suffix_;  // folded
  std::string folded_;  // the name (or its tail) being matched, folded
  std::string_view name_;
  size_t lastDot_ = std::string::npos;
  std::vector<int8_t> memo_;
};

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
  for (char& c : key) c = static_cast<char>(foldAscii(static_cast<unsigned char>(c)));
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

// A mask's compiled form, made when first needed: a request answered from the names its mask
// matched before needs none.
class LazyMatcher {
 public:
  explicit LazyMatcher(const std::string& pattern) : pattern_(pattern) {}
  Matcher& get() {
    if (!matcher_) matcher_.emplace(compilePattern(pattern_));
    return *matcher_;
  }

 private:
  const std::string& pattern_;
  std::optional<Matcher> matcher_;
};

// Whether every name fits the mask: Windows' "*" and "*.*".
bool matchesEveryName(const std::string& namePattern) {
  return namePattern == "*" || namePattern == "*.*";
}

// The indexes of the listing's names that fit `namePattern` in the current ANSI code page,
// ascending: matched once per listing and mask, then kept with the listing while there is room
// for them (a search asks by the same mask in its counting pass and in its search).
std::shared_ptr<const std::vector<uint32_t>> matchedNames(const vwin::DirectoryListing& listing,
                                                          const std::string& namePattern,
                                                          LazyMatcher& matcher) {
  UINT codePage = GetACP();
  size_t kept = 0;
  {
    std::lock_guard<std::mutex> lock(listing.maskedMutex);
    for (const vwin::DirectoryListing::Masked& m : listing.masked) {
      if (m.codePage == codePage && m.mask == namePattern) return m.matched;
      kept += m.matched->size();
    }
  }
  auto matched = std::make_shared<std::vector<uint32_t>>();
  for (size_t i = 0; i < listing.names.size(); ++i) {
    const vwin::DirectoryListing::Name& entry = listing.names[i];
    if (matcher.get().matches(std::string_view(listing.name(entry), entry.length)))
      matched->push_back(static_cast<uint32_t>(i));
  }
  matched->shrink_to_fit();
  std::lock_guard<std::mutex> lock(listing.maskedMutex);
  // Within what the listing's size allows for; another thread may have kept the same meanwhile.
  if (listing.masked.size() < vwin::DirectoryListing::kMaskedKept &&
      kept + matched->size() <= listing.names.size()) {
    bool known = false;
    for (const vwin::DirectoryListing::Masked& m : listing.masked)
      known = known || (m.codePage == codePage && m.mask == namePattern);
    if (!known)
      listing.masked.push_back(vwin::DirectoryListing::Masked{namePattern, codePage, matched});
  }
  return matched;
}

// Keeps in `search` the entries of its listing whose names fit `namePattern`, with their
// attributes. The caller names an entry by the directory and the name, and a directory also needs
// a separator after it: an entry that leaves no room for that before MAX_PATH, as spelled (`dir`)
// or in full form (`dirFull` characters for the directory), is left out and counted as passed
// over when a walk would have taken it.
void collectEntries(Search& search, const std::string& dir, size_t dirFull, const char* posix,
                    const std::string& namePattern, LazyMatcher& matcher, vwin::EntryJudge* judge,
                    bool count = true) {
  const vwin::DirectoryListing& listing = *search.listing;
  bool root = isDriveRoot(dir);
  // Where an entry's name starts in the caller's path to it, as spelled and in full form.
  size_t nameAt = std::max(dir.size(), dirFull == 3 ? dirFull : dirFull + 1);
  bool every = matchesEveryName(namePattern);
  std::shared_ptr<const std::vector<uint32_t>> matched;
  if (!every) matched = matchedNames(listing, namePattern, matcher);
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
void countUncarried(const vwin::DirectoryListing& listing, const char* posix, LazyMatcher& matcher,
                    vwin::EntryJudge* judge) {
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
  LazyMatcher matcher(namePattern);
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
  LazyMatcher matcher(namePattern);
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
