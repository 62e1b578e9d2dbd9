// Windows file attributes of a POSIX file, shared by GetFileAttributesA and the file search.
//
// A name beginning with "." is hidden; a directory is a directory; anything that is neither a
// regular file nor a directory (FIFO, socket, device, dangling link) is system, and so is every
// symbolic link to a directory, so that a walk never opens a FIFO and never loops through links;
// a file nobody may write is read-only; a plain file is archive. vwinTypeAttributes holds that
// rule for a file type, whether it came from a listing's d_type or from a stat.
//
// Threading: any thread. Tested by tests/win32/kernel32/paths_test.cpp and
// tests/win32/kernel32/findfile_test.cpp.
#ifndef VANTREL_WIN32_ATTRIBUTES_H_
#define VANTREL_WIN32_ATTRIBUTES_H_

#include "win32/include/winbase.h"

// The attributes of the file at `posixPath`, whose Windows name (last component) is `name`; or
// INVALID_FILE_ATTRIBUTES with GetLastError set when it cannot be examined.
DWORD vwinFileAttributes(const char* posixPath, const char* name);

// The attributes of an entry named `name` whose type (a d_type value: DT_DIR, DT_REG, ...) is
// known and is not a link: directory, archive or system, and hidden for a dot name.
DWORD vwinTypeAttributes(unsigned char type, const char* name);

// Whether an entry with these attributes is one a walk leaves alone: hidden or system.
inline bool vwinHiddenOrSystem(DWORD attributes) {
  return (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
}

#endif  // VANTREL_WIN32_ATTRIBUTES_H_
