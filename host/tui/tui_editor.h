// Opening a file at a line in the user's editor: $VISUAL, else $EDITOR, else vi, started with its
// arguments as words (the variable split at blanks, no shell ever involved), then "+LINE" and the
// path. The caller hands the terminal over before and takes it back after.
//
// Threading: the front end's thread (it waits for the editor). Tested by
// tests/tui_editor_test.cpp and tests/tui_app_test.cpp.
#ifndef VANTREL_HOST_TUI_EDITOR_H_
#define VANTREL_HOST_TUI_EDITOR_H_

#include <string>
#include <vector>

namespace tui {

// The editor's argument vector for `path` at `line` (line 0 or less: no line argument).
std::vector<std::string> editorCommand(const std::string& path, int line);

// Runs the command and waits for it. Answers its exit status, 127 when it could not be started,
// or -1 when no process could be made.
int runCommand(const std::vector<std::string>& argv);

}  // namespace tui

#endif  // VANTREL_HOST_TUI_EDITOR_H_
