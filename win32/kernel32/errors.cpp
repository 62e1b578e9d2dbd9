// The calling thread's last error (GetLastError/SetLastError) and the one errno -> Win32 error
// mapping of the layer (win32/kernel32/errno_map.h).
// Tested by tests/win32/user32/window_test.cpp, tests/win32/kernel32/paths_test.cpp and every test
// that checks a failure's reason.
#include <cerrno>

#include "win32/include/winbase.h"
#include "win32/kernel32/errno_map.h"

namespace {
thread_local DWORD lastError = ERROR_SUCCESS;
}

WINAPI_EXPORT DWORD WINAPI GetLastError(void) { return lastError; }

WINAPI_EXPORT void WINAPI SetLastError(DWORD error) { lastError = error; }

DWORD vwinErrorFromErrno(int error) {
  switch (error) {
    case 0:
      return ERROR_SUCCESS;
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
      return ERROR_ACCESS_DENIED;
    case ENAMETOOLONG:
      return ERROR_FILENAME_EXCED_RANGE;
    case ELOOP:
      return ERROR_CANT_RESOLVE_FILENAME;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case EMFILE:
    case ENFILE:
      return ERROR_TOO_MANY_OPEN_FILES;
    case EBUSY:
      return ERROR_BUSY;
    case EEXIST:
      return ERROR_FILE_EXISTS;
    case ENOTEMPTY:
      return ERROR_DIR_NOT_EMPTY;
    case ENOSPC:
    case EDQUOT:
      return ERROR_DISK_FULL;
    case EBADF:
      return ERROR_INVALID_HANDLE;
    case EINVAL:
      return ERROR_INVALID_PARAMETER;
    case EAGAIN:
      return ERROR_NOT_ENOUGH_MEMORY;  // thread or process limits: Windows reports memory
    case EPIPE:
      return ERROR_BROKEN_PIPE;
    case ENOSYS:
    case ENOTSUP:
      return ERROR_NOT_SUPPORTED;
    case ETXTBSY:
      return ERROR_SHARING_VIOLATION;
    case ENXIO:
    case ENODEV:
      return ERROR_FILE_NOT_FOUND;
    case ERANGE:
      return ERROR_INSUFFICIENT_BUFFER;
    default:
      return ERROR_INVALID_FUNCTION;
  }
}

void vwinSetLastErrorFromErrno(void) {
  int saved = errno;
  lastError = vwinErrorFromErrno(saved);
  errno = saved;
}
