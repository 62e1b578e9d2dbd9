// The host's tool list (ToolRegistry) and its entries (ToolEntry).
//
// A Tool records every property set on it, in order, so the host (and tests) can see exactly how
// a tool was registered; its name, menu text and handler are kept as well. Tool ids are numbered
// from 1 in the order tools are added and never reused, so 0 stays "none".
// Ownership: a ToolList and each Tool are born with one reference. addTool takes over the entry's
// reference; deleteTool and the list's last Release release it. A Tool keeps the handler
// reference handed to setHandler (releasing an earlier one) until its last Release. Every
// HostString argument is released exactly once.
// Threading: every operation may be called from any thread; a tool's handler is run without the
// list's lock held.
// Tested by tests/host/ide/host_services_test.cpp.
#ifndef VANTREL_HOST_TOOL_LIST_H_
#define VANTREL_HOST_TOOL_LIST_H_

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "host/ide/ref_counted.h"

namespace host {

// One property set on a tool: the operation's name ("setKind", ...) and its value as text
// (integers in decimal; setHandler records "handler").
struct ToolProperty {
  std::string operation;
  std::string value;
  bool operator==(const ToolProperty&) const = default;
};

class Tool final : public RefCounted<ToolEntry> {
 public:
  Tool() = default;
  ~Tool() override;

  void STDMETHODCALLTYPE setKind(int kind) override;
  void STDMETHODCALLTYPE setToolName(HostString* name) override;
  void STDMETHODCALLTYPE setCommand(HostString* command) override;
  void STDMETHODCALLTYPE setFlags(int flags) override;
  void STDMETHODCALLTYPE setMenuText(HostString* text) override;
  void STDMETHODCALLTYPE setHelpHint(HostString* hint) override;
  void STDMETHODCALLTYPE setExtensions(HostString* extensions) override;
  void STDMETHODCALLTYPE setHandler(IToolImplementor* handler) override;

  // Host side; call while the tool is not being set up from another thread.
  std::string name() const;
  std::vector<ToolProperty> properties() const;
  // The handler with a new reference for the caller, or NULL.
  IToolImplementor* handler() const;

 private:
  void record(const char* operation, std::string value);
  std::string recordText(const char* operation, HostString* text);

  mutable std::mutex mutex_;
  std::vector<ToolProperty> properties_;
  std::string name_;
  IToolImplementor* handler_ = nullptr;
};

class ToolList final : public RefCounted<ToolRegistry> {
 public:
  ToolList();
  ~ToolList() override;

  // A new tool entry, not yet in the list; NULL on exhaustion.
  ToolEntry* STDMETHODCALLTYPE createTool() override;
  // Takes over the entry's reference and lists it (an entry not made by createTool is released
  // and ignored).
  void STDMETHODCALLTYPE addTool(ToolEntry* entry) override;
  // The id of the first listed tool of that name, 0 when none. Takes over `name`.
  int STDMETHODCALLTYPE findTool(HostString* name) override;
  // Removes and releases the tool of that id; an unknown id does nothing.
  void STDMETHODCALLTYPE deleteTool(int id) override;

  // Host side.
  size_t size() const;
  // Removes and releases every tool. A host unloading an add-on calls it before the module goes,
  // since a tool left listed holds a handler whose code lives in the module.
  void clear();
  // The tools listed, in order, as (id, tool) with a new reference to each tool for the caller.
  std::vector<std::pair<int, Tool*>> tools() const;
  // Runs the first tool of that name with the selected node ids: its handler's runTool. Answers
  // false when no such tool or it has no handler.
  bool runTool(const std::string& name, const std::vector<ProjectNodeId>& nodeIds);

 private:
  mutable std::mutex mutex_;
  std::vector<std::pair<int, Tool*>> tools_;
  int lastId_ = 0;
};

}  // namespace host

#endif  // VANTREL_HOST_TOOL_LIST_H_
