// What the command's switches make of what a search takes: the listing rules of the Win32 layer
// (win32/kernel32/listing_rules.h: ignore files on unless --no-ignore, dot names with --hidden,
// every --exclude) and the add-on's file size limit for this run (--max-filesize,
// host/ide/file_size_limit.h). The command and the full-screen program set them before their first
// search; the full-screen program may turn ignore files off and on again between searches.
//
// Threading: the thread that starts the searches, never while one runs. Tested by
// tests/host/cli/command_e2e_test.cpp and tests/host/tui/tui_program_test.cpp.
#ifndef VANTREL_HOST_LISTING_SWITCHES_H_
#define VANTREL_HOST_LISTING_SWITCHES_H_

#include <string>
#include <vector>

#include "host/cli/command_args.h"

namespace vantrel {

// The listing rules as the switches gave them.
struct ListingSwitches {
  bool ignoreFiles = true;
  bool hidden = false;
  std::vector<std::string> excludes;
};

ListingSwitches listingSwitches(const CommandLine& line);

// Sets `switches` as the listing rules of every search from now on.
void applyListingSwitches(const ListingSwitches& switches);

// The rules in words, as a page's header shows them: "ignore files on, excluding *.o build/,
// hidden" ("ignore files off" with them off).
std::string describeListingSwitches(const ListingSwitches& switches);

// Sets the listing rules and the file size limit from the command line, for every search from
// now on.
void applySearchScopeSwitches(const CommandLine& line);

}  // namespace vantrel

#endif  // VANTREL_HOST_LISTING_SWITCHES_H_
