// The host's project service (ProjectService) and its nodes (ProjectNode).
//
// A project is a path and a tree of nodes, each with a file name (or none) and children. Node ids
// are given in depth-first order from 1 as the project is opened, so 0 stays "none". Opening a
// project tells every registered client (projectOpened with the path as a fresh HostString);
// closing it tells them projectClosed, and the tree is gone: getNode then answers none. A node
// object keeps the tree it came from alive, so a node fetched before a close still answers.
// Ownership: a Project is born with one reference. It keeps one reference to each registered
// client and releases it at unregisterClient or at its last Release; unregisterClient also
// releases the reference handed with its argument. Each getNode answers a new Node.
// Threading: every operation may be called from any thread; clients are called without the
// lock held (a client may call back into the host).
// Tested by tests/host/ide/host_services_test.cpp.
#ifndef VANTREL_HOST_PROJECT_H_
#define VANTREL_HOST_PROJECT_H_

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "host/ide/ref_counted.h"

namespace host {

// A project as the host is told about it (the command loads it from a file).
struct NodeDescription {
  std::optional<std::string> name;  // none: a node without a file name
  std::vector<NodeDescription> children;
};

struct ProjectDescription {
  std::string path;                    // the project's path (Windows form), as clients receive it
  std::vector<NodeDescription> nodes;  // the top-level nodes, siblings of each other
};

// The tree of an open project, fixed once built.
struct NodeTree {
  struct Node {
    std::optional<std::string> name;
    ProjectNodeId firstChild = 0;
    ProjectNodeId nextSibling = 0;
  };
  std::vector<Node> nodes;  // nodes[id - 1]
  const Node* find(ProjectNodeId id) const {
    return id >= 1 && id <= nodes.size() ? &nodes[id - 1] : nullptr;
  }
};

class Project final : public RefCounted<ProjectService> {
 public:
  Project();
  ~Project() override;

  // Keeps the reference handed over (NULL is ignored).
  void STDMETHODCALLTYPE registerClient(IProjectClient* client) override;
  // Forgets the client, releasing the kept reference and the one handed over.
  void STDMETHODCALLTYPE unregisterClient(IProjectClient* client) override;
  // A new node object for the id, or NULL when no open project has that node.
  ProjectNode* STDMETHODCALLTYPE getNode(ProjectNodeId id) override;

  // Host side. Opens the project (closing an open one first) and tells the clients.
  void open(const ProjectDescription& project);
  // Closes the open project, if any, and tells the clients.
  void close();
  bool isOpen() const;
  // The id of the first node (depth-first) whose name equals `name` exactly, 0 when none.
  ProjectNodeId findNode(const std::string& name) const;
  // The ids of every node of the open project, depth-first.
  std::vector<ProjectNodeId> nodeIds() const;
  size_t clientCount() const;

 private:
  std::vector<IProjectClient*> referencedClients() const;

  mutable std::mutex mutex_;
  std::vector<IProjectClient*> clients_;
  std::shared_ptr<const NodeTree> tree_;
};

class Node final : public RefCounted<ProjectNode> {
 public:
  Node(std::shared_ptr<const NodeTree> tree, const NodeTree::Node* node)
      : tree_(std::move(tree)), node_(node) {}

  // A new HostString with the node's file name, or NULL when the node has none.
  HostString* STDMETHODCALLTYPE getName() override;
  ProjectNodeId STDMETHODCALLTYPE firstChild() override { return node_->firstChild; }
  ProjectNodeId STDMETHODCALLTYPE nextSibling() override { return node_->nextSibling; }

 private:
  std::shared_ptr<const NodeTree> tree_;
  const NodeTree::Node* node_;
};

// Builds the tree of a description, ids depth-first from 1.
std::shared_ptr<const NodeTree> buildNodeTree(const std::vector<NodeDescription>& nodes);

}  // namespace host

#endif  // VANTREL_HOST_PROJECT_H_
