// The preview pane: the lines around the selected hit, read from its file, with their numbers,
// the hit's line marked and its matched text highlighted. The matched text's length is the text
// searched for in a plain search; for a pattern, the match the add-on's engine finds at the hit's
// column (host/tui/tui_hit_match.h), or the word there when the line no longer holds it.
//
// One file is kept read at a time (the last one shown, host/tui/tui_file_lines.h). Tabs
// are shown as blanks up to the next multiple of 8, and control characters escaped
// (host/ide/text_encoding.h). Threading: the thread that owns the curses screen.
// Tested by tests/host/tui/tui_results_test.cpp.
#ifndef VANTREL_HOST_TUI_PREVIEW_H_
#define VANTREL_HOST_TUI_PREVIEW_H_

#include <string>
#include <string_view>

#include "host/tui/tui_file_lines.h"
#include "host/tui/tui_hit_match.h"
#include "host/tui/tui_message_list.h"
#include "host/tui/tui_search_request.h"

namespace tui {

// Where the matched text lies in a hit's display text (`shown`, escaped): the first occurrence,
// regardless of ASCII case, of the text searched at or before the hit's column. Answers false
// when the request is a pattern or the text is not found.
bool matchInShown(std::string_view shown, const SearchRequest& request, int column, size_t* at,
                  size_t* length);

class Preview {
 public:
  // Draws the pane in the rectangle of cells (top, left, height, width) for the selected `row`
  // (a hit, or a heading for its first hit); other rows leave it blank. The hit's line stands in
  // the middle, or `scroll` lines further on (back when negative), as far as the file's ends
  // allow; answers the scroll so kept.
  int draw(const Row& row, const SearchRequest& request, int top, int left, int height, int width,
           int scroll = 0);

 private:
  FileLines lines_;  // the file shown last
  HitMatcher matcher_;
};

}  // namespace tui

#endif  // VANTREL_HOST_TUI_PREVIEW_H_
