// Finding a work tree's repository directory (see listing/git_repository.h).
// Tested by tests/listing/listing_rules_test.cpp.
#include "listing/git_repository.h"

#include <sys/stat.h>

#include <cctype>

#include "listing/small_file.h"
#include "listing/system_path.h"

namespace vlisting {

std::string gitDirectory(const std::string& dotGit, const std::string& workTree,
                         SmallFile& outcome) {
  outcome = SmallFile::kRead;
  struct stat st;
  if (stat(systemPath(dotGit).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return dotGit;
  std::string text;
  outcome = readSmallFile(dotGit, text);
  if (outcome != SmallFile::kRead || text.rfind("gitdir:", 0) != 0) return dotGit;
  std::string named = text.substr(7);
  while (!named.empty() && std::isspace(static_cast<unsigned char>(named.front())))
    named.erase(0, 1);
  while (!named.empty() && std::isspace(static_cast<unsigned char>(named.back()))) named.pop_back();
  if (named.empty()) return dotGit;
  return absolutePath(named) ? rulesPath(named) : workTree + "/" + named;
}

std::string commonDirectory(const std::string& gitDir) {
  std::string text;
  if (readSmallFile(gitDir + "/commondir", text) != SmallFile::kRead) return gitDir;
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
  if (text.empty()) return gitDir;
  return absolutePath(text) ? rulesPath(text) : gitDir + "/" + text;
}

}  // namespace vlisting
