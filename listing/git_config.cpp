// git's excludes file from git's configuration (see listing/git_config.h).
// Tested by tests/listing/listing_rules_test.cpp.
#include "listing/git_config.h"

#include <cctype>
#include <cstdlib>
#include <sstream>

#include "listing/small_file.h"

namespace vlisting {

void readExcludesFile(const std::string& configPath, std::string& value) {
  std::string text;
  if (!readSmallFile(configPath, text)) return;
  std::istringstream lines(text);
  std::string line, section;
  auto trim = [](std::string s) {
    size_t first = s.find_first_not_of(" \t\r");
    size_t last = s.find_last_not_of(" \t\r");
    return first == std::string::npos ? std::string() : s.substr(first, last - first + 1);
  };
  auto lower = [](std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
  };
  while (std::getline(lines, line)) {
    line = trim(line);
    if (line.empty() || line[0] == '#' || line[0] == ';') continue;
    if (line[0] == '[') {
      size_t end = line.find_first_of(" ]");
      section = lower(line.substr(1, end == std::string::npos ? std::string::npos : end - 1));
      continue;
    }
    size_t equals = line.find('=');
    if (section != "core" || equals == std::string::npos) continue;
    if (lower(trim(line.substr(0, equals))) != "excludesfile") continue;
    std::string v = trim(line.substr(equals + 1));
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
    const char* home = std::getenv("HOME");
    if (v.rfind("~/", 0) == 0 && home) v = home + v.substr(1);
    value = v;
  }
}

std::string userExcludesFile() {
  const char* home = std::getenv("HOME");
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  std::string config = xdg && *xdg ? std::string(xdg) : home ? std::string(home) + "/.config" : "";
  std::string value = config.empty() ? "" : config + "/git/ignore";
  readExcludesFile("/etc/gitconfig", value);
  if (!config.empty()) readExcludesFile(config + "/git/config", value);
  if (home) readExcludesFile(std::string(home) + "/.gitconfig", value);
  return value;
}

}  // namespace vlisting
