// The verdicts of the rules on the entries of one listing: which the rules hide, and why.
//
// An entry's verdict is kept with its directory's rules for as long as its listing lives, so a
// search judges each entry of a directory once, however often it lists it (by mask and for
// subdirectories, when counting and when searching). The host's exclusions come first; then the
// first pattern of the ignore files that matches decides, and a negated one shows the entry. With
// dot names shown, a dot name is not hidden for its dot (".git" stays hidden).
//
// Invariants: judging an entry allocates nothing but the passed-over key of an entry hidden, and
// builds its path only for a pattern that tests whole paths ("**", a set or an escape in an
// anchored pattern). Threading: a judge serves one file search on one thread, holding its
// directory's verdicts while it lives. Tested by tests/listing/listing_rules_test.cpp.
#ifndef VANTREL_LISTING_VERDICTS_H_
#define VANTREL_LISTING_VERDICTS_H_

#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "listing/directory_rules.h"
#include "win32/kernel32/attributes.h"
#include "win32/kernel32/listing_hook.h"

namespace vlisting {

class ListingRules final : public vwin::EntryJudge {
 public:
  // The judge of `listing` by `rules` (nullptr: of entries given one by one, nothing kept);
  // `count`: whether an entry hidden is counted as passed over.
  ListingRules(std::shared_ptr<const DirectoryRules> rules,
               const std::shared_ptr<const vwin::DirectoryListing>& listing, bool count);

  // Most entries were judged before and shown: the verdict kept answers.
  DWORD apply(size_t index, const char* name, size_t length, DWORD attributes) override {
    if (dotNames_ && name[0] == '.' && !(length == 4 && std::memcmp(name, ".git", 4) == 0))
      attributes &= ~FILE_ATTRIBUTE_HIDDEN;
    if (vwinHiddenOrSystem(attributes)) return attributes;
    uint8_t judged = index < verdicts_->size() ? (*verdicts_)[index] : 0;
    if (judged == kShownEntry) return attributes;
    return judge(index, name, length, attributes, judged);
  }

 private:
  // apply() for an entry not judged yet (`judged` 0) or hidden.
  DWORD judge(size_t index, const char* name, size_t length, DWORD attributes, uint8_t judged);

  std::shared_ptr<const DirectoryRules> rules_;
  bool dotNames_ = false;
  std::unique_lock<std::mutex> memoLock_;  // held while the verdicts below are used
  std::vector<uint8_t>* verdicts_ = nullptr;
  std::vector<uint8_t> unkept_;  // none: the verdicts of a judge with no listing
  std::string path_;
  std::string realPath_;
  bool count_ = true;
};

}  // namespace vlisting

#endif  // VANTREL_LISTING_VERDICTS_H_
