// Speed of the line scan over a file's data in memory: about 400 KB of generated C source searched
// for a literal with and without case, a literal found nowhere, one found on every ninth line, a
// whole-word literal and a pattern. Each iteration copies the data into the file buffer (as the
// read would) and scans it; the figure is MB/s of data.
// For comparison each case also runs `grep -c` with the same meaning over the same bytes (the
// source repeated to 20 MB, so that starting the process does not dominate) and reports its MB/s
// by the CPU time it used, and its count of matching lines for one copy.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "regex/grepclass.h"
#include "search/scan.h"

namespace {

constexpr size_t kSourceSize = 400 * 1024;
constexpr int kGrepRepeats = 50;

// Deterministic C source of about `size` bytes: functions, loops, comments, a few odd names.
std::string makeSource(size_t size) {
  std::string source;
  char line[256];
  unsigned seed = 12345;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
  for (int n = 0; source.size() < size; ++n) {
    const char* lines[] = {
        "/* Widget %d: keeps the running total of one table row. */\n",
        "static int compute_%d(int count, const char* name) {\n",
        "\tint total = 0;\n",
        "\tfor (int i = 0; i < count; ++i) total += table[i] * %d;\n",
        "\tif (name && strcmp(name, \"row%d\") == 0) total = -total;\n",
        "\tprintf(\"%%s: %%d\\n\", name, total); /* print_%d */\n",
        "\treturn total;\n",
        "}\n",
        "\n",
    };
    for (const char* format : lines) {
      snprintf(line, sizeof line, format, static_cast<int>(next() % 100000));
      source += line;
    }
    (void)n;
  }
  source.resize(size);
  source.back() = '\n';
  return source;
}

const std::string& source() {
  static const std::string text = makeSource(kSourceSize);
  return text;
}

void countHit(void* context, LONG, LONG, const char*) { ++*static_cast<LONG*>(context); }

// grep over the source repeated kGrepRepeats times: MB/s and the count for one copy.
struct GrepFigure {
  double megabytesPerSecond = 0;
  long count = -1;
};

GrepFigure runGrep(const char* flags, const char* pattern) {
  static std::string path;
  if (path.empty()) {
    char name[] = "/tmp/vantrel_bench_XXXXXX";
    int fd = mkstemp(name);
    if (fd < 0) return {};
    for (int i = 0; i < kGrepRepeats; ++i)
      if (write(fd, source().data(), source().size()) != static_cast<ssize_t>(source().size()))
        break;
    close(fd);
    path = name;
  }
  std::string command = std::string("LC_ALL=C grep -c ") + flags + " -e '" + pattern + "' " + path;
  GrepFigure figure;
  double best = 1e9;
  for (int run = 0; run < 3; ++run) {
    rusage before, after;
    getrusage(RUSAGE_CHILDREN, &before);
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return {};
    long count = -1;
    if (fscanf(pipe, "%ld", &count) != 1) count = -1;
    pclose(pipe);
    getrusage(RUSAGE_CHILDREN, &after);
    // CPU time of grep (and its shell), comparable with the benchmark's CPU time on a busy host.
    auto seconds = [](const rusage& r) {
      return r.ru_utime.tv_sec + r.ru_stime.tv_sec +
             (r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
    };
    double used = seconds(after) - seconds(before);
    if (used > 0 && used < best) best = used;
    figure.count = count < 0 ? -1 : count / kGrepRepeats;
  }
  figure.megabytesPerSecond = source().size() * double(kGrepRepeats) / best / 1e6;
  return figure;
}

void scanBenchmark(benchmark::State& state, const char* text, WORD options, const char* grepFlags,
                   const char* grepPattern) {
  strcpy(textToFind, text);
  searchOptions = options;
  if (!(options & CaseSensitive)) CharUpperA(textToFind);
  SearchJob job;
  if (options & RegularExpression) {
    job.regexProgram = new GREPCLASS(textToFind);
    if (job.regexProgram->errorCount) {
      state.SkipWithError(job.regexProgram->errorText);
      delete job.regexProgram;
      return;
    }
  }
  const std::string& data = source();
  LONG size = static_cast<LONG>(data.size());
  std::vector<char> buffer(scanBufferSize(size));
  LONG hits = 0;
  for (auto _ : state) {
    memcpy(buffer.data(), data.data(), data.size());
    hits = 0;
    benchmark::DoNotOptimize(scanLines(&job, buffer.data(), size, countHit, &hits));
  }
  delete job.regexProgram;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * size);
  GrepFigure grep = runGrep(grepFlags, grepPattern);
  state.counters["hits"] = hits;
  state.counters["grep_hits"] = static_cast<double>(grep.count);
  state.counters["MB/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * size / 1e6,
                                              benchmark::Counter::kIsRate);
  state.counters["grep_MB/s"] = grep.megabytesPerSecond;
}

BENCHMARK_CAPTURE(scanBenchmark, literal_case_sensitive, "table[i]", CaseSensitive, "-F",
                  "table[i]");
BENCHMARK_CAPTURE(scanBenchmark, literal_case_insensitive, "widget", 0, "-F -i", "widget");
BENCHMARK_CAPTURE(scanBenchmark, literal_whole_word, "int", CaseSensitive | WholeWords, "-F -w",
                  "int");
BENCHMARK_CAPTURE(scanBenchmark, literal_rare, "row99999", CaseSensitive, "-F", "row99999");
BENCHMARK_CAPTURE(scanBenchmark, literal_rare_case_insensitive, "row99999", 0, "-F -i", "row99999");
BENCHMARK_CAPTURE(scanBenchmark, literal_common, "return", CaseSensitive, "-F", "return");
BENCHMARK_CAPTURE(scanBenchmark, regex_case_sensitive, "comp[a-z]*_[0-9]+",
                  CaseSensitive | RegularExpression, "-E", "comp[a-z]*_[0-9]+");

}  // namespace

BENCHMARK_MAIN();
