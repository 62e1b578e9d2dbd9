// What reading a tree of files costs the thread that scans them, read on that thread or read
// ahead on another one and copied over: the figures behind the two-core notes in
// docs/performance.md. Every file is opened, fstat'ed, read whole with pread and closed, as the
// host's file object does.
//
//   ReadOnOneThread/OFFSET  this thread reads every file into a buffer OFFSET bytes past a page
//                           boundary (the kernel copies page-cache pages slowly into some offsets)
//   ReadAheadAndCopy        a second thread reads ahead into page-aligned buffers, at most 4 MiB
//                           ahead; this thread takes each file in order and copies it out
//
// Counters: `thread_cpu_ms` is the CPU time of the benchmark's own thread per pass, the one a
// search would run on; `process_cpu_ms` that of the whole process. On two cores the second
// bounds the time once it passes twice the first.
// The tree: VANTREL_BENCH_TREE names one (its *.c files, as bench/compare searches), else 3,000
// generated C-like files of 1 to 60 KiB under /tmp.
// Run: cmake --preset release && cmake --build build/release --target read_cost_bench &&
//      build/release/bench/read_cost_bench
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr size_t kPage = 4096;
constexpr size_t kLargest = 512u << 10;  // larger files are left out, as the add-on refuses them
constexpr size_t kAheadBytes = 4u << 20;

double cpuMilliseconds(int who) {
  struct rusage usage;
  getrusage(who, &usage);
  return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

// The files to read, in the order of a depth-first walk.
class Tree {
 public:
  Tree() {
    const char* given = std::getenv("VANTREL_BENCH_TREE");
    if (given && *given) {
      for (const auto& entry :
           fs::recursive_directory_iterator(given, fs::directory_options::skip_permission_denied)) {
        if (entry.is_regular_file() && entry.path().extension() == ".c" &&
            entry.file_size() < kLargest)
          files_.push_back(entry.path());
      }
    } else {
      char tmpl[] = "/tmp/read_cost_bench.XXXXXX";
      generated_ = mkdtemp(tmpl);
      std::mt19937 random(7);
      std::string line = "static int value = compute(first, second) + other; /* note */\n";
      for (int i = 0; i < 3000; ++i) {
        fs::path dir = generated_ / ("d" + std::to_string(i / 30));
        fs::create_directories(dir);
        fs::path file = dir / ("f" + std::to_string(i) + ".c");
        size_t size = 1024 + random() % (60u << 10);
        std::ofstream out(file, std::ios::binary);
        for (size_t done = 0; done < size; done += line.size()) out << line;
        files_.push_back(file);
      }
    }
    std::sort(files_.begin(), files_.end());
  }
  ~Tree() {
    if (!generated_.empty()) fs::remove_all(generated_);
  }
  const std::vector<fs::path>& files() const { return files_; }

 private:
  fs::path generated_;
  std::vector<fs::path> files_;
};

const Tree& tree() {
  static Tree instance;
  return instance;
}

// Reads the whole file into `buffer` (at least kLargest bytes); its size, or -1.
long readFile(const char* path, char* buffer) {
  int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return -1;
  struct stat st;
  long done = -1;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<size_t>(st.st_size) < kLargest) {
    done = 0;
    while (done < st.st_size) {
      ssize_t n = pread(fd, buffer + done, static_cast<size_t>(st.st_size - done), done);
      if (n <= 0) break;
      done += n;
    }
  }
  ::close(fd);
  return done;
}

struct PageFree {
  void operator()(char* bytes) const { std::free(bytes); }
};
using PageBuffer = std::unique_ptr<char[], PageFree>;

PageBuffer pageBuffer(size_t size) {
  return PageBuffer(
      static_cast<char*>(std::aligned_alloc(kPage, (size + kPage - 1) / kPage * kPage)));
}

void ReadOnOneThread(benchmark::State& state) {
  const auto& files = tree().files();
  PageBuffer buffer = pageBuffer(kLargest + kPage);
  char* destination = buffer.get() + state.range(0);
  double threadCpu = 0;
  long bytes = 0;
  for (auto _ : state) {
    double before = cpuMilliseconds(RUSAGE_THREAD);
    for (const fs::path& file : files) bytes += std::max(0L, readFile(file.c_str(), destination));
    threadCpu += cpuMilliseconds(RUSAGE_THREAD) - before;
    benchmark::DoNotOptimize(destination[0]);
  }
  state.counters["thread_cpu_ms"] = threadCpu / static_cast<double>(state.iterations());
  state.SetBytesProcessed(bytes);
}
BENCHMARK(ReadOnOneThread)->Arg(0)->Arg(16)->Arg(64)->Unit(benchmark::kMillisecond);

// A reader thread a bounded amount ahead, handing files over in order.
class Ahead {
 public:
  explicit Ahead(const std::vector<fs::path>& files) : files_(files), thread_([this] { run(); }) {}
  ~Ahead() { thread_.join(); }

  // The next file's bytes and size (size -1: unreadable); NULL bytes once all were taken.
  PageBuffer take(long& size) {
    std::unique_lock<std::mutex> lock(mutex_);
    ready_.wait(lock, [&] { return !queue_.empty() || done_; });
    if (queue_.empty()) return nullptr;
    Item item = std::move(queue_.front());
    queue_.pop_front();
    held_ -= kLargest;
    room_.notify_one();
    size = item.size;
    return std::move(item.bytes);
  }

  // Gives a buffer back for a later read, so no pass faults in fresh pages.
  void giveBack(PageBuffer bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    idle_.push_back(std::move(bytes));
  }

 private:
  struct Item {
    PageBuffer bytes;
    long size;
  };

  void run() {
    for (const fs::path& file : files_) {
      {
        std::unique_lock<std::mutex> lock(mutex_);
        room_.wait(lock, [&] { return held_ + kLargest <= kAheadBytes; });
        held_ += kLargest;
      }
      PageBuffer bytes;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!idle_.empty()) {
          bytes = std::move(idle_.back());
          idle_.pop_back();
        }
      }
      if (!bytes) bytes = pageBuffer(kLargest);
      long size = readFile(file.c_str(), bytes.get());
      std::lock_guard<std::mutex> lock(mutex_);
      queue_.push_back(Item{std::move(bytes), size});
      ready_.notify_one();
    }
    std::lock_guard<std::mutex> lock(mutex_);
    done_ = true;
    ready_.notify_one();
  }

  const std::vector<fs::path>& files_;
  std::mutex mutex_;
  std::condition_variable ready_;
  std::condition_variable room_;
  std::deque<Item> queue_;
  std::vector<PageBuffer> idle_;
  size_t held_ = 0;
  bool done_ = false;
  std::thread thread_;
};

void ReadAheadAndCopy(benchmark::State& state) {
  const auto& files = tree().files();
  std::vector<char> destination(kLargest);
  double threadCpu = 0;
  double processCpu = 0;
  long bytes = 0;
  for (auto _ : state) {
    double threadBefore = cpuMilliseconds(RUSAGE_THREAD);
    double processBefore = cpuMilliseconds(RUSAGE_SELF);
    {
      Ahead ahead(files);
      long size = 0;
      while (PageBuffer got = ahead.take(size)) {
        if (size > 0) std::memcpy(destination.data(), got.get(), static_cast<size_t>(size));
        bytes += std::max(0L, size);
        ahead.giveBack(std::move(got));
      }
    }
    threadCpu += cpuMilliseconds(RUSAGE_THREAD) - threadBefore;
    processCpu += cpuMilliseconds(RUSAGE_SELF) - processBefore;
    benchmark::DoNotOptimize(destination[0]);
  }
  state.counters["thread_cpu_ms"] = threadCpu / static_cast<double>(state.iterations());
  state.counters["process_cpu_ms"] = processCpu / static_cast<double>(state.iterations());
  state.SetBytesProcessed(bytes);
}
BENCHMARK(ReadAheadAndCopy)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
