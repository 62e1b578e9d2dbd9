// Cost of enumerating a tree: the counting pass of the directory walk (the file search once per
// mask entry and once more for the subdirectories, as a blocking search makes it before the
// progress bar can be drawn), and one FindFirstFileA listing of a large directory.
// Run: cmake --preset release && cmake --build build/release --target walk_bench &&
//      build/release/bench/walk_bench
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "search/job.h"
#include "search/walk.h"
#include "win32/include/windows.h"

namespace {

namespace fs = std::filesystem;

// A tree of `dirs` directories under one root, each with `files` files of mixed extensions.
class Tree {
 public:
  Tree(int dirs, int files) {
    char tmpl[] = "/tmp/walk_bench.XXXXXX";
    root_ = mkdtemp(tmpl);
    const char* extensions[] = {".c", ".h", ".cpp", ".txt", ".o"};
    for (int d = 0; d < dirs; ++d) {
      fs::path dir = root_ / ("dir" + std::to_string(d));
      fs::create_directories(dir);
      for (int f = 0; f < files; ++f) {
        std::FILE* out =
            std::fopen((dir / ("file" + std::to_string(f) + extensions[f % 5])).c_str(), "w");
        if (out) std::fclose(out);
      }
    }
  }
  ~Tree() { fs::remove_all(root_); }
  std::string windowsPath() const {
    std::string w = "Z:" + root_.string();
    for (char& c : w)
      if (c == '/') c = '\\';
    return w;
  }

 private:
  fs::path root_;
};

void BM_CountingPass(benchmark::State& state) {
  Tree tree(static_cast<int>(state.range(0)), 200);
  std::strcpy(directories, tree.windowsPath().c_str());
  std::strcpy(fileMask, ".c;.h;.cpp");
  prepareFileMask();
  searchOptions = Recurse;
  SearchJob job;
  LONG files = 0;
  for (auto _ : state) {
    files = walkDirectoryList(&job, 1);
    benchmark::DoNotOptimize(files);
  }
  state.counters["files"] = files;
  state.counters["files/s"] =
      benchmark::Counter(static_cast<double>(files), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_CountingPass)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond);

void BM_ListLargeDirectory(benchmark::State& state) {
  Tree tree(1, static_cast<int>(state.range(0)));
  std::string pattern = tree.windowsPath() + "\\dir0\\*.C";
  int listed = 0;
  for (auto _ : state) {
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA(pattern.c_str(), &data);
    listed = 0;
    if (h != INVALID_HANDLE_VALUE) {
      do ++listed;
      while (FindNextFileA(h, &data));
      FindClose(h);
    }
    benchmark::DoNotOptimize(listed);
  }
  state.counters["listed"] = listed;
}
BENCHMARK(BM_ListLargeDirectory)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
