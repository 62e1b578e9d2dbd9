// What the command's switches make of what a search takes: the listing rules of the Win32 layer
// (win32/kernel32/listing_rules.h: ignore files on unless --no-ignore, dot names with --hidden,
// every --exclude) and the add-on's file size limit for this run (--max-filesize,
// host/ide/file_size_limit.h). The command and the full-screen program set them before their first
// search.
//
// Threading: the thread that starts the searches. Tested by tests/host/cli/command_e2e_test.cpp.
#ifndef VANTREL_HOST_LISTING_SWITCHES_H_
#define VANTREL_HOST_LISTING_SWITCHES_H_

#include "host/cli/command_args.h"

namespace vantrel {

// Sets the listing rules and the file size limit from the command line, for every search from
// now on.
void applySearchScopeSwitches(const CommandLine& line);

}  // namespace vantrel

#endif  // VANTREL_HOST_LISTING_SWITCHES_H_
