// The floor: the least a one-pass, in-order search of a tree's "*.c" files can cost here, for
// bench/compare to show how far each tool is from it. It finds the lines vantrel finds for a
// literal text (optionally ignoring ASCII case, optionally as a whole word) in the same files and
// order: directories listed whole and sorted as vantrel sorts them (ASCII upper-case fold, then
// the raw bytes), a directory's files before its subdirectories, dot names left out, a link to a
// file read as the file and a link to a directory not followed, files of 500,000 bytes or more
// refused. It prints each hit as PATH:LINE:TEXT through a 64 KiB buffer.
//
//   floor [-i] [-w] [-p | -j2] TEXT [DIR]
//     (none)  one thread: walk, open, fstat, read, scan and close in order;
//     -p      a helper thread walks, opens, fstats and closes; this thread reads and scans every
//             file, in walk order (no file byte is read on the helper);
//     -j2     two threads each open, read and scan files of their own; the hits are written in
//             walk order at the end.
//
// A measuring tool, not part of the product: no tests of its own; bench/compare checks its hits
// against the other tools'.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr long long kTooLarge = 500000;

struct Options {
  std::string text;
  bool ignoreCase = false;
  bool word = false;
};

unsigned char upper(unsigned char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; }
unsigned char lower(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }

bool listedBefore(const std::string& a, const std::string& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = upper(a[i]), y = upper(b[i]);
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

bool isCFile(const std::string& name) {
  return name.size() >= 2 && name[name.size() - 2] == '.' && upper(name.back()) == 'C';
}

// Calls `file(path)` for every file of the walk, in order.
template <typename OnFile>
void walk(const std::string& dir, OnFile& file) {
  DIR* d = opendir(dir.c_str());
  if (!d) return;
  std::vector<std::pair<std::string, unsigned char>> entries;
  while (dirent* e = readdir(d))
    if (e->d_name[0] != '.') entries.emplace_back(e->d_name, e->d_type);
  closedir(d);
  std::sort(entries.begin(), entries.end(),
            [](const auto& a, const auto& b) { return listedBefore(a.first, b.first); });
  std::vector<std::string> subdirs;
  for (auto& [name, type] : entries) {
    std::string path = dir + "/" + name;
    if (type == DT_LNK || type == DT_UNKNOWN) {
      struct stat st;
      if (stat(path.c_str(), &st) != 0) continue;
      // A link to a directory is never followed; a link to a file is read as the file.
      if (S_ISREG(st.st_mode))
        type = DT_REG;
      else if (S_ISDIR(st.st_mode) && type == DT_UNKNOWN)
        type = DT_DIR;
      else
        continue;
    }
    if (type == DT_REG && isCFile(name)) file(path);
    if (type == DT_DIR) subdirs.push_back(std::move(path));
  }
  for (const std::string& sub : subdirs) walk(sub, file);
}

class Output {
 public:
  explicit Output(FILE* to) : to_(to) {}
  ~Output() { flush(); }
  void add(const char* p, size_t n) {
    if (buffer_.size() + n > kSize) flush();
    buffer_.append(p, n);
  }
  void flush() {
    if (!buffer_.empty()) fwrite(buffer_.data(), 1, buffer_.size(), to_);
    buffer_.clear();
  }

 private:
  static constexpr size_t kSize = 64 << 10;
  FILE* to_;
  std::string buffer_;
};

bool wordByte(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Appends the hits of one file's bytes to `out` as PATH:LINE:TEXT lines. `folded` is scratch.
void scan(const Options& o, const std::string& path, const char* data, size_t size,
          std::string& folded, std::string& out) {
  const char* hay = data;
  if (o.ignoreCase) {
    folded.resize(size);
    // Branch-free, so that the compiler folds 32 bytes a step.
    const unsigned char* from = reinterpret_cast<const unsigned char*>(data);
    unsigned char* to = reinterpret_cast<unsigned char*>(folded.data());
    for (size_t i = 0; i < size; ++i)
      to[i] = static_cast<unsigned char>(from[i] +
                                         ((static_cast<unsigned char>(from[i] - 'A') < 26) << 5));
    hay = folded.data();
  }
  const std::string& text = o.text;
  size_t line = 1;
  const char* counted = data;  // line numbers are counted up to here
  size_t at = 0;
  while (at + text.size() <= size) {
    const void* found = memmem(hay + at, size - at, text.data(), text.size());
    if (!found) break;
    size_t pos = static_cast<const char*>(found) - hay;
    if (o.word && ((pos > 0 && wordByte(hay[pos - 1])) ||
                   (pos + text.size() < size && wordByte(hay[pos + text.size()])))) {
      at = pos + 1;
      continue;
    }
    const char* start = data + pos;
    while (start > data && start[-1] != '\n') --start;
    const char* end = static_cast<const char*>(memchr(data + pos, '\n', size - pos));
    if (!end) end = data + size;
    for (const char* p = counted; p < start; ++p) line += *p == '\n';
    counted = start;
    out += path;
    out += ':';
    out += std::to_string(line);
    out += ':';
    out.append(start, end - start);
    out += '\n';
    at = end - data + 1;
  }
}

// A buffer that grows to the largest file read, page-aligned (a block a few bytes past a page
// boundary is filled at half speed here).
struct ReadBuffer {
  char* data = nullptr;
  size_t capacity = 0;
  char* reserve(size_t size) {
    if (size > capacity) {
      free(data);
      capacity = (size + 4095) & ~size_t{4095};
      data = static_cast<char*>(aligned_alloc(4096, capacity));
    }
    return data;
  }
  ~ReadBuffer() { free(data); }
};

bool readAll(int fd, char* to, size_t size) {
  size_t done = 0;
  while (done < size) {
    ssize_t n = pread(fd, to + done, size - done, static_cast<off_t>(done));
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Opens a file of the walk: the descriptor and its size, or -1 when it is not to be read.
int openFile(const std::string& path, long long& size) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return -1;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size >= kTooLarge) {
    close(fd);
    return -1;
  }
  size = st.st_size;
  return fd;
}

void oneThread(const Options& o, const std::string& root) {
  Output out(stdout);
  ReadBuffer buffer;
  std::string folded, hits;
  auto file = [&](const std::string& path) {
    long long size = 0;
    int fd = openFile(path, size);
    if (fd < 0) return;
    char* data = buffer.reserve(static_cast<size_t>(size));
    if (readAll(fd, data, static_cast<size_t>(size))) {
      hits.clear();
      scan(o, path, data, static_cast<size_t>(size), folded, hits);
      out.add(hits.data(), hits.size());
    }
    close(fd);
  };
  walk(root, file);
}

// -p: the helper walks, opens and fstats into a bounded queue and closes what comes back.
void pipeline(const Options& o, const std::string& root) {
  struct Opened {
    std::string path;
    int fd;
    long long size;
  };
  constexpr size_t kAhead = 256;
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<Opened> ready;
  std::vector<int> toClose;
  bool walked = false;
  bool readerDone = false;
  std::thread helper([&] {
    std::vector<int> closing;
    auto settle = [&](std::unique_lock<std::mutex>& lock) {
      closing.swap(toClose);
      lock.unlock();
      for (int fd : closing) close(fd);
      closing.clear();
      lock.lock();
    };
    auto file = [&](const std::string& path) {
      long long size = 0;
      int fd = openFile(path, size);
      if (fd < 0) return;
      std::unique_lock<std::mutex> lock(mutex);
      if (!toClose.empty()) settle(lock);
      while (ready.size() >= kAhead) {
        settle(lock);
        if (ready.size() >= kAhead) changed.wait(lock);
      }
      bool wasEmpty = ready.empty();
      ready.push_back(Opened{path, fd, size});
      if (wasEmpty) changed.notify_all();
    };
    walk(root, file);
    std::unique_lock<std::mutex> lock(mutex);
    walked = true;
    changed.notify_all();
    // Closing runs unlocked, so a descriptor may come back meanwhile: only the reader's end,
    // seen under the lock with nothing left to close, ends the helper.
    for (;;) {
      settle(lock);
      if (readerDone && toClose.empty()) break;
      if (toClose.empty()) changed.wait(lock);
    }
  });
  Output out(stdout);
  ReadBuffer buffer;
  std::string folded, hits;
  for (;;) {
    Opened next;
    {
      std::unique_lock<std::mutex> lock(mutex);
      changed.wait(lock, [&] { return !ready.empty() || walked; });
      if (ready.empty()) break;
      next = std::move(ready.front());
      ready.pop_front();
      if (ready.size() == kAhead * 3 / 4) changed.notify_all();
    }
    char* data = buffer.reserve(static_cast<size_t>(next.size));
    if (readAll(next.fd, data, static_cast<size_t>(next.size))) {
      hits.clear();
      scan(o, next.path, data, static_cast<size_t>(next.size), folded, hits);
      out.add(hits.data(), hits.size());
    }
    std::lock_guard<std::mutex> lock(mutex);
    toClose.push_back(next.fd);
    if (walked) changed.notify_all();
  }
  {
    std::lock_guard<std::mutex> lock(mutex);
    readerDone = true;
    changed.notify_all();
  }
  helper.join();
}

// -j2: the walk first, then two threads take files in turn; hits written in walk order.
void twoThreads(const Options& o, const std::string& root) {
  std::vector<std::string> files;
  auto collect = [&](const std::string& path) { files.push_back(path); };
  walk(root, collect);
  std::vector<std::string> hits(files.size());
  std::atomic<size_t> next{0};
  auto work = [&] {
    ReadBuffer buffer;
    std::string folded;
    for (size_t i; (i = next.fetch_add(1)) < files.size();) {
      long long size = 0;
      int fd = openFile(files[i], size);
      if (fd < 0) continue;
      char* data = buffer.reserve(static_cast<size_t>(size));
      if (readAll(fd, data, static_cast<size_t>(size)))
        scan(o, files[i], data, static_cast<size_t>(size), folded, hits[i]);
      close(fd);
    }
  };
  std::thread other(work);
  work();
  other.join();
  Output out(stdout);
  for (const std::string& h : hits) out.add(h.data(), h.size());
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  int mode = 0;
  int i = 1;
  for (; i < argc && argv[i][0] == '-' && argv[i][1]; ++i) {
    std::string a = argv[i];
    if (a == "-i")
      o.ignoreCase = true;
    else if (a == "-w")
      o.word = true;
    else if (a == "-p")
      mode = 1;
    else if (a == "-j2")
      mode = 2;
    else
      break;
  }
  if (i >= argc) {
    std::fprintf(stderr, "usage: floor [-i] [-w] [-p | -j2] TEXT [DIR]\n");
    return 2;
  }
  o.text = argv[i++];
  if (o.text.empty()) return 2;
  if (o.ignoreCase)
    for (char& c : o.text) c = static_cast<char>(lower(c));
  std::string root = i < argc ? argv[i] : ".";
  if (mode == 1)
    pipeline(o, root);
  else if (mode == 2)
    twoThreads(o, root);
  else
    oneThread(o, root);
  return 0;
}
