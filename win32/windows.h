// The Win32 subset on POSIX: the one header the add-on and the host include for Windows names.
// On Windows the add-on includes the platform's own <windows.h> instead (addon/platform.h).
#ifndef VANTREL_WIN32_WINDOWS_H_
#define VANTREL_WIN32_WINDOWS_H_

#include "win32/windef.h"
#include "win32/winbase.h"
#include "win32/wingdi.h"
#include "win32/winreg.h"
#include "win32/winuser.h"

#endif  // VANTREL_WIN32_WINDOWS_H_
