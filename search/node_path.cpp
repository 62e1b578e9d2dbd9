// Node path resolution (see search/node_path.h). Project nodes name their files relative to the
// project file's directory, often with ".." steps; the node walk makes them absolute here before
// the scan opens them. Every copy is bounded by the part sizes; nothing is cut into another path:
// what does not fit is refused. Tested by tests/search/node_path_test.cpp.
#include "search/node_path.h"

#include <cstring>

#include "addon/platform.h"

namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }

// Copies `length` bytes of `from` into a part of kPathPartSize bytes; answers false when cut.
bool copyPart(char* part, const char* from, size_t length) {
  if (!part) return length < kPathPartSize;
  bool fits = length < kPathPartSize;
  if (!fits) length = kPathPartSize - 1;
  memcpy(part, from, length);
  part[length] = '\0';
  return fits;
}

// Appends `text` to `out` (of MAX_PATH bytes) at `*length`; answers false when it would not fit.
bool append(char* out, size_t* length, const char* text) {
  size_t add = strlen(text);
  if (*length + add > MAX_PATH - 1) return false;
  memcpy(out + *length, text, add + 1);
  *length += add;
  return true;
}

}  // namespace

int splitPath(const char* path, char* drive, char* directory, char* name, char* extension) {
  const char* rest = path;
  size_t driveLength = 0;
  if (((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) && path[1] == ':')
    driveLength = 2;
  rest += driveLength;
  const char* lastSeparator = nullptr;
  for (const char* p = rest; *p; ++p)
    if (isSeparator(*p)) lastSeparator = p;
  const char* file = lastSeparator ? lastSeparator + 1 : rest;
  const char* dot = strrchr(file, '.');
  size_t fileLength = strlen(file);
  const char* fileEnd = file + fileLength;
  if (!dot) dot = fileEnd;
  bool fits = copyPart(drive, path, driveLength);
  fits = copyPart(directory, rest, static_cast<size_t>(file - rest)) && fits;
  fits = copyPart(name, file, static_cast<size_t>(dot - file)) && fits;
  fits = copyPart(extension, dot, static_cast<size_t>(fileEnd - dot)) && fits;
  return fits ? 1 : 0;
}

int splitDirectory(char* directory, char* prefix) {
  prefix[0] = '\0';
  const char* from = directory;
  if (from[0] == '\\' && from[1] == '\\') {
    size_t length = 2;
    while (from[length] && !isSeparator(from[length])) ++length;
    copyPart(prefix, from, length);
    from += length;
  }
  if (isSeparator(*from)) ++from;
  // Move the rest to the front, turning separators into terminators; a last piece that no
  // separator follows gets its own terminator, and one more NUL ends the list.
  char* out = directory;
  int count = 0;
  bool inPiece = false;
  for (; *from; ++from) {
    if (isSeparator(*from)) {
      *out++ = '\0';
      ++count;
      inPiece = false;
    } else {
      *out++ = *from;
      inPiece = true;
    }
  }
  if (inPiece) {
    *out++ = '\0';
    ++count;
  }
  *out = '\0';
  return count;
}

int resolveNodePath(const char* project, char* name) {
  char projectDrive[kPathPartSize], projectName[kPathPartSize], projectExtension[kPathPartSize];
  char nodeDrive[kPathPartSize], nodeName[kPathPartSize], nodeExtension[kPathPartSize];
  char projectDirectory[kSplitDirectorySize], nodeDirectory[kSplitDirectorySize];
  int projectFits =
      splitPath(project, projectDrive, projectDirectory, projectName, projectExtension);
  int nodeFits = splitPath(name, nodeDrive, nodeDirectory, nodeName, nodeExtension);
  char* parts[] = {projectDrive, projectDirectory, projectName, projectExtension,
                   nodeDrive,    nodeDirectory,    nodeName,    nodeExtension};
  for (char* part : parts) CharUpperA(part);

  if (nodeDrive[0]) return 1;
  char projectServer[kPathPartSize], nodeServer[kPathPartSize];
  int projectCount = splitDirectory(projectDirectory, projectServer);
  splitDirectory(nodeDirectory, nodeServer);
  if (nodeServer[0]) return 1;
  // A part cut short would name another file; leave such a name to be opened as given.
  if (!projectFits || !nodeFits) return 0;

  const char* nodeComponent = nodeDirectory;
  int keep = projectCount;
  while (*nodeComponent && strcmp(nodeComponent, "..") == 0) {
    --keep;
    nodeComponent += 3;
  }
  if (keep < 0) return 0;

  char result[MAX_PATH];
  size_t length = 0;
  result[0] = '\0';
  if (projectDrive[0]) {
    append(result, &length, projectDrive);
  } else if (projectServer[0]) {
    if (!append(result, &length, projectServer)) return 0;
  } else {
    return 0;
  }
  if (!append(result, &length, "\\")) return 0;
  const char* projectComponent = projectDirectory;
  for (int i = 0; i < keep; ++i) {
    if (!append(result, &length, projectComponent) || !append(result, &length, "\\")) return 0;
    projectComponent += strlen(projectComponent) + 1;
  }
  for (; *nodeComponent; nodeComponent += strlen(nodeComponent) + 1)
    if (!append(result, &length, nodeComponent) || !append(result, &length, "\\")) return 0;
  if (!append(result, &length, nodeName) || !append(result, &length, nodeExtension)) return 0;
  memcpy(name, result, length + 1);
  return 1;
}
