// Reading the command's project files (see host/cli/command_project.h).
// Tested by tests/host/cli/command_project_test.cpp.
#include "host/cli/command_project.h"

#include <limits.h>
#include <stdlib.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>

#ifndef _WIN32
#include "win32/kernel32/paths.h"
#endif

namespace vantrel {
namespace {

using nlohmann::json;

#ifdef _WIN32
// On Windows a path is already as the add-on sees it: the Windows form is the full path.
std::string absolute(const std::string& path) {
  char full[MAX_PATH];
  DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
  return length > 0 && length < sizeof full ? std::string(full, length) : path;
}

bool toWindows(const std::string& path, std::string& windows) {
  windows = absolute(path);
  return windows.size() < MAX_PATH;
}

bool isRelative(const std::string& path) {
  bool drive = path.size() >= 2 && path[1] == ':';
  return !drive && (path.empty() || (path[0] != '\\' && path[0] != '/'));
}

std::string directoryOf(const std::string& file) {
  size_t slash = file.find_last_of("\\/");
  if (slash == std::string::npos) return ".";
  return file.substr(0, slash + (slash == 0 || (slash == 2 && file[1] == ':') ? 1 : 0));
}

constexpr char kSeparator = '\\';

bool currentDirectory(std::string& directory) {
  char current[MAX_PATH];
  DWORD length = GetCurrentDirectoryA(sizeof current, current);
  if (length == 0 || length >= sizeof current) return false;
  directory.assign(current, length);
  return true;
}
#else
// The Windows form of an absolute POSIX path; false when the drive mapping cannot show it.
bool toWindows(const std::string& posix, std::string& windows) {
  char buffer[MAX_PATH];
  if (VwinToWindowsPath(posix.c_str(), buffer, sizeof buffer) == 0) return false;
  windows = buffer;
  return true;
}

std::string absolute(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  char cwd[PATH_MAX];
  if (!getcwd(cwd, sizeof cwd)) return path;
  std::string base = cwd;
  if (base != "/") base += '/';
  return base + path;
}

bool isRelative(const std::string& path) { return path.empty() || path[0] != '/'; }

std::string directoryOf(const std::string& file) {
  size_t slash = file.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return file.substr(0, slash);
}

constexpr char kSeparator = '/';

bool currentDirectory(std::string& directory) {
  char cwd[PATH_MAX];
  if (!getcwd(cwd, sizeof cwd)) return false;
  directory = cwd;
  return true;
}
#endif

bool isWindowsPath(const std::string& path) {
  bool drive = path.size() >= 2 && path[1] == ':' &&
               ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  return drive || path.rfind("\\\\", 0) == 0;
}

// Project files are hand-written lists of a few thousand names at most; anything larger is refused
// before it is parsed, so an endless or huge file costs bounded memory.
constexpr size_t kMaxProjectBytes = 16u << 20;

// JSON nesting allowed in a project file: nodes nest at most 200 deep, each level an object and its
// "children" array. Checked before parsing, so no deep document ever reaches the JSON library.
constexpr int kMaxNesting = 2 * 200 + 4;

// Whether the brackets of `text` (outside strings) nest deeper than kMaxNesting.
bool nestsTooDeeply(const std::string& text) {
  int depth = 0;
  bool inString = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (inString) {
      if (c == '\\')
        ++i;
      else if (c == '"')
        inString = false;
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      if (++depth > kMaxNesting) return true;
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return false;
}

// A key or name quoted in a message, cut so that a message stays one short line.
std::string quoted(const std::string& text) {
  constexpr size_t kShown = 60;
  if (text.size() <= kShown) return "\"" + text + "\"";
  return "\"" + text.substr(0, kShown) + "\"...";
}

bool readNode(const json& value, host::NodeDescription& node, std::string& error, int depth) {
  if (depth > 200) {
    error = "project nodes nest too deeply";
    return false;
  }
  if (value.is_string()) {
    node.name = value.get<std::string>();
    return true;
  }
  if (!value.is_object()) {
    error = std::string("a project node must be a name or an object, not ") + value.type_name();
    return false;
  }
  for (auto it = value.begin(); it != value.end(); ++it) {
    if (it.key() == "name") {
      if (it->is_string()) {
        node.name = it->get<std::string>();
      } else if (!it->is_null()) {
        error = "a node's \"name\" must be a string";
        return false;
      }
    } else if (it.key() == "children") {
      if (!it->is_array()) {
        error = "a node's \"children\" must be an array";
        return false;
      }
      for (const json& child : *it) {
        node.children.emplace_back();
        if (!readNode(child, node.children.back(), error, depth + 1)) return false;
      }
    } else {
      error = "unknown key " + quoted(it.key()) + " in a project node";
      return false;
    }
  }
  return true;
}

bool asciiEqualIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto up = [](char c) { return c >= 'a' && c <= 'z' ? char(c - 32) : c; };
           return up(x) == up(y);
         });
}

}  // namespace

bool parseProject(const std::string& text, const std::string& projectFile,
                  host::ProjectDescription& project, std::string& error) {
  if (nestsTooDeeply(text)) {
    error = "project file '" + projectFile + "' nests deeper than " + std::to_string(kMaxNesting) +
            " levels";
    return false;
  }
  json document = json::parse(text, nullptr, false);
  if (document.is_discarded()) {
    error = "project file '" + projectFile + "' is not valid JSON";
    return false;
  }
  if (!document.is_object()) {
    error = "project file '" + projectFile + "' must hold a JSON object";
    return false;
  }
  project = host::ProjectDescription{};
  std::string path = absolute(projectFile);
  bool pathGiven = false;
  for (auto it = document.begin(); it != document.end(); ++it) {
    if (it.key() == "path") {
      if (!it->is_string() || it->get<std::string>().empty()) {
        error = "\"path\" in '" + projectFile + "' must be a non-empty string";
        return false;
      }
      path = it->get<std::string>();
      pathGiven = true;
    } else if (it.key() == "nodes") {
      if (!it->is_array()) {
        error = "\"nodes\" in '" + projectFile + "' must be an array";
        return false;
      }
      for (const json& value : *it) {
        project.nodes.emplace_back();
        if (!readNode(value, project.nodes.back(), error, 0)) {
          error += " (in '" + projectFile + "')";
          return false;
        }
      }
    } else {
      error = "unknown key " + quoted(it.key()) + " in project file '" + projectFile + "'";
      return false;
    }
  }
  if (pathGiven && isWindowsPath(path)) {
    project.path = path;
    return true;
  }
  if (pathGiven && isRelative(path)) {
    std::string directory = directoryOf(absolute(projectFile));
    if (directory.back() != kSeparator) directory += kSeparator;
    path = directory + path;
  }
  if (!toWindows(path, project.path)) {
    error = "the project path '" + path + "' has no Windows form";
    return false;
  }
  return true;
}

bool loadProjectFile(const std::string& posixPath, host::ProjectDescription& project,
                     std::string& error) {
  std::ifstream in(posixPath, std::ios::binary);
  if (!in) {
    error = "cannot open project file '" + posixPath + "': " + std::strerror(errno);
    return false;
  }
  // Read in blocks up to the limit, so an endless file (a device, a pipe that never ends) stops
  // there instead of filling memory.
  std::string text;
  char block[1 << 16];
  while (in.read(block, sizeof block) || in.gcount() > 0) {
    text.append(block, static_cast<size_t>(in.gcount()));
    if (text.size() > kMaxProjectBytes) {
      error = "project file '" + posixPath + "' is larger than " +
              std::to_string(kMaxProjectBytes >> 20) + " MiB";
      return false;
    }
  }
  if (in.bad()) {
    error = "cannot read project file '" + posixPath + "'";
    return false;
  }
  return parseProject(text, posixPath, project, error);
}

bool emptyProject(host::ProjectDescription& project, std::string& error) {
  project = host::ProjectDescription{};
  std::string file;
  if (!currentDirectory(file)) {
    error = std::string("cannot read the current directory: ") + std::strerror(errno);
    return false;
  }
  if (file.back() != kSeparator) file += kSeparator;
  file += "vantrel.ide";
  if (!toWindows(file, project.path)) {
    error = "the current directory has no Windows form (path too long?)";
    return false;
  }
  return true;
}

bool selectNodes(const host::ProjectDescription& project, const std::vector<std::string>& names,
                 std::vector<ProjectNodeId>& ids, std::string& error) {
  std::shared_ptr<const host::NodeTree> tree = host::buildNodeTree(project.nodes);
  ids.clear();
  for (const std::string& name : names) {
    std::vector<ProjectNodeId> found;
    for (int pass = 0; pass < 2 && found.empty(); ++pass) {
      for (size_t i = 0; i < tree->nodes.size(); ++i) {
        const auto& nodeName = tree->nodes[i].name;
        if (!nodeName) continue;
        if (pass == 0 ? *nodeName == name : asciiEqualIgnoringCase(*nodeName, name))
          found.push_back(static_cast<ProjectNodeId>(i + 1));
      }
    }
    if (found.empty()) {
      error = "no project node is named '" + name + "'";
      return false;
    }
    for (ProjectNodeId id : found)
      if (std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
  }
  return true;
}

bool openCommandProject(const std::optional<std::string>& projectFile,
                        const std::vector<std::string>& selectedNames,
                        const std::optional<std::string>& directories,
                        host::ProjectDescription& project, std::vector<ProjectNodeId>& selected,
                        std::string& error) {
  bool loaded =
      projectFile ? loadProjectFile(*projectFile, project, error) : emptyProject(project, error);
  if (!loaded || !selectNodes(project, selectedNames, selected, error)) return false;
  if (directories && *directories == "[Selected Nodes]" && selected.empty()) {
    error = "\"[Selected Nodes]\" searches the nodes chosen with --select; none was chosen";
    return false;
  }
  return true;
}

}  // namespace vantrel
