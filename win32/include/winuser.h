// User-interface part of the Win32 layer: windows, modal dialogs and their controls, message
// boxes, beeps and the asynchronous key state.
//
// A window is a handle with a rectangle, a parent, a text, a style and a surface of character
// cells (win32/user32/window.h). The host decides what a window is on screen and how a modal dialog or a
// message box gets its input (win32/user32/display.h); without a display, message boxes answer 0 and
// dialogs cannot be created (-1), as on a desktop-less Windows session.
//
// Threading: the window table is shared and locked; a dialog and its controls belong to the
// thread that runs its modal loop.
#ifndef VANTREL_WIN32_WINUSER_H_
#define VANTREL_WIN32_WINUSER_H_

#include "win32/include/windef.h"

typedef INT_PTR(CALLBACK* DLGPROC)(HWND, UINT, WPARAM, LPARAM);

// Window styles.
#define WS_OVERLAPPED 0x00000000L
#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_VISIBLE 0x10000000L
#define WS_DISABLED 0x08000000L
#define WS_CAPTION 0x00C00000L
#define WS_BORDER 0x00800000L
#define WS_VSCROLL 0x00200000L
#define WS_HSCROLL 0x00100000L
#define WS_SYSMENU 0x00080000L
#define WS_GROUP 0x00020000L
#define WS_TABSTOP 0x00010000L
#define WS_EX_DLGMODALFRAME 0x00000001L
#define DS_SETFONT 0x40L
#define DS_MODALFRAME 0x80L
#define SS_LEFT 0x00000000L
#define CBS_SIMPLE 0x0001L
#define CBS_DROPDOWN 0x0002L
#define CBS_DROPDOWNLIST 0x0003L
#define CBS_AUTOHSCROLL 0x0040L
#define CBS_SORT 0x0100L
#define BS_PUSHBUTTON 0x00000000L
#define BS_DEFPUSHBUTTON 0x00000001L
#define BS_CHECKBOX 0x00000002L
#define BS_AUTOCHECKBOX 0x00000003L
#define BS_GROUPBOX 0x00000007L
#define BS_TYPEMASK 0x0000000FL
#define BS_CENTER 0x00000300L

// Messages.
#define WM_SETFOCUS 0x0007
#define WM_KILLFOCUS 0x0008
#define WM_ENABLE 0x000A
#define WM_SETTEXT 0x000C
#define WM_GETTEXT 0x000D
#define WM_GETTEXTLENGTH 0x000E
#define WM_CLOSE 0x0010
#define WM_KEYDOWN 0x0100
#define WM_CHAR 0x0102
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define BM_GETCHECK 0x00F0
#define BM_SETCHECK 0x00F1
#define BM_CLICK 0x00F5
#define BST_UNCHECKED 0x0000
#define BST_CHECKED 0x0001
#define BN_CLICKED 0
#define CB_GETEDITSEL 0x0140
#define CB_LIMITTEXT 0x0141
#define CB_SETEDITSEL 0x0142
#define CB_ADDSTRING 0x0143
#define CB_DELETESTRING 0x0144
#define CB_GETCOUNT 0x0146
#define CB_GETCURSEL 0x0147
#define CB_GETLBTEXT 0x0148
#define CB_GETLBTEXTLEN 0x0149
#define CB_INSERTSTRING 0x014A
#define CB_RESETCONTENT 0x014B
#define CB_FINDSTRING 0x014C
#define CB_SELECTSTRING 0x014D
#define CB_SETCURSEL 0x014E
#define CB_SHOWDROPDOWN 0x014F
#define CB_GETDROPPEDSTATE 0x0157
#define CB_FINDSTRINGEXACT 0x0158
#define CB_OKAY 0
#define CB_ERR (-1)
#define CB_ERRSPACE (-2)
#define CBN_ERRSPACE (-1)
#define CBN_SELCHANGE 1
#define CBN_DBLCLK 2
#define CBN_SETFOCUS 3
#define CBN_KILLFOCUS 4
#define CBN_EDITCHANGE 5
#define CBN_EDITUPDATE 6
#define CBN_DROPDOWN 7
#define CBN_CLOSEUP 8

// Dialog results and message boxes.
#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7
#define MB_OK 0x00000000L
#define MB_OKCANCEL 0x00000001L
#define MB_ABORTRETRYIGNORE 0x00000002L
#define MB_YESNOCANCEL 0x00000003L
#define MB_YESNO 0x00000004L
#define MB_RETRYCANCEL 0x00000005L
#define MB_TYPEMASK 0x0000000FL
#define MB_ICONHAND 0x00000010L
#define MB_ICONQUESTION 0x00000020L
#define MB_ICONEXCLAMATION 0x00000030L
#define MB_ICONASTERISK 0x00000040L
#define MB_ICONMASK 0x000000F0L
#define MB_ICONSTOP MB_ICONHAND
#define MB_ICONERROR MB_ICONHAND

// Positioning.
#define SWP_NOSIZE 0x0001
#define SWP_NOMOVE 0x0002
#define SWP_NOZORDER 0x0004
#define SWP_NOACTIVATE 0x0010
#define SM_CXSCREEN 0
#define SM_CYSCREEN 1

// Virtual keys.
#define VK_BACK 0x08
#define VK_TAB 0x09
#define VK_RETURN 0x0D
#define VK_SHIFT 0x10
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define VK_END 0x23
#define VK_HOME 0x24
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28
#define VK_DELETE 0x2E
#define VK_F4 0x73

// Windows.
WINAPI_EXPORT HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName,
                                          DWORD style, int x, int y, int width, int height,
                                          HWND parent, HANDLE menuOrId, HINSTANCE instance,
                                          LPVOID param);
WINAPI_EXPORT BOOL WINAPI DestroyWindow(HWND window);
WINAPI_EXPORT BOOL WINAPI IsWindow(HWND window);
WINAPI_EXPORT HWND WINAPI GetParent(HWND window);
WINAPI_EXPORT BOOL WINAPI GetWindowRect(HWND window, LPRECT rect);
WINAPI_EXPORT BOOL WINAPI GetClientRect(HWND window, LPRECT rect);
WINAPI_EXPORT BOOL WINAPI SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy,
                                       UINT flags);
WINAPI_EXPORT BOOL WINAPI MoveWindow(HWND window, int x, int y, int width, int height,
                                     BOOL repaint);
WINAPI_EXPORT int WINAPI GetSystemMetrics(int index);
WINAPI_EXPORT BOOL WINAPI SetWindowTextA(HWND window, LPCSTR text);
WINAPI_EXPORT int WINAPI GetWindowTextA(HWND window, LPSTR text, int maxCount);
WINAPI_EXPORT int WINAPI GetWindowTextLengthA(HWND window);
WINAPI_EXPORT BOOL WINAPI EnableWindow(HWND window, BOOL enable);
WINAPI_EXPORT BOOL WINAPI IsWindowEnabled(HWND window);
WINAPI_EXPORT BOOL WINAPI InvalidateRect(HWND window, const RECT* rect, BOOL erase);
WINAPI_EXPORT HWND WINAPI GetActiveWindow(void);
WINAPI_EXPORT HWND WINAPI GetFocus(void);
WINAPI_EXPORT HWND WINAPI SetFocus(HWND window);
WINAPI_EXPORT LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Dialogs. DialogBoxParamA builds the dialog from the module's RT_DIALOG resource (a
// DLGTEMPLATEEX), sends WM_INITDIALOG, hands the dialog to the display's modal loop and answers
// the EndDialog result, or -1 when the dialog cannot be created.
WINAPI_EXPORT INT_PTR WINAPI DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner,
                                             DLGPROC dialogProc, LPARAM initParam);
WINAPI_EXPORT BOOL WINAPI EndDialog(HWND dialog, INT_PTR result);
WINAPI_EXPORT HWND WINAPI GetDlgItem(HWND dialog, int id);
WINAPI_EXPORT int WINAPI GetDlgCtrlID(HWND control);
WINAPI_EXPORT LRESULT WINAPI SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam,
                                                 LPARAM lParam);
WINAPI_EXPORT BOOL WINAPI SetDlgItemTextA(HWND dialog, int id, LPCSTR text);
WINAPI_EXPORT UINT WINAPI GetDlgItemTextA(HWND dialog, int id, LPSTR text, int maxCount);
WINAPI_EXPORT BOOL WINAPI CheckDlgButton(HWND dialog, int id, UINT check);
WINAPI_EXPORT UINT WINAPI IsDlgButtonChecked(HWND dialog, int id);

// Message boxes, beeps, keys.
WINAPI_EXPORT int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
WINAPI_EXPORT BOOL WINAPI MessageBeep(UINT type);
WINAPI_EXPORT SHORT WINAPI GetAsyncKeyState(int virtualKey);
// The state of a key as of the input being handled on this thread: bit 15 set while it is down.
// The host's dialog input (win32/user32/dialog_input.h) holds VK_SHIFT down for a key given with shift.
WINAPI_EXPORT SHORT WINAPI GetKeyState(int virtualKey);

// Drawing contexts of a window (win32/include/wingdi.h draws through them).
WINAPI_EXPORT HDC WINAPI GetDC(HWND window);
WINAPI_EXPORT int WINAPI ReleaseDC(HWND window, HDC dc);

#endif  // VANTREL_WIN32_WINUSER_H_
