// The host's tool list and entries (see host/ide/tool_list.h).
// Tested by tests/host/ide/host_services_test.cpp.
#include "host/ide/tool_list.h"

#include <string>

#include "host/ide/host_string.h"

namespace host {

Tool::~Tool() { release(handler_); }

void Tool::record(const char* operation, std::string value) {
  try {
    std::lock_guard<std::mutex> lock(mutex_);
    properties_.push_back(ToolProperty{operation, std::move(value)});
  } catch (...) {
  }
}

std::string Tool::recordText(const char* operation, HostString* text) {
  std::optional<std::string> value = takeText(text);
  std::string shown;
  try {
    shown = value.value_or("");
  } catch (...) {
  }
  record(operation, shown);
  return shown;
}

void Tool::setKind(int kind) { record("setKind", std::to_string(kind)); }

void Tool::setToolName(HostString* name) {
  std::string text = recordText("setToolName", name);
  std::lock_guard<std::mutex> lock(mutex_);
  name_.swap(text);
}

void Tool::setCommand(HostString* command) { recordText("setCommand", command); }

void Tool::setFlags(int flags) { record("setFlags", std::to_string(flags)); }

void Tool::setMenuText(HostString* text) { recordText("setMenuText", text); }

void Tool::setHelpHint(HostString* hint) { recordText("setHelpHint", hint); }

void Tool::setExtensions(HostString* extensions) { recordText("setExtensions", extensions); }

void Tool::setHandler(IToolImplementor* handler) {
  record("setHandler", handler ? "handler" : "none");
  IToolImplementor* previous;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    previous = handler_;
    handler_ = handler;
  }
  if (previous) previous->Release();
}

std::string Tool::name() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return name_;
}

std::vector<ToolProperty> Tool::properties() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return properties_;
}

IToolImplementor* Tool::handler() const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (handler_) handler_->AddRef();
  return handler_;
}

ToolList::ToolList() : RefCounted(IID_ToolRegistry) {}

ToolList::~ToolList() {
  for (auto& [id, tool] : tools_) tool->Release();
}

ToolEntry* ToolList::createTool() {
  try {
    return new Tool();
  } catch (...) {
    return nullptr;
  }
}

void ToolList::addTool(ToolEntry* entry) {
  if (!entry) return;
  Tool* tool = dynamic_cast<Tool*>(entry);
  if (!tool) {
    entry->Release();
    return;
  }
  try {
    std::lock_guard<std::mutex> lock(mutex_);
    tools_.emplace_back(lastId_ + 1, tool);
    ++lastId_;
  } catch (...) {
    tool->Release();
  }
}

int ToolList::findTool(HostString* name) {
  std::optional<std::string> wanted = takeText(name);
  if (!wanted) return 0;
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& [id, tool] : tools_)
    if (tool->name() == *wanted) return id;
  return 0;
}

void ToolList::deleteTool(int id) {
  Tool* removed = nullptr;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = tools_.begin(); it != tools_.end(); ++it) {
      if (it->first == id) {
        removed = it->second;
        tools_.erase(it);
        break;
      }
    }
  }
  if (removed) removed->Release();  // may release the handler: outside the lock
}

void ToolList::clear() {
  std::vector<std::pair<int, Tool*>> removed;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    removed.swap(tools_);
  }
  for (auto& [id, tool] : removed) tool->Release();
}

size_t ToolList::size() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return tools_.size();
}

std::vector<std::pair<int, Tool*>> ToolList::tools() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::pair<int, Tool*>> listed = tools_;
  for (auto& [id, tool] : listed) tool->AddRef();
  return listed;
}

bool ToolList::runTool(const std::string& name, const std::vector<ProjectNodeId>& nodeIds) {
  IToolImplementor* handler = nullptr;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& [id, tool] : tools_) {
      if (tool->name() == name) {
        handler = tool->handler();
        break;
      }
    }
  }
  if (!handler) return false;
  handler->runTool(nullptr, nodeIds.empty() ? nullptr : nodeIds.data(),
                   static_cast<int>(nodeIds.size()));
  handler->Release();
  return true;
}

}  // namespace host
