// Node path resolution: the run-time library's decomposition of a path into drive, directory,
// name and extension, and the rewriting of a project node's file name into an absolute name
// against the path of the open project.
//
// Invariants: every part written by splitPath holds at most kPathPartSize - 1 characters; the
// name rewritten by resolveNodePath never exceeds MAX_PATH - 1 characters.
// Threading: pure functions over caller buffers (CharUpperA only); any thread.
// Tested by tests/search/node_path_test.cpp.
#ifndef VANTREL_SEARCH_NODE_PATH_H_
#define VANTREL_SEARCH_NODE_PATH_H_

// Room of each part of a split path: 255 characters and the terminator.
constexpr int kPathPartSize = 256;
// Room a directory part needs to be split in place: its text, the separator turned into the
// last component's terminator, and the empty string that ends the list.
constexpr int kSplitDirectorySize = kPathPartSize + 2;

// Takes `path` apart: drive (a letter and ":", or empty), directory (up to and including the last
// "\" or "/", or empty), name, and extension (from the last "." of the last component, dot
// included, or empty). Each output needs kPathPartSize bytes; a null output is skipped. A part
// longer than 255 characters is cut there; the answer is 1 when every part fitted, 0 otherwise.
int splitPath(const char* path, char* drive, char* directory, char* name, char* extension);

// Rewrites `directory` in place into its components: the pieces between "\" or "/" after the
// server prefix ("\\SERVER", stored into `prefix`, empty when none; kPathPartSize bytes) and
// after one leading separator, laid out as NUL-terminated strings followed by an empty string.
// Two separators in a row give an empty component; a trailing separator gives none. The buffer
// must have room for its text plus 2 bytes. Answers the number of components.
int splitDirectory(char* directory, char* prefix);

// Rewrites the node file name `name` (a work area of MAX_PATH bytes) as an absolute, upper-cased
// name against `project` (the project file's path). Answers 1 when the name already had a drive or
// a server, or was rewritten; 0 when it was left unchanged: more ".." steps than the project has
// directories, a project path without drive or server, a part too long to split, or a result
// longer than MAX_PATH - 1 characters.
int resolveNodePath(const char* project, char* name);

#endif  // VANTREL_SEARCH_NODE_PATH_H_
