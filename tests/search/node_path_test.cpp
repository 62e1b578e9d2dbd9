// Node names made absolute against the project's path: the decomposition into parts, the split of
// a directory into its components, and every resolution rule (drives, servers, ".." steps, names
// that cannot be resolved, results too long for a path).
#include "search/node_path.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "addon/platform.h"

namespace {

struct Resolved {
  int result;
  std::string name;
};

Resolved resolve(const std::string& project, const std::string& node) {
  char name[MAX_PATH];
  memset(name, 'x', sizeof name);
  strcpy(name, node.c_str());
  int result = resolveNodePath(project.c_str(), name);
  return {result, name};
}

struct Split {
  std::string prefix;
  std::vector<std::string> components;
  int count;
};

Split split(const std::string& directory) {
  char text[kSplitDirectorySize];
  memset(text, 'x', sizeof text);
  strcpy(text, directory.c_str());
  char prefix[kPathPartSize];
  Split result{};
  result.count = splitDirectory(text, prefix);
  result.prefix = prefix;
  // Read the layout as a reader does: strings up to the empty one, but as many as counted.
  const char* component = text;
  for (int i = 0; i < result.count; ++i) {
    result.components.push_back(component);
    component += strlen(component) + 1;
  }
  EXPECT_EQ(*component, '\0');
  return result;
}

using Strings = std::vector<std::string>;

TEST(SplitPath, TakesAPathApartIntoFourParts) {
  char drive[kPathPartSize], directory[kPathPartSize], name[kPathPartSize], ext[kPathPartSize];
  EXPECT_EQ(splitPath("C:\\PROJ\\SRC\\main.cpp", drive, directory, name, ext), 1);
  EXPECT_STREQ(drive, "C:");
  EXPECT_STREQ(directory, "\\PROJ\\SRC\\");
  EXPECT_STREQ(name, "main");
  EXPECT_STREQ(ext, ".cpp");

  EXPECT_EQ(splitPath("../lib/a.b.c", drive, directory, name, ext), 1);
  EXPECT_STREQ(drive, "");
  EXPECT_STREQ(directory, "../lib/");
  EXPECT_STREQ(name, "a.b");
  EXPECT_STREQ(ext, ".c");

  // The extension comes from the last component only.
  EXPECT_EQ(splitPath("dir.d\\Makefile", drive, directory, name, ext), 1);
  EXPECT_STREQ(directory, "dir.d\\");
  EXPECT_STREQ(name, "Makefile");
  EXPECT_STREQ(ext, "");

  EXPECT_EQ(splitPath("\\\\SERVER\\SHARE\\x", drive, directory, name, ext), 1);
  EXPECT_STREQ(drive, "");
  EXPECT_STREQ(directory, "\\\\SERVER\\SHARE\\");
  EXPECT_STREQ(name, "x");
}

TEST(SplitPath, CutsAPartAt255CharactersAndSaysSo) {
  char drive[kPathPartSize], directory[kPathPartSize], name[kPathPartSize], ext[kPathPartSize];
  std::string longName(300, 'n');
  EXPECT_EQ(splitPath(("C:\\d\\" + longName + ".c").c_str(), drive, directory, name, ext), 0);
  EXPECT_EQ(std::string(name), std::string(255, 'n'));
  EXPECT_STREQ(ext, ".c");
  EXPECT_STREQ(directory, "\\d\\");
}

TEST(SplitDirectory, LaysOutComponentsAfterPrefixAndLeadingSeparator) {
  Split s = split("\\PROJ\\SRC\\");
  EXPECT_EQ(s.prefix, "");
  EXPECT_EQ(s.components, (Strings{"PROJ", "SRC"}));

  EXPECT_EQ(split("SRC\\").components, Strings{"SRC"});
  EXPECT_EQ(split("..\\..\\LIB\\").components, (Strings{"..", "..", "LIB"}));
  EXPECT_EQ(split("").count, 0);
  EXPECT_EQ(split("\\").count, 0);

  s = split("\\\\SERVER\\SHARE\\P\\");
  EXPECT_EQ(s.prefix, "\\\\SERVER");
  EXPECT_EQ(s.components, (Strings{"SHARE", "P"}));

  // A last piece without separator counts; two separators in a row give an empty component.
  s = split("a/b//c");
  EXPECT_EQ(s.components, (Strings{"a", "b", "", "c"}));
  EXPECT_EQ(split("\\\\SERVER").prefix, "\\\\SERVER");
  EXPECT_EQ(split("\\\\SERVER").count, 0);
}

TEST(ResolveNodePath, MakesRelativeNamesAbsoluteAndUpperCase) {
  EXPECT_EQ(resolve("C:\\PROJ\\APP.IDE", "SRC\\MAIN.CPP").name, "C:\\PROJ\\SRC\\MAIN.CPP");
  Resolved r = resolve("C:\\PROJ\\APP.IDE", "main.cpp");
  EXPECT_EQ(r.result, 1);
  EXPECT_EQ(r.name, "C:\\PROJ\\MAIN.CPP");
  EXPECT_EQ(resolve("C:\\PROJ\\SUB\\APP.IDE", "..\\LIB\\UTIL.C").name, "C:\\PROJ\\LIB\\UTIL.C");
  EXPECT_EQ(resolve("c:/proj/sub/app.ide", "../../x.c").name, "C:\\X.C");
  // A rooted name without drive is taken relative to the project's directory as well, and a
  // ".." that is not at the start stays.
  EXPECT_EQ(resolve("C:\\PROJ\\APP.IDE", "\\SRC\\A.C").name, "C:\\PROJ\\SRC\\A.C");
  EXPECT_EQ(resolve("C:\\PROJ\\APP.IDE", "SRC\\..\\A.C").name, "C:\\PROJ\\SRC\\..\\A.C");
}

TEST(ResolveNodePath, ResolvesAgainstAProjectOnANetworkPath) {
  Resolved r = resolve("\\\\SERVER\\SHARE\\P\\APP.IDE", "A.C");
  EXPECT_EQ(r.result, 1);
  EXPECT_EQ(r.name, "\\\\SERVER\\SHARE\\P\\A.C");
}

TEST(ResolveNodePath, LeavesNamesWithDriveOrServerAlone) {
  Resolved r = resolve("C:\\PROJ\\APP.IDE", "D:\\Other\\y.c");
  EXPECT_EQ(r.result, 1);
  EXPECT_EQ(r.name, "D:\\Other\\y.c");
  r = resolve("C:\\PROJ\\APP.IDE", "\\\\Server\\Share\\y.c");
  EXPECT_EQ(r.result, 1);
  EXPECT_EQ(r.name, "\\\\Server\\Share\\y.c");
}

TEST(ResolveNodePath, LeavesUnresolvableNamesUnchanged) {
  Resolved r = resolve("C:\\PROJ\\APP.IDE", "..\\..\\X.C");
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.name, "..\\..\\X.C");
  r = resolve("C:\\APP.IDE", "..\\X.C");
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.name, "..\\X.C");
  // No project opened yet: no drive, no server.
  r = resolve("", "src\\x.c");
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.name, "src\\x.c");
  r = resolve("", "x.c");
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.name, "x.c");
}

TEST(ResolveNodePath, RefusesResultsLongerThanAPath) {
  // 4 + 251 = 255 characters of project directory and a node name that fits on its own.
  std::string project = "C:\\" + std::string(120, 'p') + "\\" + std::string(130, 'q') + "\\A.IDE";
  std::string node = "sub\\" + std::string(10, 'f') + ".c";
  Resolved r = resolve(project, node);
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.name, node);
  // Exactly 259 characters fit.
  std::string fits = "C:\\" + std::string(250, 'p') + "\\A.IDE";  // C: \ 250 \ = 254
  r = resolve(fits, "abc.c");                                     // + 5 = 259
  EXPECT_EQ(r.result, 1);
  EXPECT_EQ(r.name.size(), 259u);
  r = resolve(fits, "abcd.c");
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.name, "abcd.c");
}

TEST(ResolveNodePath, RefusesAProjectDirectoryTooLongToSplit) {
  std::string project = "C:\\" + std::string(260, 'p') + "\\A.IDE";
  Resolved r = resolve(project, "..\\x.c");
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.name, "..\\x.c");
}

}  // namespace
