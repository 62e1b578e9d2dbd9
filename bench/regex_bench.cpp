// Throughput of GREPCLASS::match over lines of C source, one call per line as the file scan makes
// them, for typical patterns. Reports MB/s of line text and the lines that matched. Also the time
// of repeats giving back over one line of half a megabyte, which the failed-attempt table keeps
// to nodes x positions.
// Run: cmake --preset release && cmake --build build/release --target regex_bench &&
//      build/release/bench/regex_bench
#include <benchmark/benchmark.h>
#include <stdint.h>

#include <random>
#include <string>
#include <vector>

#include "regex/grepclass.h"

namespace {

const char* const kSourceLines[] = {
    "#include <stdio.h>",
    "#include \"regex/grepclass.h\"",
    "",
    "// Walks the directory list and scans every file that the mask list accepts.",
    "static int scanDirectory(const char* path, SearchJob* job, int depth) {",
    "  char buffer[MAX_PATH];",
    "  WIN32_FIND_DATAA data;",
    "  HANDLE find = FindFirstFileA(buffer, &data);",
    "  if (find == INVALID_HANDLE_VALUE) return 0;",
    "  do {",
    "    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;",
    "    size_t length = strlen(data.cFileName);",
    "    if (length + strlen(path) + 2 > sizeof buffer) continue;",
    "    wsprintfA(buffer, \"%s\\\\%s\", path, data.cFileName);",
    "    job->filesSearched++;",
    "    found += scanFile(buffer, job);",
    "  } while (FindNextFileA(find, &data));",
    "  FindClose(find);",
    "  return found;",
    "}",
    "",
    "#define MAX_LINE_LENGTH 499999",
    "#ifndef VANTREL_SEARCH_SCAN_H_",
    "    for (int i = 0; i < count; ++i) total += values[i] * weights[i];",
    "  /* foo: the placeholder every example uses, then the bar that follows it */",
    "  printMessage(\"Vantrel : %ld found in %s\", job->hits, formatCount(job->files));",
    "  if (re->match(line)) { column = re->groupStart[0] - line + 1; foo(bar); }",
    "    case WM_COMMAND: return handleCommand(hwnd, LOWORD(wParam), HIWORD(wParam));",
    "  memcpy(textToFind, text, strlen(text) < 499 ? strlen(text) + 1 : 500);",
    "template <typename T> class IUnknownImp : public T {",
    "  ULONG STDMETHODCALLTYPE AddRef() override { return ++refCount; }",
    "        while (*p != '\\0' && *p != '\\n' && *p != '\\r') ++p;",
    "  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));",
    "}  // namespace",
};

// About 1 MB of lines drawn from the sample above in a fixed pseudo-random order.
const std::vector<std::string>& corpus() {
  static const std::vector<std::string> lines = [] {
    std::vector<std::string> out;
    std::mt19937 random(42);
    size_t bytes = 0;
    const size_t count = sizeof kSourceLines / sizeof kSourceLines[0];
    while (bytes < (1u << 20)) {
      out.emplace_back(kSourceLines[random() % count]);
      bytes += out.back().size() + 1;
    }
    return out;
  }();
  return lines;
}

void runPattern(benchmark::State& state, const char* pattern) {
  GREPCLASS* re = new GREPCLASS(pattern);
  if (re->errorCount != 0) {
    state.SkipWithError(re->errorText);
    delete re;
    return;
  }
  const std::vector<std::string>& lines = corpus();
  int64_t bytes = 0;
  for (const std::string& line : lines) bytes += static_cast<int64_t>(line.size()) + 1;
  int64_t hits = 0;
  for (auto _ : state) {
    hits = 0;
    for (const std::string& line : lines) hits += re->match(line.c_str());
    benchmark::DoNotOptimize(hits);
  }
  state.SetBytesProcessed(bytes * static_cast<int64_t>(state.iterations()));
  state.counters["hits"] = static_cast<double>(hits);
  delete re;
}

void BM_Literal(benchmark::State& state) { runPattern(state, "strlen"); }
void BM_IncludeAtStart(benchmark::State& state) { runPattern(state, "^#include"); }
void BM_UpperCaseCall(benchmark::State& state) { runPattern(state, "[A-Z_]+\\("); }
void BM_FooThenBar(benchmark::State& state) { runPattern(state, ".*foo.*bar"); }
void BM_Alternatives(benchmark::State& state) { runPattern(state, "(int|char|void) +[a-z]+"); }

// One line as long as a file may be: a run of «y», then «needle».
void runLongLine(benchmark::State& state, const char* pattern) {
  std::string line(499990, 'y');
  line += "needle";
  GREPCLASS* re = new GREPCLASS(pattern);
  for (auto _ : state) benchmark::DoNotOptimize(re->match(line.c_str()));
  state.SetBytesProcessed(static_cast<int64_t>(line.size()) * state.iterations());
  delete re;
}

void BM_TwoRepeatsOverALongRun(benchmark::State& state) { runLongLine(state, "y*y*e"); }
void BM_SixRepeatsOverALongRun(benchmark::State& state) { runLongLine(state, "y*y*y*y*y*y*e"); }

BENCHMARK(BM_Literal);
BENCHMARK(BM_IncludeAtStart);
BENCHMARK(BM_UpperCaseCall);
BENCHMARK(BM_FooThenBar);
BENCHMARK(BM_Alternatives);
BENCHMARK(BM_TwoRepeatsOverALongRun)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SixRepeatsOverALongRun)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
