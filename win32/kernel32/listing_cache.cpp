// Directory listings, read once and kept while unchanged (see win32/kernel32/listing_cache.h).
//
// The read uses getdents64 on a descriptor of its own rather than a directory stream, which would
// stat the directory a second time only to size its buffer.
// Tested by tests/win32/kernel32/findfile_test.cpp.
#include "win32/kernel32/listing_cache.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <list>
#include <mutex>
#include <string_view>
#include <unordered_map>

#include "win32/include/windef.h"
#include "win32/kernel32/ascii_fold.h"
#include "win32/kernel32/listing_hook.h"

namespace vwin {
namespace {

using Clock = std::chrono::steady_clock;

// A directory changed this lately may change again within the same tick of the file system's
// clock without its times moving, so a listing of it is never kept.
constexpr long long kSettledNanoseconds = 100'000'000;
// A kept listing unused this long gives way when the cache is full; one used more lately stays,
// so that both passes of one search find the listings kept for the first.
constexpr std::chrono::seconds kIdleLife{10};
// A listing read or found unchanged by a search is trusted by that search for this long without
// another stat: longer than a counting pass over a tree the cache can hold, so that the search's
// second pass and each directory's second request answer from memory.
constexpr std::chrono::seconds kTrustedFor{2};

long long nanoseconds(const struct timespec& t) { return t.tv_sec * 1'000'000'000LL + t.tv_nsec; }

DirectoryListing::Stamp stampOf(const struct stat& st) {
  return DirectoryListing::Stamp{st.st_dev, st.st_ino, st.st_mtim, st.st_ctim, st.st_size};
}

bool sameStamp(const DirectoryListing::Stamp& a, const DirectoryListing::Stamp& b) {
  return a.device == b.device && a.inode == b.inode && a.modified.tv_sec == b.modified.tv_sec &&
         a.modified.tv_nsec == b.modified.tv_nsec && a.changed.tv_sec == b.changed.tv_sec &&
         a.changed.tv_nsec == b.changed.tv_nsec && a.size == b.size;
}

using vwin::foldAscii;

bool isDotName(const char* name, size_t length) {
  return (length == 1 && name[0] == '.') || (length == 2 && name[0] == '.' && name[1] == '.');
}

// NTFS order: upper-case-folded bytes first, raw bytes on a tie; "." and ".." before all.
bool listsBefore(const char* a, size_t aLength, const char* b, size_t bLength) {
  bool aDot = isDotName(a, aLength);
  bool bDot = isDotName(b, bLength);
  if (aDot != bDot) return aDot;
  size_t n = std::min(aLength, bLength);
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = foldAscii(static_cast<unsigned char>(a[i]));
    unsigned char y = foldAscii(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y;
  }
  if (aLength != bLength) return aLength < bLength;
  return memcmp(a, b, n) < 0;
}

// Listings kept by one thread, in order of use: the least recently used at the front. Both the
// lookup and the choice of what gives way take constant time, so a listing costs the same however
// many are kept.
struct Cache {
  struct Kept {
    std::shared_ptr<const DirectoryListing> listing;
    Clock::time_point usedAt;
    // The search (vwin::searchUnderWay) that last read the directory or found it unchanged, and
    // when, from before its stat; 0 for none.
    uint64_t checkedIn = 0;
    Clock::time_point checkedAt;
  };
  using Order = std::list<Kept>;
  Order order;
  // Keyed by the listing's own directory name, which lives as long as the entry.
  std::unordered_map<std::string_view, Order::iterator> byDir;
  size_t bytes = 0;
  size_t budget = kListingCacheBytes;
  Clock::duration idleLife = kIdleLife;
  Clock::duration trustedFor = kTrustedFor;

  // Whether `it` may answer search `search` at `now` without a stat.
  bool trusted(Order::iterator it, uint64_t search, Clock::time_point now) const {
    return search != 0 && it->checkedIn == search && now - it->checkedAt < trustedFor;
  }

  void checked(Order::iterator it, uint64_t search, Clock::time_point now) {
    it->checkedIn = search;
    it->checkedAt = now;
  }

  Order::iterator find(const char* posixDir) {
    auto it = byDir.find(std::string_view(posixDir));
    return it == byDir.end() ? order.end() : it->second;
  }

  void use(Order::iterator it, Clock::time_point now) {
    it->usedAt = now;
    order.splice(order.end(), order, it);
  }

  void drop(Order::iterator it) {
    bytes -= it->listing->bytes();
    byDir.erase(std::string_view(it->listing->posixDir));
    order.erase(it);
  }

  // Makes room for `need` bytes by dropping the least recently used listings while they have been
  // idle for a while; false when it cannot. A walk of a tree larger than the budget thus keeps the
  // listings it read first for its second pass instead of each new one pushing out the next one
  // that pass will ask for.
  bool makeRoom(size_t need, Clock::time_point now) {
    while (bytes + need > budget && !order.empty() && now - order.front().usedAt > idleLife)
      drop(order.begin());
    return bytes + need <= budget;
  }

  void keep(std::shared_ptr<const DirectoryListing> listing, size_t need, Clock::time_point now,
            uint64_t search) {
    std::string_view key = listing->posixDir;
    order.push_back(Kept{std::move(listing), now, search, now});
    byDir.emplace(key, std::prev(order.end()));
    bytes += need;
  }
};

// One cache for the process: every thread's walk finds what another read.
struct SharedCache {
  std::mutex mutex;
  Cache cache;
};

SharedCache& shared() {
  static SharedCache* s = new SharedCache;  // the helper thread may use it until the process ends
  return *s;
}

// The file left out of every listing (the host's output file), set before a search begins.
std::atomic<dev_t> withheldDevice{0};
std::atomic<ino_t> withheldInode{0};
std::atomic<bool> withheldSeen{false};

// Whether the entry `name` of the directory open as `fd` is a symbolic link (or of a type not told)
// that leads to the withheld file, wherever that lies.
bool leadsToWithheld(int fd, const char* name, unsigned char type) {
  if (type != DT_LNK && type != DT_UNKNOWN) return false;
  struct stat target;
  return fstatat(fd, name, &target, 0) == 0 && target.st_ino == withheldInode.load() &&
         target.st_dev == withheldDevice.load();
}

// Reads the directory into a new listing; whether it may be kept in `settled`. NULL with errno
// set on failure.
std::shared_ptr<DirectoryListing> readListing(const char* posixDir, bool& settled) {
  int fd = open(posixDir, O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return nullptr;
  auto listing = std::make_shared<DirectoryListing>();
  // The stamp comes before the entries, so that a change during the read shows at the next stat.
  struct stat st;
  struct timespec now;
  bool known = fstat(fd, &st) == 0;
  bool withholding = withheldInode.load() != 0;
  ino_t withheld =
      known && withholding && st.st_dev == withheldDevice.load() ? withheldInode.load() : 0;
  settled = known && clock_gettime(CLOCK_REALTIME, &now) == 0 &&
            nanoseconds(now) - std::max(nanoseconds(st.st_mtim), nanoseconds(st.st_ctim)) >
                kSettledNanoseconds;
  if (settled) listing->stamp = stampOf(st);
  alignas(8) char buffer[32768];
  for (;;) {
    ssize_t got = getdents64(fd, buffer, sizeof buffer);
    if (got < 0) {
      int cause = errno;
      close(fd);
      errno = cause;
      return nullptr;
    }
    if (got == 0) break;
    for (ssize_t at = 0; at < got;) {
      const auto* entry = reinterpret_cast<const struct dirent64*>(buffer + at);
      at += entry->d_reclen;
      size_t length = strlen(entry->d_name);
      if (length >= MAX_PATH) continue;
      if ((withheld != 0 && entry->d_ino == withheld) ||
          (withholding && leadsToWithheld(fd, entry->d_name, entry->d_type))) {
        withheldSeen.store(true);
        continue;
      }
      bool carried = !memchr(entry->d_name, '\\', length);
      (carried ? listing->names : listing->uncarried)
          .push_back(DirectoryListing::Name{static_cast<uint32_t>(listing->text.size()),
                                            static_cast<uint16_t>(length), entry->d_type});
      listing->text.append(entry->d_name, length + 1);
    }
  }
  close(fd);
  const DirectoryListing& l = *listing;
  std::sort(listing->names.begin(), listing->names.end(),
            [&l](const DirectoryListing::Name& a, const DirectoryListing::Name& b) {
              return listsBefore(l.name(a), a.length, l.name(b), b.length);
            });
  listing->posixDir = posixDir;
  return listing;
}

}  // namespace

size_t DirectoryListing::bytes() const {
  return sizeof *this + posixDir.capacity() + text.capacity() +
         (names.capacity() + uncarried.capacity()) * sizeof(Name) +
         names.capacity() * sizeof(uint32_t) + kMaskedKept * (sizeof(Masked) + 48) +  // masked
         64;  // the cache's own node
}

std::shared_ptr<const DirectoryListing> listDirectory(const char* posixDir) {
  SharedCache& s = shared();
  Clock::time_point now = Clock::now();
  uint64_t search = searchUnderWay();
  std::shared_ptr<const DirectoryListing> kept;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    auto it = s.cache.find(posixDir);
    if (it != s.cache.order.end()) {
      kept = it->listing;
      if (s.cache.trusted(it, search, now)) {
        s.cache.use(it, now);
        return kept;
      }
    }
  }
  if (kept) {
    // The stat is made outside the lock; the entry may have changed meanwhile.
    struct stat current;
    bool same = stat(posixDir, &current) == 0 && sameStamp(stampOf(current), kept->stamp);
    std::lock_guard<std::mutex> lock(s.mutex);
    auto it = s.cache.find(posixDir);
    bool still = it != s.cache.order.end() && it->listing == kept;
    if (same) {
      if (still) {
        s.cache.use(it, now);
        s.cache.checked(it, search, now);
      }
      return kept;
    }
    if (still) s.cache.drop(it);
  }
  bool settled = false;
  std::shared_ptr<DirectoryListing> listing = readListing(posixDir, settled);
  if (!listing) return nullptr;
  listing->text.shrink_to_fit();
  listing->names.shrink_to_fit();
  listing->uncarried.shrink_to_fit();
  size_t need = listing->bytes();
  if (!settled) return listing;
  std::lock_guard<std::mutex> lock(s.mutex);
  auto it = s.cache.find(posixDir);
  if (it != s.cache.order.end()) s.cache.drop(it);  // read by another thread meanwhile
  if (s.cache.makeRoom(need, now)) s.cache.keep(listing, need, now, search);
  return listing;
}

std::vector<std::string> keptListings() {
  SharedCache& s = shared();
  std::lock_guard<std::mutex> lock(s.mutex);
  std::vector<std::string> dirs;
  for (const Cache::Kept& k : s.cache.order) dirs.push_back(k.listing->posixDir);
  return dirs;
}

void setListingCacheLimits(size_t bytes, std::chrono::milliseconds idleLife,
                           std::chrono::milliseconds trustedFor) {
  SharedCache& s = shared();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.cache.budget = bytes;
  s.cache.idleLife = idleLife;
  s.cache.trustedFor = trustedFor;
  s.cache.makeRoom(0, Clock::now());
}

}  // namespace vwin

WINAPI_EXPORT void VwinWithholdFromListings(dev_t device, ino_t inode) {
  vwin::withheldDevice.store(device);
  vwin::withheldInode.store(inode);
  vwin::withheldSeen.store(false);
}

WINAPI_EXPORT BOOL VwinWithheldFileListed(void) { return vwin::withheldSeen.load() ? TRUE : FALSE; }
