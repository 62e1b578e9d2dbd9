// Windows file attributes of a POSIX file, shared by GetFileAttributesA and the file search.
//
// A name beginning with "." is hidden; a directory is a directory; anything that is neither a
// regular file nor a directory (FIFO, socket, device, dangling link) is system, and so is every
// symbolic link to a directory, so that a walk never opens a FIFO and never loops through links;
// a file nobody may write is read-only; a plain file is archive.
//
// Threading: any thread. Tested by tests/paths_test.cpp.
#ifndef VANTREL_WIN32_ATTRIBUTES_H_
#define VANTREL_WIN32_ATTRIBUTES_H_

#include "win32/include/windef.h"

// The attributes of the file at `posixPath`, whose Windows name (last component) is `name`; or
// INVALID_FILE_ATTRIBUTES with GetLastError set when it cannot be examined.
DWORD vwinFileAttributes(const char* posixPath, const char* name);

#endif  // VANTREL_WIN32_ATTRIBUTES_H_
