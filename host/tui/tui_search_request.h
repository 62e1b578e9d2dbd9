// What one search asked for, as the dialog held it when OK was pressed: the text, the file types,
// the directories and the five option boxes; and the listing rules it ran under. The front end
// heads a result page with it, shows paths relative to the directory it searched, and runs it again
// by entering it into the dialog.
//
// Threading: plain values. Tested by tests/host/tui/tui_message_list_test.cpp.
#ifndef VANTREL_HOST_TUI_SEARCH_REQUEST_H_
#define VANTREL_HOST_TUI_SEARCH_REQUEST_H_

#include <cstdint>
#include <string>

#include "search/option_bits.h"

namespace tui {

struct SearchRequest {
  std::string text;
  std::string fileTypes;
  std::string directories;
  int options = 0;     // the boxes' bits (search/option_bits.h)
  bool known = false;  // false: rows that came without a dialog (no search is known)
  std::string rules;   // the listing rules in words ("ignore files on, hidden"), or "": none told
  int64_t time = 0;    // when it was confirmed (seconds since 1970), 0: not told
};

// The options as words ("case sensitive, recursive"), or "" when none is set.
std::string optionWords(int options);

// The page's heading: "needle" (recursive, regular expression) in *.c;*.h, [Current Directory],
// then the rules ("  ignore files on").
// The texts are the add-on's bytes (escaped for the terminal).
std::string describe(const SearchRequest& request);

// The POSIX directory, with a trailing '/', that paths of this search are shown relative to: the
// one directory the search was given, or the current directory.
std::string baseDirectory(const SearchRequest& request);

}  // namespace tui

#endif  // VANTREL_HOST_TUI_SEARCH_REQUEST_H_
