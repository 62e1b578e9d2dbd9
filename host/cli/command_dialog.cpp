// Driving the search dialog from the command line (see host/cli/command_dialog.h), through the
// dialog script, so the dialog sees what a user's keys and clicks would send. Tested by
// tests/host/cli/command_e2e_test.cpp.
#include "host/cli/command_dialog.h"

#include <cstdio>
#include <utility>

#include "dialog/search_dialog_ids.h"
#include "host/cli/dialog_script.h"

namespace vantrel {
namespace {

using namespace dialog_ids;

bool fieldEmpty(HWND dialog, int id) { return GetWindowTextLengthA(GetDlgItem(dialog, id)) == 0; }

// Empty when field `id` holds `given` exactly; else what it could not take.
std::string heldWhole(HWND dialog, int id, const char* what, const std::string& given) {
  HWND field = GetDlgItem(dialog, id);
  std::string held(static_cast<size_t>(GetWindowTextLengthA(field)) + 1, '\0');
  held.resize(
      static_cast<size_t>(GetWindowTextA(field, held.data(), static_cast<int>(held.size()))));
  if (held == given) return "";
  size_t at = 0;
  while (at < held.size() && at < given.size() && held[at] == given[at]) ++at;
  if (at == given.size())
    return std::string(what) + " cannot be entered: the dialog's field changed it";
  char byte[8];
  snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned char>(given[at]));
  return std::string(what) + " cannot be entered: the dialog's field cannot hold its byte " + byte +
         " (byte " + std::to_string(at + 1) + ")";
}

}  // namespace

int checkedBoxes(HWND dialog) {
  int bits = 0;
  for (int i = 0; i < kBoxCount; ++i)
    if (IsDlgButtonChecked(dialog, kFirstBox + i) == BST_CHECKED) bits |= searchOptionOfBox(i);
  return bits;
}

bool driveSearchDialog(HWND dialog, const DialogInput& input, DialogOutcome& outcome) {
  outcome = DialogOutcome{};
  if (!GetDlgItem(dialog, kTextCombo) || !GetDlgItem(dialog, IDOK))
    return cancelSearchDialog(dialog);
  outcome.shown = true;
  DialogScript script;
  const std::pair<int, const char*> fields[] = {{kTextCombo, "the text to find"},
                                                {kFileTypeCombo, "the file type"},
                                                {kDirectoriesCombo, "the directories field"}};
  const std::optional<std::string>* given[] = {&input.text, &input.fileTypes, &input.directories};
  for (int i = 0; i < 3; ++i) {
    if (!*given[i]) continue;
    auto [id, what] = fields[i];
    const std::string& text = **given[i];
    script.type(id, text).require(
        [id, what, &text](HWND d) { return heldWhole(d, id, what, text); });
  }
  // Only the boxes the command line decides are touched; the others keep what the dialog shows.
  int wanted = input.boxesFrom(0);
  for (int i = 0; i < kBoxCount; ++i)
    if (input.boxesDecided() & searchOptionOfBox(i))
      script.check(kFirstBox + i, (wanted & searchOptionOfBox(i)) != 0);
  script.then([&outcome](HWND d) {
    outcome.options = checkedBoxes(d);
    char text[1000] = {};
    GetDlgItemTextA(d, kTextCombo, text, sizeof text);
    outcome.text = text;
    if (IsWindowEnabled(GetDlgItem(d, IDOK))) return;
    outcome.failure = std::string("the search dialog cannot be confirmed: ") +
                      (fieldEmpty(d, kTextCombo)       ? "the text to find"
                       : fieldEmpty(d, kFileTypeCombo) ? "the file type"
                                                       : "the directories field") +
                      " is empty";
  });
  script.click(IDOK);  // refused while OK is disabled; the script then leaves with Esc
  bool closed = script.run(dialog);
  outcome.confirmed = closed && script.error().empty();
  if (!outcome.confirmed && outcome.failure.empty())
    outcome.failure = script.error().empty() ? "the search dialog would not close" : script.error();
  return closed;
}

bool cancelSearchDialog(HWND dialog) {
  DialogScript script;
  script.click(IDCANCEL);
  return script.run(dialog);
}

}  // namespace vantrel
