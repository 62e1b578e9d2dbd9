// Loading the add-on module for the vantrel command and its full-screen program: the module found
// on disk, loaded through the layer's LoadLibraryA (which runs its DllEntryPoint), and its
// BcwAddOnEntry looked up.
//
// Threading: the host's thread. Tested by tests/host/cli/command_e2e_test.cpp and
// tests/host/tui/tui_program_test.cpp.
#ifndef VANTREL_HOST_COMMAND_ADDON_H_
#define VANTREL_HOST_COMMAND_ADDON_H_

#include <string>

#include "addon/ide.h"

namespace vantrel {

using AddOnEntry = void(WINAPI*)(HostServer*);

// Loads the add-on at the POSIX `path` (relative to the current directory); NULL with one line in
// `error`. The caller frees the module with FreeLibrary.
HMODULE loadAddOn(const std::string& path, std::string& error);

// The module's BcwAddOnEntry. When it has none, frees the module and answers NULL with one line in
// `error` naming `path`.
AddOnEntry findAddOnEntry(HMODULE module, const std::string& path, std::string& error);

}  // namespace vantrel

#endif  // VANTREL_HOST_COMMAND_ADDON_H_
