// The drive table (see win32/kernel32/drives.h).
#include "win32/kernel32/drives.h"

#include <cstdlib>
#include <mutex>
#include <string_view>

#include "win32/kernel32/ascii_fold.h"
#include "win32/kernel32/path_components.h"

namespace {

constexpr int kDrives = 26;

struct DriveTable {
  bool loaded = false;
  std::string root[kDrives];  // normalised absolute POSIX directory; empty: no such drive
};

std::mutex drivesMutex;
DriveTable drives;

void loadDrivesLocked() {
  for (std::string& root : drives.root) root.clear();
  drives.root['Z' - 'A'] = "/";
  if (const char* table = getenv("VANTREL_DRIVES")) {
    std::string_view rest(table);
    while (!rest.empty()) {
      size_t end = rest.find(';');
      std::string_view entry = rest.substr(0, end);
      rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
      // "L=/dir": a letter, "=", an absolute directory. Z stays "/".
      if (entry.size() < 3 || entry[1] != '=' || entry[2] != '/') continue;
      char letter = static_cast<char>(vwin::foldAscii(static_cast<unsigned char>(entry[0])));
      if (letter < 'A' || letter > 'Z' || letter == 'Z') continue;
      drives.root[letter - 'A'] = vwin::normalPosix(entry.substr(2));
    }
  }
  drives.loaded = true;
}

}  // namespace

namespace vwin {

std::string driveRoot(char letter) {
  std::lock_guard<std::mutex> lock(drivesMutex);
  if (!drives.loaded) loadDrivesLocked();
  return drives.root[letter - 'A'];
}

char driveOfPosix(const std::string& normal, size_t* rootLength) {
  char letter = 'Z';
  *rootLength = 1;
  std::lock_guard<std::mutex> lock(drivesMutex);
  if (!drives.loaded) loadDrivesLocked();
  size_t best = 0;
  for (int i = 0; i < kDrives; ++i) {
    const std::string& root = drives.root[i];
    if (root.empty() || root.size() <= best) continue;
    bool fits = root == "/" || normal == root ||
                (normal.compare(0, root.size(), root) == 0 && normal[root.size()] == '/');
    if (!fits) continue;
    best = root.size();
    letter = static_cast<char>('A' + i);
    *rootLength = root == "/" ? 0 : root.size();
  }
  return letter;
}

void reloadDrives() {
  std::lock_guard<std::mutex> lock(drivesMutex);
  loadDrivesLocked();
}

}  // namespace vwin
