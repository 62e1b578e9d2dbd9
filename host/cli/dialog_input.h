// The calls through which the dialog script acts on a modal dialog as a user would: our layer's
// own on POSIX (win32/user32/dialog_input.h), window messages to the real controls on Windows
// (host/windows/dialog_input.cpp). The same script thus drives the dialog on both platforms.
#ifndef VANTREL_HOST_DIALOG_INPUT_H_
#define VANTREL_HOST_DIALOG_INPUT_H_

#ifdef _WIN32
#include <windows.h>

BOOL VwinDialogKey(HWND dialog, UINT virtualKey, BOOL shift);
BOOL VwinDialogChar(HWND dialog, char character);
BOOL VwinDialogType(HWND dialog, int id, LPCSTR text);
BOOL VwinDialogPick(HWND dialog, int id, int index);
BOOL VwinDialogClick(HWND dialog, int id);
BOOL VwinDialogEnded(HWND dialog, INT_PTR* result);
#else
#include "win32/user32/dialog_input.h"
#endif

#endif  // VANTREL_HOST_DIALOG_INPUT_H_
