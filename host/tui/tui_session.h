// The vantrel command as a full-screen program: the host assembled, the add-on loaded and the
// project opened as for a command-line run, then the terminal front end (host/tui/tui_app.h) around
// the tool until the user quits, then the project closed and the add-on unloaded. The file types,
// directories and boxes given on the command line are entered into the first dialog.
//
// Threading: the calling thread is the IDE's thread. Tested by tests/host/tui/tui_program_test.cpp.
#ifndef VANTREL_HOST_TUI_SESSION_H_
#define VANTREL_HOST_TUI_SESSION_H_

#include <ostream>
#include <string>

#include "host/cli/command_args.h"

namespace tui {

// Whether this run is the full-screen program: standard input and output are a terminal, no text
// to find was given and the output is text.
bool wantsTerminalFrontEnd(const vantrel::CommandLine& line);

// Runs it. Answers 0 when a hit was listed, 1 when none, 2 when the add-on or the project could
// not be loaded (one line in `err`).
int runTerminalSession(const vantrel::CommandLine& line, const std::string& addOnPath,
                       std::ostream& err);

}  // namespace tui

#endif  // VANTREL_HOST_TUI_SESSION_H_
