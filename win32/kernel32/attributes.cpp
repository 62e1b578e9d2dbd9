// Windows file attributes of POSIX files (see win32/kernel32/attributes.h) and GetFileAttributesA.
// Tested by tests/win32/kernel32/paths_test.cpp.
#include "win32/kernel32/attributes.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstring>
#include <string>

#include "win32/include/winbase.h"
#include "win32/kernel32/errno_map.h"
#include "win32/kernel32/paths.h"

DWORD vwinTypeAttributes(unsigned char type, const char* name) {
  DWORD attributes;
  if (type == DT_DIR)
    attributes = FILE_ATTRIBUTE_DIRECTORY;
  else if (type == DT_REG)
    attributes = FILE_ATTRIBUTE_ARCHIVE;
  else
    attributes = FILE_ATTRIBUTE_SYSTEM;  // FIFO, socket, device, or nothing at all
  if (name && name[0] == '.') attributes |= FILE_ATTRIBUTE_HIDDEN;
  return attributes;
}

DWORD vwinFileAttributes(const char* posixPath, const char* name) {
  struct stat link;
  if (lstat(posixPath, &link) != 0) {
    vwinSetLastErrorFromErrno();
    return INVALID_FILE_ATTRIBUTES;
  }
  DWORD attributes = 0;
  struct stat target = link;
  if (S_ISLNK(link.st_mode)) {
    attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    if (stat(posixPath, &target) != 0) {
      target.st_mode = 0;  // dangling: no type, so system
    } else if (S_ISDIR(target.st_mode)) {
      attributes |= FILE_ATTRIBUTE_SYSTEM;
    } else {
      attributes &= ~FILE_ATTRIBUTE_REPARSE_POINT;  // a link to a file reads as the file
    }
  }
  attributes |= vwinTypeAttributes(static_cast<unsigned char>(IFTODT(target.st_mode)), name);
  if ((target.st_mode & 0222) == 0 && target.st_mode != 0) attributes |= FILE_ATTRIBUTE_READONLY;
  return attributes;
}

WINAPI_EXPORT DWORD WINAPI GetFileAttributesA(LPCSTR fileName) {
  char posix[4096];
  if (!VwinToPosixPath(fileName, posix, sizeof posix)) return INVALID_FILE_ATTRIBUTES;
  const char* slash = strrchr(posix, '/');
  const char* name = slash ? slash + 1 : posix;
  DWORD attributes = vwinFileAttributes(posix, name);
  if (attributes == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_FILE_NOT_FOUND && slash &&
      slash != posix) {
    // As on Windows: a missing directory on the way is a missing path, not a missing file.
    std::string parent(posix, static_cast<size_t>(slash - posix));
    struct stat st;
    if (stat(parent.c_str(), &st) != 0) SetLastError(ERROR_PATH_NOT_FOUND);
  }
  return attributes;
}
