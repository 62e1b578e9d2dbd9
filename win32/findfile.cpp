// File search with wildcards: FindFirstFileA, FindNextFileA, FindClose.
//
// FindFirstFileA reads the pattern's directory once (one readdir pass), keeps the names that fit
// the last component and sorts them as NTFS lists a directory: names compared byte by byte after
// folding ASCII letters to upper case, ties broken by the raw bytes, with "." and ".." first.
// So every run lists the same tree the same way.
//
// Wildcards have Windows' effect, case-insensitive: "*" any run, "?" one character (or none
// before a dot or at the end), a "." followed by a wildcard or ending the pattern also matches the
// end of a name without a dot, and "*.*" matches every name, also one without a dot.
//
// Attributes are those of win32/attributes.h (hidden dot names; FIFOs, sockets, devices, dangling
// links and links to directories system), but the type comes from d_type: a stat is made only for
// a link or when the file system gives no type. So a plain file reads as archive, never
// read-only, and sizes and times are not filled in (0): nothing reads them, and a stat per entry
// would double the cost of a walk. A name holding a backslash, which no Windows path can carry, is
// left out.
//
// One directory read serves the searches of one visit: a walk asks for "dir\*.c", then for
// "dir\*.*" to find the subdirectories. Each thread keeps the last listing it read, sorted, with
// the directory's identity and change times taken before the read; a search of the same directory
// within a second whose stat shows the same identity and times is answered from that listing, so
// it costs one stat instead of an open, a read and a sort; a directory changed in the last 100 ms
// before its read is never answered so, as its times might not move at a change in the same
// tick of the file system's clock. Anything else reads afresh. Attributes that depend on another
// file (links, unknown types) are examined again by every search.
//
// Invariant: a search handle is a heap record whose address is the handle; only handles in the
// live set are dereferenced.
// Tested by tests/findfile_test.cpp.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

#include "win32/attributes.h"
#include "win32/errno_map.h"
#include "win32/paths.h"
#include "win32/winbase.h"

namespace {

// Pattern tokens after the Windows translation of "?", "." and "*".
enum Token : int {
  kAny = 256,  // "*": any run of characters
  kDosStar,    // "*" before ".": any run that leaves the name's last dot still to match
  kDosQm,      // "?": one character, or none at a dot or the end of the name
  kDosDot,     // "." before a wildcard or at the end: a dot, or the end of the name
};

unsigned char foldAscii(unsigned char c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; }

std::vector<int> compilePattern(const std::string& pattern) {
  std::vector<int> tokens;
  if (pattern == "*.*") return {kAny};
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
      tokens.push_back(foldAscii(c));
    }
  }
  return tokens;
}

// Matches a name against the tokens; memo holds one state per (token, position) pair, so that no
// pattern can make the match exponential.
class Matcher {
 public:
  explicit Matcher(std::vector<int> tokens) : tokens_(std::move(tokens)) {}

  bool matches(const std::string& name) {
    name_ = name;
    lastDot_ = name.rfind('.');
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
        return at(t + 1, n + 1);
      case kDosDot:
        if (n == size) return at(t + 1, n);
        return name_[n] == '.' && at(t + 1, n + 1);
      default:
        return n < size && foldAscii(static_cast<unsigned char>(name_[n])) == tok &&
               at(t + 1, n + 1);
    }
  }

  std::vector<int> tokens_;
  std::string name_;
  size_t lastDot_ = std::string::npos;
  std::vector<int8_t> memo_;
};

struct Entry {
  std::string name;
  DWORD attributes;
};

struct Search {
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

// NTFS order: upper-case-folded bytes first, raw bytes on a tie; "." and ".." before all.
bool listsBefore(const std::string& a, const std::string& b) {
  bool aDot = a == "." || a == "..";
  bool bDot = b == "." || b == "..";
  if (aDot != bDot) return aDot;
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = foldAscii(static_cast<unsigned char>(a[i]));
    unsigned char y = foldAscii(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

// The attributes of one entry, from d_type where the file system gives it; a link, or an entry
// of unknown type, is examined as GetFileAttributesA examines a file.
DWORD attributesOf(const char* posixDir, const std::string& name, unsigned char type) {
  DWORD attributes;
  switch (type) {
    case DT_DIR:
      attributes = FILE_ATTRIBUTE_DIRECTORY;
      break;
    case DT_REG:
      attributes = FILE_ATTRIBUTE_ARCHIVE;
      break;
    case DT_LNK:
    case DT_UNKNOWN: {
      std::string path = std::string(posixDir) + "/" + name;
      attributes = vwinFileAttributes(path.c_str(), name.c_str());
      // Vanished since readdir: nothing a walk may open.
      if (attributes == INVALID_FILE_ATTRIBUTES) attributes = FILE_ATTRIBUTE_SYSTEM;
      break;
    }
    default:  // FIFO, socket, character or block device
      attributes = FILE_ATTRIBUTE_SYSTEM;
  }
  if (name[0] == '.') attributes |= FILE_ATTRIBUTE_HIDDEN;
  return attributes;
}

// A directory as last read by this thread: every name but those no Windows path can carry, in
// listing order, with d_type; and what tells whether the directory changed since.
struct DirectoryListing {
  struct Name {
    std::string name;
    unsigned char type;  // d_type
  };
  std::string posixDir;
  struct stat stamp {};
  std::chrono::steady_clock::time_point readAt;
  bool reusable = false;
  std::vector<Name> names;
};

// A directory changed this lately may change again within the same tick of the file system's
// clock without its times moving, so a listing of it is never reused.
constexpr long long kSettledNanoseconds = 100'000'000;

long long nanoseconds(const struct timespec& t) { return t.tv_sec * 1'000'000'000LL + t.tv_nsec; }

constexpr std::chrono::seconds kListingLife{1};

bool sameStamp(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
         a.st_mtim.tv_nsec == b.st_mtim.tv_nsec && a.st_ctim.tv_sec == b.st_ctim.tv_sec &&
         a.st_ctim.tv_nsec == b.st_ctim.tv_nsec && a.st_size == b.st_size;
}

// Reads `posixDir` into `listing`; false with errno set when it cannot be opened.
bool readListing(const char* posixDir, DirectoryListing& listing) {
  listing.posixDir.clear();
  listing.names.clear();
  DIR* stream = opendir(posixDir);
  if (!stream) return false;
  listing.readAt = std::chrono::steady_clock::now();
  // The stamp comes before the entries, so that a change during the read shows at the next stat.
  struct timespec now;
  listing.reusable = fstat(dirfd(stream), &listing.stamp) == 0 &&
                     clock_gettime(CLOCK_REALTIME, &now) == 0 &&
                     nanoseconds(now) - std::max(nanoseconds(listing.stamp.st_mtim),
                                                 nanoseconds(listing.stamp.st_ctim)) >
                         kSettledNanoseconds;
  while (const dirent* entry = readdir(stream)) {
    size_t length = strlen(entry->d_name);
    if (memchr(entry->d_name, '\\', length) || length >= MAX_PATH) continue;
    listing.names.push_back({std::string(entry->d_name, length), entry->d_type});
  }
  closedir(stream);
  std::sort(listing.names.begin(), listing.names.end(),
            [](const DirectoryListing::Name& a, const DirectoryListing::Name& b) {
              return listsBefore(a.name, b.name);
            });
  listing.posixDir = posixDir;
  return true;
}

// Whether `listing` still shows `posixDir` as it is: read lately, and the directory unchanged.
bool stillCurrent(const DirectoryListing& listing, const char* posixDir) {
  if (!listing.reusable || listing.posixDir != posixDir) return false;
  if (std::chrono::steady_clock::now() - listing.readAt > kListingLife) return false;
  struct stat now;
  return stat(posixDir, &now) == 0 && sameStamp(now, listing.stamp);
}

void fill(const Entry& entry, LPWIN32_FIND_DATAA data) {
  std::memset(data, 0, sizeof *data);
  data->dwFileAttributes = entry.attributes;
  std::memcpy(data->cFileName, entry.name.c_str(), entry.name.size() + 1);
}

// Whether a Windows directory part ("C:\", "\", "Z:/") names the root of its drive, where Windows
// lists no "." and "..".
bool isDriveRoot(const std::string& dir) {
  size_t start = dir.size() >= 2 && dir[1] == ':' ? 2 : 0;
  std::string rest = dir.substr(start);
  return rest == "\\" || rest == "/";
}

}  // namespace

WINAPI_EXPORT HANDLE WINAPI FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data) {
  if (!pattern || !data) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  size_t length = strnlen(pattern, MAX_PATH);
  if (length >= MAX_PATH) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return INVALID_HANDLE_VALUE;
  }
  std::string whole(pattern, length);
  size_t cut = whole.find_last_of("\\/");
  if (cut == std::string::npos && whole.size() >= 2 && whole[1] == ':') cut = 1;
  std::string dir = cut == std::string::npos ? "" : whole.substr(0, cut + 1);
  std::string namePattern = cut == std::string::npos ? whole : whole.substr(cut + 1);
  if (namePattern.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }

  // The directory as spelled first (a walk names directories just listed); looked up without
  // case only when it cannot be opened so.
  thread_local DirectoryListing listing;
  const char* windowsDir = dir.empty() ? "." : dir.c_str();
  char posix[4096];
  if (!VwinToPosixPathAsSpelled(windowsDir, posix, sizeof posix)) {
    return INVALID_HANDLE_VALUE;  // the mapping set the reason
  }
  if (!stillCurrent(listing, posix) && !readListing(posix, listing)) {
    bool retry = errno == ENOENT || errno == ENOTDIR;
    if (retry && !VwinToPosixPath(windowsDir, posix, sizeof posix)) return INVALID_HANDLE_VALUE;
    if (!retry || !readListing(posix, listing)) {
      DWORD error = vwinErrorFromErrno(errno);
      // The directory itself is missing: Windows calls that a missing path.
      SetLastError(error == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : error);
      return INVALID_HANDLE_VALUE;
    }
  }

  auto search = new Search;
  Matcher matcher(compilePattern(namePattern));
  bool root = isDriveRoot(dir);
  for (const DirectoryListing::Name& entry : listing.names) {
    bool dotName = entry.name == "." || entry.name == "..";
    if (dotName && root) continue;
    if (!matcher.matches(entry.name)) continue;
    DWORD attributes =
        dotName ? FILE_ATTRIBUTE_DIRECTORY : attributesOf(posix, entry.name, entry.type);
    search->entries.push_back(Entry{entry.name, attributes});
  }

  if (search->entries.empty()) {
    delete search;
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  fill(search->entries[0], data);
  search->next = 1;
  Searches& s = searches();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.live.insert(search);
  return search;
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
  fill(search->entries[search->next++], data);
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
