// The Win32 subset on POSIX: the one header the add-on and the host include for Windows names.
// On Windows the add-on includes the platform's own <windows.h> instead (addon/platform.h).
#ifndef VANTREL_WIN32_WINDOWS_H_
#define VANTREL_WIN32_WINDOWS_H_

#include "win32/include/winbase.h"
#include "win32/include/windef.h"
#include "win32/include/wingdi.h"
#include "win32/include/winreg.h"
#include "win32/include/winuser.h"
#include "win32/include/unknwn.h"

#endif  // VANTREL_WIN32_WINDOWS_H_
