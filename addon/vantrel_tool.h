// VantrelTool: the add-on's one tool in the IDE's tool list, and the search job every search of
// the open project reuses. Also its registration on behalf of the ProjectClient, running it (the
// stop question, or the dialog followed by a search on this thread or on a worker thread), and
// the worker's bookkeeping.
//
// Ownership: the tool is reference-counted; the ProjectClient holds one reference, the IDE's tool
// entry one, and a worker search one from thread creation until the worker has ended and the
// IDE's thread has reaped it (so closing the project never destroys the job under the worker).
// The tool owns `regexProgram` and `nodeIds` (SearchJob).
// Threading: everything here runs on the IDE's thread, except the worker entry. While a worker
// runs, the IDE's thread touches the job only through `stopRequested`.
// Tested by tests/addon/tool_test.cpp.
#ifndef VANTREL_ADDON_VANTREL_TOOL_H_
#define VANTREL_ADDON_VANTREL_TOOL_H_

#include "addon/ide.h"
#include "addon/tool_name.h"
#include "addon/unknown_imp.h"
#include "search/job.h"

class ProjectClient;

class VantrelTool : public IUnknownImp<IToolImplementor>, public SearchJob {
 public:
  VantrelTool();

  // Asks whether to stop a worker search that still runs; otherwise shows the search dialog and,
  // after OK, searches the selected nodes `nodeIds[0..count)` (copied) or the dialog's
  // directories, on a worker thread when Asynchronous is set. Answers 0.
  int STDMETHODCALLTYPE runTool(void* reserved, const ProjectNodeId* nodeIds, int count) override;

 protected:
  // Deletes the compiled pattern and frees the node-id copy, if any.
  ~VantrelTool() override;
};

// The tool's texts and settings as the IDE's tool list shows them.
extern const char kToolCommand[];  // "[Vantrel AddOn]"
extern const char kToolExtensions[];
extern const char kToolMenuText[];  // "&Vantrel ..."
extern const char kToolHelpHint[];
// The kind and flags the IDE's own tools of this sort carry. What the IDE makes of them is its
// own and not documented; our hosts keep them without reading them.
constexpr int kToolKind = -3;
constexpr int kToolFlags = 0x2100;

// Creates the client's tool and adds it to the IDE's tool list, replacing a tool of the same
// name already listed. Without a ToolRegistry the tool stays the client's, unlisted.
void registerTool(ProjectClient* client);
// Takes the tool out of the IDE's list and releases the client's references to the registry and
// the tool. Does nothing without a registry (the tool stays).
void unregisterTool(ProjectClient* client);

// Sets the running worker search's stop flag and waits until the worker has ended, then releases
// its reference to the tool. Nothing when no worker was started. For unloading.
void stopWorkerSearch();
// Sets a running worker search's stop flag without waiting: for process detach, where the
// loader lock is held and a thread that ends needs it, so waiting for the worker would hang.
void requestWorkerStop();

// The worker thread's entry, with the VantrelTool whose reference the worker holds.
DWORD WINAPI toolThreadMain(LPVOID tool);

#endif  // VANTREL_ADDON_VANTREL_TOOL_H_
