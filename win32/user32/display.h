// The host's side of the Win32 layer: what a beep, a message box, a modal dialog, the key state
// and a drawn window become. The layer knows no screen of its own; the host installs one Display
// (a terminal, a recorder answering from a script, or nothing at all).
//
// Ownership: the host owns the Display and keeps it alive while installed.
// Threading: beep, messageBox and surfaceChanged may be called on any thread (a worker search
// beeps); runModal is called on the thread that called DialogBoxParamA.
#ifndef VANTREL_WIN32_DISPLAY_H_
#define VANTREL_WIN32_DISPLAY_H_

#include "win32/include/windef.h"

namespace vwin {

class Display {
 public:
  virtual ~Display() = default;

  // MessageBeep(type).
  virtual void beep(UINT type) = 0;

  // MessageBoxA: shows the box and answers the id of the button pressed (IDOK, IDYES, ...), or 0
  // when it cannot be shown.
  virtual int messageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type) = 0;

  // DialogBoxParamA's modal loop: the dialog is built and initialised; the display feeds it
  // input (keys or a script) through the layer's messages until EndDialog has been called on it.
  // Answers false when it cannot drive a dialog at all; the dialog then fails with -1.
  virtual bool runModal(HWND dialog) = 0;

  // GetAsyncKeyState: bit 0 set when the key was pressed since the previous query, bit 15 set
  // while it is down. The default answers 0 (no keyboard).
  virtual SHORT asyncKeyState(int virtualKey) {
    (void)virtualKey;
    return 0;
  }

  // A window's surface was drawn into or invalidated; the host may render it.
  virtual void surfaceChanged(HWND window) { (void)window; }

  // GetActiveWindow for the calling thread; NULL when the host shows no window.
  virtual HWND activeWindow() { return nullptr; }
};

}  // namespace vwin

// Installs the process's display; NULL removes it. Without a display beeps are dropped, message
// boxes answer 0, dialogs fail with -1 and the key state reads 0.
WINAPI_EXPORT void VwinSetDisplay(vwin::Display* display);
WINAPI_EXPORT vwin::Display* VwinGetDisplay(void);

// Makes the next OleInitialize calls answer `failure` (a negative HRESULT) instead of S_OK; S_OK
// restores the normal answer. Counts of initialisations are kept for tests.
WINAPI_EXPORT void VwinSetOleFailure(HRESULT failure);
WINAPI_EXPORT LONG VwinOleInitCount(void);

// The number of threads started with CreateThread whose start routine has not yet returned. A
// host waits on it for a module's worker threads before it unloads the module.
WINAPI_EXPORT LONG VwinRunningThreadCount(void);

#endif  // VANTREL_WIN32_DISPLAY_H_
