// The one translation from POSIX errno values to Win32 error codes, used by every function of the
// layer that fails on a system call (files, directories, modules, threads, the registry file).
//
// Threading: pure function, any thread. Tested by tests/win32/kernel32/paths_test.cpp (through the
// failures of the path and attribute functions).
#ifndef VANTREL_WIN32_ERRNO_MAP_H_
#define VANTREL_WIN32_ERRNO_MAP_H_

#include "win32/include/windef.h"

// The Win32 error that Windows reports for the condition `error` describes: ERROR_SUCCESS for 0,
// ERROR_INVALID_FUNCTION for a condition without a closer match.
DWORD vwinErrorFromErrno(int error);

// SetLastError(vwinErrorFromErrno(errno)), keeping errno as it was.
void vwinSetLastErrorFromErrno(void);

#endif  // VANTREL_WIN32_ERRNO_MAP_H_
