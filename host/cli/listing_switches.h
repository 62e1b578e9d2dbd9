// What the command's switches make of what a search takes: the listing switches of the command
// line (--no-ignore, --hidden, every --exclude) applied by the listing policy
// (listing/listing_policy.h), and the add-on's file size limit for this run (--max-filesize,
// host/ide/file_size_limit.h). The command and the full-screen program set them before their first
// search; the full-screen program may turn ignore files off and on again between searches.
//
// Threading: the thread that starts the searches, never while one runs. Tested by
// tests/host/cli/command_e2e_test.cpp and tests/host/tui/tui_program_test.cpp.
#ifndef VANTREL_HOST_LISTING_SWITCHES_H_
#define VANTREL_HOST_LISTING_SWITCHES_H_

#include <string>

#include "host/cli/command_args.h"
#include "listing/listing_switches.h"

namespace vantrel {

// The switches in words, as a page's header shows them: "ignore files on, excluding *.o build/,
// hidden" ("ignore files off" with them off).
std::string describeListingSwitches(const vlisting::ListingSwitches& switches);

// Sets the listing switches and the file size limit from the command line (else our hosts'
// default where the registry holds none), for every search from now on.
void applySearchScopeSwitches(const CommandLine& line);

}  // namespace vantrel

#endif  // VANTREL_HOST_LISTING_SWITCHES_H_
