// The tool through the real host: its registration (properties in order, a same-named tool
// replaced, no ToolRegistry), and running it: a blocking search returning after its summary, the
// node-id copy, the stop question answered No and Yes during a worker search, a project closed and
// the add-on unloaded under a running worker, and a dialog that cannot be shown.
//
// Worker searches are held at their first message-window call by a gate sink, so the tests decide
// when the worker goes on; the display is not attached to the message window, so the stop question
// never waits for the window's lock that the held worker owns.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "addon/entry.h"
#include "addon/host_access.h"
#include "addon/project_client.h"
#include "addon/vantrel_tool.h"
#include "host/cli/command_dialog.h"
#include "host/ide/host.h"
#include "host/ide/host_string.h"
#include "host/posix/recording_display.h"
#include "win32/kernel32/paths.h"
#include "win32/user32/display.h"

namespace {

namespace fs = std::filesystem;
using host::MessageEvent;

// Holds the thread that reports the first event until opened.
class GateSink final : public host::MessageSink {
 public:
  void event(const MessageEvent&) override {
    std::unique_lock<std::mutex> lock(mutex_);
    reached_ = true;
    changed_.notify_all();
    changed_.wait(lock, [this] { return open_; });
  }
  void waitUntilReached() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return reached_; });
  }
  void open() {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool reached_ = false;
  bool open_ = false;
};

host::ProjectDescription project(const std::string& path, std::vector<std::string> nodes = {}) {
  host::ProjectDescription description;
  description.path = path;
  for (std::string& name : nodes) description.nodes.push_back({std::move(name), {}});
  return description;
}

std::string windowsPath(const fs::path& posix) {
  char path[MAX_PATH];
  EXPECT_NE(VwinToWindowsPath(posix.c_str(), path, sizeof path), 0u);
  return path;
}

class ToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    live_ = hostLiveObjects();
    char pattern[] = "/tmp/vantrel_tool_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    setenv("VANTREL_REGISTRY", (root_ / "registry.sqlite3").c_str(), 1);
    fs::create_directory(root_ / "tree");
    display_.setModalDriver([this](HWND dialog) {
      if (!scripted_) return vantrel::cancelSearchDialog(dialog);
      return vantrel::driveSearchDialog(dialog, input_, outcome_);
    });
    VwinSetDisplay(&display_);
  }
  void TearDown() override {
    VwinSetDisplay(nullptr);
    fs::remove_all(root_);
    EXPECT_EQ(searchThreadId.load(), 0u);
    EXPECT_EQ(hostLiveObjects(), live_) << "a host object outlived the add-on's unload";
  }

  void writeFiles(int count, const std::string& text) {
    for (int i = 0; i < count; ++i) {
      char name[32];
      snprintf(name, sizeof name, "f%04d.txt", i);
      std::ofstream(root_ / "tree" / name) << text;
    }
  }
  // The next dialog searches the tree for `text` with these options.
  void script(const std::string& text, int options) {
    scripted_ = true;
    input_ = vantrel::DialogInput{text, "*.txt", windowsPath(root_ / "tree"), options, 0};
  }
  static std::vector<std::string> groupTitles(const std::vector<MessageEvent>& events) {
    std::vector<std::string> titles;
    for (const MessageEvent& e : events)
      if (e.kind == MessageEvent::Kind::Group) titles.push_back(e.text);
    return titles;
  }
  static void waitForWorker() {
    while (searchThreadId.load() != 0) Sleep(1);
  }
  // Loads the add-on into `ide`, opens a project and starts a search for "needle" on a worker,
  // held at its first message behind `gate`; false (and nothing held) when the tool did not run.
  bool startHeldWorker(host::Host& ide, std::shared_ptr<GateSink>& gate) {
    gate = std::make_shared<GateSink>();
    ide.messageWindow()->addSink(gate);
    BcwAddOnEntry(ide.serverReference());
    ide.project()->open(project("C:\\P\\A.IDE"));
    script("needle", Asynchronous);
    if (!ide.tools()->runTool("Vantrel", {})) return false;
    gate->waitUntilReached();
    return true;
  }

  long live_ = 0;
  fs::path root_;
  host::RecordingDisplay display_;
  bool scripted_ = false;
  vantrel::DialogInput input_;
  vantrel::DialogOutcome outcome_;
};

TEST_F(ToolTest, PropertiesAreSetInTableOrder) {
  host::Host ide;
  BcwAddOnEntry(ide.serverReference());
  ide.project()->open(project("C:\\P\\A.IDE"));
  auto tools = ide.tools()->tools();
  ASSERT_EQ(tools.size(), 1u);
  std::vector<host::ToolProperty> expected{
      {"setKind", "-3"},
      {"setToolName", "Vantrel"},
      {"setCommand", "[Vantrel AddOn]"},
      {"setFlags", "8448"},
      {"setExtensions", ".cpp;.c;.cc;.h;.hpp;.asm;.def;.hpj;.rh;.kbd;.txt;.spp;.rc;.dlg"},
      {"setMenuText", "&Vantrel ..."},
      {"setHelpHint", "Vantrel files or currently selected nodes"},
      {"setHandler", "handler"}};
  EXPECT_EQ(tools[0].second->properties(), expected);
  IToolImplementor* handler = tools[0].second->handler();
  EXPECT_EQ(handler, static_cast<IToolImplementor*>(projectClient->tool));
  handler->Release();
  for (auto& tool : tools) tool.second->Release();
  ide.project()->close();
  BcwAddOnEntry(nullptr);
}

TEST_F(ToolTest, ASameNamedToolAlreadyListedIsReplaced) {
  host::Host ide;
  ToolEntry* stale = ide.tools()->createTool();
  stale->setToolName(host::newString("Vantrel"));
  ide.tools()->addTool(stale);
  BcwAddOnEntry(ide.serverReference());
  ide.project()->open(project("C:\\P\\A.IDE"));
  auto tools = ide.tools()->tools();
  ASSERT_EQ(tools.size(), 1u);
  EXPECT_EQ(tools[0].second->name(), "Vantrel");
  EXPECT_EQ(tools[0].second->properties().size(), 8u) << "the listed tool is the new one";
  for (auto& tool : tools) tool.second->Release();
  ide.project()->close();
  EXPECT_EQ(ide.tools()->size(), 0u);
  BcwAddOnEntry(nullptr);
}

TEST_F(ToolTest, WithoutToolRegistryTheToolStaysUnlisted) {
  host::HostConfig config;
  config.tools = false;
  host::Host ide(config);
  BcwAddOnEntry(ide.serverReference());
  ide.project()->open(project("C:\\P\\A.IDE"));
  VantrelTool* tool = projectClient->tool;
  ASSERT_NE(tool, nullptr);
  EXPECT_EQ(projectClient->toolRegistry, nullptr);
  ide.project()->open(project("C:\\P\\B.IDE"));
  EXPECT_EQ(projectClient->tool, tool) << "a later open does not try again";
  ide.project()->close();
  EXPECT_EQ(projectClient->tool, tool) << "a close without registry leaves the tool";
  BcwAddOnEntry(nullptr);
}

TEST_F(ToolTest, BlockingRunReturnsAfterTheSummaryAndCopiesTheNodes) {
  writeFiles(3, "one needle\nnothing\n");
  host::Host ide;
  auto recording = ide.record();
  BcwAddOnEntry(ide.serverReference());
  ide.project()->open(project("C:\\P\\A.IDE", {"a.c", "b.c"}));
  VantrelTool* tool = projectClient->tool;

  script("needle", 0);
  ASSERT_TRUE(ide.tools()->runTool("Vantrel", {1, 2}));
  EXPECT_TRUE(outcome_.confirmed);
  std::vector<std::string> titles = groupTitles(recording->events());
  ASSERT_FALSE(titles.empty());
  EXPECT_EQ(titles.back(), "Vantrel : 3 found in 3 Files (3 Files searched in 1 Directory)");
  EXPECT_EQ(tool->nodeCount, 2);
  EXPECT_EQ(tool->nodeIds, nullptr) << "the search released its copy";

  // No selected nodes: no copy at all.
  ASSERT_TRUE(ide.tools()->runTool("Vantrel", {}));
  EXPECT_EQ(tool->nodeCount, 0);
  EXPECT_EQ(tool->nodeIds, nullptr);

  ide.project()->close();
  BcwAddOnEntry(nullptr);
}

TEST_F(ToolTest, ADialogCancelledOrNotShownStartsNoSearch) {
  host::Host ide;
  auto recording = ide.record();
  BcwAddOnEntry(ide.serverReference());
  ide.project()->open(project("C:\\P\\A.IDE"));
  ASSERT_TRUE(ide.tools()->runTool("Vantrel", {}));  // cancelled
  // A field that cannot hold the text as given (here one limited to 4 bytes) is no other search.
  script("needle", 0);
  display_.setModalDriver([this](HWND dialog) {
    SendDlgItemMessageA(dialog, 101, CB_LIMITTEXT, 4, 0);
    return vantrel::driveSearchDialog(dialog, input_, outcome_);
  });
  ASSERT_TRUE(ide.tools()->runTool("Vantrel", {}));
  EXPECT_FALSE(outcome_.confirmed);
  EXPECT_EQ(outcome_.failure,
            "the text to find cannot be entered: the dialog's field cannot hold its byte 0x6C "
            "(byte 5)");
  display_.setModalDriver(nullptr);  // the dialog cannot be created at all
  ASSERT_TRUE(ide.tools()->runTool("Vantrel", {}));
  EXPECT_EQ(display_.modalRuns(), 3);
  EXPECT_TRUE(recording->events().empty());
  ide.project()->close();
  BcwAddOnEntry(nullptr);
}

TEST_F(ToolTest, StopQuestionAnsweredNoLeavesTheSearchRunningAndYesStopsIt) {
  writeFiles(20, "needle\n");
  host::Host ide;
  auto recording = ide.record();
  BcwAddOnEntry(ide.serverReference());
  ide.project()->open(project("C:\\P\\A.IDE"));

  for (int answer : {IDNO, IDYES}) {
    auto gate = std::make_shared<GateSink>();
    ide.messageWindow()->addSink(gate);
    recording->clear();
    script("needle", Asynchronous);
    ASSERT_TRUE(ide.tools()->runTool("Vantrel", {}));
    EXPECT_NE(searchThreadId.load(), 0u) << "runTool returned while the worker runs";
    gate->waitUntilReached();

    display_.queueAnswer(answer);
    ASSERT_TRUE(ide.tools()->runTool("Vantrel", {}));
    auto boxes = display_.messageBoxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().text, "Vantrel is currently running.\nDo you want to stop it ?");
    EXPECT_EQ(boxes.back().caption, "Vantrel");
    EXPECT_EQ(boxes.back().type, 20u);
    EXPECT_NE(searchThreadId.load(), 0u);

    gate->open();
    waitForWorker();
    std::vector<std::string> titles = groupTitles(recording->events());
    ASSERT_GE(titles.size(), 1u);
    if (answer == IDNO) {
      EXPECT_EQ(titles.back(), "Vantrel : 20 found in 20 Files (20 Files searched in 1 Directory)");
    } else {
      ASSERT_GE(titles.size(), 2u);
      EXPECT_EQ(titles.back(), "Vantrel : User break !");
      // Held at its first file, the worker stops before that file's first line.
      EXPECT_NE(titles[titles.size() - 2].find("(1 File searched in 1 Directory)"),
                std::string::npos)
          << titles[titles.size() - 2];
    }
  }
  ide.project()->close();
  BcwAddOnEntry(nullptr);
}

TEST_F(ToolTest, ClosingTheProjectUnderAWorkerKeepsItsJobAlive) {
  writeFiles(5, "needle\n");
  host::Host ide;
  auto recording = ide.record();
  std::shared_ptr<GateSink> gate;
  ASSERT_TRUE(startHeldWorker(ide, gate));
  ide.project()->close();  // the IDE and the client let go of the tool
  EXPECT_EQ(ide.tools()->size(), 0u);
  gate->open();
  waitForWorker();
  std::vector<std::string> titles = groupTitles(recording->events());
  ASSERT_FALSE(titles.empty());
  EXPECT_EQ(titles.back(), "Vantrel : 5 found in 5 Files (5 Files searched in 1 Directory)");
  BcwAddOnEntry(nullptr);
}

TEST_F(ToolTest, UnloadingUnderAWorkerStopsItAndWaits) {
  writeFiles(50, "needle\n");
  host::Host ide;
  auto recording = ide.record();
  std::shared_ptr<GateSink> gate;
  ASSERT_TRUE(startHeldWorker(ide, gate));
  ide.project()->close();
  std::thread opener([&] {
    Sleep(50);
    gate->open();
  });
  BcwAddOnEntry(nullptr);  // returns only once the worker has ended
  EXPECT_EQ(searchThreadId.load(), 0u);
  std::vector<std::string> titles = groupTitles(recording->events());
  ASSERT_FALSE(titles.empty());
  EXPECT_EQ(titles.back(), "Vantrel : User break !");
  opener.join();
}

// At process detach the loader lock is held: the entry point must not wait for the worker, only
// tell it to stop; the unload that follows reaps it.
TEST_F(ToolTest, ProcessDetachUnderAWorkerStopsItWithoutWaiting) {
  writeFiles(50, "needle\n");
  host::Host ide;
  auto recording = ide.record();
  std::shared_ptr<GateSink> gate;
  ASSERT_TRUE(startHeldWorker(ide, gate));
  EXPECT_EQ(DllEntryPoint(moduleInstance, DLL_PROCESS_DETACH, nullptr), 1);  // the gate is shut
  EXPECT_NE(searchThreadId.load(), 0u);
  gate->open();
  waitForWorker();
  std::vector<std::string> titles = groupTitles(recording->events());
  ASSERT_FALSE(titles.empty());
  EXPECT_EQ(titles.back(), "Vantrel : User break !");
  ide.project()->close();
  BcwAddOnEntry(nullptr);
}

}  // namespace
