// The search dialog: the modal "DLG_VANTREL" dialog that fills the request globals from what the
// user types or picks, offering the remembered history and the fixed entries.
//
// Threading: the IDE's thread only. Tested by tests/dialog/search_dialog_test.cpp.
#ifndef VANTREL_DIALOG_SEARCH_DIALOG_H_
#define VANTREL_DIALOG_SEARCH_DIALOG_H_

#include "addon/platform.h"

// Number of project nodes selected when the dialog was opened.
extern int nodesAvailable;

// Runs the dialog modally, owned by the calling thread's active window. Answers 1 after OK, 0
// after Cancel, -1 when the dialog cannot be created.
INT_PTR showSearchDialog(int selectedNodeCount);

// Moves the dialog to the middle of its owner (of the screen without one), kept on the screen.
void centreDialog(HWND dialog);

// Enables OK while all three fields hold text, and names box 105 after the directories field:
// "&Recurse Nodes" for "[Selected Nodes]", "&Recurse Subdirectories" otherwise.
void updateDialogState(HWND dialog);

// The dialog's procedure, exported from the module under this name.
VANTREL_EXPORT INT_PTR CALLBACK VantrelConfigDlgProc(HWND dialog, UINT message, WPARAM wParam,
                                                     LPARAM lParam);

#endif  // VANTREL_DIALOG_SEARCH_DIALOG_H_
