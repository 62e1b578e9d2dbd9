// The vantrel command's run: the host assembled, the add-on loaded, the project opened, the tool
// run with the selected nodes and its dialog driven with what the command line gives, the
// message window shown in the chosen format, then the project closed and the add-on unloaded.
//
// Exit status: 0 when a hit was listed, 1 when none, 2 when the search could not run (bad
// arguments, no add-on, the dialog not confirmed, a pattern refused, results that could not be
// written), 130 when the user stopped it. Every status 2 comes with its reason on `err`. What the
// search passed over (directories not found or unreadable, paths too long, names no Windows path
// can carry, files the add-on refused) is counted in one line on `err`, after the run.
// Ctrl-C (SIGINT) during a blocking search acts as Esc held down; during an asynchronous search it
// runs the tool again and answers its stop question Yes. With the asynchronous option the command
// waits for the worker search to end before it unloads the add-on.
//
// Threading: the calling thread is the IDE's thread. Installs a SIGINT handler for the run.
// Tested by tests/host/cli/command_e2e_test.cpp.
#ifndef VANTREL_HOST_COMMAND_RUN_H_
#define VANTREL_HOST_COMMAND_RUN_H_

#include <ostream>
#include <string>

#include "host/cli/command_args.h"

namespace vantrel {

// The add-on module to load: VANTREL_ADDON, else vantrel.so next to the running program, else
// (an installed tree) ../libexec/vantrel/vantrel.so from the program's folder.
std::string findAddOn();

// Runs the command; messages for the user go to `err` as single lines. Answers the exit status.
int runCommand(const CommandLine& line, const std::string& addOnPath, std::ostream& out,
               std::ostream& err);

}  // namespace vantrel

#endif  // VANTREL_HOST_COMMAND_RUN_H_
