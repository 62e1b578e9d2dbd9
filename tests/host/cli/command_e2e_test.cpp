// The vantrel command as a user runs it: the built binary on temporary trees and projects with a
// temporary registry, its --format=json output and its exit status. Plain and regex searches with
// the options that change results, a node search with recursion and "..", history carried from one
// run to the next, refusals, an asynchronous search, and Ctrl-C during a blocking and an
// asynchronous search.
//
// For Ctrl-C the command writes into a pipe that the test leaves unread: once the pipe is full the
// search is held in its next write, mid-way through the tree, and the interrupt arrives while it
// cannot have ended; the test then reads everything.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <signal.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "dialog/max_file_size.h"
#include "dialog/settings_store.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const char kProgram[] = VANTREL_BUILD_DIR "/vantrel";

struct Result {
  int status = -1;
  std::string out;
  std::string err;
  std::vector<json> events() const {
    std::vector<json> list;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) list.push_back(json::parse(line));
    return list;
  }
};

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Makes the calling process and what it executes obey file modes even as root (a process running
// as root is denied nothing): the capabilities that override them leave its bounding and
// inheritable sets. False when that cannot be done here.
bool dropFileModeOverride() {
  if (geteuid() != 0) return true;
  for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
    if (prctl(PR_CAPBSET_DROP, cap, 0, 0, 0) != 0) return false;
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2];
  if (syscall(SYS_capget, &header, data) != 0) return false;
  for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
    data[0].inheritable &= ~(1u << cap);
  return syscall(SYS_capset, &header, data) == 0;
}

class CommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vantrel_e2e_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    registry_ = root_ / "registry.sqlite3";
  }
  void TearDown() override { fs::remove_all(root_); }

  void write(const fs::path& relative, const std::string& text) {
    fs::create_directories((root_ / relative).parent_path());
    std::ofstream(root_ / relative, std::ios::binary) << text;
  }
  std::string windows(const fs::path& relative) {
    std::string path = (root_ / relative).string();
    std::string out = "Z:";
    for (char c : path) out += c == '/' ? '\\' : c;
    return out;
  }

  // Starts the command in `root_` (or `cwd`), its output to `out` and `err` descriptors.
  // `out` -1 leaves standard output closed; SIGPIPE is ignored when `ignorePipe`.
  pid_t spawn(const std::vector<std::string>& args, int out, int err, const fs::path& cwd,
              const std::vector<std::string>& env, bool ignorePipe = false) {
    pid_t pid = fork();
    if (pid == 0) {
      if (out < 0)
        close(1);
      else
        dup2(out, 1);
      if (ignorePipe) signal(SIGPIPE, SIG_IGN);
      dup2(err, 2);
      int none = open("/dev/null", O_RDONLY);
      dup2(none, 0);
      if (chdir(cwd.c_str()) != 0) _exit(127);
      setenv("VANTREL_REGISTRY", registry_.c_str(), 1);
      unsetenv("VANTREL_ADDON");
      for (const std::string& e : env) putenv(const_cast<char*>(e.c_str()));
      if (honourFileModes_ && !dropFileModeOverride()) _exit(125);
      std::vector<char*> argv{const_cast<char*>(kProgram)};
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(kProgram, argv.data());
      _exit(127);
    }
    return pid;
  }

  // Starts one run per argument list at once and waits for all; their results in that order.
  std::vector<Result> runTogether(const std::vector<std::vector<std::string>>& argLists) {
    std::vector<pid_t> pids;
    for (size_t i = 0; i < argLists.size(); ++i) {
      fs::path out = root_ / ("stdout" + std::to_string(i)),
               err = root_ / ("stderr" + std::to_string(i));
      int outFd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      pids.push_back(spawn(argLists[i], outFd, errFd, root_, {}));
      close(outFd);
      close(errFd);
    }
    std::vector<Result> results(argLists.size());
    for (size_t i = 0; i < pids.size(); ++i) {
      int status = 0;
      waitpid(pids[i], &status, 0);
      results[i].status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      fs::path out = root_ / ("stdout" + std::to_string(i)),
               err = root_ / ("stderr" + std::to_string(i));
      results[i].out = readFile(out);
      results[i].err = readFile(err);
      fs::remove(out);
      fs::remove(err);
    }
    return results;
  }

  // The text-to-find history the runs left, most recent first.
  std::vector<std::string> textHistory() {
    setenv("VANTREL_REGISTRY", registry_.c_str(), 1);
    HistoryList list;
    readHistory(kTextToFindPattern, &list);
    unsetenv("VANTREL_REGISTRY");
    return std::vector<std::string>(list.entries, list.entries + list.count);
  }

  Result run(const std::vector<std::string>& args, const fs::path& cwd = {},
             const std::vector<std::string>& env = {}) {
    fs::path outFile = root_ / "stdout", errFile = root_ / "stderr";
    int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = spawn(args, out, err, cwd.empty() ? root_ : cwd, env);
    close(out);
    close(err);
    Result result;
    int status = 0;
    waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = readFile(outFile);
    result.err = readFile(errFile);
    fs::remove(outFile);
    fs::remove(errFile);
    return result;
  }

  // Runs the command with its output into a pipe left unread until it is full, then interrupts it
  // and reads everything.
  Result runInterrupted(const std::vector<std::string>& args) {
    int pipeEnds[2];
    EXPECT_EQ(pipe(pipeEnds), 0);
    fs::path errFile = root_ / "stderr";
    int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = spawn(args, pipeEnds[1], err, root_, {});
    close(pipeEnds[1]);
    close(err);
    // The writer is held once the pipe stops filling.
    int last = -1;
    for (int still = 0, waited = 0; still < 100 && waited < 20000; ++waited) {
      int pending = 0;
      ioctl(pipeEnds[0], FIONREAD, &pending);
      still = pending > 0 && pending == last ? still + 1 : 0;
      last = pending;
      usleep(1000);
    }
    usleep(20000);  // let the writer settle in its blocked write
    kill(pid, SIGINT);
    usleep(50000);
    Result result;
    char buffer[65536];
    for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
      result.out.append(buffer, n);
    close(pipeEnds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.err = readFile(errFile);
    return result;
  }

  // The hits of a json run as "path:line:column", paths relative to the root.
  std::set<std::string> hits(const Result& result) {
    std::set<std::string> found;
    for (const json& e : result.events()) {
      if (e["event"] != "entry" || e["file"].is_null()) continue;
      std::string file = e["file"];
      std::string prefix = root_.string() + "/";
      if (file.rfind(prefix, 0) == 0) file = file.substr(prefix.size());
      found.insert(file + ":" + std::to_string(e["line"].get<int>()) + ":" +
                   std::to_string(e["column"].get<int>()));
    }
    return found;
  }
  static std::vector<std::string> titles(const Result& result) {
    std::vector<std::string> list;
    for (const json& e : result.events())
      if (e["event"] == "group") list.push_back(e["title"]);
    return list;
  }

  // Many hits, so that the output fills a pipe long before the search is through.
  void writeBigTree() {
    std::string text;
    for (int line = 0; line < 200; ++line) text += "needle on line " + std::to_string(line) + "\n";
    for (int i = 0; i < 300; ++i) {
      char name[32];
      snprintf(name, sizeof name, "big/f%03d.txt", i);
      write(name, text);
    }
  }

  void writeSmallTree() {
    write("tree/a.txt", "Needle here\nneedles\nno match\n");
    write("tree/sub/b.txt", "a needle\nNEEDLE.\n");
    write("tree/c.log", "needle\n");
  }

  fs::path root_;
  fs::path registry_;
  bool honourFileModes_ = false;  // runs obey file modes even as root
};

TEST_F(CommandTest, PlainAndRegexSearchesWithTheirOptions) {
  writeSmallTree();
  std::string tree = windows("tree");
  struct Case {
    std::vector<std::string> args;
    std::set<std::string> expected;
  };
  std::vector<Case> cases = {
      {{"needle", "--options=0"}, {"tree/a.txt:1:1", "tree/a.txt:2:1"}},
      {{"needle", "--options=0", "-s"}, {"tree/a.txt:2:1"}},
      {{"needle", "--options=2"},
       {"tree/a.txt:1:1", "tree/a.txt:2:1", "tree/sub/b.txt:1:3", "tree/sub/b.txt:2:1"}},
      {{"needle", "--options=3"}, {"tree/a.txt:2:1", "tree/sub/b.txt:1:3"}},
      {{"needle", "--options=0", "-w"}, {"tree/a.txt:1:1"}},
      {{"needle", "--options=0", "-rw"},
       {"tree/a.txt:1:1", "tree/sub/b.txt:1:3", "tree/sub/b.txt:2:1"}},
      {{"needle", "--options=19"}, {"tree/sub/b.txt:1:3"}},
      {{"^ne+dle", "--options=6"}, {"tree/a.txt:1:1", "tree/a.txt:2:1", "tree/sub/b.txt:2:1"}},
      {{"^ne+dle", "-e", "-s", "--options=0"}, {"tree/a.txt:2:1"}},
      {{"E\\.$", "-er", "--options=0"}, {"tree/sub/b.txt:2:6"}},
      {{"ne.dle", "--options=22"}, {"tree/a.txt:1:1", "tree/sub/b.txt:1:3", "tree/sub/b.txt:2:1"}},
      // A whole word is found whichever alternative comes first.
      {{"needl|needle", "-ew", "--options=0"}, {"tree/a.txt:1:1"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    for (const char* more : {"-f", "*.txt", "-d", "--format=json"}) args.push_back(more);
    args.insert(args.end() - 1, tree);
    Result result = run(args);
    std::string label;
    for (const std::string& a : c.args) label += a + " ";
    EXPECT_EQ(result.status, 0) << label << result.err;
    EXPECT_EQ(result.err, "") << label;
    EXPECT_EQ(hits(result), c.expected) << label;
  }

  // Escapes other syntaxes read as classes are noted on stderr, before the search, which takes
  // the pattern as it is: `\s` is the letter s. This syntax's own way is not noted, nor is a
  // text that is no pattern.
  Result noted = run({"here\\s+", "-es", "--options=0", "-f", "*.txt", "-d", tree});
  EXPECT_EQ(noted.status, 1);
  EXPECT_EQ(noted.err,
            "vantrel: note: \\s is a plain s here: write [ ] holding a blank and a tab\n");
  Result own = run({"Needle[ \t]+here", "-es", "--options=0", "-f", "*.txt", "-d", tree});
  EXPECT_EQ(own.status, 0);
  EXPECT_EQ(own.err, "");
  EXPECT_EQ(run({"here\\s+", "-s", "--options=0", "-f", "*.txt", "-d", tree}).err, "");

  // No hit: status 1, and the summary counts in the singular.
  Result none = run({"haystack", "--options=0", "-f", "*.txt", "-d", tree, "--format=json"});
  EXPECT_EQ(none.status, 1);
  ASSERT_FALSE(titles(none).empty());
  EXPECT_EQ(titles(none).back(), "Vantrel : 0 found in 0 File (1 File searched in 1 Directory)");
}

TEST_F(CommandTest, TextFormatAsTheQuickStartShowsIt) {
  writeSmallTree();
  Result result = run({"-r", "-f", "*.txt", "-d", ".", "--options=0", "NEEDLE"}, root_ / "tree");
  EXPECT_EQ(result.status, 0) << result.err;
  std::string a = (root_ / "tree/a.txt").string();
  EXPECT_NE(result.out.find(a + ":1:1: Needle here\n"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find((root_ / "tree/sub/b.txt").string() + ":1:3: a needle\n"),
            std::string::npos)
      << result.out;
  EXPECT_NE(result.out.find("Vantrel : 4 found in 2 Files (2 Files searched in 2 Directories)\n"),
            std::string::npos)
      << result.out;
}

// The output forms beside the message window: lines of context around hits (merged where they
// touch, cut at a file's start and end, the add-on's CR line ends), the files with hits, their
// counts and hit lines alone for quickfix readers; every form ends with the same status.
TEST_F(CommandTest, ContextLinesFileListsCountsAndHitLinesAlone) {
  std::string middle;
  for (char c = 'b'; c <= 'm'; ++c)
    middle += std::string(1, c) + (c == 'h' || c == 'i' ? " needle" : "") + "\n";
  middle.replace(middle.find("c\n"), 1, "\tc\x01");  // a tab shows as in hit lines, not escaped
  write("ctx/a.txt", "needle first\n" + middle + "n needle\no");  // 15 lines, the last unended
  write("ctx/b.txt", "x\rneedle\ry\r\n\xE9\n");
  write("ctx/c.txt", "nothing\n");
  std::string a = (root_ / "ctx/a.txt").string(), b = (root_ / "ctx/b.txt").string();
  std::vector<std::string> search = {"needle", "--options=0", "-f", "*.txt", "-d", windows("ctx")};
  auto with = [&](std::vector<std::string> more) {
    more.insert(more.begin(), search.begin(), search.end());
    return run(more);
  };

  Result context = with({"-C", "2"});
  EXPECT_EQ(context.status, 0) << context.err;
  EXPECT_EQ(context.out, "Vantreling " + a + "\n" +  //
                             a + ":1:1: needle first\n" + a + "-2-b\n" + a + "-3- c\\x01\n--\n" +
                             a + "-6-f\n" + a + "-7-g\n" + a + ":8:3: h needle\n" +  //
                             a + ":9:3: i needle\n" + a + "-10-j\n" + a + "-11-k\n" + a +
                             "-12-l\n" + a + "-13-m\n" + a + ":14:3: n needle\n" +  //
                             a + "-15-o\n--\n" +                                    //
                             "Vantreling " + b + "\n" + b + "-1-x\n" + b + ":2:1: needle\n" + b +
                             "-3-y\n" + b + "-4-\xC3\xA9\n" +
                             "Vantrel : 5 found in 2 Files (3 Files searched in 1 Directory)\n");
  // -A and -B each way; -C gives way to them whatever the order.
  Result after = with({"-A1", "-C", "5", "-B", "0"});
  EXPECT_EQ(after.out.substr(0, after.out.find("--")),
            "Vantreling " + a + "\n" + a + ":1:1: needle first\n" + a + "-2-b\n");

  Result events = with({"-B", "1", "-A", "2", "--format=json"});
  std::vector<std::string> lines;  // context and hits as "FILE-LINE-TEXT" and "FILE:LINE:TEXT"
  for (const json& e : events.events()) {
    if (e["event"] != "context" && (e["event"] != "entry" || e["file"].is_null())) continue;
    std::string file = e["file"];
    std::string mark = e["event"] == "context" ? "-" : ":";
    lines.push_back(file.substr(file.size() - 5) + mark + std::to_string(e["line"].get<int>()) +
                    mark + e["text"].get<std::string>());
    if (e.contains("text_bytes")) {
      EXPECT_EQ(e["text_bytes"], "6Q==");  // the byte as read
    }
  }
  EXPECT_EQ(lines, (std::vector<std::string>{"a.txt:1:needle first", "a.txt-2-b", "a.txt-3-\tc\x01",
                                             "a.txt-7-g", "a.txt:8:h needle", "a.txt:9:i needle",
                                             "a.txt-10-j", "a.txt-11-k", "a.txt-13-m",
                                             "a.txt:14:n needle", "a.txt-15-o", "b.txt-1-x",
                                             "b.txt:2:needle", "b.txt-3-y", "b.txt-4-\xC3\xA9"}));

  Result files = with({"-l"});
  EXPECT_EQ(files.out, a + "\n" + b + "\n");
  Result counts = with({"-c"});
  EXPECT_EQ(counts.out, a + ":4\n" + b + ":1\n");
  Result vimgrep = with({"--format=vimgrep"});
  EXPECT_EQ(vimgrep.out, a + ":1:1:needle first\n" + a + ":8:3:h needle\n" + a + ":9:3:i needle\n" +
                             a + ":14:3:n needle\n" + b + ":2:1:needle\n");
  for (const Result* r : {&files, &counts, &vimgrep}) {
    EXPECT_EQ(r->status, 0);
    EXPECT_EQ(r->err, "");
  }
  for (const char* form : {"-l", "-c", "--format=vimgrep"}) {
    Result none = run({"haystack", "--options=0", "-d", windows("ctx"), form});
    EXPECT_EQ(none.status, 1) << form;
    EXPECT_EQ(none.out, "") << form;
  }
  Result both = with({"-l", "--format=json"});
  EXPECT_EQ(both.status, 2);
  EXPECT_EQ(both.out, "");

  // Hundreds of short lines between hits are passed in blocks of bytes: wherever the last feed
  // falls in a block, and wherever an end holding a CR falls (inside a block, or its CR LF or
  // LF CR split across two), each line shown is the one its number says.
  std::string many;
  for (int n = 1; n <= 3000; ++n)
    many += (n % 97 == 0 ? "needle " : "l") + std::to_string(n) +
            (n % 89 == 0   ? "\r"
             : n % 61 == 0 ? "\r\n"
             : n % 53 == 0 ? "\n\r"
                           : "\n");
  std::string d = (root_ / "many/d.txt").string();
  write("many/d.txt", many);
  std::string split = std::string(63, 'a') + "\n\r";  // a LF CR end across the first two blocks
  for (int n = 2; n <= 40; ++n) split += (n == 40 ? "needle " : "l") + std::to_string(n) + "\n";
  write("many/e.txt", split);
  Result far = run({"needle", "--options=0", "-f", "*.txt", "-d", windows("many"), "-B", "2"});
  std::istringstream shown(far.out);
  int contextLines = 0;
  for (std::string line; std::getline(shown, line);) {
    if (line.rfind(d + "-", 0) != 0) continue;
    std::string rest = line.substr(d.size() + 1);  // "N-lN"
    std::string number = rest.substr(0, rest.find('-'));
    EXPECT_EQ(rest, number + "-l" + number);
    ++contextLines;
  }
  EXPECT_EQ(contextLines, 2 * (3000 / 97));
  std::string e = (root_ / "many/e.txt").string();
  EXPECT_NE(far.out.find(e + "-38-l38\n" + e + "-39-l39\n"), std::string::npos) << far.out;
}

TEST_F(CommandTest, ScopesLeaveOutHitLinesByWhereTheirMatchStandsInEveryForm) {
  write("scope/a.c",
        "kfree(x); // kfree\n"
        "/* kfree */ kfree(y);\n"
        "log(\"kfree\");\n"
        "/* kfree */\n");
  write("scope/b.h", "auto s = R\"(kfree)\";\n");
  write("scope/c.txt", "// kfree\n");
  std::string a = (root_ / "scope/a.c").string(), b = (root_ / "scope/b.h").string(),
              c = (root_ / "scope/c.txt").string();
  std::vector<std::string> search = {"kfree", "--options=0", "-f", "*.*", "-d", windows("scope")};
  auto with = [&](std::vector<std::string> more) {
    more.insert(more.begin(), search.begin(), search.end());
    return run(more);
  };
  const std::string otherFile = "; 1 file with hits kept whole, not read as C or C++\n";

  Result code = with({"--scope=code"});
  EXPECT_EQ(code.status, 0) << code.err;
  // Line 2's first match is in a comment, a later one in code: kept, as the add-on wrote it.
  EXPECT_EQ(code.out, "Vantreling " + a + "\n" + a + ":1:1: kfree(x); // kfree\n" + a +
                          ":2:4: /* kfree */ kfree(y);\n" + "Vantreling " + c + "\n" + c +
                          ":1:4: // kfree\n" +
                          "Vantrel : 6 found in 3 Files (3 Files searched in 1 Directory)\n");
  EXPECT_EQ(code.err,
            "vantrel: 3 hit lines left out by --scope=code (in comments or strings)" + otherFile);

  // The lines of code and those of comments and strings together are the plain search's.
  auto lines = [](const Result& r) {
    std::set<std::string> out;
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line);) out.insert(line);
    return out;
  };
  Result all = with({"--format=vimgrep"});
  Result codeLines = with({"--format=vimgrep", "--scope=code"});
  Result rest = with({"--format=vimgrep", "--scope=comments", "--scope=strings"});
  std::set<std::string> both = lines(codeLines);
  for (const std::string& line : lines(rest)) both.insert(line);
  EXPECT_EQ(both, lines(all));
  // Line 1 has a comment after its code: every line of a.c and b.h has a match out of code.
  EXPECT_EQ(lines(rest).size(), 6u);
  EXPECT_EQ(rest.err,
            "vantrel: 0 hit lines left out by --scope=comments --scope=strings" + otherFile);

  Result strings = with({"--format=json", "--scope=strings"});
  std::vector<std::string> entries;
  for (const json& e : strings.events()) {
    if (e["event"] == "heading" && !e["file"].is_null()) entries.push_back("heading");
    if (e["event"] == "entry")
      entries.push_back(fs::path(e["file"].get<std::string>()).filename().string() + ":" +
                        std::to_string(e["line"].get<int>()));
  }
  EXPECT_EQ(entries, (std::vector<std::string>{"heading", "a.c:3", "heading", "b.h:1", "heading",
                                               "c.txt:1"}));

  EXPECT_EQ(with({"-l", "--scope=comments"}).out, a + "\n" + c + "\n");
  EXPECT_EQ(with({"-c", "--scope=code"}).out, a + ":2\n" + c + ":1\n");
  Result context = run(
      {"kfree", "--options=0", "-f", "*.c", "-d", windows("scope"), "-C", "1", "--scope=strings"});
  EXPECT_EQ(context.out, "Vantreling " + a + "\n" + a + "-2-/* kfree */ kfree(y);\n" + a +
                             ":3:6: log(\"kfree\");\n" + a + "-4-/* kfree */\n" +
                             "Vantrel : 4 found in 1 File (1 File searched in 1 Directory)\n");
  EXPECT_EQ(context.err,
            "vantrel: 3 hit lines left out by --scope=strings (in code or comments)\n");

  // Nothing left: status 1, the add-on's summary as it was.
  Result none =
      run({"log", "--options=0", "-f", "*.c", "-d", windows("scope"), "--scope=comments"});
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(none.out, "Vantrel : 1 found in 1 File (1 File searched in 1 Directory)\n");
  EXPECT_EQ(none.err, "vantrel: 1 hit line left out by --scope=comments (in code or strings)\n");
  Result bad = with({"--scope=docs"});
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(bad.err,
            "vantrel: --scope wants code, comments or strings, not 'docs' (see vantrel --help)\n");
}

TEST_F(CommandTest, NodeSearchWithChildrenAndRelativeNames) {
  write("proj/src/main.c", "int needle;\n");
  write("proj/lib/lib.c", "needle lib\n");
  write("shared/util.c", "needle util\n");
  write("proj/notes.txt", "needle\n");
  write("proj/demo.json", R"({"path": "demo.ide", "nodes": [
      "src\\main.c",
      {"name": "lib\\lib.c", "children": ["..\\shared\\util.c", "notes.txt"]},
      "notes.txt"]})");
  std::vector<std::string> common{"needle",
                                  "-f",
                                  "*.c",
                                  "-d",
                                  "[Selected Nodes]",
                                  "--project=proj/demo.json",
                                  "--select=src\\main.c",
                                  "--select=lib\\lib.c",
                                  "--format=json"};
  std::vector<std::string> flat = common;
  flat.push_back("--options=0");
  Result result = run(flat);
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(hits(result), (std::set<std::string>{"proj/src/main.c:1:5", "proj/lib/lib.c:1:1"}));
  EXPECT_EQ(titles(result).back(), "Vantrel : 2 found in 2 Files (2 Files searched)");

  std::vector<std::string> deep = common;
  deep.push_back("--options=2");
  result = run(deep);
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(hits(result), (std::set<std::string>{"proj/src/main.c:1:5", "proj/lib/lib.c:1:1",
                                                 "shared/util.c:1:1"}));
  EXPECT_EQ(titles(result).back(), "Vantrel : 3 found in 3 Files (3 Files searched)");

  // The add-on's own form of the paths: resolved names are upper-cased Windows paths.
  deep.push_back("--windows-paths");
  result = run(deep);
  std::string resolved = windows("shared/util.c");
  for (char& c : resolved) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  bool found = false;
  for (const json& e : result.events())
    if (e["event"] == "entry" && e["file"] == resolved) found = true;
  EXPECT_TRUE(found) << result.out;

  Result unknown = run({"needle", "--project=proj/demo.json", "--select=nope.c"});
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.err.find("nope.c"), std::string::npos);
  Result noneChosen = run({"needle", "--project=proj/demo.json", "-d", "[Selected Nodes]"});
  EXPECT_EQ(noneChosen.status, 2);
  EXPECT_NE(noneChosen.err.find("--select"), std::string::npos);
}

TEST_F(CommandTest, FieldsNotGivenKeepTheLastRunsValues) {
  writeSmallTree();
  Result first =
      run({"needle", "-f", "*.txt", "-d", windows("tree"), "--options=2", "--format=json"});
  ASSERT_EQ(first.status, 0) << first.err;
  Result again = run({"--format=json"});
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(hits(again), hits(first));
  // A new text with one more box: the rest comes from the last run.
  Result upper = run({"NEEDLE", "-s", "--format=json"});
  EXPECT_EQ(upper.status, 0) << upper.err;
  EXPECT_EQ(hits(upper), (std::set<std::string>{"tree/sub/b.txt:2:1"}));
}

TEST_F(CommandTest, ControlCharactersInAFieldReachTheDialogWhole) {
  for (std::string c : {"\t", "\x01", "\x1b", "\r", "\n"}) {
    std::string dir = "d" + c + "ir", text = "a" + c + "b";
    write(dir + "/f.c", "x " + text + " y\n");
    Result result = run({text, "-d", dir, "-f", "*.c", "--options=0", "--format=json"});
    std::string label = "byte " + std::to_string(c[0]);
    std::vector<std::string> history = textHistory();
    ASSERT_FALSE(history.empty()) << label;
    EXPECT_EQ(history.front(), text) << label;
    ASSERT_FALSE(titles(result).empty()) << label << result.err;
    // A line end ends the file's line, so a text holding one is found nowhere.
    bool lineEnd = c == "\r" || c == "\n";
    EXPECT_EQ(result.status, lineEnd ? 1 : 0) << label << result.err;
    EXPECT_EQ(hits(result),
              lineEnd ? std::set<std::string>{} : std::set<std::string>{dir + "/f.c:1:3"})
        << label;
    EXPECT_EQ(titles(result).back(), std::string("Vantrel : ") + (lineEnd ? "0" : "1") +
                                         " found in " + (lineEnd ? "0" : "1") +
                                         " File (1 File searched in 1 Directory)")
        << label;
  }
}

TEST_F(CommandTest, FoldsInTheCodePageTheLocaleOrOverrideChooses) {
  // UTF-8 files and names, and one file in Windows-1252.
  write("intl/names.txt",
        "\xC3\x89ric\n\xD0\x9F\xD0\xA0\xD0\x98\xD0\x92\xD0\x95\xD0\xA2\n"
        "\xCE\xA3\xCE\x9F\xCE\xA6\xCE\x99\xCE\x91\n\xC3\x8Atre\n");
  write("intl/CAF\xC3\x89.md", "menu\n");
  write("intl/\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt", "menu\n");
  write("intl/legacy.txt", "Caf\xE9 cr\xE8me\n");
  std::string longLine;
  for (int i = 0; i < 150; ++i) longLine += "\xC3\xA9";
  write("intl/long.txt", longLine + "\n");
  const std::string utf8 = "LC_ALL=C", latin1 = "LC_ALL=de_DE.ISO-8859-1";
  struct Case {
    std::vector<std::string> env;
    std::string text, types;
    std::set<std::string> expected;
  };
  const Case cases[] = {
      // The default, also for the "C" locale, is UTF-8: letters of every script fold.
      {{utf8}, "\xC3\xA9ric", "*.txt", {"intl/names.txt:1:1"}},
      {{"LC_ALL=C.UTF-8"},
       "\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82",
       "*.txt",
       {"intl/names.txt:2:1"}},
      {{utf8}, "\xCF\x83\xCE\xBF\xCF\x86\xCE\xB9\xCE\xB1", "*.txt", {"intl/names.txt:3:1"}},
      {{utf8}, "\xC3\x9A", "*.txt", {}},  // a capital is not folded into another letter
      // Masks fold as the text does, whatever bytes they hold.
      {{utf8}, "menu", "caf\xC3\xA9.md", {"intl/CAF\xC3\x89.md:1:1"}},
      {{utf8},
       "menu",
       "\xE6\x97\xA5\xE6\x9C\xAC*.txt",
       {"intl/\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt:1:1"}},
      // A single-byte locale, or the override, searches a Windows-1252 tree as before.
      {{latin1}, "caf\xC9", "*.txt", {"intl/legacy.txt:1:1"}},
      {{utf8, "VANTREL_CODEPAGE=1252"}, "CR\xC8ME", "LEGACY.TXT", {"intl/legacy.txt:1:6"}},
      {{utf8, "VANTREL_CODEPAGE=1252"}, "\xC3\xA9ric", "*.txt", {}},
      {{latin1, "VANTREL_CODEPAGE=65001"}, "\xC3\xA9ric", "*.txt", {"intl/names.txt:1:1"}},
  };
  for (const Case& c : cases) {
    Result result = run(
        {c.text, "-f", c.types, "-d", windows("intl"), "--options=0", "--format=json"}, {}, c.env);
    std::string label = c.env.back() + " " + c.text + " " + c.types;
    EXPECT_EQ(result.status, c.expected.empty() ? 1 : 0) << label << result.err;
    EXPECT_EQ(hits(result), c.expected) << label;
  }

  // A display text cut at 219 bytes ends at the last whole character.
  Result cut =
      run({"\xC3\x89", "-f", "long.txt", "-d", windows("intl"), "--options=0", "--format=json"}, {},
          {utf8});
  ASSERT_EQ(cut.status, 0) << cut.err;
  std::string shown;
  for (const json& e : cut.events())
    if (e["event"] == "entry") shown = e["text"];
  EXPECT_EQ(shown, longLine.substr(0, 218));
}

TEST_F(CommandTest, RefusalsEndWithStatus2AndOneLine) {
  writeSmallTree();
  // Empty text (given empty, or not given with no history): OK cannot be pressed.
  for (auto args : {std::vector<std::string>{"", "-d", "tree"}, std::vector<std::string>{}}) {
    Result empty = run(args);
    EXPECT_EQ(empty.status, 2);
    EXPECT_EQ(empty.err,
              "vantrel: the search dialog cannot be confirmed: the "
              "text to find is empty\n");
  }
  // A pattern that does not compile: the add-on's error line and a beep.
  Result refused = run({"(needle", "-e", "-d", windows("tree"), "--format=json"});
  EXPECT_EQ(refused.status, 2);
  std::vector<json> events = refused.events();
  ASSERT_GE(events.size(), 2u);
  EXPECT_EQ(events[0]["title"], "Vantrel regular expression error : Mismatched () or []");
  EXPECT_EQ(events.back()["event"], "beep");
  EXPECT_EQ(refused.err, "vantrel: Vantrel regular expression error : Mismatched () or []\n");

  // A file type naming a folder: the add-on's refusal, on stderr too.
  Result folder = run({"needle", "-f", "*.log;tree/*.txt", "-d", windows("tree")});
  EXPECT_EQ(folder.status, 2);
  EXPECT_EQ(folder.err, "vantrel: Vantrel : A file type may not name a folder : tree/*.txt !\n");

  Result unknown = run({"--frobnicate"});
  EXPECT_EQ(unknown.status, 2);
  EXPECT_EQ(std::count(unknown.err.begin(), unknown.err.end(), '\n'), 1);
  Result missing = run({"needle", "--project=nowhere.json"});
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(std::count(missing.err.begin(), missing.err.end(), '\n'), 1);
  EXPECT_NE(missing.err.find("nowhere.json"), std::string::npos);
  Result noAddOn = run({"needle"}, {}, {"VANTREL_ADDON=/nonexistent/vantrel.so"});
  EXPECT_EQ(noAddOn.status, 2);
  EXPECT_NE(noAddOn.err.find("/nonexistent/vantrel.so"), std::string::npos);
}

TEST_F(CommandTest, WhatTheWalkPassedOverIsCountedOnStderrOnly) {
  write("skip/hit.txt", "needle\n");
  write("skip/empty.txt", "");
  write("skip/big.txt", "x");
  fs::resize_file(root_ / "skip/big.txt", 16u << 20);  // our hosts' limit; sparse, never read
  write("skip/back\\slash.txt", "needle\n");
  write("skip/" + std::string(240, 'l') + ".txt", "needle\n");
  write("skip/.hidden\\too.txt", "needle\n");  // hidden: no walk takes it anyway
  write("a,b/hit.txt", "needle\n");
  std::string dirs = "skip;\"" + (root_ / "a,b").string() + "\";missing;Missing;gone/;\"p,q\";more";
  Result result = run({"needle", "-f", "*.txt", "-d", dirs, "--options=0"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "Vantreling " + (root_ / "skip/big.txt").string() +
                            "\n  File too large !\n" + "Vantreling " +
                            (root_ / "skip/empty.txt").string() + "\n  File is 0 byte length !\n" +
                            "Vantreling " + (root_ / "skip/hit.txt").string() + "\n" +
                            (root_ / "skip/hit.txt").string() + ":1:1: needle\n" + "Vantreling " +
                            (root_ / "a,b/hit.txt").string() + "\n" +
                            (root_ / "a,b/hit.txt").string() + ":1:1: needle\n" +
                            "Vantrel : 2 found in 2 Files (4 Files searched in 7 Directories)\n");
  // The directories not found are named, up to three, as paths (quoted when they hold a
  // separator); the same directory in another case is the same directory.
  EXPECT_EQ(result.err, "vantrel: passed over 4 directories not found (" +
                            (root_ / "missing").string() + ", " + (root_ / "gone").string() +
                            ", \"" + (root_ / "p,q").string() +
                            "\" and 1 more), 1 path over 259 characters, 1 name no Windows path "
                            "can carry, 1 file too large, 1 empty file; the size limit is "
                            "16777216 bytes (--max-filesize=N or the registry value MaxFileSize "
                            "raises it)\n");
  Result asGiven = run({"needle", "-f", "*.txt", "-d", "missing", "--windows-paths"});
  EXPECT_EQ(asGiven.status, 1);
  EXPECT_EQ(asGiven.err, "vantrel: passed over 1 directory not found (missing)\n");
}

TEST_F(CommandTest, OutputThatCannotBeWrittenIsAFailure) {
  writeBigTree();
  std::vector<std::string> args{"needle", "--options=0", "-f", "*.txt", "-d", windows("big")};
  auto runInto = [&](int out, bool ignorePipe) {
    fs::path errFile = root_ / "stderr";
    int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = spawn(args, out, err, root_, {}, ignorePipe);
    if (out >= 0) close(out);
    close(err);
    int status = 0;
    waitpid(pid, &status, 0);
    Result result;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.err = readFile(errFile);
    return result;
  };
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  close(ends[0]);  // nobody reads: with SIGPIPE ignored every write fails
  // The same with context lines, which are written on a thread of their own.
  for (bool context : {false, true}) {
    if (context) {
      args.insert(args.end(), {"-C", "1"});
      ASSERT_EQ(pipe(ends), 0);
      close(ends[0]);
    }
    for (auto [out, ignorePipe, what] :
         {std::tuple{open("/dev/full", O_WRONLY), false, "full"}, std::tuple{-1, false, "closed"},
          std::tuple{ends[1], true, "broken pipe"}}) {
      Result result = runInto(out, ignorePipe);
      EXPECT_EQ(result.status, 2) << what << (context ? " with context" : "");
      EXPECT_NE(result.err.find("vantrel: "), std::string::npos) << what << ": " << result.err;
      EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    }
  }
  // The registry took none of the output meant for a closed descriptor.
  EXPECT_EQ(run({"--format=json"}).status, 0);

  // Output into a file of the searched tree (run() writes to root_/stdout): that file is left
  // out, also where a symbolic link leads to it, and the user told.
  write("a.txt", "needle\n");
  fs::create_directories(root_ / "sub");
  fs::create_symlink("../stdout", root_ / "sub" / "zz.txt");
  Result inTree = run({"needle", "-f", "*", "-d", ".", "--options=2"});
  EXPECT_EQ(inTree.status, 0) << inTree.err;
  EXPECT_EQ(inTree.out.find("stdout"), std::string::npos) << inTree.out;
  EXPECT_EQ(inTree.out.find("zz.txt"), std::string::npos) << inTree.out;
  EXPECT_NE(inTree.err.find("output file"), std::string::npos) << inTree.err;
}

TEST_F(CommandTest, HelpAndVersion) {
  Result help = run({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("Usage: vantrel"), std::string::npos);
  Result version = run({"--version"});
  EXPECT_EQ(version.status, 0) << version.err;
  EXPECT_EQ(version.out, "vantrel 1.0.2\nVantrel AddOn for Borland C++ 5.0 (v 1.0.2)\n");
}

TEST_F(CommandTest, AsynchronousSearchIsWaitedFor) {
  writeSmallTree();
  Result result = run(
      {"needle", "-a", "-r", "--options=0", "-f", "*.txt", "-d", windows("tree"), "--format=json"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(hits(result).size(), 4u);
  EXPECT_EQ(titles(result).back(),
            "Vantrel : 4 found in 2 Files (2 Files searched in 2 Directories)");
}

TEST_F(CommandTest, CtrlCStopsABlockingSearch) {
  writeBigTree();
  Result result = runInterrupted(
      {"needle", "--options=0", "-f", "*.txt", "-d", windows("big"), "--format=json"});
  EXPECT_EQ(result.status, 130) << result.err;
  EXPECT_EQ(result.err, "") << "nothing leaked, nothing released twice";
  std::vector<std::string> list = titles(result);
  ASSERT_GE(list.size(), 2u);
  EXPECT_EQ(list.back(), "Vantrel : User break !");
  const std::string& summary = list[list.size() - 2];
  EXPECT_EQ(summary.rfind("Vantrel : ", 0), 0u) << summary;
  EXPECT_EQ(summary.find("300 Files searched"), std::string::npos) << summary;
  EXPECT_EQ(result.events().back()["event"], "beep");
}

TEST_F(CommandTest, CtrlCStopsAPatternInsideAHalfMegabyteLine) {
  // Seconds of work on the one line, however the table bounds it; Ctrl-C must end it at once.
  std::string pattern;
  for (int i = 0; i < 100; ++i) pattern += "y*";
  write("long/y.txt", std::string(499990, 'y') + "needle\n");
  fs::path errFile = root_ / "stderr";
  int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t pid = spawn({pattern + "e", "--options=5", "-f", "*.txt", "-d", windows("long")}, err, err,
                    root_, {});
  close(err);
  // The file stays open while it is scanned.
  fs::path fds = fs::path("/proc") / std::to_string(pid) / "fd";
  bool scanning = false;
  for (int i = 0; i < 1000 && !scanning; ++i, usleep(10000)) {
    std::error_code error;
    for (const auto& fd : fs::directory_iterator(fds, error))
      if (fs::read_symlink(fd.path(), error).filename() == "y.txt") scanning = true;
  }
  EXPECT_TRUE(scanning);
  usleep(100000);
  kill(pid, SIGINT);
  auto interrupted = std::chrono::steady_clock::now();
  int status = 0;
  for (int i = 0; i < 500 && waitpid(pid, &status, WNOHANG) == 0; ++i) usleep(10000);
  double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - interrupted).count();
  if (seconds >= 5) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
  }
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  constexpr double kSecondsAllowed = 3.0;  // instrumented builds run several times slower
#else
  constexpr double kSecondsAllowed = 1.0;
#endif
  EXPECT_LT(seconds, kSecondsAllowed);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 130) << readFile(errFile);
  EXPECT_NE(readFile(errFile).find("Vantrel : User break !"), std::string::npos);
}

TEST_F(CommandTest, CtrlCStopsAnAsynchronousSearchThroughTheStopQuestion) {
  writeBigTree();
  Result result = runInterrupted(
      {"needle", "--options=8", "-f", "*.txt", "-d", windows("big"), "--format=json"});
  EXPECT_EQ(result.status, 130) << result.err;
  EXPECT_EQ(result.err, "") << "nothing leaked, nothing released twice";
  std::vector<json> events = result.events();
  bool asked = false;
  for (const json& e : events)
    if (e["event"] == "messagebox") {
      asked = true;
      EXPECT_EQ(e["text"], "Vantrel is currently running.\nDo you want to stop it ?");
      EXPECT_EQ(e["type"], 20);
      EXPECT_EQ(e["answer"], 6);
    }
  EXPECT_TRUE(asked);
  std::vector<std::string> list = titles(result);
  ASSERT_GE(list.size(), 2u);
  EXPECT_EQ(list.back(), "Vantrel : User break !");
  EXPECT_EQ(list[list.size() - 2].find("300 Files searched"), std::string::npos);
}

TEST_F(CommandTest, TenRunsAtOnceKeepEveryTextInTheHistoryOnce) {
  writeSmallTree();
  std::vector<std::vector<std::string>> argLists;
  std::set<std::string> texts;
  for (int i = 0; i < 10; ++i) {
    texts.insert("needle" + std::to_string(i));
    argLists.push_back({"needle" + std::to_string(i), "-d", windows("tree"), "--format=json"});
  }
  for (const Result& r : runTogether(argLists)) EXPECT_EQ(r.status, 1) << r.err;
  std::vector<std::string> history = textHistory();
  EXPECT_EQ(std::set<std::string>(history.begin(), history.end()), texts);
  EXPECT_EQ(history.size(), texts.size()) << "an entry is doubled";
}

TEST_F(CommandTest, EightRunsFindingADamagedRegistryKeepItsBytesOnce) {
  writeSmallTree();
  std::string damaged(5000, 'G'), journal(3000, 'J');
  write("registry.sqlite3", damaged);
  write("registry.sqlite3-wal", journal);
  std::vector<std::vector<std::string>> argLists;
  std::set<std::string> texts;
  for (int i = 0; i < 8; ++i) {
    texts.insert("needle" + std::to_string(i));
    argLists.push_back({"needle" + std::to_string(i), "-d", windows("tree"), "--format=json"});
  }
  int told = 0;
  for (const Result& r : runTogether(argLists)) {
    EXPECT_EQ(r.status, 1) << r.err;
    if (r.err.empty()) continue;
    ++told;
    EXPECT_NE(r.err.find("is not a usable registry file; it was kept as"), std::string::npos)
        << r.err;
  }
  EXPECT_EQ(told, 1) << "the user is told once";
  std::map<std::string, std::string> aside;  // the set-aside files and their bytes
  for (const auto& entry : fs::directory_iterator(root_)) {
    std::string name = entry.path().filename();
    if (name.find(".damaged-") != std::string::npos) aside[name] = readFile(entry.path());
  }
  ASSERT_FALSE(aside.empty());
  std::string base = aside.begin()->first;
  EXPECT_TRUE(aside[base] == damaged) << base << " does not hold the damaged file's bytes";
  EXPECT_TRUE(aside[base + "-wal"] == journal) << "its journal was not kept with it";
  aside.erase(base + "-shm");  // the index SQLite made for the journal, if it made one
  EXPECT_EQ(aside.size(), 2u) << "the file and its journal, once: "
                              << testing::PrintToString(aside);
  std::vector<std::string> history = textHistory();
  EXPECT_EQ(std::set<std::string>(history.begin(), history.end()), texts);
  EXPECT_EQ(history.size(), texts.size());
}

// The registry's file or directory read-only: the history is still read and the search runs with
// it; stderr says once that settings will not be saved, and the file is left as it was.
TEST_F(CommandTest, AReadOnlyRegistryStillGivesItsHistory) {
  writeSmallTree();
  fs::path dir = root_ / "config";
  registry_ = dir / "registry.sqlite3";
  Result first = run({"needle", "-f", "*.txt", "-d", windows("tree"), "--format=json"});
  ASSERT_EQ(first.status, 0) << first.err;
  // As a registry left by a run that closed it: everything in the file, no journal beside it.
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(registry_.c_str(), &db), SQLITE_OK);
  sqlite3_exec(db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  ASSERT_FALSE(fs::exists(registry_.string() + "-wal"));
  std::string bytes = readFile(registry_);

  honourFileModes_ = true;
  for (const fs::path& readOnly : {registry_, dir}) {
    fs::permissions(readOnly, fs::perms::owner_write, fs::perm_options::remove);
    Result again = run({"--format=json"});
    fs::permissions(readOnly, fs::perms::owner_write, fs::perm_options::add);
    if (again.status == 125) GTEST_SKIP() << "file modes cannot be made to hold here";
    EXPECT_EQ(again.status, 0) << readOnly << ": " << again.err;
    EXPECT_EQ(hits(again), hits(first)) << readOnly;
    EXPECT_EQ(again.err, "vantrel: settings will not be saved: the registry " + registry_.string() +
                             " cannot be written (the file or its directory is read-only)\n");
    EXPECT_TRUE(readFile(registry_) == bytes) << readOnly;
    EXPECT_EQ(std::vector<fs::path>(fs::directory_iterator(dir), {}),
              std::vector<fs::path>{registry_})
        << "nothing is made beside it";
  }
}

// Settings that cannot be stored at all: no registry file named, or one out of reach. The search
// runs; stderr says once what happens to the settings and why.
TEST_F(CommandTest, ARegistryThatCannotBeUsedIsSaidOnce) {
  writeSmallTree();
  Result unnamed = run({"needle", "-f", "*.txt", "-d", windows("tree"), "--format=json"}, {},
                       {"VANTREL_REGISTRY=", "XDG_CONFIG_HOME=", "HOME="});
  EXPECT_EQ(unnamed.status, 0) << unnamed.err;
  EXPECT_EQ(unnamed.err,
            "vantrel: settings will not be saved: no registry file is named (VANTREL_REGISTRY, "
            "XDG_CONFIG_HOME and HOME are unset or empty)\n");

  honourFileModes_ = true;
  fs::path locked = root_ / "locked";
  fs::create_directory(locked);
  fs::permissions(locked, fs::perms::none);
  struct Case {
    fs::path registry;
    std::string why;
  };
  const Case cases[] = {
      {locked / "registry.sqlite3", "Permission denied"},
      {locked / "sub" / "registry.sqlite3",
       "its directory " + (locked / "sub").string() + " cannot be reached: Permission denied"},
  };
  for (const Case& c : cases) {
    registry_ = c.registry;
    Result result = run({"needle", "-f", "*.txt", "-d", windows("tree"), "--format=json"});
    if (result.status == 125) GTEST_SKIP() << "file modes cannot be made to hold here";
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "vantrel: settings will not be read or saved: the registry " +
                              c.registry.string() + " cannot be opened (" + c.why + ")\n");
  }
  // Without a text nothing remembered can fill the field: the refusal follows the reason.
  Result empty = run({"-d", windows("tree")});
  EXPECT_EQ(empty.status, 2);
  EXPECT_EQ(empty.err, "vantrel: settings will not be read or saved: the registry " +
                           registry_.string() + " cannot be opened (" + cases[1].why +
                           ")\nvantrel: the search dialog cannot be confirmed: the text to find "
                           "is empty\n");
  fs::permissions(locked, fs::perms::owner_all);
}

// The files a run searched, in the order it searched them, relative to the root.
std::vector<std::string> searchedFiles(const Result& result, const fs::path& root) {
  std::vector<std::string> files;
  for (const json& e : result.events()) {
    if (e["event"] != "entry" || e["file"].is_null()) continue;
    std::string file = e["file"];
    if (file.rfind(root.string() + "/", 0) == 0) file = file.substr(root.string().size() + 1);
    if (files.empty() || files.back() != file) files.push_back(file);
  }
  return files;
}

// In a repository with nothing committed, a run searches exactly what git would add (git's own
// list of untracked files that are not ignored), in the order a run without ignore files has.
TEST_F(CommandTest, IgnoreFilesLeaveWhatGitWouldAdd) {
  fs::path repo = root_ / "repo";
  fs::create_directories(repo);
  ASSERT_EQ(std::system(("git init -q " + repo.string()).c_str()), 0);
  // Anchored patterns of several components, with "*" and "**" among them, root and nested.
  write("repo/.gitignore", "build/\n*.o\n/top.txt\nsrc/gen*.c\n/docs/*/Z.c\ndocs/**/w.c\n");
  write("repo/src/.gitignore", "!keep.o\nlocal/\n/deep/*.txt\n!/deep/keep.txt\n");
  write("repo/.git/info/exclude", "secret.txt\n");
  write("xdg/git/ignore", "*.log\n");
  for (const char* f :
       {"a.c", "a.o", "top.txt", "secret.txt", "run.log", "build/b.c", "src/s.c", "src/keep.o",
        "src/x.o", "src/top.txt", "src/build/g.c", "src/local/l.c", "docs/build.txt",
        "docs/deep/Z.c", "docs/deep/a.o", ".hidden.c", ".git/x.c"})
    write("repo/" + std::string(f), "needle\n");
  for (const char* f : {"src/gen1.c", "src/sub/gen2.c", "src/deep/a.txt", "src/deep/keep.txt",
                        "docs/x/w.c", "docs/w.c", "docs/deep/Y.c"})
    write("repo/" + std::string(f), "needle\n");
  std::vector<std::string> env{"XDG_CONFIG_HOME=" + (root_ / "xdg").string()};
  std::vector<std::string> args{"needle", "-f",          "*.c;*.o;*.txt;*.log", "-d",
                                "repo",   "--options=2", "--format=json"};
  Result ignoring = run(args, {}, env);
  args.push_back("--no-ignore");
  Result all = run(args, {}, env);
  EXPECT_EQ(ignoring.status, 0);
  EXPECT_EQ(all.status, 0);

  std::string listed = root_ / "git-others";
  ASSERT_EQ(std::system(("cd " + repo.string() + " && XDG_CONFIG_HOME=" + (root_ / "xdg").string() +
                         " git ls-files --others --exclude-standard > " + listed)
                            .c_str()),
            0);
  std::set<std::string> gitAdds;
  std::istringstream lines(readFile(listed));
  for (std::string line; std::getline(lines, line);)
    if (line[line.rfind('/') + 1] != '.') gitAdds.insert("repo/" + line);  // dot-files: hidden
  std::vector<std::string> everything = searchedFiles(all, root_), expected;
  for (const std::string& f : everything)
    if (gitAdds.count(f)) expected.push_back(f);
  EXPECT_EQ(expected.size(), gitAdds.size()) << "a file git would add was never searched";
  EXPECT_EQ(searchedFiles(ignoring, root_), expected);
  EXPECT_EQ(expected.size(), 8u);
  EXPECT_EQ(everything.size(), 22u);  // --no-ignore: all but the dot-files
  // A directory counts once, and what lies in it not at all.
  EXPECT_EQ(ignoring.err, "vantrel: passed over 14 entries ignored (.gitignore)\n");
  EXPECT_EQ(all.err, "");

  // A directory named is searched though ignored; --hidden adds dot-files but never .git.
  Result named = run(
      {"needle", "-f", "*.c", "-d", "repo/build;repo", "--options=0", "--hidden", "--format=json"},
      {}, env);
  EXPECT_EQ(searchedFiles(named, root_),
            (std::vector<std::string>{"repo/build/b.c", "repo/.hidden.c", "repo/a.c"}));
  // An exclusion hides in every walk, anchored at the current directory; a .ignore file counts
  // outside a repository too.
  write("plain/.ignore", "*.txt\n!keep.txt\n");
  write("plain/keep.txt", "needle\n");
  write("plain/drop.txt", "needle\n");
  write("plain/sub/x_test.txt", "needle\n");
  Result excluded = run({"needle", "-f", "*.txt", "-d", "repo;plain", "--options=2",
                         "--format=json", "--exclude=*_test.txt", "--exclude", "repo/docs/"},
                        {}, env);
  EXPECT_EQ(
      searchedFiles(excluded, root_),
      (std::vector<std::string>{"repo/src/top.txt", "repo/src/deep/keep.txt", "plain/keep.txt"}));
  EXPECT_EQ(excluded.err,
            "vantrel: passed over 10 entries ignored (.gitignore), 1 entry ignored (.ignore), 2 "
            "entries excluded (--exclude)\n");

  // A rule file that is no regular file is refused unopened, a .gitignore that is a link is not
  // followed; the search goes on, and the passed-over line says both.
  write("odd/a.txt", "needle\n");
  ASSERT_EQ(mkfifo((root_ / "odd" / ".ignore").c_str(), 0644), 0);
  write("linked.ignore", "*.txt\n");
  fs::create_symlink(root_ / "linked.ignore", repo / "src" / "deep" / ".gitignore");
  Result odd =
      run({"needle", "-f", "*.txt", "-d", "odd;repo/src/deep", "--options=2", "--format=json"}, {},
          env);
  EXPECT_EQ(odd.status, 0);
  EXPECT_EQ(searchedFiles(odd, root_),
            (std::vector<std::string>{"odd/a.txt", "repo/src/deep/keep.txt"}));
  EXPECT_NE(odd.err.find("1 rule file not read (not a regular file, or over 4 MiB), 1 .gitignore "
                         "not followed (a symbolic link, as git)"),
            std::string::npos)
      << odd.err;
}

// A linked folder is passed over and counted; --follow enters linked folders but never one folder
// twice: a link back up ends, a second path to a folder is counted, each file is searched once.
TEST_F(CommandTest, LinkedFoldersArePassedOverOrFollowedOnce) {
  write("links/real/a.c", "needle\n");
  write("outside/o.c", "needle\n");
  fs::create_directory_symlink("..", root_ / "links" / "real" / "up");  // a loop
  fs::create_directory_symlink("real", root_ / "links" / "alias");      // a second path to real
  fs::create_directory_symlink(root_ / "outside", root_ / "links" / "out");
  fs::create_directory_symlink("real", root_ / "links" / ".dot");  // hidden: not counted
  std::vector<std::string> args{"needle", "-f",          "*.c",          "-d",
                                "links",  "--options=2", "--format=json"};
  Result plain = run(args);
  EXPECT_EQ(plain.status, 0);
  EXPECT_EQ(searchedFiles(plain, root_), std::vector<std::string>{"links/real/a.c"});
  EXPECT_EQ(plain.err,
            "vantrel: passed over 3 linked folders not followed (--follow follows them)\n");

  for (const char* threads : {"-j1", "-j2"}) {
    args.push_back("--follow");
    args.push_back(threads);
    Result followed = run(args);
    EXPECT_EQ(followed.status, 0);
    // In walk order "alias" comes before "real", so the folder is searched by that path.
    EXPECT_EQ(searchedFiles(followed, root_),
              (std::vector<std::string>{"links/alias/a.c", "links/out/o.c"}));
    EXPECT_EQ(followed.err,
              "vantrel: passed over 2 folders reached again through links (each searched once)\n");
    args.resize(7);
  }
  // Ignore rules judge a linked folder by its own name first.
  Result hiddenToo = run({"needle", "-f", "*.c", "-d", "links", "--options=2", "--format=json",
                          "--follow", "--hidden", "--exclude=out"});
  EXPECT_EQ(searchedFiles(hiddenToo, root_), std::vector<std::string>{"links/.dot/a.c"});
  EXPECT_EQ(hiddenToo.err,
            "vantrel: passed over 1 entry excluded (--exclude), 3 folders reached again through "
            "links (each searched once)\n");
}

// A line's matching ends at its first NUL byte; a file whose hit that hid is counted, on one
// thread and on several, for a text and for a pattern holding a text.
TEST_F(CommandTest, HitsHiddenByANulByteAreCounted) {
  using namespace std::string_literals;
  write("nul/a.c", "int x; \0 needle\nno hit\n"s);
  write("nul/b.c", "needle \0 needle\n"s);  // its hit is shown
  write("nul/c.c", "\0\0needle9\n"s);
  write("nul/d.c", "needle\n");
  write("nul/e.c", "xneedle\0 needle\n"s);  // a whole word only behind the NUL
  for (const char* threads : {"-j1", "-j2"}) {
    Result plain = run({"needle", "-f", "*.c", "-d", "nul", "--options=2", threads});
    EXPECT_EQ(plain.status, 0);
    EXPECT_EQ(plain.err, "vantrel: passed over hits hidden by a NUL byte in 2 files\n") << threads;
    EXPECT_NE(plain.out.find("3 found in 3 Files"), std::string::npos) << plain.out;
    Result words = run({"needle", "-f", "*.c", "-d", "nul", "--options=18", threads});
    EXPECT_EQ(words.err, "vantrel: passed over hits hidden by a NUL byte in 2 files\n") << threads;
    Result pattern = run({"ne+dle[0-9]", "-f", "*.c", "-d", "nul", "--options=6", threads});
    EXPECT_EQ(pattern.status, 1);
    EXPECT_EQ(pattern.err, "vantrel: passed over hits hidden by a NUL byte in 1 file\n") << threads;
  }
}

// Our hosts refuse files of 16 MiB or more (the add-on alone: 500,000 bytes) unless the registry
// value MaxFileSize under its key, or --max-filesize for one run, says otherwise; the passed-over
// line tells which.
TEST_F(CommandTest, LargeFilesAreSearchedOnRequest) {
  write("big/big.c", "needle\n" + std::string(599993, 'x'));
  ASSERT_EQ(fs::file_size(root_ / "big/big.c"), 600000u);
  write("huge/huge.c", "needle\n");
  fs::resize_file(root_ / "huge/huge.c", 16u << 20);  // sparse: refused unread
  Result byDefault = run({"needle", "-f", "*.c", "-d", "big;huge", "--options=0"});
  EXPECT_EQ(byDefault.status, 0);
  EXPECT_NE(byDefault.out.find((root_ / "big/big.c").string() + ":1:1: needle"), std::string::npos);
  EXPECT_NE(byDefault.out.find("File too large !"), std::string::npos);
  EXPECT_EQ(byDefault.err,
            "vantrel: passed over 1 file too large; the size limit is 16777216 bytes "
            "(--max-filesize=N or the registry value MaxFileSize raises it)\n");
  std::vector<std::string> args{"needle", "-f", "*.c", "-d", "big", "--options=0"};
  args.push_back("--max-filesize=500000");
  Result refused = run(args);
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.out.find("File too large !"), std::string::npos);
  args.pop_back();
  args.push_back("--max-filesize=1000000");
  Result searched = run(args);
  EXPECT_EQ(searched.status, 0);
  EXPECT_NE(searched.out.find((root_ / "big/big.c").string() + ":1:1: needle"), std::string::npos);
  EXPECT_EQ(searched.err, "");
  args.back() = "--max-filesize=600000";  // a file of the limit's size is refused
  EXPECT_EQ(
      run(args).err,
      "vantrel: passed over 1 file too large; the size limit is 600000 bytes, --max-filesize\n");

  // The stored value, read when a search starts; a run's switch leaves it as it is.
  setenv("VANTREL_REGISTRY", registry_.c_str(), 1);
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  DWORD stored = 700000;
  ASSERT_EQ(RegSetValueExA(key, kMaxFileSizeValue, 0, REG_DWORD,
                           reinterpret_cast<const BYTE*>(&stored), sizeof stored),
            ERROR_SUCCESS);
  args.pop_back();
  EXPECT_EQ(run(args).status, 0);
  args.push_back("--max-filesize=1000");
  EXPECT_EQ(
      run(args).err,
      "vantrel: passed over 1 file too large; the size limit is 1000 bytes, --max-filesize\n");
  DWORD type = 0, size = sizeof stored;
  stored = 0;
  ASSERT_EQ(RegQueryValueExA(key, kMaxFileSizeValue, nullptr, &type,
                             reinterpret_cast<BYTE*>(&stored), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(stored, 700000u);
  ASSERT_EQ(
      RegSetValueExA(key, kMaxFileSizeValue, 0, REG_SZ, reinterpret_cast<const BYTE*>("500001"), 7),
      ERROR_SUCCESS);
  args.pop_back();
  EXPECT_EQ(run(args).err,
            "vantrel: passed over 1 file too large; the size limit is 500001 bytes, the registry "
            "value MaxFileSize (--max-filesize=N overrides it)\n");
  // Leading zeros: the line names the limit the add-on applied.
  ASSERT_EQ(RegSetValueExA(key, kMaxFileSizeValue, 0, REG_SZ,
                           reinterpret_cast<const BYTE*>("00000000550000"), 15),
            ERROR_SUCCESS);
  EXPECT_EQ(run(args).err,
            "vantrel: passed over 1 file too large; the size limit is 550000 bytes, the registry "
            "value MaxFileSize (--max-filesize=N overrides it)\n");
  ASSERT_EQ(
      RegSetValueExA(key, kMaxFileSizeValue, 0, REG_SZ, reinterpret_cast<const BYTE*>("lots"), 5),
      ERROR_SUCCESS);
  // Not a number: our hosts' default, which the huge file is over.
  args[4] = "big;huge";
  EXPECT_NE(run(args).err.find("limit is 16777216 bytes (--max"), std::string::npos);
  RegCloseKey(key);
  unsetenv("VANTREL_REGISTRY");
}

// A resource file saved as UTF-16 (either byte order, with its mark, CR LF lines and letters
// beyond ASCII) gives the hits, lines, columns and texts of its UTF-8 form; a UTF-8 mark is no
// part of the first line. Columns count bytes of the text in the code page.
TEST_F(CommandTest, Utf16FilesAreSearchedAsTheirText) {
  std::string utf8 =
      "needle first\r\nna\xC3\xAFve needle \xC3\xBC"
      "ber\r\n\t\xC3\xBCn\xC3\xAF"
      "c\xC3\xB6"
      "d\xC3\xA9 needle \xE2\x82\xAC\r\nlast\r\n";
  std::u16string units;
  for (size_t i = 0; i < utf8.size();) {  // two- and three-byte sequences are all it holds
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    int length = c < 0x80 ? 1 : c < 0xE0 ? 2 : 3;
    char16_t u = length == 1 ? c : length == 2 ? (c & 0x1F) : (c & 0x0F);
    for (int k = 1; k < length; ++k) u = static_cast<char16_t>(u << 6 | (utf8[i + k] & 0x3F));
    units.push_back(u);
    i += length;
  }
  for (bool bigEndian : {false, true}) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t u : units) {
      char high = static_cast<char>(u >> 8), low = static_cast<char>(u & 0xFF);
      bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    write(bigEndian ? "u/be.rc" : "u/le.rc", bytes);
  }
  write("u/plain.rc", utf8);
  write("u/marked.rc", "\xEF\xBB\xBF" + utf8);
  Result result = run({"needle", "-f", "*.rc", "-d", "u", "--options=0", "--format=json"}, {},
                      {"VANTREL_CODEPAGE=65001"});
  EXPECT_EQ(result.status, 0);
  std::map<std::string, std::vector<std::string>> hitsByFile;
  for (const json& e : result.events()) {
    if (e["event"] != "entry" || e["file"].is_null()) continue;
    hitsByFile[fs::path(e["file"].get<std::string>()).filename()].push_back(
        std::to_string(e["line"].get<int>()) + ":" + std::to_string(e["column"].get<int>()) + ": " +
        e["text"].get<std::string>());
  }
  std::vector<std::string> expected{"1:1: needle first",
                                    "2:8: na\xC3\xAFve needle \xC3\xBC"
                                    "ber",
                                    "3:14: \xC3\xBCn\xC3\xAF"
                                    "c\xC3\xB6"
                                    "d\xC3\xA9 needle \xE2\x82\xAC"};
  EXPECT_EQ(hitsByFile["plain.rc"], expected);
  for (const char* name : {"le.rc", "be.rc", "marked.rc"})
    EXPECT_EQ(hitsByFile[name], expected) << name;
}

}  // namespace

// -j1 (the search on one thread) and -j4 write the same bytes, in every output form, blocking and
// asynchronous, over a tree with hits, empty, too large, unreadable and UTF-16 files, CR LF lines
// and ignore rules; and without -j, with as many threads as the machine has.
TEST_F(CommandTest, EveryThreadCountWritesTheSameBytes) {
  fs::path repo = root_ / "repo";
  fs::create_directories(repo);
  ASSERT_EQ(std::system(("git init -q " + repo.string()).c_str()), 0);
  write("repo/.gitignore", "skip*/\n*.o.c\n");
  std::string utf16 = "\xFF\xFE";
  for (char c : std::string("a needle in UTF-16\r\nand more\r\n")) utf16 += std::string{c, '\0'};
  for (int d = 0; d < 9; ++d) {
    std::string dir = "repo/" + std::string(d % 4 == 3 ? "skip" : "d") + std::to_string(d) + "/";
    for (int f = 0; f < 12; ++f) {
      std::string name = dir + "f" + std::to_string(f) + (f == 7 ? ".o.c" : ".c");
      switch ((d * 12 + f) % 8) {
        case 0:
          write(name, "");
          break;
        case 1:
          write(name, std::string(600000, 'x'));
          break;
        case 2:
          write(name, utf16);
          break;
        default: {
          std::string text;
          for (int i = 0; i < (d + 1) * (f + 1); ++i)
            text += i % 5 == f % 5 ? "the needle " + std::to_string(i) + "\r\n" : "plain\n";
          write(name, text);
        }
      }
      if ((d * 12 + f) % 11 == 4) fs::permissions(root_ / name, fs::perms::none);
    }
  }
  honourFileModes_ = true;
  for (std::vector<std::string> form : {std::vector<std::string>{},
                                        {"--format=json"},
                                        {"-C", "2"},
                                        {"-l"},
                                        {"-c"},
                                        {"--format=json", "-B", "1", "-a"},
                                        {"-a"}}) {
    std::vector<std::string> args{
        "needle", "-f", "*.c", "-d", "repo", "--options=2", "--max-filesize=500000"};
    args.insert(args.end(), form.begin(), form.end());
    Result one = run([&] {
      auto a = args;
      a.push_back("-j1");
      return a;
    }());
    EXPECT_EQ(one.status, 0) << one.err;
    if (form.empty()) {
      for (const char* met : {"Can't open file !", "File too large !", "File is 0 byte length !",
                              "a needle in UTF-16", "the needle 4"})
        EXPECT_NE(one.out.find(met), std::string::npos) << met;
      EXPECT_EQ(one.out.find("skip"), std::string::npos);
    }
    for (const char* threads : {"-j4", "--threads=2", ""}) {
      auto a = args;
      if (*threads) a.push_back(threads);
      Result many = run(a);
      EXPECT_EQ(many.status, one.status) << threads;
      EXPECT_EQ(many.out, one.out) << threads << " " << (form.empty() ? "" : form[0]);
      EXPECT_EQ(many.err, one.err) << threads;
    }
  }
}
