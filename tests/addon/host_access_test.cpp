// The add-on's host access on the real host services: with and without a HostServer, with a host
// that lacks a service, and with a server that can make no objects; every reference accounted for.
#include "addon/host_access.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "host/ide/host.h"

namespace {

class HostAccessTest : public ::testing::Test {
 protected:
  void SetUp() override { live = hostLiveObjects(); }
  void TearDown() override {
    releaseHostServer();
    host.reset();
    EXPECT_EQ(hostLiveObjects(), live);
    EXPECT_EQ(hostReleaseFaults(), 0);
  }
  void attach(const host::HostConfig& config = host::HostConfig()) {
    host.emplace(config);
    setHostServer(host->serverReference());
  }
  // The server's count of references, read without changing it.
  ULONG serverReferences() {
    ULONG count = host->server()->AddRef();
    host->server()->Release();
    return count - 1;
  }

  long live = 0;
  std::optional<host::Host> host;
};

TEST_F(HostAccessTest, WithoutAServerEverythingGivesNone) {
  ASSERT_EQ(hostServer, nullptr);
  EXPECT_EQ(getService(IID_MessageWindowService), nullptr);
  EXPECT_EQ(makeString("text"), nullptr);
  EXPECT_EQ(makeFile(), nullptr);
  releaseHostServer();  // nothing held: nothing to release
  EXPECT_EQ(hostServer, nullptr);
  EXPECT_EQ(hostLiveObjects(), live);
}

TEST_F(HostAccessTest, ServicesStringsAndFilesFromTheServer) {
  attach();
  ULONG held = serverReferences();

  auto* window = static_cast<MessageWindowService*>(getService(IID_MessageWindowService));
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window, static_cast<MessageWindowService*>(host->messageWindow()));
  window->Release();
  auto* tools = static_cast<ToolRegistry*>(getService(IID_ToolRegistry));
  ASSERT_NE(tools, nullptr);
  tools->Release();

  HostString* text = makeString("Vantrel");
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text->getText(), "Vantrel");
  HostString* second = makeString("Vantrel");
  EXPECT_NE(second, text);  // one fresh object per text handed over
  text->Release();
  second->Release();

  HostFile* file = makeFile();
  ASSERT_NE(file, nullptr);
  file->Release();
  // The extra references held during the calls are all given back.
  EXPECT_EQ(serverReferences(), held);

  releaseHostServer();
  EXPECT_EQ(hostServer, nullptr);
  EXPECT_EQ(serverReferences(), held - 1);
}

TEST_F(HostAccessTest, AServiceTheHostLacksGivesNone) {
  host::HostConfig config;
  config.messageWindow = false;
  config.statusLine = false;
  attach(config);
  EXPECT_EQ(getService(IID_MessageWindowService), nullptr);
  EXPECT_EQ(getService(IID_StatusLineService), nullptr);
  EXPECT_EQ(getService(IID_IToolImplementor), nullptr);  // not a service at all
  auto* project = static_cast<ProjectService*>(getService(IID_ProjectService));
  ASSERT_NE(project, nullptr);
  project->Release();
}

// A root object that can make nothing, as a host out of memory: the one thing the real host
// cannot be made to do on demand.
struct BarrenServer : HostServer {
  int refs = 1;
  int calls = 0;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  HostString* STDMETHODCALLTYPE createString() override {
    ++calls;
    return nullptr;
  }
  HostFile* STDMETHODCALLTYPE createFile() override {
    ++calls;
    return nullptr;
  }
};

TEST_F(HostAccessTest, AServerThatMakesNothingGivesNone) {
  BarrenServer server;
  setHostServer(&server);
  EXPECT_EQ(makeString("x"), nullptr);
  EXPECT_EQ(makeFile(), nullptr);
  EXPECT_EQ(getService(IID_MessageWindowService), nullptr);
  EXPECT_EQ(server.calls, 2);
  EXPECT_EQ(server.refs, 1);
  releaseHostServer();
  EXPECT_EQ(server.refs, 0);
}

}  // namespace
