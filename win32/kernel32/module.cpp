// Loading modules as the Windows loader does: LoadLibraryA maps the Windows path, opens the
// shared object with dlopen (RTLD_NOW | RTLD_LOCAL) and calls its exported DllEntryPoint with
// DLL_PROCESS_ATTACH; a zero answer is followed by DLL_PROCESS_DETACH, the object is closed again
// and the load fails with ERROR_DLL_INIT_FAILED.
// Loads are counted per module: only the first runs the attach and only the last FreeLibrary runs
// DLL_PROCESS_DETACH, before the object is closed. A module without DllEntryPoint loads as is.
//
// The table's lock is held across the entry point's calls, like the Windows loader lock, and is
// recursive so that an entry point may itself load or free modules.
// Tested by tests/win32/kernel32/module_test.cpp.
#include "win32/kernel32/module.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "win32/include/winbase.h"
#include "win32/kernel32/paths.h"

namespace {

typedef BOOL(WINAPI* EntryPoint)(HINSTANCE, DWORD, LPVOID);

struct Module {
  void* object = nullptr;  // dlopen's handle; one dlopen reference per load
  std::string path;        // absolute POSIX path of the file
  int loads = 0;
};

std::recursive_mutex loaderLock;
std::vector<std::unique_ptr<Module>> modules;

Module* findByHandle(HMODULE handle) {
  for (auto& module : modules)
    if (reinterpret_cast<HMODULE>(module.get()) == handle) return module.get();
  return nullptr;
}

Module* findByObject(void* object) {
  for (auto& module : modules)
    if (module->object == object) return module.get();
  return nullptr;
}

void removeModule(Module* gone) {
  for (auto it = modules.begin(); it != modules.end(); ++it)
    if (it->get() == gone) {
      modules.erase(it);
      return;
    }
}

EntryPoint entryPointOf(void* object) {
  return reinterpret_cast<EntryPoint>(dlsym(object, "DllEntryPoint"));
}

const std::string& programPath() {
  static const std::string path = [] {
    char buffer[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return std::string(buffer, length > 0 ? static_cast<size_t>(length) : 0);
  }();
  return path;
}

}  // namespace

const char* vwinModulePath(HMODULE handle) {
  if (!handle) return programPath().c_str();
  std::lock_guard<std::recursive_mutex> lock(loaderLock);
  Module* module = findByHandle(handle);
  return module ? module->path.c_str() : nullptr;
}

WINAPI_EXPORT HMODULE WINAPI LoadLibraryA(LPCSTR fileName) {
  if (!fileName || !*fileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  char posix[PATH_MAX];
  if (!VwinToPosixPath(fileName, posix, sizeof posix)) return nullptr;
  struct stat st;
  if (stat(posix, &st) != 0) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  char real[PATH_MAX];
  if (!realpath(posix, real)) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }

  std::lock_guard<std::recursive_mutex> lock(loaderLock);
  void* object = dlopen(real, RTLD_NOW | RTLD_LOCAL);
  if (!object) {
    SetLastError(ERROR_BAD_EXE_FORMAT);
    return nullptr;
  }
  if (Module* loaded = findByObject(object)) {
    ++loaded->loads;  // keeps the extra dlopen reference; FreeLibrary drops it
    return reinterpret_cast<HMODULE>(loaded);
  }
  auto owned = std::make_unique<Module>();
  Module* module = owned.get();
  module->object = object;
  module->path = real;
  module->loads = 1;
  modules.push_back(std::move(owned));
  HMODULE handle = reinterpret_cast<HMODULE>(module);
  if (EntryPoint entry = entryPointOf(object)) {
    if (!entry(handle, DLL_PROCESS_ATTACH, nullptr)) {
      // As the Windows loader does, the refusing module is told to detach before it goes.
      entry(handle, DLL_PROCESS_DETACH, nullptr);
      removeModule(module);
      dlclose(object);
      SetLastError(ERROR_DLL_INIT_FAILED);
      return nullptr;
    }
  }
  return handle;
}

WINAPI_EXPORT FARPROC WINAPI GetProcAddress(HMODULE handle, LPCSTR procName) {
  std::lock_guard<std::recursive_mutex> lock(loaderLock);
  Module* module = findByHandle(handle);
  if (!module) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (!procName || IS_INTRESOURCE(procName)) {  // no ordinals in a shared object
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  void* symbol = dlsym(module->object, procName);
  if (!symbol) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(symbol);
}

WINAPI_EXPORT BOOL WINAPI FreeLibrary(HMODULE handle) {
  std::lock_guard<std::recursive_mutex> lock(loaderLock);
  Module* module = findByHandle(handle);
  if (!module) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  void* object = module->object;
  if (--module->loads == 0) {
    if (EntryPoint entry = entryPointOf(object)) entry(handle, DLL_PROCESS_DETACH, nullptr);
    removeModule(module);
  }
  dlclose(object);
  return TRUE;
}

WINAPI_EXPORT DWORD WINAPI GetModuleFileNameA(HMODULE handle, LPSTR fileName, DWORD size) {
  std::string posix;
  {
    std::lock_guard<std::recursive_mutex> lock(loaderLock);
    const char* path = vwinModulePath(handle);
    if (!path || !*path) {
      SetLastError(ERROR_MOD_NOT_FOUND);
      return 0;
    }
    posix = path;
  }
  char windows[MAX_PATH];
  DWORD length = VwinToWindowsPath(posix.c_str(), windows, sizeof windows);
  if (length == 0) return 0;
  if (!fileName || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  // As on Windows: a short buffer gets the path cut and terminated, and the answer is its size.
  if (length >= size) {
    memcpy(fileName, windows, size - 1);
    fileName[size - 1] = '\0';
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  memcpy(fileName, windows, length + 1);
  return length;
}
