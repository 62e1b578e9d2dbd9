// The host's project service and nodes (see host/ide/project.h).
// Tested by tests/host/ide/host_services_test.cpp.
#include "host/ide/project.h"

#include <algorithm>

#include "host/ide/host_string.h"

namespace host {
namespace {

// Appends `nodes` as siblings, depth-first; answers the id of the first, 0 when none.
ProjectNodeId addSiblings(NodeTree& tree, const std::vector<NodeDescription>& nodes) {
  ProjectNodeId first = 0;
  ProjectNodeId previous = 0;
  for (const NodeDescription& description : nodes) {
    tree.nodes.push_back(NodeTree::Node{description.name, 0, 0});
    ProjectNodeId id = static_cast<ProjectNodeId>(tree.nodes.size());
    if (previous) tree.nodes[previous - 1].nextSibling = id;
    if (!first) first = id;
    previous = id;
    ProjectNodeId child = addSiblings(tree, description.children);
    tree.nodes[id - 1].firstChild = child;
  }
  return first;
}

}  // namespace

std::shared_ptr<const NodeTree> buildNodeTree(const std::vector<NodeDescription>& nodes) {
  auto tree = std::make_shared<NodeTree>();
  addSiblings(*tree, nodes);
  return tree;
}

Project::Project() : RefCounted(IID_ProjectService) {}

Project::~Project() {
  for (IProjectClient* client : clients_) client->Release();
}

void Project::registerClient(IProjectClient* client) {
  if (!client) return;
  try {
    std::lock_guard<std::mutex> lock(mutex_);
    clients_.push_back(client);
  } catch (...) {
    client->Release();  // cannot be kept: the reference handed over is given back
  }
}

void Project::unregisterClient(IProjectClient* client) {
  if (!client) return;
  IProjectClient* kept = nullptr;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = std::find(clients_.begin(), clients_.end(), client);
    if (it != clients_.end()) {
      kept = *it;
      clients_.erase(it);
    }
  }
  if (kept) kept->Release();
  client->Release();
}

ProjectNode* Project::getNode(ProjectNodeId id) {
  try {
    std::shared_ptr<const NodeTree> tree;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      tree = tree_;
    }
    const NodeTree::Node* node = tree ? tree->find(id) : nullptr;
    return node ? new Node(std::move(tree), node) : nullptr;
  } catch (...) {
    return nullptr;
  }
}

std::vector<IProjectClient*> Project::referencedClients() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<IProjectClient*> clients = clients_;
  for (IProjectClient* client : clients) client->AddRef();
  return clients;
}

void Project::open(const ProjectDescription& project) {
  close();
  std::shared_ptr<const NodeTree> tree = buildNodeTree(project.nodes);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    tree_ = std::move(tree);
  }
  for (IProjectClient* client : referencedClients()) {
    if (HostString* path = newString(project.path)) client->projectOpened(path);
    client->Release();
  }
}

void Project::close() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!tree_) return;
    tree_.reset();
  }
  for (IProjectClient* client : referencedClients()) {
    client->projectClosed();
    client->Release();
  }
}

bool Project::isOpen() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return tree_ != nullptr;
}

ProjectNodeId Project::findNode(const std::string& name) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!tree_) return 0;
  for (size_t i = 0; i < tree_->nodes.size(); ++i)
    if (tree_->nodes[i].name == name) return static_cast<ProjectNodeId>(i + 1);
  return 0;
}

std::vector<ProjectNodeId> Project::nodeIds() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<ProjectNodeId> ids;
  if (tree_)
    for (size_t i = 0; i < tree_->nodes.size(); ++i)
      ids.push_back(static_cast<ProjectNodeId>(i + 1));
  return ids;
}

size_t Project::clientCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return clients_.size();
}

HostString* Node::getName() { return node_->name ? newString(*node_->name) : nullptr; }

}  // namespace host
