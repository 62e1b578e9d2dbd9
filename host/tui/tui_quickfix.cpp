// Quickfix files (see host/tui/tui_quickfix.h).
// Tested by tests/host/tui/tui_quickfix_test.cpp and tests/host/tui/tui_message_list_test.cpp.
#include "host/tui/tui_quickfix.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>

namespace tui {
namespace {

// Quickfix files are for loading into an editor soon after; a week on they are only clutter.
constexpr time_t kQuickfixLife = 7 * 24 * 60 * 60;

}  // namespace

bool quickfixCarries(std::string_view path) {
  if (path.find_first_of("\n\r$") != std::string_view::npos) return false;
  // A ":digits:digits:" run, the line's own ':' after the path included, would end the path early.
  std::string withEnd(path);
  withEnd.push_back(':');
  for (size_t colon = withEnd.find(':'); colon != std::string::npos;
       colon = withEnd.find(':', colon + 1)) {
    size_t at = colon + 1;
    int numbers = 0;
    while (numbers < 2) {
      size_t digits = at;
      while (digits < withEnd.size() && withEnd[digits] >= '0' && withEnd[digits] <= '9') ++digits;
      if (digits == at || digits == withEnd.size() || withEnd[digits] != ':') break;
      at = digits + 1;
      ++numbers;
    }
    if (numbers == 2) return false;
  }
  return true;
}

std::string quickfixLines(const Page& page, const PageFilter* filter, QuickfixCounts* counts) {
  std::string text;
  *counts = QuickfixCounts();
  const std::vector<Page::File>& files = page.files();
  counts->total = static_cast<long>(page.hits().size());
  bool filtered = filter && !filter->empty();
  for (size_t p = 0; p < files.size(); ++p) {
    const Page::File& file = files[page.fileAt(p)];
    bool whole = filtered && filter->holds(file.relative);
    bool carried = quickfixCarries(file.path);
    for (uint32_t h = 0; h < file.hits; ++h) {
      const Page::Hit& hit = page.hits()[file.firstHit + h];
      if (filtered && !filter->passes(page, file.firstHit + h, whole)) continue;
      ++counts->shown;
      if (!carried) {
        ++counts->leftOut;
        continue;
      }
      text += file.path;
      text += ":" + std::to_string(hit.line) + ":" + std::to_string(hit.column) + ": ";
      text += page.text(hit);
      text += '\n';
      ++counts->written;
    }
  }
  return text;
}

bool writeQuickfixFile(const std::string& path, std::string_view text) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) return false;
  struct stat st;
  bool regular = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  bool done = true;
  while (!text.empty()) {
    ssize_t written = write(fd, text.data(), text.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      done = false;
      if (written == 0) errno = ENOSPC;
      break;
    }
    text.remove_prefix(static_cast<size_t>(written));
  }
  int saved = errno;
  if (close(fd) != 0 && done) {
    done = false;
    saved = errno;
  }
  if (!done) {
    if (regular) unlink(path.c_str());  // a cut file would load as if it were whole
    errno = saved;
  }
  return done;
}

std::string quickfixDirectory(const std::string& configured) {
  if (!configured.empty()) return configured;
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state && state[0] == '/') return std::string(state) + "/vantrel";
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : "/tmp") + "/.local/state/vantrel";
}

bool makeDirectories(const std::string& path) {
  for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    std::string part = path.substr(0, slash);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
  }
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void pruneQuickfixes(const std::string& dir) {
  DIR* stream = opendir(dir.c_str());
  if (!stream) return;
  time_t now = time(nullptr);
  while (const struct dirent* entry = readdir(stream)) {
    std::string name = entry->d_name;
    if (name.size() < 10 || name.compare(0, 7, "search-") != 0 ||
        name.compare(name.size() - 3, 3, ".qf") != 0)
      continue;
    std::string path = dir + "/" + name;
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && now - st.st_mtime > kQuickfixLife)
      unlink(path.c_str());  // one that cannot go stays; nothing depends on it
  }
  closedir(stream);
}

std::string shellWord(const std::string& word) {
  if (word.find_first_not_of(
          "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789/._-+") ==
      std::string::npos)
    return word;
  std::string out = "'";
  for (char c : word) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

}  // namespace tui
