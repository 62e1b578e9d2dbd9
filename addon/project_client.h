// ProjectClient: the add-on's sink for the IDE's project notifications. Opening a project puts
// the Vantrel tool into the IDE's tool list (once) and records the project's path; closing it
// takes the tool out again.
//
// Ownership: `tool` and `toolRegistry` each hold one reference, taken by registerTool and
// released by unregisterTool. A client destroyed while its project is still open (the add-on
// unloaded without projectClosed) releases both without taking the tool out of the IDE's list,
// so nothing leaks and the IDE keeps the tool it lists.
// Threading: the IDE's thread only. Tested by tests/addon/lifetime_test.cpp and
// tests/addon/tool_test.cpp.
#ifndef VANTREL_ADDON_PROJECT_CLIENT_H_
#define VANTREL_ADDON_PROJECT_CLIENT_H_

#include "addon/ide.h"
#include "addon/unknown_imp.h"

class VantrelTool;

class ProjectClient : public IUnknownImp<IProjectClient> {
 public:
  ProjectClient();
  ~ProjectClient() override;

  // Registers the tool when the client has none yet, then keeps the path in `projectPath` (cut
  // to fit) and releases the path string.
  void STDMETHODCALLTYPE projectOpened(HostString* path) override;
  // Unregisters the tool when the client has one.
  void STDMETHODCALLTYPE projectClosed() override;
  void STDMETHODCALLTYPE projectNotify3() override;
  void STDMETHODCALLTYPE projectNotify4() override;
  void STDMETHODCALLTYPE projectNotify5() override;
  void STDMETHODCALLTYPE projectNotify6() override;
  void STDMETHODCALLTYPE projectNotify7() override;
  int STDMETHODCALLTYPE projectQuery8() override;
  // Releases `object`, whose reference the IDE handed over.
  void STDMETHODCALLTYPE projectObject9(int context, IUnknown* object) override;

  VantrelTool* tool = nullptr;
  ToolRegistry* toolRegistry = nullptr;
};

#endif  // VANTREL_ADDON_PROJECT_CLIENT_H_
