// Starting the user's editor (see host/tui/tui_editor.h).
// Tested by tests/host/tui/tui_editor_test.cpp.
#include "host/tui/tui_editor.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace tui {

namespace {

std::vector<std::string> words(const char* text) {
  std::vector<std::string> out;
  std::string word;
  for (const char* p = text;; ++p) {
    if (*p == ' ' || *p == '\t' || *p == '\0') {
      if (!word.empty()) out.push_back(word);
      word.clear();
      if (*p == '\0') break;
    } else {
      word.push_back(*p);
    }
  }
  return out;
}

void replaceAll(std::string& word, const std::string& name, const std::string& value) {
  for (size_t at = word.find(name); at != std::string::npos;
       at = word.find(name, at + value.size()))
    word.replace(at, name.size(), value);
}

}  // namespace

std::vector<std::string> editorCommand(const std::string& path, int line, int column) {
  // A relative path that looks like an option or a line argument is made plainly a path.
  std::string file = !path.empty() && (path[0] == '-' || path[0] == '+') ? "./" + path : path;
  std::string l = std::to_string(line > 0 ? line : 1);
  std::string c = std::to_string(column > 0 ? column : 1);
  const char* templ = std::getenv("VANTREL_EDITOR");
  if (templ != nullptr && *templ != '\0') {
    std::vector<std::string> argv = words(templ);
    bool named = false;
    for (std::string& word : argv) {
      named = named || word.find("{file}") != std::string::npos;
      replaceAll(word, "{line}", l);
      replaceAll(word, "{column}", c);
      replaceAll(word, "{file}", file);
    }
    if (!argv.empty()) {
      if (!named) argv.push_back(file);
      return argv;
    }
  }
  const char* editor = std::getenv("VISUAL");
  if (editor == nullptr || *editor == '\0') editor = std::getenv("EDITOR");
  std::vector<std::string> argv = editor ? words(editor) : std::vector<std::string>();
  if (argv.empty()) argv.push_back("vi");
  std::string name = argv[0].substr(argv[0].rfind('/') + 1);
  if (line <= 0) {
    argv.push_back(file);
    return argv;
  }
  if (column <= 0) {
    if (name == "hx" || name == "helix")
      argv.push_back(file + ":" + l);
    else if (name == "code" || name == "codium")
      argv.insert(argv.end(), {"--goto", file + ":" + l});
    else
      argv.insert(argv.end(), {"+" + l, file});
    return argv;
  }
  if (name == "vim" || name == "nvim" || name == "gvim" || name == "view")
    argv.insert(argv.end(), {"+call cursor(" + l + "," + c + ")", file});
  else if (name == "emacs" || name == "emacsclient" || name == "kak" || name == "micro")
    argv.insert(argv.end(), {"+" + l + ":" + c, file});
  else if (name == "nano")
    argv.insert(argv.end(), {"+" + l + "," + c, file});
  else if (name == "hx" || name == "helix")
    argv.push_back(file + ":" + l + ":" + c);
  else if (name == "code" || name == "codium")
    argv.insert(argv.end(), {"--goto", file + ":" + l + ":" + c});
  else
    argv.insert(argv.end(), {"+" + l, file});
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
