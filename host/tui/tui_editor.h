// Opening a file at a line and column in the user's editor, started with its arguments as words
// (no shell ever involved). VANTREL_EDITOR, when set, is a template whose words may hold {file},
// {line} and {column} ("code --goto {file}:{line}:{column}"); a template without {file} gets the
// path as its last word. Otherwise $VISUAL, else $EDITOR, else vi, with the form the editor
// (told by its program's name) understands for a line and a column: vim and nvim
// "+call cursor(L,C)", emacs, kak and micro "+L:C", nano "+L,C", hx and code "FILE:L:C" (code
// with --goto), and "+L" for vi and any other. The caller hands the terminal over before and
// takes it back after.
//
// Threading: the front end's thread (it waits for the editor). Tested by
// tests/host/tui/tui_editor_test.cpp (the command, the process, and the program starting it).
#ifndef VANTREL_HOST_TUI_EDITOR_H_
#define VANTREL_HOST_TUI_EDITOR_H_

#include <string>
#include <vector>

namespace tui {

// The editor's argument vector for `path` at `line` and `column` (0 or less: not given).
std::vector<std::string> editorCommand(const std::string& path, int line, int column = 0);

// Runs the command and waits for it. Answers its exit status, 127 when it could not be started,
// or -1 when no process could be made.
int runCommand(const std::vector<std::string>& argv);

}  // namespace tui

#endif  // VANTREL_HOST_TUI_EDITOR_H_
