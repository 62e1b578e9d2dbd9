// The command's listing switches (see host/cli/listing_switches.h).
// Tested by tests/host/cli/command_e2e_test.cpp and tests/host/tui/tui_program_test.cpp.
#include "host/cli/listing_switches.h"

#include "host/ide/file_size_limit.h"
#include "win32/kernel32/listing_rules.h"

namespace vantrel {

ListingSwitches listingSwitches(const CommandLine& line) {
  return {line.ignoreFiles, line.hidden, line.excludes};
}

void applyListingSwitches(const ListingSwitches& switches) {
  std::string excludes;
  for (const std::string& pattern : switches.excludes) excludes.append(pattern).push_back('\0');
  excludes.push_back('\0');
  VWIN_LISTING_RULES rules{};
  rules.ignoreFiles = switches.ignoreFiles ? TRUE : FALSE;
  rules.dotNames = switches.hidden ? TRUE : FALSE;
  rules.excludes = switches.excludes.empty() ? nullptr : excludes.c_str();
  VwinSetListingRules(&rules);
}

std::string describeListingSwitches(const ListingSwitches& switches) {
  std::string out = switches.ignoreFiles ? "ignore files on" : "ignore files off";
  if (!switches.excludes.empty()) {
    out += ", excluding";
    for (const std::string& pattern : switches.excludes) out += " " + pattern;
  }
  if (switches.hidden) out += ", hidden";
  return out;
}

void applySearchScopeSwitches(const CommandLine& line) {
  applyListingSwitches(listingSwitches(line));
  if (line.maxFileSize) host::limitFileSizeForThisRun(*line.maxFileSize);
}

}  // namespace vantrel
