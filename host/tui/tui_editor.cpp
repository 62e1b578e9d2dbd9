// Starting the user's editor (see host/tui/tui_editor.h).
// Tested by tests/tui_editor_test.cpp.
#include "host/tui/tui_editor.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace tui {

std::vector<std::string> editorCommand(const std::string& path, int line) {
  const char* editor = std::getenv("VISUAL");
  if (editor == nullptr || *editor == '\0') editor = std::getenv("EDITOR");
  std::vector<std::string> argv;
  if (editor != nullptr) {
    std::string word;
    for (const char* p = editor;; ++p) {
      if (*p == ' ' || *p == '\t' || *p == '\0') {
        if (!word.empty()) argv.push_back(word);
        word.clear();
        if (*p == '\0') break;
      } else {
        word.push_back(*p);
      }
    }
  }
  if (argv.empty()) argv.push_back("vi");
  if (line > 0) argv.push_back("+" + std::to_string(line));
  // A relative path that looks like an option or a line argument is made plainly a path.
  if (!path.empty() && (path[0] == '-' || path[0] == '+')) {
    argv.push_back("./" + path);
  } else {
    argv.push_back(path);
  }
  return argv;
}

int runCommand(const std::vector<std::string>& argv) {
  if (argv.empty()) return 127;
  std::vector<char*> pointers;
  for (const std::string& word : argv) pointers.push_back(const_cast<char*>(word.c_str()));
  pointers.push_back(nullptr);
  pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) {
    execvp(pointers[0], pointers.data());
    _exit(127);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

}  // namespace tui
