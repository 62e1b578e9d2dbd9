// Loading the add-on module (see host/cli/command_addon.h).
#include "host/cli/command_addon.h"

#include <limits.h>
#include <unistd.h>

#include "win32/include/winbase.h"
#include "win32/kernel32/paths.h"

namespace vantrel {

HMODULE loadAddOn(const std::string& path, std::string& error) {
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

AddOnEntry findAddOnEntry(HMODULE module, const std::string& path, std::string& error) {
  auto entry = reinterpret_cast<AddOnEntry>(
      reinterpret_cast<void (*)()>(GetProcAddress(module, "BcwAddOnEntry")));
  if (!entry) {
    FreeLibrary(module);
    error = "'" + path + "' is not an add-on (it has no BcwAddOnEntry)";
  }
  return entry;
}

}  // namespace vantrel
