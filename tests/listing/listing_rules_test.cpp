// The listing policy on the real Win32 layer over real temporary trees: what ignore files and
// exclusions hide as FindFirstFileA lists, and what each hidden entry is counted as. The command's
// whole runs, compared with git's own list, are in tests/host/cli/command_e2e_test.cpp.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "listing/git_config.h"
#include "listing/listing_policy.h"
#include "listing/passed_over.h"
#include "listing/system_listing.h"
#include "win32/include/windows.h"

namespace {

namespace fs = std::filesystem;

std::string windowsPath(const fs::path& posix) {
  std::string w = "Z:" + posix.string();
  for (char& c : w)
    if (c == '/') c = '\\';
  return w;
}

void touch(const fs::path& p) { std::ofstream(p).flush(); }

// What a shell command prints.
std::string output(const std::string& command) {
  std::string text;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, got);
    pclose(pipe);
  }
  return text;
}

// The files git would add in `d` (a directory in a work tree with nothing committed), relative
// to it.
std::set<std::string> gitLists(const fs::path& d) {
  std::set<std::string> files;
  std::string text =
      output("cd '" + d.string() + "' && git ls-files -co --exclude-standard 2>/dev/null");
  for (size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
    files.insert(text.substr(at, end - at));
  return files;
}

// The peak resident memory of the process so far, in KiB.
long peakKiB() {
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

class ListingRulesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/listing_rules_test.XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    root = tmpl;
  }
  void TearDown() override {
    vlisting::clearListingRules();
    fs::remove_all(root);
  }

  // The names FindFirstFileA shows in `d` ("." and ".." aside), in listing order; with
  // `walkTakes`, only those a walk takes (not system either).
  std::vector<std::string> shown(const fs::path& d, bool walkTakes = false) {
    std::vector<std::string> visible;
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA((windowsPath(d) + "\\*.*").c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return visible;
    do {
      std::string name = data.cFileName;
      DWORD leftAlone = FILE_ATTRIBUTE_HIDDEN | (walkTakes ? FILE_ATTRIBUTE_SYSTEM : 0);
      if (!(data.dwFileAttributes & leftAlone) && name != "." && name != "..")
        visible.push_back(name);
    } while (FindNextFileA(h, &data));
    FindClose(h);
    return visible;
  }

  // The files a walk over FindFirstFileA takes under `d` (the directory named, as a walk names
  // it: never listed itself), relative to it; a hidden directory is not entered.
  std::set<std::string> walked(const fs::path& d, const std::string& prefix = "") {
    std::set<std::string> files;
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA((windowsPath(d) + "\\*.*").c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return files;
    do {
      std::string name = data.cFileName;
      DWORD a = data.dwFileAttributes;
      if (name == "." || name == ".." || (a & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
        continue;
      if (a & FILE_ATTRIBUTE_DIRECTORY) {
        for (const std::string& f : walked(d / name, prefix + name + "/")) files.insert(f);
      } else {
        files.insert(prefix + name);
      }
    } while (FindNextFileA(h, &data));
    FindClose(h);
    return files;
  }

  // Sets HOME to a directory of the test's own, and git's other configuration aside.
  fs::path ownHome() {
    fs::path home = root / "home";
    fs::create_directories(home);
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root / "xdg").c_str(), 1);
    setenv("GIT_CONFIG_NOSYSTEM", "1", 1);
    return home;
  }

  fs::path root;
};

// Ignore files and exclusions hide entries, each counted once under its reason; a dot name shows
// with dot names on, but ".git"; with no rules set the listing is what the files alone make it.
TEST_F(ListingRulesTest, ListingRulesHideWhatIgnoreFilesAndExclusionsName) {
  fs::path repo = root / "repo";
  fs::create_directories(repo / ".git" / "info");
  std::ofstream(repo / ".git" / "info" / "exclude") << "*.tmp\n";
  std::ofstream(repo / ".gitignore") << "build/\n*.o\n/top.c\n";
  for (const char* n : {"a.c", "a.o", "b.tmp", "top.c", ".env", "gen.c", "x_test.c"})
    touch(repo / n);
  fs::create_directories(repo / "build");
  fs::create_directories(repo / "sub" / "build");
  std::ofstream(repo / "sub" / ".gitignore") << "!keep.o\n";
  std::ofstream(repo / "sub" / ".ignore") << "gen.c\n";
  for (const char* n : {"keep.o", "other.o", "top.c", "gen.c"}) touch(repo / "sub" / n);
  std::ofstream(repo / ".ignore") << "gen.c\n";
  vlisting::clearListingRules();
  EXPECT_EQ(shown(repo), (std::vector<std::string>{"a.c", "a.o", "b.tmp", "build", "gen.c", "sub",
                                                   "top.c", "x_test.c"}));
  vlisting::applyListingSwitches({true, true, {"*_test.c"}});
  vlisting::startPassedOverCount();
  for (int pass = 0; pass < 2; ++pass) {
    EXPECT_EQ(shown(repo),
              (std::vector<std::string>{".env", ".gitignore", ".ignore", "a.c", "sub"}));
    EXPECT_EQ(shown(repo / "sub"),
              (std::vector<std::string>{".gitignore", ".ignore", "keep.o", "top.c"}));
  }
  using Why = vlisting::PassedOver;
  vlisting::PassedOverCount counts = vlisting::takePassedOverCount();
  // build, a.o, b.tmp, top.c; sub/build, sub/other.o; then gen.c twice and x_test.c.
  EXPECT_EQ(counts[Why::kIgnoredByGitRules], 6u);
  EXPECT_EQ(counts[Why::kIgnoredByIgnoreFile], 2u);
  EXPECT_EQ(counts[Why::kExcluded], 1u);
  // Outside a repository .gitignore is no rule, .ignore still is.
  fs::create_directories(root / "plain");
  std::ofstream(root / "plain" / ".gitignore") << "*.c\n";
  std::ofstream(root / "plain" / ".ignore") << "*.h\n";
  touch(root / "plain" / "p.c");
  touch(root / "plain" / "p.h");
  vlisting::applyListingSwitches({true, false, {}});
  EXPECT_EQ(shown(root / "plain"), (std::vector<std::string>{"p.c"}));
}

// A file's rules serve every directory below it without a copy: 400 directories under a
// 20,000-line .gitignore whose "*/x" reaches each of them cost what one does.
// The Windows command's watch judges the entries the system lists as our layer judges its own:
// under each set of switches, an entry is left alone exactly when FindFirstFileA hides it.
TEST_F(ListingRulesTest, EntriesListedByTheSystemAreJudgedAsTheLayerJudgesThem) {
  fs::path repo = root / "repo";
  fs::create_directories(repo / ".git");
  std::ofstream(repo / ".gitignore") << "*.o\nbuild/\n";
  std::ofstream(repo / ".ignore") << "gen.c\n";
  for (const char* n : {"a.c", "a.o", "gen.c", "x_test.c", ".env"}) touch(repo / n);
  fs::create_directories(repo / "build");
  fs::create_directories(repo / "real");
  fs::create_directory_symlink("real", repo / "linked");
  fs::create_directory_symlink("..", repo / "real" / "up");
  using Switches = vlisting::ListingSwitches;
  for (const Switches& switches :
       {Switches{}, Switches{false, false, {}}, Switches{true, true, {"*_test.c"}},
        Switches{true, false, {}, true}, Switches{false, true, {}, true}}) {
    vlisting::applyListingSwitches(switches);
    for (const fs::path& dir : {repo, repo / "real"}) {
      vlisting::startPassedOverCount();
      std::vector<std::string> layer = shown(dir, true);
      vlisting::PassedOverCount layerCount = vlisting::takePassedOverCount();
      vlisting::startPassedOverCount();
      vlisting::SystemListing system(dir.string());
      // In the layer's order (ASCII names: by their capitals), which decides which path to a
      // folder is the first.
      std::vector<fs::directory_entry> entries(fs::directory_iterator(dir), {});
      auto capitals = [](const fs::directory_entry& e) {
        std::string name = e.path().filename().string();
        for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return name;
      };
      std::sort(entries.begin(), entries.end(),
                [&](const auto& a, const auto& b) { return capitals(a) < capitals(b); });
      std::vector<std::string> bySystem;
      for (const fs::directory_entry& e : entries) {
        std::string name = e.path().filename().string();
        if (!system.leaveAlone({name.c_str(), e.is_directory(), e.is_symlink(), false}))
          bySystem.push_back(name);
      }
      vlisting::PassedOverCount systemCount = vlisting::takePassedOverCount();
      std::sort(layer.begin(), layer.end());
      std::sort(bySystem.begin(), bySystem.end());
      EXPECT_EQ(bySystem, layer) << dir << " follow " << switches.follow;
      for (int why = 0; why < static_cast<int>(vlisting::PassedOver::kCount); ++why)
        EXPECT_EQ(systemCount.counts[why], layerCount.counts[why]) << why;
    }
  }
}

TEST_F(ListingRulesTest, AFilesRulesAreSharedByEveryDirectoryBelowIt) {
  fs::path repo = root / "repo";
  fs::create_directories(repo / ".git");
  {
    std::ofstream ignore(repo / ".gitignore");
    ignore << "*/x\n";
    for (int i = 0; i < 20000; ++i) ignore << "name" << i << ".o\n";
  }
  for (int d = 0; d < 400; ++d) {
    fs::create_directories(repo / ("d" + std::to_string(d)) / "x");
    touch(repo / ("d" + std::to_string(d)) / "y");
  }
  vlisting::applyListingSwitches({true, false, {}});
  vlisting::startPassedOverCount();
  long before = peakKiB();
  auto started = std::chrono::steady_clock::now();
  std::set<std::string> files = walked(repo);
  double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  long grown = peakKiB() - before;
  vlisting::PassedOverCount counts = vlisting::takePassedOverCount();
  EXPECT_EQ(files.size(), 400u);  // each d*/y; every d*/x ignored
  EXPECT_EQ(counts[vlisting::PassedOver::kIgnoredByGitRules], 400u);
  // The file's patterns once (some 10 MiB), not once per directory (over 500 MiB).
  EXPECT_LT(grown, 48 * 1024) << "KiB";
  EXPECT_LT(seconds, 10.0);
}

// What is not a small regular file is not read as rules, and the search goes on at once: a FIFO
// (whose open would wait for a writer), a socket, a link to an endless device or to a file of a
// gibibyte, as .gitignore, .ignore or .git. Each is counted; a .gitignore that is a link is not
// followed, as git does not.
TEST_F(ListingRulesTest, RuleFilesThatAreNoSmallRegularFilesAreRefusedAtOnce) {
  fs::path sparse = root / "sparse";
  {
    int fd = open(sparse.c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, off_t{1} << 30), 0);
    close(fd);
  }
  using Make = std::function<bool(const fs::path&)>;
  std::vector<std::pair<const char*, Make>> kinds = {
      {"FIFO", [](const fs::path& p) { return mkfifo(p.c_str(), 0644) == 0; }},
      {"socket",
       [](const fs::path& p) {
         int s = socket(AF_UNIX, SOCK_STREAM, 0);
         sockaddr_un address{};
         address.sun_family = AF_UNIX;
         if (p.string().size() >= sizeof address.sun_path) return false;
         std::snprintf(address.sun_path, sizeof address.sun_path, "%s", p.c_str());
         bool bound = bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
         close(s);
         return bound;
       }},
      {"link to /dev/zero", [](const fs::path& p) { return symlink("/dev/zero", p.c_str()) == 0; }},
      {"link to 1 GiB",
       [&sparse](const fs::path& p) { return symlink(sparse.c_str(), p.c_str()) == 0; }},
  };
  vlisting::applyListingSwitches({true, false, {}});
  int n = 0;
  for (const char* name : {".gitignore", ".ignore", ".git"})
    for (auto& [kind, make] : kinds) {
      SCOPED_TRACE(std::string(name) + " as " + kind);
      fs::path tree = root / ("t" + std::to_string(n++));
      fs::create_directories(tree / "sub");
      if (std::string(name) != ".git") fs::create_directories(tree / ".git");
      ASSERT_TRUE(make(tree / name));
      touch(tree / "a.txt");
      touch(tree / "sub" / "b.txt");
      vlisting::startPassedOverCount();
      long before = peakKiB();
      auto started = std::chrono::steady_clock::now();
      EXPECT_EQ(walked(tree), (std::set<std::string>{"a.txt", "sub/b.txt"}));
      EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
      EXPECT_LT(peakKiB() - before, 16 * 1024) << "KiB";
      vlisting::PassedOverCount counts = vlisting::takePassedOverCount();
      bool linkedGitignore = std::string(name) == ".gitignore" && kind[0] == 'l';
      EXPECT_EQ(counts[vlisting::PassedOver::kGitignoreLink], linkedGitignore ? 1u : 0u);
      EXPECT_EQ(counts[vlisting::PassedOver::kRuleFileRefused], linkedGitignore ? 0u : 1u);
    }
}

// The files shown are those git lists, for what git reads its own way: a byte order mark ahead
// of the first pattern, a .gitignore that is a link, a directory named through a link into the
// work tree, and git's excludes file named in an included configuration file with comments,
// quotes and escapes.
TEST_F(ListingRulesTest, TheFilesShownAreThoseGitLists) {
  fs::path home = ownHome();
  fs::path repo = root / "repo";
  fs::create_directories(repo / "src" / "sub");
  ASSERT_EQ(std::system(("git init -q '" + repo.string() + "'").c_str()), 0);
  std::ofstream(repo / ".gitignore") << "\xEF\xBB\xBF*.bom\n*.o\n";
  std::ofstream(root / "elsewhere.ignore") << "*.c\n";
  fs::create_symlink(root / "elsewhere.ignore", repo / "src" / ".gitignore");
  std::ofstream(home / ".gitconfig") << "[include]\n\tpath = more.inc ; the rest\n";
  std::ofstream(home / "more.inc") << "[Core]\n\texcludesFile = \"~/ex cl\\\\udes\" # said twice\n";
  std::ofstream(home / "ex cl\\udes") << "*.ex\n";
  for (const char* f : {"a.bom", "a.o", "a.ex", "a.txt", "src/s.c", "src/s.o", "src/sub/t.c",
                        "src/sub/t.ex", "src/sub/t.txt"})
    touch(repo / f);
  fs::create_symlink(repo / "src", root / "link");
  vlisting::applyListingSwitches({true, true, {}});
  std::set<std::string> git = gitLists(repo);
  ASSERT_FALSE(git.empty());
  EXPECT_EQ(walked(repo), git);
  EXPECT_EQ(git.count("src/s.c"), 1u);  // the linked .gitignore is not followed
  EXPECT_EQ(git.count("a.bom") + git.count("a.ex"), 0u);
  // Named through a link, a directory is searched as under its real name.
  EXPECT_EQ(walked(root / "link" / "sub"), gitLists(repo / "src" / "sub"));
  EXPECT_EQ(walked(root / "link" / "sub"), (std::set<std::string>{"t.c", "t.txt"}));
}

// git's configuration files are read as git reads them: each text's core.excludesFile is what
// git itself answers for it.
TEST_F(ListingRulesTest, GitsConfigurationIsReadAsGitReadsIt) {
  fs::path home = ownHome();
  const char* cases[] = {
      "[core]\n\texcludesfile = plain ; a comment\n",
      "[core]\n\texcludesFile = \"with # inside\" # a comment\n",
      "[core]\n\texcludesFile = a\\\\b\\tc\n",
      "[core]\n\texcludesFile = \"quoted\" and  more  \n",
      "[core]\n\texcludesFile = over \\\nlines\n",
      "[CORE]\nEXCLUDESFILE=~/in-home\n",
      "[core \"sub\"]\n\texcludesFile = not-core\n[core]\n\texcludesFile = core\n",
      "# comment\n; comment\n[core] excludesFile = same-line\n",
      "[core]\n\texcludesFile = first\n\texcludesFile = last\n",
      "[include]\n\tpath = inc/one\n[core]\n\texcludesFile = after-include\n",
      "[core]\n\texcludesFile = before-include\n[include]\n\tpath = inc/one\n",
      "\xEF\xBB\xBF[core]\n\texcludesFile = after-a-mark\n",
  };
  fs::create_directories(home / "inc");
  std::ofstream(home / "inc" / "one") << "[include]\n\tpath = two\n";
  std::ofstream(home / "inc" / "two") << "[core]\n\texcludesFile = \"from two\"\n";
  for (const char* text : cases) {
    SCOPED_TRACE(text);
    std::ofstream(home / ".gitconfig") << text;
    std::string git =
        output("cd '" + root.string() + "' && git config --path --get core.excludesFile");
    if (!git.empty() && git.back() == '\n') git.pop_back();
    ASSERT_FALSE(git.empty());
    EXPECT_EQ(vlisting::userExcludesFile(), git);
  }
}

}  // namespace
