// The host's status line, project service with its node tree, and tool list, reached as the add-on
// reaches them (through the server's QueryInterface), with every reference accounted for.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "host/ide/host.h"
#include "host/ide/host_string.h"
#include "win32/include/winuser.h"
#include "win32/user32/window.h"

namespace {

using host::newString;

class HostServicesTest : public ::testing::Test {
 protected:
  void SetUp() override { live_ = hostLiveObjects(); }
  void TearDown() override { EXPECT_EQ(hostLiveObjects(), live_); }

  template <class T>
  static T* service(HostServer* server, REFIID iid) {
    void* out = nullptr;
    return server->QueryInterface(iid, &out) == S_OK ? static_cast<T*>(out) : nullptr;
  }
  long live_ = 0;
};

// The add-on's side of the project notifications, as the host sees it: counts its references
// and records what it was told.
struct Client : IProjectClient {
  std::atomic<int> refs{1};
  std::vector<std::string> told;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  void STDMETHODCALLTYPE projectOpened(HostString* path) override {
    told.push_back(std::string("opened ") + path->getText());
    path->Release();
  }
  void STDMETHODCALLTYPE projectClosed() override { told.push_back("closed"); }
  void STDMETHODCALLTYPE projectNotify3() override {}
  void STDMETHODCALLTYPE projectNotify4() override {}
  void STDMETHODCALLTYPE projectNotify5() override {}
  void STDMETHODCALLTYPE projectNotify6() override {}
  void STDMETHODCALLTYPE projectNotify7() override {}
  int STDMETHODCALLTYPE projectQuery8() override { return 0; }
  void STDMETHODCALLTYPE projectObject9(int, IUnknown* object) override {
    if (object) object->Release();
  }
};

struct Handler : IToolImplementor {
  std::atomic<int> refs{1};
  std::vector<std::vector<ProjectNodeId>> runs;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  int STDMETHODCALLTYPE runTool(void*, const ProjectNodeId* ids, int count) override {
    runs.emplace_back(ids, ids + count);
    return 0;
  }
};

host::ProjectDescription sampleProject() {
  // app.exe { main.cpp, lib { a.c, (no name) } }, readme.txt
  host::NodeDescription lib{"lib", {{"a.c", {}}, {std::nullopt, {}}}};
  host::NodeDescription app{"app.exe", {{"main.cpp", {}}, lib}};
  return host::ProjectDescription{"Z:\\work\\app.ide", {app, {"readme.txt", {}}}};
}

TEST_F(HostServicesTest, StatusLineHandsOutOneRowWindowOrNone) {
  HWND window;
  {
    host::Host h(host::HostConfig{.statusColumns = 60, .statusRow = 24});
    StatusLineService* status = service<StatusLineService>(h.server(), IID_StatusLineService);
    ASSERT_NE(status, nullptr);
    window = status->getStatusWindow();
    ASSERT_TRUE(IsWindow(window));
    RECT r;
    ASSERT_TRUE(GetWindowRect(window, &r));
    EXPECT_EQ(r.right - r.left, 60 * vwin::kCellWidth);
    EXPECT_EQ(r.bottom - r.top, vwin::kCellHeight);
    EXPECT_EQ(r.top, 24 * vwin::kCellHeight);
    vwin::Surface s = vwin::copySurface(window);
    EXPECT_EQ(s.cols, 60);
    EXPECT_EQ(s.rows, 1);
    status->Release();
  }
  EXPECT_FALSE(IsWindow(window));  // gone with the last reference

  host::Host off(host::HostConfig{.statusColumns = 0});
  StatusLineService* none = service<StatusLineService>(off.server(), IID_StatusLineService);
  ASSERT_NE(none, nullptr);
  EXPECT_EQ(none->getStatusWindow(), nullptr);
  none->Release();
}

TEST_F(HostServicesTest, NodeTreeIsWalkedByIds) {
  host::Host h;
  h.project()->open(sampleProject());
  ProjectService* project = service<ProjectService>(h.server(), IID_ProjectService);
  ASSERT_NE(project, nullptr);

  // Walk the whole tree depth-first, as the node search does.
  std::vector<std::string> seen;
  std::vector<ProjectNodeId> stack{1};
  while (!stack.empty()) {
    ProjectNodeId id = stack.back();
    stack.pop_back();
    ProjectNode* node = project->getNode(id);
    ASSERT_NE(node, nullptr) << id;
    HostString* name = node->getName();
    seen.push_back(name ? name->getText() : "(none)");
    if (name) name->Release();
    if (ProjectNodeId next = node->nextSibling()) stack.push_back(next);
    if (ProjectNodeId child = node->firstChild()) stack.push_back(child);
    node->Release();
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"app.exe", "main.cpp", "lib", "a.c", "(none)",
                                            "readme.txt"}));
  EXPECT_EQ(h.project()->findNode("a.c"), 4u);
  EXPECT_EQ(h.project()->findNode("nothing"), 0u);
  EXPECT_EQ(h.project()->nodeIds(), (std::vector<ProjectNodeId>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(project->getNode(0), nullptr);
  EXPECT_EQ(project->getNode(7), nullptr);

  // A node fetched before the close still answers; afterwards there are no nodes.
  ProjectNode* kept = project->getNode(3);
  h.project()->close();
  EXPECT_EQ(project->getNode(1), nullptr);
  EXPECT_EQ(kept->firstChild(), 4u);
  HostString* name = kept->getName();
  EXPECT_STREQ(name->getText(), "lib");
  name->Release();
  kept->Release();
  project->Release();
}

TEST_F(HostServicesTest, ClientsAreToldOfOpenAndCloseAndReleasedExactlyOnce) {
  Client client;
  {
    host::Host h;
    ProjectService* project = service<ProjectService>(h.server(), IID_ProjectService);
    client.AddRef();  // as the add-on does: the host takes this reference
    project->registerClient(&client);
    EXPECT_EQ(client.refs, 2);
    h.project()->close();  // nothing open: nothing told
    h.project()->open(sampleProject());
    h.project()->open(host::ProjectDescription{"Z:\\other.ide", {}});
    h.project()->close();
    EXPECT_EQ(client.told, (std::vector<std::string>{"opened Z:\\work\\app.ide", "closed",
                                                     "opened Z:\\other.ide", "closed"}));
    client.AddRef();
    project->unregisterClient(&client);  // the kept reference and the one handed over
    EXPECT_EQ(client.refs, 1);
    EXPECT_EQ(h.project()->clientCount(), 0u);
    h.project()->open(sampleProject());  // no longer told
    EXPECT_EQ(client.told.size(), 4u);

    client.AddRef();
    project->registerClient(&client);
    project->Release();
  }
  EXPECT_EQ(client.refs, 1);  // a client still registered is released with the service
}

TEST_F(HostServicesTest, ToolListRecordsPropertiesFindsRunsAndDeletes) {
  Handler handler;
  host::Host h;
  ToolRegistry* tools = service<ToolRegistry>(h.server(), IID_ToolRegistry);
  ASSERT_NE(tools, nullptr);
  EXPECT_EQ(tools->findTool(newString("Vantrel")), 0);

  ToolEntry* entry = tools->createTool();
  ASSERT_NE(entry, nullptr);
  entry->setKind(-3);
  entry->setToolName(newString("Vantrel"));
  entry->setCommand(newString("[Vantrel AddOn]"));
  entry->setFlags(0x2100);
  entry->setMenuText(newString("&Vantrel ..."));
  handler.AddRef();
  entry->setHandler(&handler);
  tools->addTool(entry);  // the list takes the entry's reference
  EXPECT_EQ(handler.refs, 2);

  ToolEntry* other = tools->createTool();
  other->setToolName(newString("Other"));
  tools->addTool(other);

  int id = tools->findTool(newString("Vantrel"));
  EXPECT_EQ(id, 1);
  EXPECT_EQ(tools->findTool(newString("Other")), 2);
  EXPECT_EQ(tools->findTool(newString("vantrel")), 0);
  EXPECT_EQ(tools->findTool(nullptr), 0);

  auto listed = h.tools()->tools();
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(listed[0].second->properties(),
            (std::vector<host::ToolProperty>{{"setKind", "-3"},
                                             {"setToolName", "Vantrel"},
                                             {"setCommand", "[Vantrel AddOn]"},
                                             {"setFlags", "8448"},
                                             {"setMenuText", "&Vantrel ..."},
                                             {"setHandler", "handler"}}));
  for (auto& [listedId, tool] : listed) tool->Release();

  EXPECT_TRUE(h.tools()->runTool("Vantrel", {3, 1}));
  EXPECT_TRUE(h.tools()->runTool("Vantrel", {}));
  EXPECT_FALSE(h.tools()->runTool("Other", {1}));  // no handler
  EXPECT_FALSE(h.tools()->runTool("Missing", {}));
  ASSERT_EQ(handler.runs.size(), 2u);
  EXPECT_EQ(handler.runs[0], (std::vector<ProjectNodeId>{3, 1}));
  EXPECT_TRUE(handler.runs[1].empty());
  EXPECT_EQ(handler.refs, 2);

  tools->deleteTool(id);
  EXPECT_EQ(handler.refs, 1);  // the entry released its handler
  tools->deleteTool(id);       // already gone: nothing happens
  tools->deleteTool(0);
  EXPECT_EQ(h.tools()->size(), 1u);
  EXPECT_EQ(tools->findTool(newString("Vantrel")), 0);

  // A new registration gets a new id; ids are never reused.
  ToolEntry* again = tools->createTool();
  again->setToolName(newString("Vantrel"));
  tools->addTool(again);
  EXPECT_EQ(tools->findTool(newString("Vantrel")), 3);

  Handler late;
  ToolEntry* held = tools->createTool();
  late.AddRef();
  held->setHandler(&late);
  tools->addTool(held);
  h.tools()->clear();  // as before an add-on is unloaded: its handlers are let go now
  EXPECT_EQ(late.refs, 1);
  EXPECT_EQ(h.tools()->size(), 0u);
  tools->Release();
}

TEST_F(HostServicesTest, EntryReplacingItsHandlerReleasesTheFirst) {
  Handler first, second;
  host::Host h;
  ToolEntry* entry = h.tools()->createTool();
  first.AddRef();
  entry->setHandler(&first);
  second.AddRef();
  entry->setHandler(&second);
  EXPECT_EQ(first.refs, 1);
  entry->setHandler(nullptr);
  EXPECT_EQ(second.refs, 1);
  entry->Release();  // never added: the creator's reference ends it
}

}  // namespace
