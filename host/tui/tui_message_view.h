// The message window on screen: one result page of a MessageList in the area above the status
// row. Its first rows are the page's header (which search of the session, its counts, what was
// searched, whether the user stopped it), wrapped onto as many rows as it takes (up to a third of
// the window) so that the whole search can be read at any width; below it the page's rows, with a
// selection moved by Up, Down, the Page keys, Home and End, and Tab / Shift-Tab to the next and
// previous file. While the rows shown start inside a file's hits, that file's heading stays pinned
// in the first list row (not over the file's last hit: that row stays in view). Left and Right
// scroll long lines sideways by 8 columns, only as far as the longest row shown needs; Home and
// End scroll back to the left edge. The mouse wheel scrolls the rows 3 a notch without moving the
// selection (the next key brings it back into view); a click selects the row clicked.
//
// A page that is shown anew gets its first hit selected as soon as it has one. Once the user
// selects the last row, the view follows new rows; elsewhere rows are added below without moving
// what is shown.
// Threading: the thread that owns the curses screen (the list may grow from any thread).
// Tested by tests/host/tui/tui_message_view_test.cpp and tests/host/tui/tui_app_test.cpp.
#ifndef VANTREL_HOST_TUI_MESSAGE_VIEW_H_
#define VANTREL_HOST_TUI_MESSAGE_VIEW_H_

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <tuple>

#include "host/tui/tui_file_lines.h"
#include "host/tui/tui_hit_match.h"
#include "host/tui/tui_keys.h"
#include "host/tui/tui_message_list.h"

namespace tui {

// A page's header: which search of the session, its counts and state, then what was searched.
std::string describePage(const MessageList& list, size_t page);

class MessageView {
 public:
  explicit MessageView(MessageList& list) : list_(list) {}

  // Draws rows [origin, height) of the screen (origin: see setOrigin), `width` columns from the
  // left (all when 0): the header, then the page's rows, each hit's matched text highlighted (a
  // pattern's found on the hit's line in its file); a match past the end of the row's text is
  // brought into view, the row showing its file's line from a little before the match on, after a
  // "…".
  void draw(int height, int width = 0);
  // Moves the selection for a movement key; answers false for any other key.
  bool handleKey(const Key& key, int height);
  // A click on row `row` of the screen: selects the row there. Answers true when that row was
  // selected already (a second click, as of a double click: the caller opens it).
  bool click(int row, int height);
  // The wheel: scrolls `notches` x 3 rows down (up when negative), as far as the last row.
  void wheel(int notches, int height);
  // The selected row, if any.
  std::optional<Row> selected() const;
  // Shows page `page` (its first hit selected once it has one).
  void showPage(size_t page);
  // Runs `change` (a new order of the page's files), the selection kept on its row.
  void reorder(const std::function<void()>& change);
  // Runs `change` (a new filter for the page shown) keeping the selection on its row when that
  // row is still shown (clearing a filter keeps the place); else the first hit is selected.
  void refilter(const std::function<void()>& change);
  size_t page() const { return page_; }
  // The rows the header took when last drawn.
  int headerRows() const { return headerRows_; }
  // The first screen row the view takes (rows above it are someone else's); 0 by default.
  void setOrigin(int row) { origin_ = row; }
  int origin() const { return origin_; }
  // Where the view stands (its page, selection and scrolling), to come back to.
  struct Place {
    size_t page = 0;
    long selection = -1;
    long top = 0;
    int left = 0;
    bool wantFirstHit = true;
  };
  Place place() const { return {page_, selection_, top_, left_, wantFirstHit_}; }
  void returnTo(const Place& place);
  // Collapses or expands the selected row's file (or opens the list of files not searched).
  void toggleSelected();
  // Selects the hit `direction` (+1, -1) hits away from the selection; false when there is none.
  bool stepHit(int direction);
  // Whether the list changed since the last draw.
  bool stale() const { return list_.version() != drawnVersion_; }

 private:
  long listHeight(int height) const { return std::max(0, height - origin_ - headerRows_); }
  void moveTo(long target, long count);
  void fileStep(int direction, long count);
  // Whether the rows shown from `top` have their first file's heading pinned over the first.
  bool pinsHeading(long top) const;
  // The parts of draw: the header, the selection kept in view, one list row.
  void drawHeader(int height);
  void placeSelection(long count, long rowsShown);
  void drawRow(int screenRow, const Row& row, int attr, int width, const SearchRequest& request,
               const std::string& filter);

  // How a hit's match is drawn: within the row's text, or, past the row's cut, the row's text
  // replaced by its file's line from a little before the match.
  struct HitLook {
    bool found = false;
    size_t at = 0;  // in `text` (escaped)
    size_t length = 0;
    bool pastCut = false;
    std::string text;  // pastCut: what the row shows after "LINE:COLUMN: "
  };
  // Found on the hit's own line in its file (host/tui/tui_hit_match.h), kept for the rows drawn.
  const HitLook& look(const Row& row, const SearchRequest& request);

  MessageList& list_;
  size_t page_ = 0;
  long selection_ = -1;  // -1: none yet
  long top_ = 0;
  int left_ = 0;     // columns scrolled off to the left
  int maxLeft_ = 0;  // how far the rows last drawn can be scrolled
  static constexpr int kSideStep = 8;
  bool follow_ = false;
  bool wantFirstHit_ = true;
  bool scrolledAway_ = false;  // the wheel moved the view: the selection need not be in it
  bool revealBelow_ = false;   // the selection's rows below (an opened list) come into view
  static constexpr int kWheelStep = 3;
  unsigned long drawnVersion_ = ~0ul;
  int headerRows_ = 1;  // as last drawn
  int origin_ = 0;
  FileLines lines_;
  HitMatcher matcher_;
  std::map<std::tuple<size_t, long, int, int>, HitLook> looks_;  // by page, file, line, column
  size_t looksPages_ = 0;  // the page count they were found under
};

}  // namespace tui

#endif  // VANTREL_HOST_TUI_MESSAGE_VIEW_H_
