// Speed of the line scan over a file's data in memory: about 400 KB of generated C source searched
// for a literal with and without case, a literal found nowhere, one found on every ninth line, a
// whole-word literal and a pattern; and about 400 KB of UTF-8 text, nearly all of it letters of
// two and three bytes (Latin, Greek, Cyrillic, Armenian, Georgian, ...) taken from the Unicode
// character database, a script a line, searched with and without case in the UTF-8 code page. Each
// iteration copies the data into the file buffer (as the read would) and scans it; the figure is
// MB/s of data. For comparison each case also runs `grep -c` with the same meaning over the same
// bytes (the text repeated to 20 MB, so that starting the process does not dominate) and reports
// its MB/s by the CPU time it used, and its count of matching lines for one copy.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
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

// The UTF-8 form of a code point below U+10000.
std::string utf8Of(unsigned c) {
  std::string out;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

// About `size` bytes of words of cased letters, both cases, from the character database: each
// line in one script (the first word of the letters' names: LATIN, GREEK, CYRILLIC, ARMENIAN,
// GEORGIAN, ...), seven words a line, as multilingual text runs; every 40th line also holds
// "ΣΟΦΙΑ". Empty when the database cannot be read.
std::string makeUtf8Text(size_t size) {
  std::ifstream in("/usr/share/unicode/UnicodeData.txt");
  std::map<std::string, std::vector<std::string>> scripts;
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    std::string code, name, category;
    std::getline(fields, code, ';');
    std::getline(fields, name, ';');
    std::getline(fields, category, ';');
    unsigned c = static_cast<unsigned>(std::stoul(code, nullptr, 16));
    if (c >= 0x80 && c < 0x10000 && (category == "Ll" || category == "Lu"))
      scripts[name.substr(0, name.find(' '))].push_back(utf8Of(c));
  }
  std::vector<const std::vector<std::string>*> lists;
  for (const auto& [script, letters] : scripts)
    if (letters.size() >= 20) lists.push_back(&letters);
  std::string text;
  if (lists.empty()) return text;
  unsigned seed = 4321;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
  for (int line = 0; text.size() < size; ++line) {
    const std::vector<std::string>& letters = *lists[next() % lists.size()];
    for (int word = 0; word < 7; ++word) {
      size_t length = 3 + next() % 6;
      for (size_t i = 0; i < length; ++i) text += letters[next() % letters.size()];
      text += ' ';
    }
    if (line % 40 == 0) text += "\xCE\xA3\xCE\x9F\xCE\xA6\xCE\x99\xCE\x91";
    text += '\n';
  }
  text.resize(size);
  text.back() = '\n';
  return text;
}

const std::string& utf8Text() {
  static const std::string text = makeUtf8Text(kSourceSize);
  return text;
}

void countHit(void* context, LONG, LONG, const char*) { ++*static_cast<LONG*>(context); }

// grep over the source repeated kGrepRepeats times: MB/s and the count for one copy.
struct GrepFigure {
  double megabytesPerSecond = 0;
  long count = -1;
};

GrepFigure runGrep(const std::string& data, const char* locale, const char* flags,
                   const char* pattern) {
  static std::map<const std::string*, std::string> paths;
  std::string& path = paths[&data];
  if (path.empty()) {
    char name[] = "/tmp/vantrel_bench_XXXXXX";
    int fd = mkstemp(name);
    if (fd < 0) return {};
    for (int i = 0; i < kGrepRepeats; ++i)
      if (write(fd, data.data(), data.size()) != static_cast<ssize_t>(data.size())) break;
    close(fd);
    path = name;
  }
  std::string command =
      std::string("LC_ALL=") + locale + " grep -c " + flags + " -e '" + pattern + "' " + path;
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
  figure.megabytesPerSecond = data.size() * double(kGrepRepeats) / best / 1e6;
  return figure;
}

void scanData(benchmark::State& state, const std::string& data, const char* locale,
              const char* text, WORD options, const char* grepFlags, const char* grepPattern) {
  if (data.empty()) {
    state.SkipWithError("no data");
    return;
  }
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
  GrepFigure grep = runGrep(data, locale, grepFlags, grepPattern);
  state.counters["hits"] = hits;
  state.counters["grep_hits"] = static_cast<double>(grep.count);
  state.counters["MB/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * size / 1e6,
                                              benchmark::Counter::kIsRate);
  state.counters["grep_MB/s"] = grep.megabytesPerSecond;
}

void scanBenchmark(benchmark::State& state, const char* text, WORD options, const char* grepFlags,
                   const char* grepPattern) {
  scanData(state, source(), "C", text, options, grepFlags, grepPattern);
}

// The UTF-8 text in the UTF-8 code page (the default), against grep in a UTF-8 locale.
void utf8Benchmark(benchmark::State& state, const char* text, WORD options, const char* grepFlags,
                   const char* grepPattern) {
  scanData(state, utf8Text(), "C.UTF-8", text, options, grepFlags, grepPattern);
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
BENCHMARK_CAPTURE(utf8Benchmark, utf8_case_insensitive, "\xCF\x83\xCE\xBF\xCF\x86\xCE\xB9\xCE\xB1",
                  0, "-F -i", "\xCF\x83\xCE\xBF\xCF\x86\xCE\xB9\xCE\xB1");
BENCHMARK_CAPTURE(utf8Benchmark, utf8_case_sensitive, "\xCE\xA3\xCE\x9F\xCE\xA6\xCE\x99\xCE\x91",
                  CaseSensitive, "-F", "\xCE\xA3\xCE\x9F\xCE\xA6\xCE\x99\xCE\x91");

}  // namespace

BENCHMARK_MAIN();
