// What one search asked for (see host/tui/tui_search_request.h).
// Tested by tests/host/tui/tui_message_list_test.cpp.
#include "host/tui/tui_search_request.h"

#include <unistd.h>

#include "host/ide/text_encoding.h"
#include "win32/kernel32/paths.h"

namespace tui {

std::string optionWords(int options) {
  static const char* const kWords[] = {"case sensitive", "recursive", "regular expression",
                                       "asynchronous", "whole words"};
  std::string out;
  for (int bit = 0; bit < 5; ++bit) {
    if (!((options >> bit) & 1)) continue;
    if (!out.empty()) out += ", ";
    out += kWords[bit];
  }
  return out;
}

std::string describe(const SearchRequest& request) {
  if (!request.known) return "Messages";
  std::string out = "\"";
  host::appendTerminalText(out, request.text);
  out += "\"";
  // The options before the places, which are often long.
  std::string words = optionWords(request.options);
  if (!words.empty()) out += " (" + words + ")";
  out += " in ";
  host::appendTerminalText(out, request.fileTypes);
  out += ", ";
  host::appendTerminalText(out, request.directories);
  if (!request.rules.empty()) {
    out += "  ";
    host::appendTerminalText(out, request.rules);
  }
  return out;
}

std::string baseDirectory(const SearchRequest& request) {
  std::string base;
  const std::string& dirs = request.directories;
  // One directory of the user's own (not a bracketed entry, not a list): paths under it.
  if (!dirs.empty() && dirs.front() != '[' && dirs.find(';') == std::string::npos) {
    char posix[4096];
    if (VwinToPosixPath(dirs.c_str(), posix, sizeof posix)) base = posix;
  }
  if (base.empty()) {
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd)) base = cwd;
  }
  if (base.empty() || base.back() != '/') base.push_back('/');
  return base;
}

}  // namespace tui
