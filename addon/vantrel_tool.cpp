// The tool, its registration and its invocation (see addon/vantrel_tool.h). Tested by
// tests/addon/tool_test.cpp.
#include "addon/vantrel_tool.h"

#include <new>

#include "addon/host_access.h"
#include "addon/project_client.h"
#include "dialog/search_dialog.h"
#include "regex/grepclass.h"
#include "search/driver.h"
#include "search/output.h"

const char kToolCommand[] = "[Vantrel AddOn]";
const char kToolExtensions[] = ".cpp;.c;.cc;.h;.hpp;.asm;.def;.hpj;.rh;.kbd;.txt;.spp;.rc;.dlg";
const char kToolMenuText[] = "&Vantrel ...";
const char kToolHelpHint[] = "Vantrel files or currently selected nodes";

namespace {

// The last worker started and the tool it searches with (one reference, the worker's). Owned by the
// IDE's thread: the handle is kept so that unloading can wait for the worker, and the reference is
// released once the worker has ended.
HANDLE workerThread;
VantrelTool* workerTool;

// Stands in `searchThreadId` between the worker's creation and the moment its id is known, so a
// worker that ends at once can clear it before the id is written.
constexpr DWORD kWorkerStarting = 0xFFFFFFFF;

// Waits for the last worker (setting its stop flag again while it runs, when `stop`), closes its
// handle and releases its reference to the tool.
void reapWorker(bool stop) {
  if (!workerThread) return;
  if (stop) workerTool->stopRequested.store(1);
  WaitForSingleObject(workerThread, INFINITE);
  CloseHandle(workerThread);
  workerThread = nullptr;
  VantrelTool* tool = workerTool;
  workerTool = nullptr;
  tool->Release();
}

// Starts the search on a worker thread holding a reference to `tool`; false when no thread can be
// created.
bool startWorker(VantrelTool* tool) {
  captureProjectPath(tool);
  tool->stopRequested.store(0);
  tool->AddRef();
  searchThreadId.store(kWorkerStarting);
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, toolThreadMain, tool, 0, &id);
  if (!thread) {
    searchThreadId.store(0);
    tool->Release();
    return false;
  }
  DWORD expected = kWorkerStarting;
  searchThreadId.compare_exchange_strong(expected, id);
  workerThread = thread;
  workerTool = tool;
  return true;
}

}  // namespace

VantrelTool::VantrelTool() : IUnknownImp<IToolImplementor>(IID_IToolImplementor) {}

VantrelTool::~VantrelTool() {
  delete regexProgram;
  regexProgram = nullptr;
  delete[] nodeIds;
  nodeIds = nullptr;
  nodeCount = 0;
}

int STDMETHODCALLTYPE VantrelTool::runTool(void* reserved, const ProjectNodeId* ids, int count) {
  (void)reserved;
  if (searchThreadId.load() != 0) {
    int answer =
        showMessageBox(GetActiveWindow(), "Vantrel is currently running.\nDo you want to stop it ?",
                       kToolName, MB_YESNO | MB_ICONSTOP);
    // The running search may belong to the tool of a project closed since.
    if (answer == IDYES) (workerTool ? workerTool : this)->stopRequested.store(1);
    return 0;
  }
  reapWorker(false);
  // Only OK starts a search; a dialog that could not be shown at all (-1) does not.
  if (showSearchDialog(count > 0 ? count : 0) != IDOK) return 0;

  delete[] nodeIds;
  nodeIds = nullptr;
  nodeCount = 0;
  if (count > 0 && ids) {
    nodeIds = new (std::nothrow) ProjectNodeId[count];
    if (nodeIds) {
      for (int i = 0; i < count; ++i) nodeIds[i] = ids[i];
      nodeCount = count;
    }
  }
  if ((searchOptions & Asynchronous) && startWorker(this)) return 0;
  runSearch(this, 0);
  return 0;
}

void registerTool(ProjectClient* client) {
  VantrelTool* tool = new (std::nothrow) VantrelTool();
  if (!tool) return;
  client->tool = tool;
  if (!client->toolRegistry) {
    client->toolRegistry = static_cast<ToolRegistry*>(getService(IID_ToolRegistry));
    if (!client->toolRegistry) return;
  }
  ToolRegistry* registry = client->toolRegistry;
  int old = registry->findTool(makeString(kToolName));
  if (old != 0) registry->deleteTool(old);
  ToolEntry* entry = registry->createTool();
  if (!entry) return;
  entry->setKind(kToolKind);
  entry->setToolName(makeString(kToolName));
  entry->setCommand(makeString(kToolCommand));
  entry->setFlags(kToolFlags);
  entry->setExtensions(makeString(kToolExtensions));
  entry->setMenuText(makeString(kToolMenuText));
  entry->setHelpHint(makeString(kToolHelpHint));
  tool->AddRef();  // the IDE takes over this reference
  entry->setHandler(tool);
  registry->addTool(entry);
}

void unregisterTool(ProjectClient* client) {
  ToolRegistry* registry = client->toolRegistry;
  if (!registry) return;
  int id = registry->findTool(makeString(kToolName));
  if (id != 0) registry->deleteTool(id);
  registry->Release();
  client->toolRegistry = nullptr;
  client->tool->Release();
  client->tool = nullptr;
}

void stopWorkerSearch() { reapWorker(true); }

void requestWorkerStop() {
  if (workerTool) workerTool->stopRequested.store(1);
}

DWORD WINAPI toolThreadMain(LPVOID tool) {
  return searchThreadMain(static_cast<SearchJob*>(static_cast<VantrelTool*>(tool)));
}
