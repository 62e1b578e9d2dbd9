// The project notifications (see addon/project_client.h). Tested by tests/addon/lifetime_test.cpp
// and tests/addon/tool_test.cpp.
#include "addon/project_client.h"

#include "addon/host_access.h"
#include "addon/vantrel_tool.h"

ProjectClient::ProjectClient() : IUnknownImp<IProjectClient>(IID_IProjectClient) {}

ProjectClient::~ProjectClient() {
  if (toolRegistry) toolRegistry->Release();
  if (tool) tool->Release();
}

void STDMETHODCALLTYPE ProjectClient::projectOpened(HostString* path) {
  if (!tool) registerTool(this);
  if (!path) return;
  LPCSTR text = path->getText();
  int length = 0;
  if (text) {
    while (length < kProjectPathSize - 1 && text[length]) {
      projectPath[length] = text[length];
      ++length;
    }
  }
  projectPath[length] = '\0';
  path->Release();
}

void STDMETHODCALLTYPE ProjectClient::projectClosed() {
  if (tool) unregisterTool(this);
}

void STDMETHODCALLTYPE ProjectClient::projectNotify3() {}
void STDMETHODCALLTYPE ProjectClient::projectNotify4() {}
void STDMETHODCALLTYPE ProjectClient::projectNotify5() {}
void STDMETHODCALLTYPE ProjectClient::projectNotify6() {}
void STDMETHODCALLTYPE ProjectClient::projectNotify7() {}
int STDMETHODCALLTYPE ProjectClient::projectQuery8() { return 0; }

void STDMETHODCALLTYPE ProjectClient::projectObject9(int context, IUnknown* object) {
  (void)context;
  if (object) object->Release();
}
