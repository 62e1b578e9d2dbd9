// The rules over each directory's entries, built once per search from its parent's and its own
// ignore files, and kept by directory for the rest of the search.
//
// A directory's rules hold the chain of ignore files in force (git's excludes file, the
// repository's info/exclude and the .gitignore files from the work tree's root down; the .ignore
// files from the file system's root down), shared with every subdirectory that adds no file, and
// those files' patterns compiled. An anchored pattern is carried down a component at a time
// (Pending) and becomes a test of names in the directory it reaches. A directory holding ".git"
// starts a repository of its own: an enclosing one's git rules stop there.
//
// Memory: a file's patterns are read and compiled once, and shared by every directory below
// its own, never copied; a directory adds its name tests (shared by every directory the same
// patterns reach with the same components left) and the list of sets in force where it adds a
// file. So a large ignore file costs the same over ten directories as over ten thousand.
//
// Invariants: ignore files are read once per directory per search (from one setListingRules or
// forgetIgnoreFiles, which the host's start of a search calls, to the next), so a search's
// counting pass and its search share them and an edit shows at the next search.
// Threading: any thread; the table is under one lock, and a directory's rules never change once
// made but for their verdicts, which have a lock of their own. Tested by
// tests/listing/listing_rules_test.cpp.
#ifndef VANTREL_LISTING_DIRECTORY_RULES_H_
#define VANTREL_LISTING_DIRECTORY_RULES_H_

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "listing/compiled_rules.h"
#include "listing/listing_switches.h"
#include "listing/rule_file.h"

namespace vwin {
struct DirectoryListing;
}

namespace vlisting {

// The ignore files in force in a directory; shared by its subdirectories that add none.
struct Chain {
  std::string gitDir;   // of the repository holding the directory; empty outside one
  RuleFiles git;        // git's excludes file, info/exclude, then .gitignore from the root down
  RuleFiles dotIgnore;  // .ignore files from the file system's root down
  // Each file's patterns but the anchored ones taken a component at a time (see Pending),
  // compiled once when the file is read (nullptr for a file with none), by file as above.
  std::vector<std::shared_ptr<const Compiled>> gitSets, ignoreSets;
  // The sets of both, highest rank first: .ignore files, then git's, each the deepest first.
  std::vector<std::shared_ptr<const Compiled>> sets;
};

// An anchored pattern on its way down: the components of its text from `at` on are matched
// against the paths relative to the directory holding it. When one component is left, it is a
// name test of the directory's entries; else a subdirectory whose name matches the first one
// holds it with the rest.
struct Pending {
  const IgnorePattern* pattern;
  uint64_t rank;
  Judged source;
  uint32_t at;
  auto operator<=>(const Pending&) const = default;
};

// What decides over the entries of one directory.
struct DirectoryRules {
  std::string dir;      // absolute, "" for the root, as the walk names it
  std::string realDir;  // the same directory without symbolic links, when that is another name
  bool ignoreFiles = false;
  bool dotNames = false;
  std::shared_ptr<const Compiled> excludes;
  std::shared_ptr<const Chain> chain;  // nullptr with ignore files off
  // The anchored patterns with more than one component left, for the subdirectories.
  std::vector<Pending> pending;
  // The anchored patterns whose last component names entries here, compiled; nullptr for none.
  std::shared_ptr<const Compiled> nameTests;
  // The verdicts on the entries of one listing of `dir` (listing/verdicts.h), by entry index:
  // 0 not judged yet, else a Judged value.
  mutable std::mutex memoMutex;
  mutable std::weak_ptr<const vwin::DirectoryListing> memoListing;
  mutable std::vector<uint8_t> verdicts;

  // The directory the ignore files' patterns are relative to: where it really is.
  const std::string& base() const { return realDir.empty() ? dir : realDir; }

  // Whether the rules may hide or show anything at all.
  bool anyRule() const {
    return dotNames || excludes || nameTests || (chain && !chain->sets.empty());
  }

  // The first pattern of the ignore files in force here that matches the entry `name`, or
  // nullptr (see Compiled::firstMatch).
  template <class FullPath>
  const Candidate* firstMatch(std::string_view name, bool directory, FullPath&& full) const {
    const Candidate* found = nameTests ? nameTests->firstMatch(name, directory, full) : nullptr;
    if (chain)
      for (const std::shared_ptr<const Compiled>& set : chain->sets) {
        // The sets' ranks do not overlap: a later set cannot outrank a match found.
        if (found && found->rank > set->candidates.front().rank) break;
        if (const Candidate* match = set->firstMatch(name, directory, full)) {
          if (!found || match->rank > found->rank) found = match;
          break;
        }
      }
    return found;
  }
};

// Leaves in `path` the absolute name of `posixDir` (as FindFirstFileA opened it: relative to the
// current directory, or absolute), without "." and ".." components, reusing `path`'s buffer.
void absoluteDirectory(const char* posixDir, std::string& path);

// Sets the switches of the searches from now on and forgets every ignore file read.
void setListingRules(const ListingSwitches& switches);
// Whether any rule is in force (ignore files, dot names or an exclusion).
bool listingRulesActive();
// Forgets every ignore file read, so that the next listing reads them afresh.
void forgetIgnoreFiles();
// What tells the rules of a directory made now from those made before a change of the switches
// or a forgetIgnoreFiles: moves on at each.
uint64_t rulesGeneration();

// The rules of the directory `posixDir` (as FindFirstFileA opened it: relative to the current
// directory, or absolute); `listing` (or nullptr) is a listing of it, which tells without a
// system call which of its ignore files exist.
std::shared_ptr<const DirectoryRules> directoryRules(const char* posixDir,
                                                     const vwin::DirectoryListing* listing);

}  // namespace vlisting

#endif  // VANTREL_LISTING_DIRECTORY_RULES_H_
