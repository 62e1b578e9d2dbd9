// The message window on screen: the rows of a MessageList in the area above the status row,
// with a selection moved by Up, Down, the Page keys, Home and End; Left and Right scroll long
// lines sideways by 8 columns. The mouse wheel scrolls the rows 3 a notch without moving the
// selection (the next key brings it back into view); a click selects the row clicked.
//
// Until the user moves it, and whenever it sits on the last row, the view follows the end, so a
// running search's rows scroll into sight; once the user moves up, rows keep being added below
// without moving what is shown.
// Threading: the thread that owns the curses screen (the list may grow from any thread).
// Tested by tests/tui_app_test.cpp.
#ifndef VANTREL_HOST_TUI_MESSAGE_VIEW_H_
#define VANTREL_HOST_TUI_MESSAGE_VIEW_H_

#include <optional>

#include "host/tui/tui_keys.h"
#include "host/tui/tui_message_list.h"

namespace tui {

class MessageView {
 public:
  explicit MessageView(const MessageList& list) : list_(list) {}

  // Draws rows [0, height) of the screen.
  void draw(int height);
  // Moves the selection for a movement key; answers false for any other key.
  bool handleKey(const Key& key, int height);
  // A click on row `row` of the screen: selects the list's row there. Answers true when that row
  // was selected already (a second click, as of a double click: the caller opens it).
  bool click(int row, int height);
  // The wheel: scrolls `notches` x 3 rows down (up when negative), as far as the last row.
  void wheel(int notches, int height);
  // The selected row, if any.
  std::optional<Row> selected() const;
  // Whether the list changed since the last draw.
  bool stale() const { return list_.version() != drawnVersion_; }

 private:
  const MessageList& list_;
  long selection_ = -1;  // -1: none yet
  long top_ = 0;
  int left_ = 0;  // columns scrolled off to the left
  static constexpr int kSideStep = 8;
  bool follow_ = true;
  bool scrolledAway_ = false;  // the wheel moved the view: the selection need not be in it
  static constexpr int kWheelStep = 3;
  unsigned long drawnVersion_ = ~0ul;
};

}  // namespace tui

#endif  // VANTREL_HOST_TUI_MESSAGE_VIEW_H_
