// Which listed entries the host's rules hide: ignore files, exclusions and dot names.
//
// The host sets the rules before a search (VwinSetListingRules); until then, and for the IDE's
// module, no rule is active and a listing is what win32/kernel32/attributes.h makes it. With the
// rules on, FindFirstFileA marks hidden every entry that git would ignore by the .gitignore files
// of its directory and of the parents up to the repository's root (the directory holding ".git"),
// the repository's info/exclude and git's excludes file (core.excludesFile, else
// $XDG_CONFIG_HOME/git/ignore); or that a ".ignore" file of its directory or any parent ignores
// (same syntax, in or out of a repository, and ahead of .gitignore); or that an exclusion matches
// (gitignore syntax, anchored at the current directory when the rules were set; ahead of both).
// Deeper files come before shallower, later lines before earlier; the first pattern that matches
// decides, and a negated one shows the entry. A walk never enters a hidden directory, so what lies
// under an ignored one stays unseen; a directory the user names is walked from inside, never
// listed, so it is searched even when ignored, and its entries follow the rules as any others.
// With dot names shown, a dot name is not hidden for its dot (".git" stays hidden).
//
// Invariants: ignore files are read once per directory per search (from one VwinSetListingRules
// or VwinStartPassedOverCount, which the host calls as a search starts, to the next), so a
// search's counting pass and its search share them and an edit shows at the next search; judging an
// entry allocates nothing but the passed-over key of an entry left out, and builds its path only
// for a pattern that tests whole paths ("**", a set or an escape in an anchored pattern): the
// others are tried on the name alone, an anchored one in the directory its leading components lead
// to. Threading: any thread; the rules are shared. Tested by tests/ignore_test.cpp and
// tests/host/cli/command_e2e_test.cpp.
#ifndef VANTREL_WIN32_LISTING_RULES_H_
#define VANTREL_WIN32_LISTING_RULES_H_

#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "win32/include/windef.h"
#include "win32/kernel32/attributes.h"

typedef struct VWIN_LISTING_RULES {
  BOOL ignoreFiles;      // honour .gitignore, .ignore and git's exclude files
  BOOL dotNames;         // list dot names, but ".git", unhidden
  const char* excludes;  // patterns, each ended by a NUL, the list by an empty one; or NULL
} VWIN_LISTING_RULES;

// Sets the rules for the searches from now on (NULL: none) and forgets every ignore file read.
WINAPI_EXPORT void VwinSetListingRules(const VWIN_LISTING_RULES* rules);

namespace vwin {

struct DirectoryListing;
struct DirectoryRules;

// Forgets every ignore file read, so that the next listing reads them afresh.
void forgetIgnoreFiles();

// The rules over the entries of one directory, for one file search. An entry's verdict is kept
// with the directory's rules for as long as its listing lives, so a search judges each entry of
// a directory once, however often it lists it (by mask and for subdirectories, when counting and
// when searching).
class ListingRules {
 public:
  // `posixDir` as FindFirstFileA opened it (relative to the current directory, or absolute), and
  // its listing.
  // `count`: whether an entry the rules hide is counted as passed over (not for a listing read
  // ahead of the walk, which may never reach it).
  ListingRules(const char* posixDir, const std::shared_ptr<const DirectoryListing>& listing,
               bool count = true);
  ~ListingRules();
  // The attributes of the listing's entry `index` (not "." nor ".."; kNotListed for a name
  // outside `names`), named `name`, after the rules, from those the file alone gives; an entry
  // the rules hide is counted as passed over.
  // Inline: a listing asks it for every entry, and most entries were judged before and shown.
  DWORD apply(size_t index, const char* name, size_t length, DWORD attributes) const {
    if (!rules_) return attributes;
    if (dotNames_ && name[0] == '.' && !(length == 4 && std::memcmp(name, ".git", 4) == 0))
      attributes &= ~FILE_ATTRIBUTE_HIDDEN;
    if (vwinHiddenOrSystem(attributes)) return attributes;
    uint8_t judged = index < verdicts_->size() ? (*verdicts_)[index] : 0;
    if (judged == kShown) return attributes;
    return judge(index, name, length, attributes, judged);
  }
  static constexpr size_t kNotListed = ~size_t{0};

 private:
  static constexpr uint8_t kShown = 1;  // a verdict: the rules leave the entry shown
  // apply() for an entry not judged yet (`judged` 0) or hidden.
  DWORD judge(size_t index, const char* name, size_t length, DWORD attributes,
              uint8_t judged) const;

  std::shared_ptr<const DirectoryRules> rules_;
  bool dotNames_ = false;
  std::unique_lock<std::mutex> memoLock_;  // held while the verdicts below are used
  std::vector<uint8_t>* verdicts_ = nullptr;
  mutable std::string path_;
  bool count_ = true;
};

}  // namespace vwin

#endif  // VANTREL_WIN32_LISTING_RULES_H_
