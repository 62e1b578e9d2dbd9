// Linked folders and the guard that enters each folder once (see listing/linked_folders.h).
// Tested by tests/listing/listing_rules_test.cpp and tests/host/cli/command_e2e_test.cpp.
#include "listing/linked_folders.h"

#ifndef _WIN32
#include <dirent.h>
#endif

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <utility>

#include "listing/directory_rules.h"
#include "listing/folder_identity.h"
#include "listing/passed_over.h"
#include "win32/kernel32/attributes.h"
#include "win32/kernel32/listing_cache.h"

namespace vlisting {

namespace {

std::atomic<bool> following{false};

// The folders the search under way entered, by identity, with the path it first reached each by.
struct Guard {
  std::mutex mutex;
  uint64_t search = ~uint64_t{0};
  std::map<FolderIdentity, std::string> firstPath;
};

Guard& guard() {
  static Guard* g = new Guard;  // a worker may still search while the process exits
  return *g;
}

enum class Admitted { kEnter, kReachedAgain, kGone };

// Whether the folder at `path` may be entered: its identity is new to this search (then it is
// kept with `path` when `claim`), or was first reached by this very path.
Admitted admit(const std::string& path, bool claim) {
  FolderIdentity key;
  if (!folderIdentity(path, key)) return Admitted::kGone;
  Guard& g = guard();
  std::lock_guard<std::mutex> lock(g.mutex);
  uint64_t search = searchUnderWay();
  if (search != g.search) {
    g.firstPath.clear();
    g.search = search;
  }
  auto at = g.firstPath.find(key);
  if (at == g.firstPath.end()) {
    if (claim) g.firstPath.emplace(key, path);
    return Admitted::kEnter;
  }
  return at->second == path ? Admitted::kEnter : Admitted::kReachedAgain;
}

// Whether a listing may hold a link: an entry that is one, or whose type the file system did not
// tell. Entries given one by one (no listing) may be anything.
bool holdsLinks(const vwin::DirectoryListing* listing) {
#ifndef _WIN32
  if (!listing) return true;
  for (const vwin::DirectoryListing::Name& n : listing->names)
    if (n.type == DT_LNK || n.type == DT_UNKNOWN) return true;
  return false;
#else
  (void)listing;  // the Windows command gives entries one by one
  return true;
#endif
}

class LinkedFolders final : public vwin::EntryJudge {
 public:
  LinkedFolders(const char* posixDir, bool count, std::unique_ptr<vwin::EntryJudge> rules)
      : rules_(std::move(rules)), follow_(following.load()), count_(count) {
    absoluteDirectory(posixDir, dir_);
    // The listed folder itself is reached by its own path: a link back to it is a loop.
    if (follow_) admit(dir_, count_);
  }

  DWORD apply(size_t index, const char* name, size_t length, DWORD attributes) override {
    constexpr DWORD kLinked = FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY;
    bool link = (attributes & kLinked) == kLinked;
    // A linked folder is judged by the rules as the folder it reads as.
    if (link) attributes &= ~FILE_ATTRIBUTE_SYSTEM;
    if (rules_) attributes = rules_->apply(index, name, length, attributes);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || vwinHiddenOrSystem(attributes))
      return attributes;
    if (!follow_ && !link) return attributes;
    path_.assign(dir_).append(1, '/').append(name, length);
    PassedOver why = PassedOver::kLinkedFolder;
    if (follow_) {
      Admitted admitted = admit(path_, count_);
      if (admitted == Admitted::kEnter) return attributes;
      if (admitted == Admitted::kReachedAgain) why = PassedOver::kFolderReachedAgain;
    }
    if (count_ && countingPassedOver()) notePassedOver(why, path_);
    return attributes | FILE_ATTRIBUTE_SYSTEM;
  }

 private:
  std::unique_ptr<vwin::EntryJudge> rules_;
  bool follow_;
  bool count_;
  std::string dir_;   // the listed folder's absolute path, "" for the root
  std::string path_;  // an entry's, in a buffer the listing's entries share
};

}  // namespace

void setLinkedFolders(bool follow) { following.store(follow); }

std::unique_ptr<vwin::EntryJudge> judgeLinkedFolders(
    const char* posixDir, const std::shared_ptr<const vwin::DirectoryListing>& listing, bool count,
    std::unique_ptr<vwin::EntryJudge> rules) {
  if (!following.load() && !holdsLinks(listing.get())) return rules;
  return std::make_unique<LinkedFolders>(posixDir, count, std::move(rules));
}

}  // namespace vlisting
