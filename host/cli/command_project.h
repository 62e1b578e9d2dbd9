// The vantrel command's projects: a project file (JSON) read into the description the host's
// project service opens, the empty project used without one, and the choice of selected nodes.
//
// A project file:
//   {"path": "C:\\work\\demo\\demo.ide",
//    "nodes": ["main.cpp", {"name": "lib", "children": ["..\\shared\\util.c"]}]}
// "path" is the project's path as the add-on sees it: a Windows path with a drive or a server is
// taken as it stands; a POSIX path (relative ones against the project file's directory) is shown
// through the drive mapping; without "path" the project file's own path is used. On Windows every
// path is already the add-on's: a relative one is made full with GetFullPathNameA. A node is its
// name as the IDE stores it (absolute, or relative to the project's directory), or an object with
// an optional "name" and optional "children".
//
// Threading: any; no state. Tested by tests/host/cli/command_project_test.cpp.
#ifndef VANTREL_HOST_COMMAND_PROJECT_H_
#define VANTREL_HOST_COMMAND_PROJECT_H_

#include <optional>
#include <string>
#include <vector>

#include "host/ide/project.h"

namespace vantrel {

// Reads the project file at `posixPath`. Answers true, or false with one line in `error`.
bool loadProjectFile(const std::string& posixPath, host::ProjectDescription& project,
                     std::string& error);

// The same from the file's text; `projectFile` names the file in messages and is where a
// relative "path" starts.
bool parseProject(const std::string& json, const std::string& projectFile,
                  host::ProjectDescription& project, std::string& error);

// An empty project in the current directory.
bool emptyProject(host::ProjectDescription& project, std::string& error);

// The ids (depth-first from 1, as the project service numbers them) of the nodes named by
// `names`: every node whose name equals one exactly, or when none does, equals it ignoring ASCII
// case. Answers false with one line in `error` for a name that matches no node.
bool selectNodes(const host::ProjectDescription& project, const std::vector<std::string>& names,
                 std::vector<ProjectNodeId>& ids, std::string& error);

// The project a command line asks for (its project file, or the empty project) and the ids of the
// nodes it selects. For a search of `directories` (the -d field, if given and final),
// "[Selected Nodes]" with no node selected is refused too, since the add-on would only report that
// it has no node array. Answers false with one line in `error`.
bool openCommandProject(const std::optional<std::string>& projectFile,
                        const std::vector<std::string>& selectedNames,
                        const std::optional<std::string>& directories,
                        host::ProjectDescription& project, std::vector<ProjectNodeId>& selected,
                        std::string& error);

}  // namespace vantrel

#endif  // VANTREL_HOST_COMMAND_PROJECT_H_
