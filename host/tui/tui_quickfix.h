// Quickfix files: the hits a page shows (those its filter lets through) as
// "FILE:LINE:COLUMN: TEXT" lines, one a hit, for an editor to load (`vim -q FILE`), written to a
// new file in the user's state directory ($XDG_STATE_HOME/vantrel, else ~/.local/state/vantrel,
// made private), where those more than a week old are removed when another is written.
//
// A file's path is written as it is, byte for byte, so the editor opens that very file. A path no
// quickfix line can carry is left out, with its hits counted: one holding a line end, a `$` (the
// reader expands environment variables in names) or a ":LINE:COLUMN" run that a reader would take
// for the hit's place. A hit's text is written as the page shows it (escaped).
// A write that fails removes what it wrote, so no cut file is left for an editor to load.
// Threading: none of its own (quickfixLines under host/tui/tui_message_list.h's lock).
// Tested by tests/host/tui/tui_quickfix_test.cpp and tests/host/tui/tui_message_list_test.cpp.
#ifndef VANTREL_HOST_TUI_QUICKFIX_H_
#define VANTREL_HOST_TUI_QUICKFIX_H_

#include <string>
#include <string_view>

#include "host/tui/tui_page.h"
#include "host/tui/tui_page_filter.h"

namespace tui {

// Whether a quickfix line can carry `path` as its file.
bool quickfixCarries(std::string_view path);

struct QuickfixCounts {
  long written = 0;  // lines
  long shown = 0;    // the hits the filter lets through (all the page's without one)
  long total = 0;    // the page's hits
  long leftOut = 0;  // of the hits shown, those whose path no line can carry
};

// The quickfix lines of the hits of `page` that `filter` lets through (all without one).
std::string quickfixLines(const Page& page, const PageFilter* filter, QuickfixCounts* counts);

// Writes `text` to `path` (created or replaced; a symbolic link is refused). False with errno set,
// and then no file at `path`.
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
