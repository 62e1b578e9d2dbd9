// The add-on's load and unload sequences through the real host: the client registered once and
// released at unload, the tool made at the first projectOpened and gone at projectClosed, the
// project path kept (cut to fit), a host without ProjectService, OLE refusing the module's load,
// the module's exports, and no host object left alive afterwards.
#include <gtest/gtest.h>
#include <stdio.h>

#include <set>
#include <string>

#include "addon/entry.h"
#include "addon/host_access.h"
#include "addon/project_client.h"
#include "addon/vantrel_tool.h"
#include "host/ide/host.h"
#include "host/ide/host_string.h"
#include "win32/kernel32/paths.h"
#include "win32/user32/display.h"

namespace {

const char kModule[] = VANTREL_BUILD_DIR "/vantrel.so";

host::ProjectDescription project(const std::string& path) {
  host::ProjectDescription description;
  description.path = path;
  return description;
}

class LifetimeTest : public ::testing::Test {
 protected:
  void SetUp() override { live_ = hostLiveObjects(); }
  void TearDown() override {
    EXPECT_EQ(hostServer, nullptr);
    EXPECT_EQ(projectService, nullptr);
    EXPECT_EQ(projectClient, nullptr);
    EXPECT_EQ(hostLiveObjects(), live_) << "a host object outlived the add-on's unload";
    EXPECT_EQ(hostReleaseFaults(), 0);
  }
  long live_ = 0;
};

TEST_F(LifetimeTest, UnloadWithNothingLoadedDoesNothing) {
  BcwAddOnEntry(nullptr);
  EXPECT_EQ(hostServer, nullptr);
}

TEST_F(LifetimeTest, ProjectsOpenedAndClosedMakeAndRemoveOneTool) {
  {
    host::Host ide;
    BcwAddOnEntry(ide.serverReference());
    ASSERT_NE(projectClient, nullptr);
    EXPECT_EQ(ide.project()->clientCount(), 1u);
    EXPECT_EQ(projectClient->tool, nullptr);

    // Closing before any open does nothing.
    projectClient->projectClosed();
    EXPECT_EQ(ide.tools()->size(), 0u);

    ide.project()->open(project("C:\\PROJ\\ONE.IDE"));
    EXPECT_EQ(ide.tools()->size(), 1u);
    VantrelTool* first = projectClient->tool;
    ASSERT_NE(first, nullptr);
    EXPECT_STREQ(projectPath, "C:\\PROJ\\ONE.IDE");

    // A second projectOpened without a close between (the host's open would close first) keeps the
    // tool and takes the new path.
    projectClient->projectOpened(host::newString("D:\\OTHER\\TWO.IDE"));
    EXPECT_EQ(ide.tools()->size(), 1u);
    EXPECT_EQ(projectClient->tool, first);
    EXPECT_STREQ(projectPath, "D:\\OTHER\\TWO.IDE");

    ide.project()->close();
    EXPECT_EQ(ide.tools()->size(), 0u);
    EXPECT_EQ(projectClient->tool, nullptr);
    EXPECT_EQ(projectClient->toolRegistry, nullptr);
    EXPECT_STREQ(projectPath, "D:\\OTHER\\TWO.IDE") << "the path stays after a close";

    // The first open after a close makes the tool anew.
    ide.project()->open(project("C:\\PROJ\\ONE.IDE"));
    EXPECT_EQ(ide.tools()->size(), 1u);
    EXPECT_NE(projectClient->tool, nullptr);
    ide.project()->close();

    BcwAddOnEntry(nullptr);
    EXPECT_EQ(ide.project()->clientCount(), 0u);
  }
}

TEST_F(LifetimeTest, UnloadLeavesARegisteredToolListedButLeaksNothing) {
  host::Host ide;
  BcwAddOnEntry(ide.serverReference());
  ide.project()->open(project("C:\\PROJ\\APP.IDE"));
  BcwAddOnEntry(nullptr);
  // Only projectClosed takes the tool out of the IDE's list; the IDE still holds its handler.
  EXPECT_EQ(ide.tools()->size(), 1u);
}

TEST_F(LifetimeTest, LongProjectPathIsCutToFit) {
  host::Host ide;
  BcwAddOnEntry(ide.serverReference());
  std::string path = "C:\\" + std::string(400, 'p') + ".IDE";
  ide.project()->open(project(path));
  EXPECT_EQ(std::string(projectPath), path.substr(0, kProjectPathSize - 1));
  ide.project()->close();
  BcwAddOnEntry(nullptr);
}

TEST_F(LifetimeTest, OtherNotificationsDoNothingButReleaseWhatTheyAreHanded) {
  host::Host ide;
  BcwAddOnEntry(ide.serverReference());
  ProjectClient* client = projectClient;
  client->projectNotify3();
  client->projectNotify4();
  client->projectNotify5();
  client->projectNotify6();
  client->projectNotify7();
  EXPECT_EQ(client->projectQuery8(), 0);
  HostString* handed = ide.server()->createString();
  client->projectObject9(0, handed);  // released here, or the live count would show it
  EXPECT_EQ(client->tool, nullptr);
  BcwAddOnEntry(nullptr);
}

TEST_F(LifetimeTest, WithoutProjectServiceOnlyTheServerIsKeptAndReleased) {
  host::HostConfig config;
  config.project = false;
  host::Host ide(config);
  BcwAddOnEntry(ide.serverReference());
  EXPECT_EQ(hostServer, ide.server());
  EXPECT_EQ(projectService, nullptr);
  EXPECT_EQ(projectClient, nullptr);
  BcwAddOnEntry(nullptr);
}

std::string windowsPath(const char* posix) {
  char path[MAX_PATH];
  EXPECT_NE(VwinToWindowsPath(posix, path, sizeof path), 0u);
  return path;
}

TEST_F(LifetimeTest, ModuleRefusesToLoadWithoutOle) {
  std::string module = windowsPath(kModule);
  LONG before = VwinOleInitCount();
  VwinSetOleFailure(E_FAIL);
  EXPECT_EQ(LoadLibraryA(module.c_str()), nullptr);
  VwinSetOleFailure(S_OK);
  EXPECT_EQ(VwinOleInitCount(), before);

  HMODULE loaded = LoadLibraryA(module.c_str());
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(VwinOleInitCount(), before + 1);
  auto entry = reinterpret_cast<void(WINAPI*)(HostServer*)>(
      reinterpret_cast<void (*)()>(GetProcAddress(loaded, "BcwAddOnEntry")));
  ASSERT_NE(entry, nullptr);
  {
    host::Host ide;
    entry(ide.serverReference());
    ide.project()->open(project("C:\\PROJ\\APP.IDE"));
    EXPECT_EQ(ide.tools()->size(), 1u);
    ide.project()->close();
    entry(nullptr);
    EXPECT_EQ(ide.project()->clientCount(), 0u);
  }
  EXPECT_TRUE(FreeLibrary(loaded));
  EXPECT_EQ(VwinOleInitCount(), before);
}

TEST(ModuleExportsTest, ExactlyTheThreeEntryPoints) {
  FILE* nm = popen("nm -D --defined-only " VANTREL_BUILD_DIR "/vantrel.so", "r");
  ASSERT_NE(nm, nullptr);
  std::set<std::string> names;
  char line[512];
  while (fgets(line, sizeof line, nm)) {
    std::string text(line);
    size_t space = text.find_last_of(' ');
    std::string name = text.substr(space + 1);
    while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
    names.insert(name);
  }
  EXPECT_EQ(pclose(nm), 0);
  EXPECT_EQ(names,
            (std::set<std::string>{"BcwAddOnEntry", "DllEntryPoint", "VantrelConfigDlgProc"}));
}

}  // namespace
