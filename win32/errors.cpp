// The calling thread's last error (GetLastError/SetLastError).
// Tested by tests/window_test.cpp and every test that checks a failure's reason.
#include "win32/winbase.h"

namespace {
thread_local DWORD lastError = ERROR_SUCCESS;
}

WINAPI_EXPORT DWORD WINAPI GetLastError(void) { return lastError; }

WINAPI_EXPORT void WINAPI SetLastError(DWORD error) { lastError = error; }
