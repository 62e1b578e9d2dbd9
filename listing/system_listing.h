// The listing policy for a host whose add-on lists through the system's own FindFirstFileA: the
// Windows command, whose import hook (host/windows/find_watch.h) hands each entry Windows gives
// to the same judges our layer asks (listing/listing_judge.h), so both commands search the same
// files of a tree and count the same passed over.
//
// An entry is told in the terms the judges know: a dot name is hidden (as our layer has it, and
// as Wine lists it; --hidden shows it), a folder reached through a reparse point (a symbolic link
// or a junction) is a linked folder, and what the system itself hides stays hidden.
//
// Threading: one listing's judge serves one file search on one thread. Tested by
// tests/listing/listing_rules_test.cpp and tests/windows/wine_test.sh.
#ifndef VANTREL_LISTING_SYSTEM_LISTING_H_
#define VANTREL_LISTING_SYSTEM_LISTING_H_

#include <memory>
#include <string_view>

namespace vwin {
class EntryJudge;
}

namespace vlisting {

struct SystemEntry {
  const char* name = "";  // terminated, as the system lists it
  bool folder = false;
  bool linked = false;  // a reparse point: a symbolic link or a junction
  bool hidden = false;  // hidden or system by its attributes
};

class SystemListing {
 public:
  // The judge of one listing of `dir`, absolute as the system names it (C:\src\ on Windows).
  explicit SystemListing(std::string_view dir);
  ~SystemListing();

  // Whether a walk should leave `entry` alone: the policy hides it (counting it when it counts),
  // or the system does and the policy does not show it.
  bool leaveAlone(const SystemEntry& entry);

 private:
  std::unique_ptr<vwin::EntryJudge> judge_;
};

}  // namespace vlisting

#endif  // VANTREL_LISTING_SYSTEM_LISTING_H_
