// The command's listing switches (see host/cli/listing_switches.h).
// Tested by tests/host/cli/command_e2e_test.cpp.
#include "host/cli/listing_switches.h"

#include <string>

#include "host/ide/file_size_limit.h"
#include "win32/kernel32/listing_rules.h"

namespace vantrel {

void applySearchScopeSwitches(const CommandLine& line) {
  std::string excludes;
  for (const std::string& pattern : line.excludes) excludes.append(pattern).push_back('\0');
  excludes.push_back('\0');
  VWIN_LISTING_RULES rules{};
  rules.ignoreFiles = line.ignoreFiles ? TRUE : FALSE;
  rules.dotNames = line.hidden ? TRUE : FALSE;
  rules.excludes = line.excludes.empty() ? nullptr : excludes.c_str();
  VwinSetListingRules(&rules);
  if (line.maxFileSize) host::limitFileSizeForThisRun(*line.maxFileSize);
}

}  // namespace vantrel
