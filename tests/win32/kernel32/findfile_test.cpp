// File search on a real temporary directory: NTFS listing order, Windows' wildcard effect,
// attributes of hidden files, FIFOs and links, the failure reasons, the count of what searches
// passed over, and the withheld output file under every name.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "listing/passed_over.h"
#include "tests/win32/kernel32/code_page.h"
#include "win32/include/windows.h"
#include "win32/kernel32/listing_cache.h"
#include "win32/kernel32/listing_hook.h"

namespace {

namespace fs = std::filesystem;

std::string windowsPath(const fs::path& posix) {
  std::string w = "Z:" + posix.string();
  for (char& c : w)
    if (c == '/') c = '\\';
  return w;
}

void touch(const fs::path& p) {
  FILE* f = std::fopen(p.c_str(), "w");
  ASSERT_NE(f, nullptr) << p;
  std::fclose(f);
}

using Listing = std::vector<std::pair<std::string, DWORD>>;

// Every entry of a search, or an empty listing with the reason in GetLastError.
Listing list(const std::string& pattern) {
  Listing out;
  WIN32_FIND_DATAA data;
  HANDLE h = FindFirstFileA(pattern.c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return out;
  do out.emplace_back(data.cFileName, data.dwFileAttributes);
  while (FindNextFileA(h, &data));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
  EXPECT_TRUE(FindClose(h));
  return out;
}

std::vector<std::string> names(const Listing& l) {
  std::vector<std::string> n;
  for (auto& e : l) n.push_back(e.first);
  return n;
}

class FindFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/findfile_test.XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    root = tmpl;
    dir = windowsPath(root) + "\\";
  }
  void TearDown() override { fs::remove_all(root); }
  fs::path root;
  std::string dir;
};

TEST_F(FindFileTest, ListsInNtfsOrderWithWindowsAttributes) {
  for (const char* n : {"b.c", "A.c", "a.C", "_x.c", "Zed", "10.txt", ".hidden", "back\\slash.c"})
    touch(root / n);
  fs::create_directory(root / "sub");
  ASSERT_EQ(mkfifo((root / "pipe").c_str(), 0600), 0);
  fs::create_directory_symlink(".", root / "loop");
  fs::create_symlink("b.c", root / "lnk.c");
  fs::create_symlink("nowhere", root / "dangling.c");
  int sock = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", (root / "sock").c_str());
  ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);

  Listing all = list(dir + "*.*");
  // "." and ".." first; then upper-cased bytes ("_" sorts after the letters), raw bytes on a
  // tie ("A.c" before "a.C"); the name holding a backslash is left out.
  EXPECT_EQ(names(all), (std::vector<std::string>{".", "..", ".hidden", "10.txt", "A.c", "a.C",
                                                  "b.c", "dangling.c", "lnk.c", "loop", "pipe",
                                                  "sock", "sub", "Zed", "_x.c"}));
  std::map<std::string, DWORD> attr(all.begin(), all.end());
  EXPECT_EQ(attr["."], static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_EQ(attr[".hidden"], static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(attr["b.c"], static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(attr["sub"], static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_EQ(attr["pipe"], static_cast<DWORD>(FILE_ATTRIBUTE_SYSTEM));
  EXPECT_EQ(attr["sock"], static_cast<DWORD>(FILE_ATTRIBUTE_SYSTEM));
  EXPECT_EQ(attr["loop"], static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_SYSTEM |
                                             FILE_ATTRIBUTE_REPARSE_POINT));
  EXPECT_EQ(attr["lnk.c"], static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));  // reads as its file
  EXPECT_EQ(attr["dangling.c"],
            static_cast<DWORD>(FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_REPARSE_POINT));
  close(sock);
}

TEST_F(FindFileTest, WildcardsHaveWindowsEffect) {
  for (const char* n : {"FOO.C", "foo1.c", "foo12.c", "readme", "x", "x.cpp", "a.b.c", "d.c.txt"})
    touch(root / n);
  EXPECT_EQ(names(list(dir + "*.c")),
            (std::vector<std::string>{"a.b.c", "FOO.C", "foo1.c", "foo12.c"}));
  // "?" also matches nothing before a dot.
  EXPECT_EQ(names(list(dir + "foo?.C")), (std::vector<std::string>{"FOO.C", "foo1.c"}));
  EXPECT_EQ(names(list(dir + "README")), (std::vector<std::string>{"readme"}));
  // A trailing ".*" or "." also matches a name without a dot.
  EXPECT_EQ(names(list(dir + "x.*")), (std::vector<std::string>{"x", "x.cpp"}));
  EXPECT_EQ(names(list(dir + "*.")), (std::vector<std::string>{".", "..", "readme", "x"}));
  EXPECT_EQ(names(list(dir + "*")).size(), 10u);
  EXPECT_EQ(names(list(dir + "*.*")).size(), 10u);
  EXPECT_EQ(names(list(dir + "*.c*")),
            (std::vector<std::string>{"a.b.c", "d.c.txt", "FOO.C", "foo1.c", "foo12.c", "x.cpp"}));

  // A "*" followed by plain characters is an ending, ignoring case, and never more.
  for (const char* n : {"a.tar.gz", "b.TAR.GZ.old", ".c", "tar.gz"}) touch(root / n);
  EXPECT_EQ(names(list(dir + "*.tar.gz")), (std::vector<std::string>{"a.tar.gz"}));
  EXPECT_EQ(names(list(dir + "*.c")),
            (std::vector<std::string>{".c", "a.b.c", "FOO.C", "foo1.c", "foo12.c"}));
  EXPECT_EQ(names(list(dir + "*gz")), (std::vector<std::string>{"a.tar.gz", "tar.gz"}));
  for (const char* n : {"a.tar.gz", "b.TAR.GZ.old", ".c", "tar.gz"}) fs::remove(root / n);

  // A pattern that would backtrack exponentially still ends at once.
  std::string many(200, 'a');
  touch(root / many);
  EXPECT_TRUE(list(dir + "*a*a*a*a*a*a*a*a*a*a*a*b").empty());
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(FindFileTest, MasksMatchNamesThatDifferOnlyInCaseInEitherCodePage) {
  // UTF-8 names, and one in Windows-1252 ("caf\xE9.md").
  for (const char* n : {"CAF\xC3\x89.md", "caf\xE9.md", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt",
                        "na\xC3\xAFve.TXT", "\xC3\x9A.c", "\xC3\x8A.c"})
    touch(root / n);
  usleep(150 * 1000);  // settled: one listing serves every case, and keeps what each mask matched
  using Names = std::vector<std::string>;
  struct Case {
    UINT page;
    const char* mask;
    Names expected;
  };
  const Case cases[] = {
      {CP_UTF8, "\xC3\x9A.c", {"\xC3\x9A.c"}},
      // Windows-1252 folds the second byte of "\xC3\x9A" as a small s caron, as it always has.
      {1252, "\xC3\x9A.c", {"\xC3\x8A.c", "\xC3\x9A.c"}},
      {CP_UTF8, "caf\xC3\xA9.md", {"CAF\xC3\x89.md"}},
      {CP_UTF8, "*\xC3\xA9.MD", {"CAF\xC3\x89.md"}},
      {CP_UTF8, "*.md", {"CAF\xC3\x89.md", "caf\xE9.md"}},
      {CP_UTF8, "\xE6\x97\xA5\xE6\x9C\xAC*.txt", {"\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt"}},
      {CP_UTF8, "\xE6\x97\xA5\xE6\x9C\xAC?.txt", {"\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt"}},
      {CP_UTF8, "NA\xC3\x8FVE.txt", {"na\xC3\xAFve.TXT"}},
      {CP_UTF8, "\xC3\xBA.c", {"\xC3\x9A.c"}},
      {CP_UTF8, "CAF\xE9.MD", {"caf\xE9.md"}},  // a Windows-1252 letter is not UTF-8: as typed
      {1252, "caf\xC9.md", {"caf\xE9.md"}},
      {1252, "*\xE9.MD", {"caf\xE9.md"}},
      {1252, "\xE6\x97\xA5\xE6\x9C\xAC*.txt", {"\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt"}},
  };
  // Twice: the second time from the names each mask matched the first, in its own code page.
  for (int pass = 0; pass < 2; ++pass) {
    for (const Case& c : cases) {
      ScopedCodePage page(c.page);
      EXPECT_EQ(names(list(dir + c.mask)), c.expected) << c.mask << " in " << c.page;
    }
  }
}

TEST_F(FindFileTest, FailuresAnswerInvalidHandleWithTheirReason) {
  touch(root / "a.c");
  WIN32_FIND_DATAA data;
  EXPECT_EQ(FindFirstFileA((dir + "*.h").c_str(), &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(FindFirstFileA((dir + "missing\\*.*").c_str(), &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(FindFirstFileA((dir + "a.c\\*.*").c_str(), &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(FindFirstFileA(dir.c_str(), &data), INVALID_HANDLE_VALUE);  // no name part
  std::string tooLong = dir + std::string(MAX_PATH, 'x');
  EXPECT_EQ(FindFirstFileA(tooLong.c_str(), &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));

  HANDLE h = FindFirstFileA((dir + "*.c").c_str(), &data);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_STREQ(data.cFileName, "a.c");
  EXPECT_FALSE(FindNextFileA(h, &data));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
  EXPECT_TRUE(FindClose(h));
  EXPECT_FALSE(FindClose(h));  // closed twice: refused, not freed again
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(FindNextFileA(h, &data));
}

TEST_F(FindFileTest, WhatASearchPassesOverIsCountedOncePerPath) {
  // A directory's path with its separator, and names that bring a path to 259 characters or past.
  std::string deep(200, 'd');
  size_t deepLength = dir.size() + deep.size() + 1;
  std::string fits(MAX_PATH - 1 - deepLength, 'f');
  for (const char* n : {"a.c", "back\\slash.c", ".hid\\den.c"}) touch(root / n);
  fs::create_directory(root / deep);
  for (std::string n : {fits, fits + "x", std::string(".") + fits}) touch(root / deep / n);
  fs::create_directory(root / deep / ("D" + fits.substr(1)));  // as long, with a separator after
  fs::create_symlink("self", root / "self");  // exists, but cannot be opened (a loop)
  std::vector<std::string> missingNames;
  auto take = [&missingNames] {
    using Why = vlisting::PassedOver;
    vlisting::PassedOverCount c = vlisting::takePassedOverCount();
    missingNames = c.missingNames;
    return std::vector<unsigned long>{c[Why::kMissingDirectory], c[Why::kUnreadableDirectory],
                                      c[Why::kLongPath], c[Why::kUncarriedName]};
  };
  list(dir + "missing\\*.c");  // before the count starts
  EXPECT_EQ(take(), (std::vector<unsigned long>{0, 0, 0, 0}));

  vlisting::startPassedOverCount();
  for (int pass = 0; pass < 2; ++pass) {
    EXPECT_EQ(names(list(dir + "*.c")), (std::vector<std::string>{"a.c"}));
    EXPECT_EQ(names(list(dir + deep + "\\*")), (std::vector<std::string>{".", "..", fits}));
    EXPECT_TRUE(list(dir + "missing\\*.c").empty());
    EXPECT_TRUE(list(dir + "MISSING\\*.*").empty());
    EXPECT_TRUE(list(dir + "a.c\\*.*").empty());  // a file is no directory either
    EXPECT_TRUE(list("Q:\\*.*").empty());         // nor is a drive nobody mapped
    EXPECT_TRUE(list(dir + "self\\*.c").empty());
  }
  // A relative directory whose full form is too long for MAX_PATH.
  char saved[MAX_PATH];
  ASSERT_GT(GetCurrentDirectoryA(sizeof saved, saved), 0u);
  ASSERT_TRUE(SetCurrentDirectoryA((dir + deep).c_str()));
  EXPECT_TRUE(list(std::string(40, 'r') + "\\*.c").empty());
  ASSERT_TRUE(SetCurrentDirectoryA(saved));
  EXPECT_EQ(take(), (std::vector<unsigned long>{3, 1, 3, 1}));
  // The missing directories by name, as first spelled.
  EXPECT_EQ(missingNames, (std::vector<std::string>{dir + "missing\\", dir + "a.c\\", "Q:\\"}));
  EXPECT_EQ(take(), (std::vector<unsigned long>{0, 0, 0, 0}));  // taking ends the count
  EXPECT_TRUE(missingNames.empty());
  // With no policy registered on the layer's hook nothing is counted, whoever asks.
  vlisting::startPassedOverCount();
  VwinSetListingPolicy(nullptr);
  EXPECT_TRUE(list(dir + "missing\\*.c").empty());
  EXPECT_EQ(names(list(dir + deep + "\\*")), (std::vector<std::string>{".", "..", fits}));
  EXPECT_EQ(take(), (std::vector<unsigned long>{0, 0, 0, 0}));
}

TEST_F(FindFileTest, DriveRootListsNoDotEntries) {
  Listing top = list("Z:\\*.*");
  ASSERT_FALSE(top.empty());
  EXPECT_NE(top[0].first, ".");
  std::vector<std::string> n = names(top);
  EXPECT_NE(std::find(n.begin(), n.end(), "tmp"), n.end());
}

TEST_F(FindFileTest, SearchesOfOneDirectorySeeItsChanges) {
  touch(root / "a.c");
  fs::create_directories(root / "sub");
  fs::create_directories(root / "t");
  touch(root / "t" / "x");
  fs::create_symlink("t/x", root / "link");
  // Settled: older than the file system clock's tick, so one read may serve several searches.
  usleep(150 * 1000);
  EXPECT_EQ(names(list(dir + "*.c")), (std::vector<std::string>{"a.c"}));
  EXPECT_EQ(names(list(dir + "*.*")),
            (std::vector<std::string>{".", "..", "a.c", "link", "sub", "t"}));
  // A link's attributes follow its target, which the link's directory does not see change.
  fs::remove(root / "t" / "x");
  fs::create_directory(root / "t" / "x");
  Listing link = list(dir + "link");
  ASSERT_EQ(link.size(), 1u);
  EXPECT_TRUE(link[0].second & FILE_ATTRIBUTE_SYSTEM);  // now a link to a directory
  // A change right after a read, within the second the read may be reused, shows.
  touch(root / "b.c");
  EXPECT_EQ(names(list(dir + "*.c")), (std::vector<std::string>{"a.c", "b.c"}));
  // A search under way keeps the listing it started with; a new one sees the change.
  WIN32_FIND_DATAA found;
  HANDLE before = FindFirstFileA((dir + "*.c").c_str(), &found);
  ASSERT_NE(before, INVALID_HANDLE_VALUE);
  EXPECT_STREQ(found.cFileName, "a.c");
  fs::remove(root / "b.c");
  touch(root / "c.c");
  EXPECT_EQ(names(list(dir + "*.c")), (std::vector<std::string>{"a.c", "c.c"}));
  ASSERT_TRUE(FindNextFileA(before, &found));
  EXPECT_STREQ(found.cFileName, "b.c");
  EXPECT_FALSE(FindNextFileA(before, &found));
  FindClose(before);
  // Within one search a directory is listed as that search first found it, for a while, so that
  // its second pass walks what its counting pass counted; a request outside a search, the next
  // search, and this one once the while is over see a change made meanwhile.
  using Names = std::vector<std::string>;
  usleep(150 * 1000);
  vlisting::startPassedOverCount();
  EXPECT_EQ(names(list(dir + "*.c")), (Names{"a.c", "c.c"}));
  touch(root / "d.c");
  EXPECT_EQ(names(list(dir + "*.c")), (Names{"a.c", "c.c"}));
  vlisting::takePassedOverCount();
  EXPECT_EQ(names(list(dir + "*.c")), (Names{"a.c", "c.c", "d.c"}));
  fs::remove(root / "d.c");
  usleep(150 * 1000);
  EXPECT_EQ(names(list(dir + "*.c")), (Names{"a.c", "c.c"}));
  vlisting::startPassedOverCount();
  touch(root / "d.c");
  EXPECT_EQ(names(list(dir + "*.c")), (Names{"a.c", "c.c", "d.c"}));
  usleep(150 * 1000);
  vlisting::startPassedOverCount();
  EXPECT_EQ(names(list(dir + "*.c")), (Names{"a.c", "c.c", "d.c"}));
  vwin::setListingCacheLimits(vwin::kListingCacheBytes, std::chrono::seconds(10),
                              std::chrono::milliseconds(0));
  touch(root / "e.c");
  EXPECT_EQ(names(list(dir + "*.c")), (Names{"a.c", "c.c", "d.c", "e.c"}));
  vwin::setListingCacheLimits(vwin::kListingCacheBytes, std::chrono::seconds(10));
  vlisting::takePassedOverCount();
  // The same path, another directory.
  fs::rename(root, root.string() + ".old");
  fs::create_directories(root / "other");
  EXPECT_EQ(names(list(dir + "*.*")), (std::vector<std::string>{".", "..", "other"}));
  fs::remove_all(root.string() + ".old");
}

// The kept listings give way least recently used first, and only once idle; listings that do not
// fit are answered all the same.
TEST_F(FindFileTest, KeptListingsGiveWayLeastRecentlyUsedFirst) {
  const char* subs[] = {"a", "b", "c", "d", "e"};
  for (const char* s : subs) touch((fs::create_directories(root / s), root / s / "f.c"));
  usleep(150 * 1000);
  auto kept = [&] {
    std::vector<std::string> names;
    for (const std::string& d : vwin::keptListings()) names.push_back(fs::path(d).filename());
    return names;
  };
  vwin::setListingCacheLimits(0, std::chrono::milliseconds(0));
  // Every listing here costs the same: room for three.
  size_t one = vwin::listDirectory((root / "a").c_str())->bytes();
  vwin::setListingCacheLimits(3 * one, std::chrono::milliseconds(0));
  list(dir + "a\\*.c");
  for (const char* s : {"b", "c"}) EXPECT_EQ(names(list(dir + s + "\\*.c")).size(), 1u);
  EXPECT_EQ(kept(), (std::vector<std::string>{"a", "b", "c"}));
  list(dir + "a\\*.c");  // used again: now the most recent
  list(dir + "d\\*.c");
  EXPECT_EQ(kept(), (std::vector<std::string>{"c", "a", "d"}));
  // While the least recently used has been used lately, a new listing is not kept.
  vwin::setListingCacheLimits(3 * one, std::chrono::hours(1));
  EXPECT_EQ(names(list(dir + "e\\*.c")), (std::vector<std::string>{"f.c"}));
  EXPECT_EQ(kept(), (std::vector<std::string>{"c", "a", "d"}));
  vwin::setListingCacheLimits(0, std::chrono::milliseconds(0));
  EXPECT_TRUE(kept().empty());
  vwin::setListingCacheLimits(vwin::kListingCacheBytes, std::chrono::seconds(10));
}

// The withheld file (the command's output) is left out under every name that leads to it: its
// own, a hard link's, a symbolic link's in another directory; a link elsewhere stays.
TEST_F(FindFileTest, TheWithheldFileIsLeftOutWhateverNameLeadsToIt) {
  fs::create_directories(root / "sub");
  touch(root / "out.c");
  touch(root / "other.c");
  fs::create_hard_link(root / "out.c", root / "hard.c");
  fs::create_symlink("../out.c", root / "sub" / "zz.c");
  fs::create_symlink("../other.c", root / "sub" / "kept.c");
  struct stat out;
  ASSERT_EQ(stat((root / "out.c").c_str(), &out), 0);
  VwinWithholdFromListings(out.st_dev, out.st_ino);
  EXPECT_EQ(names(list(dir + "*.c")), (std::vector<std::string>{"other.c"}));
  EXPECT_EQ(names(list(dir + "sub\\*.c")), (std::vector<std::string>{"kept.c"}));
  EXPECT_TRUE(VwinWithheldFileListed());
  VwinWithholdFromListings(0, 0);
}

}  // namespace
