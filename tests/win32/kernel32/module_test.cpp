// The layer's loader on a real module: attach and detach calls, load counts, the instance handle
// and file name, a refusing DllEntryPoint, and loads that cannot succeed.
#include "win32/kernel32/module.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "win32/include/winbase.h"
#include "win32/kernel32/paths.h"
#include "win32/user32/display.h"

namespace {

const std::string kModulePosix = VANTREL_BUILD_DIR "/tests/modules/vwin_test_module.so";

template <class Function>
Function exported(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

class ModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    unsetenv("VWIN_TEST_MODULE_LOG");
    unsetenv("VWIN_TEST_MODULE_REFUSE");
    ASSERT_NE(realpath(kModulePosix.c_str(), real), nullptr);
    ASSERT_GT(VwinToWindowsPath(real, windowsPath, sizeof windowsPath), 0u);
  }
  void TearDown() override {
    unsetenv("VWIN_TEST_MODULE_LOG");
    unsetenv("VWIN_TEST_MODULE_REFUSE");
  }
  static std::string log() {
    const char* text = getenv("VWIN_TEST_MODULE_LOG");
    return text ? text : "";
  }
  bool stillMapped() const {
    void* object = dlopen(real, RTLD_NOW | RTLD_NOLOAD);
    if (object) dlclose(object);
    return object != nullptr;
  }

  char real[4096];
  char windowsPath[MAX_PATH];
};

TEST_F(ModuleTest, LoadAttachesOnceAndTheLastFreeDetaches) {
  HMODULE module = LoadLibraryA(windowsPath);
  ASSERT_NE(module, nullptr) << GetLastError();
  EXPECT_EQ(log(), "attach,");
  EXPECT_STREQ(vwinModulePath(module), real);

  // The module saw its own handle and finds its file name through it.
  auto instance = exported<HINSTANCE (*)()>(module, "testModuleInstance");
  ASSERT_NE(instance, nullptr);
  EXPECT_EQ(instance(), module);
  auto fileName = exported<DWORD (*)(char*, DWORD)>(module, "testModuleFileName");
  ASSERT_NE(fileName, nullptr);
  char name[MAX_PATH];
  EXPECT_EQ(fileName(name, sizeof name), strlen(windowsPath));
  EXPECT_STREQ(name, windowsPath);
  EXPECT_EQ(GetProcAddress(module, "noSuchExport"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));

  // A second load of the same module, under another spelling, counts without attaching again.
  std::string upper = windowsPath;
  for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  EXPECT_EQ(LoadLibraryA(upper.c_str()), module);
  EXPECT_EQ(log(), "attach,");
  EXPECT_TRUE(FreeLibrary(module));
  EXPECT_EQ(log(), "attach,");
  EXPECT_TRUE(stillMapped());
  EXPECT_TRUE(FreeLibrary(module));
  EXPECT_EQ(log(), "attach,detach,");
  EXPECT_FALSE(stillMapped());

  // The handle is dead now.
  EXPECT_FALSE(FreeLibrary(module));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(GetProcAddress(module, "testModuleInstance"), nullptr);
  EXPECT_EQ(vwinModulePath(module), nullptr);
}

TEST_F(ModuleTest, RefusingEntryPointFailsTheLoadAndUnloads) {
  setenv("VWIN_TEST_MODULE_REFUSE", "1", 1);
  SetLastError(0);
  EXPECT_EQ(LoadLibraryA(windowsPath), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DLL_INIT_FAILED));
  EXPECT_EQ(log(), "attach,detach,");
  EXPECT_FALSE(stillMapped());

  // Once it agrees, the same module loads afresh.
  setenv("VWIN_TEST_MODULE_REFUSE", "0", 1);
  HMODULE module = LoadLibraryA(windowsPath);
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(log(), "attach,detach,attach,");
  EXPECT_TRUE(FreeLibrary(module));
}

TEST_F(ModuleTest, LoadsThatCannotSucceed) {
  EXPECT_EQ(LoadLibraryA("Z:\\no\\such\\module.so"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_EQ(LoadLibraryA(("Z:\\" + std::string(MAX_PATH, 'm')).c_str()), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));

  std::string text = std::filesystem::temp_directory_path().string() + "/vwin-not-a-module.so";
  std::ofstream(text) << "not an object file";
  char windowsText[MAX_PATH];
  ASSERT_GT(VwinToWindowsPath(text.c_str(), windowsText, sizeof windowsText), 0u);
  EXPECT_EQ(LoadLibraryA(windowsText), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
  std::filesystem::remove(text);

  EXPECT_FALSE(FreeLibrary(reinterpret_cast<HMODULE>(&text)));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(ModuleTest, ProgramsOwnFileName) {
  char name[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, name, sizeof name);
  ASSERT_GT(length, 0u);
  EXPECT_EQ(std::string(name).substr(length - strlen("module_test")), "module_test");
  char small[4];
  EXPECT_EQ(GetModuleFileNameA(nullptr, small, sizeof small), 4u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(small[3], '\0');
}

}  // namespace
