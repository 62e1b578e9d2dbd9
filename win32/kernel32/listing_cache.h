// Directory listings for the file search, each read once and kept while the directory stays as
// it was.
//
// A search walks a tree twice (once to count its files, once to search them) and asks for each
// directory twice per visit (its files by mask, then "*.*" for its subdirectories). Every one of
// those answers comes from one read of the directory: a listing is kept, for the process, with the
// directory's identity and change times taken before its read, and a later request whose stat of
// the directory shows the same identity and times is answered from it, at the cost of that one
// stat instead of an open, a read and a sort. A directory changed in the last 100 ms before its
// read is never kept, since its times might not move at a change in the same tick of the file
// system's clock. Within one search (vwin::searchUnderWay), a listing that search read or found
// unchanged less than 2 s ago answers without the stat: a search sees each directory as it was
// when it first listed it (a change since shows to the next search, or to this one 2 s on), so
// its counting pass and its search walk the same tree. Outside a search every request stats.
//
// Invariants: a listing never changes once made; the names are in NTFS listing order (compared
// byte by byte after folding ASCII letters to upper case, ties broken by the raw bytes, "." and
// ".." first); names holding a backslash, which no Windows path can carry, are kept apart in
// `uncarried`, and names of MAX_PATH bytes or more are left out. The listings kept take at most
// kListingCacheBytes; when that is full, the least recently used listing makes room
// once it has been unused for a while, or else a new listing is answered but not kept. So a tree
// whose listings pass the bound is read again only where they do not fit, each listing costs the
// same whatever the cache holds, and the memory stays bounded on a tree of any size. Ownership: a
// listing is shared; a search handle may keep its listing after the cache dropped it. Threading:
// any thread; the cache is under one lock, held neither while a directory is read nor while it is
// stat'ed, and a listing may be read from any thread. Tested by
// tests/win32/kernel32/findfile_test.cpp.
#ifndef VANTREL_WIN32_LISTING_CACHE_H_
#define VANTREL_WIN32_LISTING_CACHE_H_

#include <sys/stat.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "win32/include/windef.h"

namespace vwin {

struct DirectoryListing {
  struct Name {
    uint32_t offset;     // into `text`, where the name starts (NUL-terminated)
    uint16_t length;     // without the terminator
    unsigned char type;  // d_type as the file system gave it
  };
  // What tells whether the directory changed since the read.
  struct Stamp {
    dev_t device;
    ino_t inode;
    struct timespec modified;
    struct timespec changed;
    off_t size;
  };
  std::string posixDir;
  Stamp stamp{};
  std::string text;         // every name, each followed by a NUL
  std::vector<Name> names;  // in listing order
  // Names holding a backslash, which no Windows path can carry: never listed, only counted as
  // passed over (win32/kernel32/listing_hook.h). In the order read.
  std::vector<Name> uncarried;

  // What the host's listing policy keeps with this listing (win32/kernel32/listing_hook.h), so
  // that every listing of the directory finds it without a lookup; `attachedKey` tells what it
  // was made for. Guarded by `attachedMutex`.
  mutable std::mutex attachedMutex;
  mutable std::shared_ptr<const void> attached;
  mutable uint64_t attachedKey[2] = {};

  // The names a file mask matched, kept for the directory's later requests by the same mask
  // (win32/kernel32/findfile.cpp): the mask as given, the ANSI code page it was folded in, and
  // the indexes into `names` it matched, ascending. At most kMaskedKept masks and names.size()
  // indexes in all, which bytes() counts from the start, so the cache's budget holds whatever is
  // kept here.
  static constexpr size_t kMaskedKept = 2;
  struct Masked {
    std::string mask;
    UINT codePage;
    std::shared_ptr<const std::vector<uint32_t>> matched;
  };
  mutable std::mutex maskedMutex;
  mutable std::vector<Masked> masked;

  const char* name(const Name& n) const { return text.data() + n.offset; }
  // What keeping the listing costs, for the cache's budget.
  size_t bytes() const;
};

// About twice the kernel's 5,096 directories (3 MB): a search of a tree that size reads each
// directory once, and the process stays far below its memory bound on any tree.
constexpr size_t kListingCacheBytes = 6u << 20;

// The listing of `posixDir`: kept from an earlier request when the directory is unchanged, else
// read afresh. NULL with errno set when the directory cannot be opened or read.
std::shared_ptr<const DirectoryListing> listDirectory(const char* posixDir);

// For tests: the directories whose listings are kept, least recently used first; and the budget,
// idle life and trust of the cache (at once dropping what no longer fits).
std::vector<std::string> keptListings();
void setListingCacheLimits(size_t bytes, std::chrono::milliseconds idleLife,
                           std::chrono::milliseconds trustedFor = std::chrono::seconds(2));

}  // namespace vwin

// Leaves the file of this identity out of every directory read from now on: the host's own
// output file, which a search must not read while it grows, under its name, another hard link's
// or a symbolic link leading to it. Inode 0 withholds nothing. Set before a
// search, with no listing of that directory kept yet. Any thread.
WINAPI_EXPORT void VwinWithholdFromListings(dev_t device, ino_t inode);
// Whether a directory read since VwinWithholdFromListings held the withheld file.
WINAPI_EXPORT BOOL VwinWithheldFileListed(void);

#endif  // VANTREL_WIN32_LISTING_CACHE_H_
