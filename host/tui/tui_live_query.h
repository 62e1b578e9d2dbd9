// The live query's editor: a results page's own search, edited in place in rows of its own over
// the page. The text to find has the focus; Tab and Shift-Tab take it on to the file types and
// the directories and back; Alt-C, Alt-R, Alt-E and Alt-W tick and clear case, recursion, regular
// expression and whole words. The focused field is edited at its caret, as the search form's
// fields are: Left, Right, Home and End (Ctrl-A, Ctrl-E) move it, typing goes in before it,
// Backspace and Delete remove a character, Ctrl-W the word before it and Ctrl-U all before it.
// Each field keeps its caret; opening puts each at its field's end. Under the fields, while there
// is one: why the engine refuses the pattern, marked where it stopped reading, else what the
// pattern asks that this syntax reads otherwise (host/ide/escape_note.h).
//
// The editor only says what is wanted and when: the search it asks for settles once typing has
// paused for kSettle, 200 ms. Keys typed in a run come 100 to 200 ms apart, so a word typed at
// speed starts one search, not one per letter, while a pause to look starts it at once as far as
// the eye can tell.
// Threading: the thread that owns the curses screen. Tested by
// tests/host/tui/tui_live_query_test.cpp (in a terminal, with the real program).
#ifndef VANTREL_HOST_TUI_LIVE_QUERY_H_
#define VANTREL_HOST_TUI_LIVE_QUERY_H_

#include <chrono>
#include <string>

#include "host/tui/tui_keys.h"
#include "host/tui/tui_search_request.h"

namespace tui {

class LiveQuery {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::milliseconds kSettle{200};

  enum Outcome {
    kEdited,   // what is wanted changed
    kKeep,     // Enter
    kBack,     // Esc or Ctrl-C
    kHandled,  // the focus moved, nothing else
    kNotMine,  // a key for the page below (movement)
  };

  // Starts editing `request` at `now`: its text focused, nothing wanted anew yet.
  void open(const SearchRequest& request);
  Outcome key(const Key& key, Clock::time_point now);
  // A paste goes into the focused field, its line ends as blanks.
  void paste(const std::string& text, Clock::time_point now);

  // The search the fields describe.
  const SearchRequest& wanted() const { return wanted_; }
  // Whether typing has paused long enough at `now`, and how long until it will have.
  bool settled(Clock::time_point now) const { return now - lastEdit_ >= kSettle; }
  int untilSettled(Clock::time_point now) const;
  // Why the engine would refuse the wanted pattern (with where), or "".
  const std::string& refusal() const { return refusal_; }

  // Draws the editor in rows [top, top + rows()) across `width` columns.
  int rows() const;
  void draw(int top, int width) const;

 private:
  enum Field { kText, kTypes, kDirectories, kFields };
  std::string& field(Field f);
  const std::string& field(Field f) const;
  // Edits the focused field at its caret; answers whether it changed.
  bool editKey(const Key& key);
  void edited(Clock::time_point now);

  SearchRequest wanted_;
  Field focus_ = kText;
  size_t caret_[kFields] = {};  // byte offsets, each at a character's start
  Clock::time_point lastEdit_{};
  std::string refusal_;
  std::string note_;
};

}  // namespace tui

#endif  // VANTREL_HOST_TUI_LIVE_QUERY_H_
