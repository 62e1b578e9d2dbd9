// The preview pane: the lines around the selected hit, read from its file, with their numbers,
// the hit's line marked and its matched text highlighted. The matched text's length is the text
// searched for in a plain search; for a pattern, whose match length the message window does not
// carry, the word at the hit's column is highlighted.
//
// One file is kept read at a time (the last one shown), up to 16 MiB, and read again when the file
// on disk changed (its size, times or identity) since; a file that cannot be read shows why, one
// no longer there says so. Lines end where the search ends them: at CR, LF, CR LF or LF CR. Tabs
// are shown as blanks up to the next multiple of 8, and control characters escaped
// (host/ide/text_encoding.h). Threading: the thread that owns the curses screen.
// Tested by tests/host/tui/tui_results_test.cpp.
#ifndef VANTREL_HOST_TUI_PREVIEW_H_
#define VANTREL_HOST_TUI_PREVIEW_H_

#include <sys/types.h>

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

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
  // (a hit, or a heading for its first hit); other rows leave it blank.
  void draw(const Row& row, const SearchRequest& request, int top, int left, int height, int width);

 private:
  bool load(const std::string& path);

  // What the file on disk was when it was read.
  struct Stamp {
    bool present = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    time_t modified = 0;
    long modifiedNs = 0;
    time_t changed = 0;
    long changedNs = 0;
    bool operator==(const Stamp&) const = default;
  };

  std::string path_;
  Stamp stamp_;
  std::string error_;
  std::string text_;
  std::vector<size_t> lineStarts_;
  std::vector<size_t> lineEnds_;  // where each line's text ends, its line end excluded
};

}  // namespace tui

#endif  // VANTREL_HOST_TUI_PREVIEW_H_
