// Quickfix files: a page's hits as "FILE:LINE:COLUMN: TEXT" lines, one a hit, for an editor to
// load (`vim -q FILE`), written to a new file in the user's state directory ($XDG_STATE_HOME/
// vantrel, else ~/.local/state/vantrel, made private), where those more than a week old are
// removed when another is written.
// Threading: none of its own (quickfixLines under host/tui/tui_message_list.h's lock).
// Tested by tests/tui_message_list_test.cpp and tests/tui_results_test.cpp.
#ifndef VANTREL_HOST_TUI_QUICKFIX_H_
#define VANTREL_HOST_TUI_QUICKFIX_H_

#include <string>
#include <string_view>

#include "host/tui/tui_page.h"

namespace tui {

// The page's hits as quickfix lines; `lines` gets their number.
std::string quickfixLines(const Page& page, long* lines);

// Writes `text` to `path` (created or replaced; a symbolic link is refused). False with errno set.
bool writeQuickfixFile(const std::string& path, std::string_view text);

// Where quickfix files go: `configured` when given, else the user's state directory.
std::string quickfixDirectory(const std::string& configured);

// Makes `path` and its parents as private directories; false when it is not a directory after.
bool makeDirectories(const std::string& path);

// Removes the quickfix files in `dir` ("search-*.qf", plain files) more than a week old.
void pruneQuickfixes(const std::string& dir);

// A word for a shell line: quoted when it holds anything but plain path characters.
std::string shellWord(const std::string& word);

}  // namespace tui

#endif  // VANTREL_HOST_TUI_QUICKFIX_H_
