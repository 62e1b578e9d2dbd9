// The command's listing switches (see host/cli/listing_switches.h).
// Tested by tests/host/cli/command_e2e_test.cpp and tests/host/tui/tui_program_test.cpp.
#include "host/cli/listing_switches.h"

#include "host/ide/file_size_limit.h"
#include "listing/listing_policy.h"

namespace vantrel {

std::string describeListingSwitches(const vlisting::ListingSwitches& switches) {
  std::string out = switches.ignoreFiles ? "ignore files on" : "ignore files off";
  if (!switches.excludes.empty()) {
    out += ", excluding";
    for (const std::string& pattern : switches.excludes) out += " " + pattern;
  }
  if (switches.hidden) out += ", hidden";
  if (switches.follow) out += ", following links";
  return out;
}

void applySearchScopeSwitches(const CommandLine& line) {
  vlisting::applyListingSwitches(line.listing);
  if (line.maxFileSize)
    host::limitFileSizeForThisRun(*line.maxFileSize);
  else
    host::useHostDefaultFileSize();
}

}  // namespace vantrel
