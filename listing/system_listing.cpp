// The listing policy over the system's own listings (see listing/system_listing.h).
// Tested by tests/listing/listing_rules_test.cpp and tests/windows/wine_test.sh.
#include "listing/system_listing.h"

#include <cstring>
#include <string>

#include "listing/listing_judge.h"
#include "listing/system_path.h"
#include "win32/kernel32/attributes.h"

namespace vlisting {

SystemListing::SystemListing(std::string_view dir)
    : judge_(judgeEntries(rulesPath(dir).c_str(), nullptr, true)) {}

SystemListing::~SystemListing() = default;

bool SystemListing::leaveAlone(const SystemEntry& entry) {
  DWORD attributes = entry.folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
  // As our layer reads them: a linked folder is a system one, which the linked folders' judge
  // lets a walk enter when it follows links.
  if (entry.folder && entry.linked)
    attributes |= FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_SYSTEM;
  if (entry.hidden || entry.name[0] == '.') attributes |= FILE_ATTRIBUTE_HIDDEN;
  if (judge_)
    attributes = judge_->apply(vwin::EntryJudge::kNotListed, entry.name, std::strlen(entry.name),
                               attributes);
  return vwinHiddenOrSystem(attributes);
}

}  // namespace vlisting
