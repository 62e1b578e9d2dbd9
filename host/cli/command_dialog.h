// Driving the add-on's search dialog from the command line, as a user would: put the given
// texts into the three combo boxes whole, set the option boxes, and press OK when it can be
// pressed (Cancel otherwise, so nothing is saved and no search starts). A field that does not hold
// its text exactly as given (a byte the field's code page cannot carry) is not searched with
// another text: the dialog is cancelled and the outcome says which byte.
//
// Threading: the thread running the dialog's modal loop. Tested by
// tests/host/cli/command_e2e_test.cpp.
#ifndef VANTREL_HOST_COMMAND_DIALOG_H_
#define VANTREL_HOST_COMMAND_DIALOG_H_

#include <optional>
#include <string>

#include "addon/platform.h"
#include "search/option_bits.h"

namespace vantrel {

// What to enter. Unset fields keep what the dialog shows when it opens.
struct DialogInput {
  std::optional<std::string> text;
  std::optional<std::string> fileTypes;
  std::optional<std::string> directories;
  std::optional<int> options;  // --options: all five boxes from these bits
  int ticked = 0;              // -s -r -e -a -w: boxes ticked on top

  // The boxes the command line decides: all five with --options, else those it ticks.
  int boxesDecided() const { return options ? kAllSearchOptions : ticked; }
  // The option boxes as the command line leaves them, from those the dialog shows: --options sets
  // all five, then -s -r -e -a -w tick more; a box neither names stays as shown.
  int boxesFrom(int shown) const { return (options ? *options : shown) | ticked; }
};

// What became of the dialog.
struct DialogOutcome {
  bool shown = false;      // the dialog was driven at all
  bool confirmed = false;  // OK was pressed
  int options = 0;         // the boxes' bits when the dialog was left
  std::string text;        // the text to find then
  std::string failure;     // when OK was not pressed: why, for the user
};

// The option bits of the boxes `dialog` has ticked now.
int checkedBoxes(HWND dialog);

// Drives the open dialog `dialog` and ends it. Answers false when it is not the search dialog.
bool driveSearchDialog(HWND dialog, const DialogInput& input, DialogOutcome& outcome);

// Leaves the open dialog with Cancel. Answers false when it has no Cancel button.
bool cancelSearchDialog(HWND dialog);

}  // namespace vantrel

#endif  // VANTREL_HOST_COMMAND_DIALOG_H_
