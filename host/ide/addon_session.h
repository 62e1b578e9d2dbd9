// One run of the add-on module in a host: loaded, its BcwAddOnEntry handed the host's server and
// the project opened; its tool run by name; then the project closed, the server taken back, the
// tools it listed dropped and the module freed, in that order, since no handler may outlive the
// module's code. The vantrel command (POSIX and Windows) and the full-screen program run the
// add-on through one. The module itself is loaded as each platform's host does (addOnModule).
// Defined here whole, so that vantrel.exe, which lists its sources one by one, needs no other.
//
// Threading: the host's thread, the IDE's. Tested by tests/host/cli/command_e2e_test.cpp,
// tests/host/tui/tui_program_test.cpp and, for vantrel.exe, tests/windows/wine_test.sh.
#ifndef VANTREL_HOST_ADDON_SESSION_H_
#define VANTREL_HOST_ADDON_SESSION_H_

#include <string>
#include <vector>

#include "addon/platform.h"
#include "addon/tool_name.h"
#include "host/ide/host.h"

namespace host {

// Loads the add-on module at `path`; NULL with one line in `error`. The platform's host defines
// it: host/cli/command_addon.cpp through the layer's LoadLibraryA, host/windows/command_run.cpp
// through Windows'.
HMODULE addOnModule(const std::string& path, std::string& error);

class AddOnSession {
 public:
  explicit AddOnSession(Host& ide) : ide_(ide) {}
  ~AddOnSession() { unload(); }
  AddOnSession(const AddOnSession&) = delete;
  AddOnSession& operator=(const AddOnSession&) = delete;

  // Loads the module at `path` and finds its BcwAddOnEntry. False with one line in `error`, the
  // module (if it loaded) freed again.
  bool load(const std::string& path, std::string& error) {
    module_ = addOnModule(path, error);
    if (!module_) return false;
    entry_ = reinterpret_cast<Entry>(
        reinterpret_cast<void (*)()>(GetProcAddress(module_, "BcwAddOnEntry")));
    if (entry_) return true;
    FreeLibrary(module_);
    module_ = nullptr;
    error = "'" + path + "' is not an add-on (it has no BcwAddOnEntry)";
    return false;
  }
  // The loaded module, for a host that redirects its imports before start(); NULL before load().
  HMODULE module() const { return module_; }

  // Hands the add-on the host's server and opens `project`.
  void start(const ProjectDescription& project) {
    entry_(ide_.serverReference());
    started_ = true;
    ide_.project()->open(project);
  }
  // Runs the add-on's tool with the selected nodes; false when the add-on listed no such tool.
  bool runTool(const std::vector<ProjectNodeId>& selected) {
    return ide_.tools()->runTool(kToolName, selected);
  }
  // Closes the project, takes the server back and drops the add-on's tools; once, if started.
  void stop() {
    if (!started_) return;
    started_ = false;
    ide_.project()->close();
    entry_(nullptr);
    ide_.tools()->clear();
  }
  // Stops, then frees the module; once, if loaded.
  void unload() {
    stop();
    if (module_) FreeLibrary(module_);
    module_ = nullptr;
    entry_ = nullptr;
  }

 private:
  using Entry = void(WINAPI*)(HostServer*);

  Host& ide_;
  HMODULE module_ = nullptr;
  Entry entry_ = nullptr;
  bool started_ = false;
};

// The line a host gives when runTool() found no tool: the add-on listed none by its name.
inline std::string noToolMessage() {
  return std::string("the add-on listed no tool named \"") + kToolName + "\"";
}

}  // namespace host

#endif  // VANTREL_HOST_ADDON_SESSION_H_
