// Driving the search dialog from the command line (see host/command_dialog.h).
// Tested by tests/command_e2e_test.cpp.
#include "host/command_dialog.h"

namespace vantrel {
namespace {

// The search dialog's controls.
constexpr int kTextCombo = 101;
constexpr int kTypesCombo = 102;
constexpr int kDirectoriesCombo = 103;
constexpr int kFirstBox = 104;  // 104..108 carry the option bits 0x01..0x10 in order
constexpr int kBoxCount = 5;

// Types `text` into a combo's edit field, replacing what it shows, and tells the dialog.
void typeInto(HWND dialog, int id, const std::string& text) {
  HWND combo = GetDlgItem(dialog, id);
  SetWindowTextA(combo, text.c_str());
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_EDITCHANGE), reinterpret_cast<LPARAM>(combo));
}

bool fieldEmpty(HWND dialog, int id) { return GetWindowTextLengthA(GetDlgItem(dialog, id)) == 0; }

int boxes(HWND dialog) {
  int bits = 0;
  for (int i = 0; i < kBoxCount; ++i)
    if (IsDlgButtonChecked(dialog, kFirstBox + i) == BST_CHECKED) bits |= 1 << i;
  return bits;
}

void press(HWND dialog, int id) {
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

}  // namespace

bool driveSearchDialog(HWND dialog, const DialogInput& input, DialogOutcome& outcome) {
  outcome = DialogOutcome{};
  if (!GetDlgItem(dialog, kTextCombo) || !GetDlgItem(dialog, IDOK)) return false;
  outcome.shown = true;
  if (input.text) typeInto(dialog, kTextCombo, *input.text);
  if (input.fileTypes) typeInto(dialog, kTypesCombo, *input.fileTypes);
  if (input.directories) typeInto(dialog, kDirectoriesCombo, *input.directories);
  int wanted = boxes(dialog);
  if (input.options) wanted = *input.options;
  wanted |= input.ticked;
  for (int i = 0; i < kBoxCount; ++i) {
    bool on = (wanted >> i) & 1;
    bool checked = IsDlgButtonChecked(dialog, kFirstBox + i) == BST_CHECKED;
    if (on != checked) SendDlgItemMessageA(dialog, kFirstBox + i, BM_CLICK, 0, 0);
  }
  outcome.options = boxes(dialog);
  if (!IsWindowEnabled(GetDlgItem(dialog, IDOK))) {
    outcome.emptyField = fieldEmpty(dialog, kTextCombo)    ? "the text to find"
                         : fieldEmpty(dialog, kTypesCombo) ? "the file type"
                                                           : "the directories field";
    press(dialog, IDCANCEL);
    return true;
  }
  press(dialog, IDOK);
  outcome.confirmed = true;
  return true;
}

bool cancelSearchDialog(HWND dialog) {
  if (!GetDlgItem(dialog, IDCANCEL)) return false;
  press(dialog, IDCANCEL);
  return true;
}

}  // namespace vantrel
