// Opening ahead (see win32/kernel32/open_ahead.h).
//
// The items ahead form one queue in walk order: each directory's files, then its mark. The walk
// takes a file, or passes a mark when it goes into that directory's subdirectories; whatever lies
// before what it took was passed by and is closed by the helper. A walk that asks for a mark not in
// the queue has left the helper's course (or is a new walk): the helper takes it up from there.
// Tested by tests/search/driver_test.cpp.
#include "win32/kernel32/open_ahead.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>
#include <vector>

#include "win32/include/winbase.h"
#include "win32/kernel32/attributes.h"
#include "win32/kernel32/findfile.h"
#include "win32/kernel32/paths.h"

namespace vwin {
namespace {

// The longest path the walk builds (its work areas hold MAX_PATH bytes with the terminator).
constexpr size_t kLongestPath = MAX_PATH - 1;

struct Item {
  bool mark;        // a directory's mark, else a file
  std::string key;  // the file's Windows path, or the directory's (ending in "\")
  uint64_t sequence;
  int fd = -1;           // a file's descriptor
  long long size = 0;    // a file's size when it was opened
  std::string posixDir;  // a mark: the listing handed out for it
};

struct Plan {
  std::vector<std::string> context;  // the walk's directories, from its top to where it is
  std::vector<std::string> masks;    // the name patterns asked of each directory
};

struct State {
  std::mutex mutex;
  std::condition_variable work;  // the helper waits for a plan, room or descriptors to close
  std::condition_variable idle;  // switching off waits for the helper to let go
  std::atomic<bool> on{false};
  std::atomic<uint64_t> generation{0};  // moves whenever what the helper does is called off
  bool started = false;
  bool walking = false;
  bool waitingForRoom = false;
  bool opening = false;  // the walk opens the files it lists
  bool outOfDescriptors = false;
  size_t filesAhead = kFilesAhead;
  std::optional<Plan> plan;
  std::deque<Item> items;
  uint64_t nextSequence = 0;
  size_t files = 0;
  size_t marks = 0;
  std::unordered_map<std::string, uint64_t> keys;  // item key -> sequence
  std::unordered_map<std::string, std::shared_ptr<const DirectoryListing>> listings;
  std::vector<int> toClose;  // passed by or called off; the helper closes them
};

State& state() {
  static State* s = new State;  // the helper thread uses it until the process ends
  return *s;
}

thread_local bool onHelper = false;

// What the walking thread has asked lately, to learn the walk from.
struct Seen {
  std::string dir;                   // the directory of the last search
  std::vector<std::string> masks;    // its name patterns asked before "*.*"
  std::vector<std::string> context;  // the directories gone into, from the top
  size_t opened = 0;                 // files opened since the last "*.*"
};
thread_local Seen seen;

// Pops the front item; its descriptor goes to be closed. Called with the lock held.
void dropFront(State& s) {
  Item& item = s.items.front();
  auto key = s.keys.find(item.key);
  if (key != s.keys.end() && key->second == item.sequence) s.keys.erase(key);
  if (item.mark) {
    --s.marks;
    if (!item.posixDir.empty()) s.listings.erase(item.posixDir);
  } else {
    --s.files;
    s.toClose.push_back(item.fd);
  }
  s.items.pop_front();
}

// Drops everything ahead and calls off the helper's course. Called with the lock held.
void callOff(State& s) {
  s.generation.fetch_add(1);
  s.plan.reset();
  while (!s.items.empty()) dropFront(s);
  s.listings.clear();
  s.work.notify_all();
}

void closeAll(std::vector<int>& fds) {
  for (int fd : fds) ::close(fd);
  fds.clear();
}

// Wakes the helper when it waits for room and there is some again (a quarter of the window, so
// that it is woken once per many files rather than for each).
void wakeForRoom(State& s) {
  if (!s.walking && !s.toClose.empty()) s.work.notify_all();
  if (s.waitingForRoom && (s.files <= s.filesAhead * 3 / 4 || s.toClose.size() >= 64) &&
      s.marks <= kDirectoriesAhead * 3 / 4)
    s.work.notify_all();
}

bool isChild(const std::string& dir, const std::string& parent) {
  if (dir.size() <= parent.size() + 1 || dir.compare(0, parent.size(), parent) != 0) return false;
  size_t separator = dir.find_first_of("\\/", parent.size());
  return separator == dir.size() - 1;
}

class Walker {
 public:
  Walker(State& s, uint64_t generation) : s_(s), generation_(generation) {}

  void run(const Plan& plan) {
    std::vector<Level> levels;
    for (size_t i = 0; i < plan.context.size(); ++i) {
      Level level{plan.context[i], subdirectories(plan.context[i])};
      if (i + 1 < plan.context.size()) {
        const std::string& below = plan.context[i + 1];
        std::string name = below.substr(level.dir.size(), below.size() - level.dir.size() - 1);
        level.next = level.subdirs.size();
        for (size_t k = 0; k < level.subdirs.size(); ++k)
          if (level.subdirs[k] == name) level.next = k + 1;
      }
      levels.push_back(std::move(level));
    }
    while (!levels.empty() && !stale()) {
      Level& top = levels.back();
      if (top.next >= top.subdirs.size()) {
        levels.pop_back();
        continue;
      }
      std::string child = top.dir + top.subdirs[top.next++] + "\\";
      if (child.size() > kLongestPath) continue;
      std::vector<std::string> subs;
      if (!visit(child, plan.masks, subs)) return;
      levels.push_back(Level{std::move(child), std::move(subs)});
    }
  }

 private:
  struct Level {
    std::string dir;
    std::vector<std::string> subdirs;
    size_t next = 0;
  };

  bool stale() const { return s_.generation.load() != generation_; }

  // The subdirectories a walk goes into, in order: neither hidden nor system, nor "." and "..".
  std::vector<std::string> subdirectories(const std::string& dir) {
    std::vector<std::string> names;
    char posix[4096];
    size_t full = 0;
    if (!toOpenablePath(dir.c_str(), posix, sizeof posix, &full)) return names;
    std::shared_ptr<const DirectoryListing> listing = listDirectory(posix);
    if (listing) names = subdirectories(listing, dir, full, posix);
    return names;
  }

  static std::vector<std::string> subdirectories(
      const std::shared_ptr<const DirectoryListing>& listing, const std::string& dir, size_t full,
      const char* posix) {
    std::vector<std::string> names;
    for (const FoundEntry& e : searchEntries(listing, dir, full, posix, "*.*")) {
      if (!(e.attributes & FILE_ATTRIBUTE_DIRECTORY) || vwinHiddenOrSystem(e.attributes)) continue;
      const DirectoryListing::Name& n = listing->names[e.index];
      const char* name = listing->name(n);
      if (name[0] == '.' && (n.length == 1 || (n.length == 2 && name[1] == '.'))) continue;
      names.emplace_back(name, n.length);
    }
    return names;
  }

  // Waits, with the lock held, until `ready` or the course is called off; false when called off.
  template <typename Ready>
  bool waitFor(std::unique_lock<std::mutex>& lock, Ready ready) {
    while (!stale() && !ready()) {
      closePending(lock);
      if (stale() || ready()) break;
      s_.waitingForRoom = true;
      s_.work.wait(lock);
      s_.waitingForRoom = false;
    }
    closePending(lock);
    return !stale();
  }

  void closePending(std::unique_lock<std::mutex>& lock) {
    if (s_.toClose.empty()) return;
    std::vector<int> fds;
    fds.swap(s_.toClose);
    lock.unlock();
    closeAll(fds);
    lock.lock();
  }

  // Lists `dir`, opens its files that the masks find, leaves its mark; its subdirectories in
  // `subs`. False when the course was called off.
  bool visit(const std::string& dir, const std::vector<std::string>& masks,
             std::vector<std::string>& subs) {
    {
      std::unique_lock<std::mutex> lock(s_.mutex);
      if (!waitFor(lock, [this] { return s_.marks < kDirectoriesAhead; })) return false;
    }
    char posix[4096];
    std::shared_ptr<const DirectoryListing> listing;
    size_t full = 0;
    if (toOpenablePath(dir.c_str(), posix, sizeof posix, &full)) listing = listDirectory(posix);
    bool opening = false;
    if (listing) {
      std::lock_guard<std::mutex> lock(s_.mutex);
      if (stale()) return false;
      s_.listings[posix] = listing;
      opening = s_.opening && !s_.outOfDescriptors;
    }
    if (listing && opening) {
      for (const std::string& mask : masks)
        for (const FoundEntry& e : searchEntries(listing, dir, full, posix, mask))
          if (!openAhead(dir, posix, *listing, e)) return false;
    }
    if (listing) subs = subdirectories(listing, dir, full, posix);
    std::lock_guard<std::mutex> lock(s_.mutex);
    if (stale()) return false;
    s_.items.push_back(Item{true, dir, s_.nextSequence++, -1, 0, listing ? posix : ""});
    s_.keys.emplace(dir, s_.items.back().sequence);
    ++s_.marks;
    return true;
  }

  // Opens one entry the walk will open, if it is a file the walk takes. False when the course
  // was called off.
  bool openAhead(const std::string& dir, const char* posix, const DirectoryListing& listing,
                 const FoundEntry& e) {
    if (e.attributes & FILE_ATTRIBUTE_DIRECTORY || vwinHiddenOrSystem(e.attributes)) return true;
    const DirectoryListing::Name& n = listing.names[e.index];
    if (dir.size() + n.length > kLongestPath) return true;
    {
      std::unique_lock<std::mutex> lock(s_.mutex);
      if (!waitFor(lock, [this] { return s_.files < s_.filesAhead; })) return false;
      if (s_.outOfDescriptors) return true;
    }
    std::string path = std::string(posix) + "/" + listing.name(n);
    int fd;
    do {
      fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
      if (errno == EMFILE || errno == ENFILE) {
        std::lock_guard<std::mutex> lock(s_.mutex);
        s_.outOfDescriptors = true;  // the walk opens in place from here on
      }
      return true;
    }
    struct stat status;
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
      ::close(fd);  // the file object refuses it too, after its own open
      return true;
    }
    std::unique_lock<std::mutex> lock(s_.mutex);
    if (stale()) {
      lock.unlock();
      ::close(fd);
      return false;
    }
    std::string key = dir + std::string(listing.name(n), n.length);
    s_.items.push_back(Item{false, key, s_.nextSequence++, fd, status.st_size, {}});
    s_.keys.emplace(std::move(key), s_.items.back().sequence);
    ++s_.files;
    return true;
  }

  State& s_;
  uint64_t generation_;
};

void helperMain() {
  onHelper = true;
  State& s = state();
  std::unique_lock<std::mutex> lock(s.mutex);
  for (;;) {
    s.work.wait(lock, [&s] { return s.plan.has_value() || !s.toClose.empty(); });
    if (!s.toClose.empty()) {
      std::vector<int> fds;
      fds.swap(s.toClose);
      lock.unlock();
      closeAll(fds);
      lock.lock();
    }
    if (!s.plan) continue;
    Plan plan = std::move(*s.plan);
    s.plan.reset();
    uint64_t generation = s.generation.load();
    s.walking = true;
    lock.unlock();
    Walker(s, generation).run(plan);
    lock.lock();
    s.walking = false;
    s.idle.notify_all();
  }
}

// The window of descriptors: kFilesAhead, or a quarter of what the process may open.
size_t filesAheadLimit() {
  struct rlimit limit;
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return kFilesAhead;
  return std::max<size_t>(1, std::min<size_t>(kFilesAhead, limit.rlim_cur / 4));
}

// Calls off what the helper does and has it take up the walk with `plan`. Called with the lock
// held.
void startPlan(State& s, Plan plan, bool opening) {
  callOff(s);
  s.opening = opening;
  s.outOfDescriptors = false;
  s.plan = std::move(plan);
  if (!s.started) {
    s.started = true;
    s.filesAhead = filesAheadLimit();
    std::thread(helperMain).detach();
  }
  s.work.notify_all();
}

}  // namespace

void noteFileSearch(const std::string& dir, const std::string& namePattern) {
  State& s = state();
  if (!s.on.load(std::memory_order_relaxed) || onHelper) return;
  if (dir != seen.dir) {
    seen.dir = dir;
    seen.masks.clear();
  }
  if (namePattern != "*.*") {
    seen.masks.push_back(namePattern);
    return;
  }
  // The walk goes into the subdirectories of `dir`.
  while (!seen.context.empty() && !isChild(dir, seen.context.back())) seen.context.pop_back();
  seen.context.push_back(dir);
  bool opened = seen.opened > 0;
  seen.opened = 0;
  std::lock_guard<std::mutex> lock(s.mutex);
  auto key = s.keys.find(dir);
  if (key != s.keys.end()) {
    while (s.items.front().sequence != key->second) dropFront(s);
    dropFront(s);  // the mark itself
    wakeForRoom(s);
    return;
  }
  // Behind, on its way here: let it come.
  if (s.walking && s.items.empty() && !s.plan) return;
  // A walk that opened files goes on opening them until it starts again from its top. A walk
  // that opens nothing (a counting pass) is left to itself: listing ahead alone costs the process
  // more than it saves the walk, which lists as fast as the helper could.
  bool opening = opened || (s.opening && seen.context.size() > 1);
  if (!opening) {
    if (!s.items.empty() || s.walking || s.plan) callOff(s);
    s.opening = false;
    return;
  }
  startPlan(s, Plan{seen.context, seen.masks}, true);
}

std::shared_ptr<const DirectoryListing> listedAhead(const char* posixDir) {
  State& s = state();
  if (!s.on.load(std::memory_order_relaxed) || onHelper) return nullptr;
  std::lock_guard<std::mutex> lock(s.mutex);
  auto it = s.listings.find(posixDir);
  return it == s.listings.end() ? nullptr : it->second;
}

void dropOpenedAhead() {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (s.started) callOff(s);
}

}  // namespace vwin

WINAPI_EXPORT void VwinOpenAhead(BOOL on) {
  vwin::State& s = vwin::state();
  std::unique_lock<std::mutex> lock(s.mutex);
  s.on.store(on != FALSE);
  if (on) return;
  vwin::callOff(s);
  s.idle.wait(lock, [&s] { return !s.walking; });
  std::vector<int> fds;
  fds.swap(s.toClose);
  s.opening = false;
  lock.unlock();
  vwin::closeAll(fds);
}

WINAPI_EXPORT int VwinTakeOpenedAhead(LPCSTR windowsPath, long long* size) {
  vwin::State& s = vwin::state();
  if (!windowsPath || !s.on.load(std::memory_order_relaxed)) return -1;
  ++vwin::seen.opened;
  std::lock_guard<std::mutex> lock(s.mutex);
  if (!s.opening) {
    // The walk opens files in this pass, and what the helper has already listed ahead it listed
    // without opening: it takes up the walk again from the directory of this file.
    std::string dir(windowsPath);
    dir.erase(dir.find_last_of("\\/") + 1);
    std::vector<std::string> context = vwin::seen.context;
    if (!context.empty() && vwin::isChild(dir, context.back())) context.push_back(dir);
    if (!context.empty())
      vwin::startPlan(s, vwin::Plan{std::move(context), vwin::seen.masks}, true);
    return -1;
  }
  auto key = s.keys.find(windowsPath);
  if (key == s.keys.end()) return -1;
  while (s.items.front().sequence != key->second) vwin::dropFront(s);
  vwin::Item& item = s.items.front();
  if (item.mark) return -1;  // a directory: not a file to read
  int fd = item.fd;
  if (size) *size = item.size;
  s.keys.erase(key);
  --s.files;
  s.items.pop_front();
  vwin::wakeForRoom(s);
  return fd;
}

WINAPI_EXPORT void VwinHandBackOpened(int fd) {
  vwin::State& s = vwin::state();
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.started && s.on.load(std::memory_order_relaxed)) {
      s.toClose.push_back(fd);
      // The helper closes them in batches, when it waits or has room again.
      if (s.toClose.size() >= 64) s.work.notify_all();
      return;
    }
  }
  ::close(fd);
}

WINAPI_EXPORT DWORD VwinOpenedAheadCount(void) {
  vwin::State& s = vwin::state();
  std::lock_guard<std::mutex> lock(s.mutex);
  return static_cast<DWORD>(s.files + s.toClose.size());
}
