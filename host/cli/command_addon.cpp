// Loading the add-on module on POSIX, for the vantrel command and the full-screen program (see
// host/ide/addon_session.h): the POSIX path made absolute and checked, then loaded through the
// layer's LoadLibraryA, which runs its DllEntryPoint.
#include <limits.h>
#include <unistd.h>

#include "host/ide/addon_session.h"
#include "win32/include/winbase.h"
#include "win32/kernel32/paths.h"

namespace host {

HMODULE addOnModule(const std::string& path, std::string& error) {
  std::string absolute = path;
  if (absolute.empty() || absolute[0] != '/') {
    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof cwd)) absolute = std::string(cwd) + "/" + path;
  }
  if (access(absolute.c_str(), R_OK) != 0) {
    error = "cannot find the add-on '" + absolute + "' (VANTREL_ADDON names another)";
    return nullptr;
  }
  char windowsPath[MAX_PATH];
  if (VwinToWindowsPath(absolute.c_str(), windowsPath, sizeof windowsPath) == 0) {
    error = "the add-on's path '" + absolute + "' is too long";
    return nullptr;
  }
  HMODULE module = LoadLibraryA(windowsPath);
  if (!module) error = "cannot load the add-on '" + absolute + "'";
  return module;
}

}  // namespace host
