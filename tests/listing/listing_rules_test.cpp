// The listing policy on the real Win32 layer over real temporary trees: what ignore files and
// exclusions hide as FindFirstFileA lists, and what each hidden entry is counted as. The command's
// whole runs, compared with git's own list, are in tests/host/cli/command_e2e_test.cpp.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "listing/listing_policy.h"
#include "listing/passed_over.h"
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

  // The names FindFirstFileA shows in `d` ("." and ".." aside), in listing order.
  std::vector<std::string> shown(const fs::path& d) {
    std::vector<std::string> visible;
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA((windowsPath(d) + "\\*.*").c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return visible;
    do {
      std::string name = data.cFileName;
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) && name != "." && name != "..")
        visible.push_back(name);
    } while (FindNextFileA(h, &data));
    FindClose(h);
    return visible;
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

}  // namespace
