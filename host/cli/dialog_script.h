// Runs a modal dialog from a script of a user's actions: type into a combo box, pick a list
// entry, tick or clear a box, click a button, press keys. Every action goes through the Win32
// layer's dialog input calls (win32/user32/dialog_input.h), so the dialog's own procedure sees the
// messages and notifications the keyboard would cause. The host's displays delegate
// Display::runModal here for scripted and headless runs.
//
// Ownership: plain value; the script keeps no handle beyond run().
// Threading: run() on the thread inside DialogBoxParamA. Tested by
// tests/win32/user32/dialog_manager_test.cpp and tests/dialog/search_dialog_test.cpp.
#ifndef VANTREL_HOST_DIALOG_SCRIPT_H_
#define VANTREL_HOST_DIALOG_SCRIPT_H_

#include <functional>
#include <string>
#include <vector>

#include "addon/platform.h"

namespace vantrel {

class DialogScript {
 public:
  // Replaces the text of combo box `id` as pasted over it, every byte kept (an empty text clears
  // it).
  DialogScript& type(int id, std::string text);
  // Chooses entry `index` of combo box `id` from its dropped list.
  DialogScript& pick(int id, int index);
  // Chooses the entry equal to `entry` (letter case aside) of combo box `id`.
  DialogScript& pick(int id, std::string entry);
  // Clicks check box `id` if its state is not `checked` already.
  DialogScript& check(int id, bool checked);
  // Clicks button `id`; fails while it is disabled.
  DialogScript& click(int id);
  // Presses a key (VK_TAB, VK_RETURN, VK_ESCAPE, ...) or types a character.
  DialogScript& key(UINT virtualKey, bool shift = false);
  DialogScript& character(char c);
  // Calls `look` with the dialog at this point of the script (tests look at the dialog).
  DialogScript& then(std::function<void(HWND)> look);
  // Calls `why` with the dialog at this point; a non-empty answer stops the script with it as
  // the error.
  DialogScript& require(std::function<std::string(HWND)> why);

  // Reads a script, one action a line: "type ID TEXT", "pick ID #INDEX", "pick ID ENTRY",
  // "check ID on|off", "click ID", "key NAME" (tab, enter, escape, up, down, f4, backspace,
  // space, left, right, home, end, delete; "shift-" before a name holds Shift), "char C". Blank
  // lines and lines starting with '#' are skipped. False, with the reason in *error, for a line it
  // cannot read.
  static bool parse(const std::string& text, DialogScript* script, std::string* error);

  // Runs the actions on `dialog` in order, stopping at the first that cannot be done (the reason
  // is kept in error()). A dialog still open afterwards is cancelled with Esc. Answers false only
  // when the dialog would not close, so that DialogBoxParamA fails.
  bool run(HWND dialog);

  // Why the script stopped early; empty when every action was done.
  const std::string& error() const { return error_; }

 private:
  enum class Kind { kType, kPickIndex, kPickEntry, kCheck, kClick, kKey, kChar, kThen, kRequire };
  struct Action {
    Kind kind = Kind::kKey;
    int id = 0;
    std::string text;
    int index = 0;
    bool flag = false;
    UINT key = 0;
    std::function<void(HWND)> look;
    std::function<std::string(HWND)> why;
  };
  Action& add(Kind kind, int id);
  bool perform(HWND dialog, const Action& action);

  std::vector<Action> actions_;
  std::string error_;
};

}  // namespace vantrel

#endif  // VANTREL_HOST_DIALOG_SCRIPT_H_
