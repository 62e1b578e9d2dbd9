// Folder identities (see listing/folder_identity.h).
// Tested by tests/host/cli/command_e2e_test.cpp.
#include "listing/folder_identity.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include "listing/system_path.h"

namespace vlisting {

bool folderIdentity(const std::string& path, FolderIdentity& identity) {
  std::string opened = systemPath(path.empty() ? "/" : path);
#ifdef _WIN32
  // Opening a folder needs backup semantics; no right is asked for, so none can be refused.
  HANDLE folder =
      CreateFileA(opened.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (folder == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  bool known = GetFileInformationByHandle(folder, &info) != 0;
  CloseHandle(folder);
  if (!known) return false;
  identity = {info.dwVolumeSerialNumber,
              (uint64_t{info.nFileIndexHigh} << 32) | uint64_t{info.nFileIndexLow}};
#else
  struct stat st;
  if (stat(opened.c_str(), &st) != 0) return false;
  identity = {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
#endif
  return true;
}

}  // namespace vlisting
