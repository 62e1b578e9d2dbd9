// The listing rules' paths and the system's (see listing/system_path.h).
// Tested by tests/listing/listing_rules_test.cpp.
#include "listing/system_path.h"

namespace vlisting {

#ifdef _WIN32

namespace {

// Whether `path` begins with a drive: "C:".
bool drive(std::string_view path) {
  return path.size() >= 2 && path[1] == ':' &&
         ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

}  // namespace

std::string systemPath(const std::string& path) {
  if (path.size() >= 3 && path[0] == '/' && drive(std::string_view(path).substr(1)))
    return path.substr(1);
  return path;
}

std::string rulesPath(std::string_view native) {
  std::string path = drive(native) ? "/" : "";
  for (char c : native) path += c == '\\' ? '/' : c;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

bool absolutePath(std::string_view path) {
  return drive(path) || (!path.empty() && (path[0] == '/' || path[0] == '\\'));
}

#else

std::string systemPath(const std::string& path) { return path; }

std::string rulesPath(std::string_view native) {
  std::string path(native);
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

bool absolutePath(std::string_view path) { return !path.empty() && path[0] == '/'; }

#endif

}  // namespace vlisting
