// The search dialog "DLG_VANTREL" (see dialog/search_dialog.h): fills its three combo boxes from
// the remembered histories and the fixed entries, its boxes from the stored options, keeps OK
// enabled only while every field holds text, and on OK leaves the request in the request globals
// and remembers it. Tested by tests/dialog/search_dialog_test.cpp.
#include "dialog/search_dialog.h"

#include <cstring>

#include "addon/host_access.h"
#include "dialog/search_dialog_ids.h"
#include "dialog/settings_store.h"
#include "search/job.h"

int nodesAvailable;

namespace {

using dialog_ids::kDirectoriesCombo;
using dialog_ids::kFileTypeCombo;
using dialog_ids::kRecurseBox;
using dialog_ids::kTextCombo;
// updateDialogState looks at this much of each field.
constexpr int kStateTextSize = 100;

const char kSelectedNodes[] = "[Selected Nodes]";
const char kCurrentDirectory[] = "[Current Directory]";
const char kCurrentPath[] = "[Current Path]";
const char* const kFileTypes[] = {"[Source Files (.c;.cpp;.cc)]",
                                  "[Header Files (.h;.hpp;.rh)]",
                                  "[All Source Files(.c;.cpp;.cc;.h;.hpp;.def)]",
                                  "[Resource Files (.rc;.dlg)]",
                                  "[Script Files(.spp;.kbd)]",
                                  "[Text Files(.txt;.log)]"};

struct OptionBox {
  int id;
  WORD bit;
};
const OptionBox kOptionBoxes[] = {{104, CaseSensitive},
                                  {kRecurseBox, Recurse},
                                  {106, RegularExpression},
                                  {107, Asynchronous},
                                  {108, WholeWords}};

void addEntry(HWND dialog, int id, LPCSTR text) {
  SendDlgItemMessageA(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}

// Adds `text` unless the list holds it already, letter case aside.
void addUnlessListed(HWND dialog, int id, LPCSTR text) {
  if (SendDlgItemMessageA(dialog, id, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                          reinterpret_cast<LPARAM>(text)) == CB_ERR)
    addEntry(dialog, id, text);
}

void addHistory(HWND dialog, int id, LPCSTR pattern) {
  HistoryList history;
  readHistory(pattern, &history);
  for (int i = 0; i < history.count; ++i) {
    if (id == kDirectoriesCombo && nodesAvailable == 0 &&
        strcmp(history.entries[i], kSelectedNodes) == 0)
      continue;  // no node is selected to search
    addEntry(dialog, id, history.entries[i]);
  }
}

void initialise(HWND dialog) {
  centreDialog(dialog);

  addHistory(dialog, kTextCombo, kTextToFindPattern);
  SendDlgItemMessageA(dialog, kTextCombo, CB_SETCURSEL, 0, 0);

  addHistory(dialog, kFileTypeCombo, kFileMaskPattern);
  for (LPCSTR fileType : kFileTypes) addUnlessListed(dialog, kFileTypeCombo, fileType);
  SendDlgItemMessageA(dialog, kFileTypeCombo, CB_SETCURSEL, 0, 0);

  addHistory(dialog, kDirectoriesCombo, kDirectoriesPattern);
  if (nodesAvailable != 0) addUnlessListed(dialog, kDirectoriesCombo, kSelectedNodes);
  addUnlessListed(dialog, kDirectoriesCombo, kCurrentDirectory);
  addUnlessListed(dialog, kDirectoriesCombo, kCurrentPath);
  SendDlgItemMessageA(dialog, kDirectoriesCombo, CB_SETCURSEL, 0, 0);

  searchOptions = readOptions();
  for (const OptionBox& box : kOptionBoxes)
    CheckDlgButton(dialog, box.id, (searchOptions & box.bit) ? BST_CHECKED : BST_UNCHECKED);

  updateDialogState(dialog);
}

void accept(HWND dialog) {
  GetDlgItemTextA(dialog, kTextCombo, textToFind, kTextSize);
  GetDlgItemTextA(dialog, kFileTypeCombo, fileMask, kTextSize);
  GetDlgItemTextA(dialog, kDirectoriesCombo, directories, kTextSize);

  pushHistory(kTextToFindPattern, textToFind);
  pushHistory(kFileMaskPattern, fileMask);
  pushHistory(kDirectoriesPattern, directories);

  searchOptions = 0;
  for (const OptionBox& box : kOptionBoxes)
    if (IsDlgButtonChecked(dialog, box.id) == BST_CHECKED) searchOptions |= box.bit;
  writeOptions(searchOptions);
}

}  // namespace

void centreDialog(HWND dialog) {
  RECT own;
  if (!GetWindowRect(dialog, &own)) return;
  LONG width = own.right - own.left;
  LONG height = own.bottom - own.top;
  LONG screenWidth = GetSystemMetrics(SM_CXSCREEN);
  LONG screenHeight = GetSystemMetrics(SM_CYSCREEN);
  RECT owner;
  HWND parent = GetParent(dialog);
  if (!parent || !GetWindowRect(parent, &owner)) owner = RECT{0, 0, screenWidth, screenHeight};
  LONG x = owner.left + (owner.right - owner.left - width) / 2;
  LONG y = owner.top + (owner.bottom - owner.top - height) / 2;
  if (x + width > screenWidth) x = screenWidth - width;
  if (y + height > screenHeight) y = screenHeight - height;
  if (x < 0) x = 0;
  if (y < 0) y = 0;
  SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void updateDialogState(HWND dialog) {
  char text[kStateTextSize];
  char fileType[kStateTextSize];
  char folders[kStateTextSize];
  GetDlgItemTextA(dialog, kTextCombo, text, kStateTextSize);
  GetDlgItemTextA(dialog, kFileTypeCombo, fileType, kStateTextSize);
  GetDlgItemTextA(dialog, kDirectoriesCombo, folders, kStateTextSize);
  EnableWindow(GetDlgItem(dialog, IDOK), text[0] && fileType[0] && folders[0]);
  SetDlgItemTextA(
      dialog, kRecurseBox,
      strcmp(folders, kSelectedNodes) == 0 ? "&Recurse Nodes" : "&Recurse Subdirectories");
}

INT_PTR showSearchDialog(int selectedNodeCount) {
  nodesAvailable = selectedNodeCount;
  return DialogBoxParamA(moduleInstance, "DLG_VANTREL", GetActiveWindow(), VantrelConfigDlgProc, 0);
}

VANTREL_EXPORT INT_PTR CALLBACK VantrelConfigDlgProc(HWND dialog, UINT message, WPARAM wParam,
                                                     LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      initialise(dialog);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          accept(dialog);
          EndDialog(dialog, 1);
          break;
        case IDCANCEL:
          EndDialog(dialog, 0);
          break;
        case kTextCombo:
        case kFileTypeCombo:
        case kDirectoriesCombo:
          updateDialogState(dialog);
          break;
        default:
          break;  // the check boxes toggle themselves
      }
      return TRUE;
    default:
      return FALSE;
  }
}
