// Driving the search dialog from the command line (see host/cli/command_dialog.h), through the dialog
// script, so the dialog sees what a user's keys and clicks would send. Tested by
// tests/command_e2e_test.cpp.
#include "host/cli/command_dialog.h"

#include "dialog/search_dialog_ids.h"
#include "host/cli/dialog_script.h"

namespace vantrel {
namespace {

using namespace dialog_ids;

bool fieldEmpty(HWND dialog, int id) { return GetWindowTextLengthA(GetDlgItem(dialog, id)) == 0; }

int boxes(HWND dialog) {
  int bits = 0;
  for (int i = 0; i < kBoxCount; ++i)
    if (IsDlgButtonChecked(dialog, kFirstBox + i) == BST_CHECKED) bits |= 1 << i;
  return bits;
}

}  // namespace

bool driveSearchDialog(HWND dialog, const DialogInput& input, DialogOutcome& outcome) {
  outcome = DialogOutcome{};
  if (!GetDlgItem(dialog, kTextCombo) || !GetDlgItem(dialog, IDOK))
    return cancelSearchDialog(dialog);
  outcome.shown = true;
  DialogScript script;
  if (input.text) script.type(kTextCombo, *input.text);
  if (input.fileTypes) script.type(kFileTypeCombo, *input.fileTypes);
  if (input.directories) script.type(kDirectoriesCombo, *input.directories);
  for (int i = 0; i < kBoxCount; ++i) {
    if (input.options) script.check(kFirstBox + i, (*input.options >> i) & 1);
    if ((input.ticked >> i) & 1) script.check(kFirstBox + i, true);
  }
  script.then([&outcome](HWND d) {
    outcome.options = boxes(d);
    if (IsWindowEnabled(GetDlgItem(d, IDOK))) return;
    outcome.emptyField = fieldEmpty(d, kTextCombo)       ? "the text to find"
                         : fieldEmpty(d, kFileTypeCombo) ? "the file type"
                                                         : "the directories field";
  });
  script.click(IDOK);  // refused while OK is disabled; the script then leaves with Esc
  bool closed = script.run(dialog);
  outcome.confirmed = closed && script.error().empty();
  return closed;
}

bool cancelSearchDialog(HWND dialog) {
  DialogScript script;
  script.click(IDCANCEL);
  return script.run(dialog);
}

}  // namespace vantrel
