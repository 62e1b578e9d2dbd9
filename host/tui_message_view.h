// The message window on screen: the rows of a MessageList in the area above the status row,
// with a selection moved by Up, Down, the Page keys, Home and End; Left and Right scroll long
// lines sideways by 8 columns.
//
// Until the user moves it, and whenever it sits on the last row, the view follows the end, so a
// running search's rows scroll into sight; once the user moves up, rows keep being added below
// without moving what is shown.
// Threading: the thread that owns the curses screen (the list may grow from any thread).
// Tested by tests/tui_app_test.cpp.
#ifndef VANTREL_HOST_TUI_MESSAGE_VIEW_H_
#define VANTREL_HOST_TUI_MESSAGE_VIEW_H_

#include <optional>

#include "host/tui_keys.h"
#include "host/tui_message_list.h"

namespace tui {

class MessageView {
 public:
  explicit MessageView(const MessageList& list) : list_(list) {}

  // Draws rows [0, height) of the screen.
  void draw(int height);
  // Moves the selection for a movement key; answers false for any other key.
  bool handleKey(const Key& key, int height);
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
  unsigned long drawnVersion_ = ~0ul;
};

}  // namespace tui

#endif  // VANTREL_HOST_TUI_MESSAGE_VIEW_H_
