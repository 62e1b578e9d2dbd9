// A module for the loader's tests. Its DllEntryPoint appends what it was called with to the
// environment variable VWIN_TEST_MODULE_LOG ("attach,", "detach,"), so the calls stay visible
// after the module is gone, and refuses the attach when VWIN_TEST_MODULE_REFUSE is "1".
// Used by tests/win32/kernel32/module_test.cpp.
#include <cstdlib>
#include <string>

#include "win32/include/windows.h"

namespace {
HINSTANCE savedInstance;

void record(const char* what) {
  const char* log = getenv("VWIN_TEST_MODULE_LOG");
  std::string text = log ? log : "";
  text += what;
  setenv("VWIN_TEST_MODULE_LOG", text.c_str(), 1);
}
}  // namespace

extern "C" __attribute__((visibility("default"))) BOOL WINAPI DllEntryPoint(HINSTANCE instance,
                                                                            DWORD reason,
                                                                            LPVOID reserved) {
  (void)reserved;
  savedInstance = instance;
  if (reason == DLL_PROCESS_ATTACH) {
    record("attach,");
    const char* refuse = getenv("VWIN_TEST_MODULE_REFUSE");
    return !(refuse && std::string(refuse) == "1");
  }
  if (reason == DLL_PROCESS_DETACH) record("detach,");
  return TRUE;
}

// The instance handle the loader passed, and this module's own file name through the layer.
extern "C" __attribute__((visibility("default"))) HINSTANCE testModuleInstance() {
  return savedInstance;
}

extern "C" __attribute__((visibility("default"))) DWORD testModuleFileName(char* buffer,
                                                                           DWORD size) {
  return GetModuleFileNameA(savedInstance, buffer, size);
}
