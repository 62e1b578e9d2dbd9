// Where the listing rules' paths meet the file system.
//
// The rules name every directory by an absolute path of components each after a '/', "" for the
// file system's root, so that a directory's parent is its path up to its last '/'. On Windows a
// drive is the first component ("/C:/src" for C:\src), and the system is given such a path
// without its first '/' ("C:/src/.gitignore"); a path that is not in the rules' form (one a git
// configuration names) is given as it is.
//
// Threading: plain functions. Tested by tests/listing/listing_rules_test.cpp.
#ifndef VANTREL_LISTING_SYSTEM_PATH_H_
#define VANTREL_LISTING_SYSTEM_PATH_H_

#include <string>
#include <string_view>

namespace vlisting {

// `path` as the system opens it.
std::string systemPath(const std::string& path);

// `native`, an absolute path as the system names it (C:\src\x\ on Windows), in the rules' form
// (/C:/src/x): separators made '/', no trailing one. On POSIX the path as it is.
std::string rulesPath(std::string_view native);

// Whether `path` (of a git file's "gitdir:" line, say) is absolute on this system.
bool absolutePath(std::string_view path);

}  // namespace vlisting

#endif  // VANTREL_LISTING_SYSTEM_PATH_H_
