// The file-set walks on real temporary trees with the real host services: visiting order,
// directory lists and their separators, the special entries, hidden and system entries, counters,
// the node walk's order and mask rule, and the counting pass against the searching pass.
#include "search/walk.h"

#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "host/ide/project.h"
#include "tests/search/search_fixture.h"
#include "win32/kernel32/paths.h"

namespace {

namespace fs = std::filesystem;
using Files = std::vector<std::string>;

class WalkTest : public vantrel_test::SearchFixture {
 protected:
  // Counts, then searches; the two passes must agree on the number of files.
  LONG countThenSearch() {
    job->filesSearched = job->directoriesSearched = 0;
    LONG counted = walkDirectoryList(job.get(), 1);
    EXPECT_EQ(job->filesSearched, 0);
    EXPECT_EQ(job->directoriesSearched, 0);
    EXPECT_TRUE(sink->events().empty());  // the counting pass writes nothing
    LONG hits = walkDirectoryList(job.get(), 0);
    EXPECT_EQ(counted, job->filesSearched);
    return hits;
  }
};

TEST_F(WalkTest, OwnFilesByMaskEntryThenSubdirectoriesDepthFirst) {
  for (const char* f : {"b.c", "a.c", "z.h", "m.txt", "s2/x.c", "s1/y.h", "s1/deep/w.c"}) write(f);
  write("a.c", "one hit\n");
  setField(directories, win());
  setField(textToFind, "HIT");  // as the driver leaves it for a search ignoring case
  setMask(".c;.h");
  searchOptions = Recurse;
  EXPECT_EQ(countThenSearch(), 1);
  EXPECT_EQ(scanned(), (Files{"a.c", "b.c", "z.h", "s1\\y.h", "s1\\deep\\w.c", "s2\\x.c"}));
  EXPECT_EQ(job->filesSearched, 6);
  EXPECT_EQ(job->directoriesSearched, 4);

  // A file fitting two mask entries is visited, and counted, twice.
  sink->clear();
  job->filesSearched = job->directoriesSearched = 0;
  setMask("*.c;*.*");
  searchOptions = 0;
  EXPECT_EQ(countThenSearch(), 2);
  EXPECT_EQ(scanned(), (Files{"a.c", "b.c", "a.c", "b.c", "m.txt", "z.h"}));
  EXPECT_EQ(job->filesSearched, 6);
  EXPECT_EQ(job->directoriesSearched, 1);
}

TEST_F(WalkTest, DirectoryListsWithBothSeparatorsAndOddEntries) {
  for (const char* f : {"d1/f.c", "d2/f.c", "d3/f.c"}) write(f);
  setMask("*.c");
  // ";" and ",", an entry already ending in a backslash, a trailing separator.
  setField(directories, win("d1") + ";" + win("d2") + "," + win("d3") + "\\;");
  countThenSearch();
  EXPECT_EQ(scanned(), (Files{"d1\\f.c", "d2\\f.c", "d3\\f.c"}));
  EXPECT_EQ(job->directoriesSearched, 3);

  // A blank-led entry names another directory (none here), which still counts as searched; empty
  // entries name none and are skipped; a directory listed twice is walked twice.
  sink->clear();
  job->filesSearched = job->directoriesSearched = 0;
  setField(directories, ";" + win("d1") + "; " + win("d2") + ";;" + win("d3") + ",," + win("d1"));
  countThenSearch();
  EXPECT_EQ(scanned(), (Files{"d1\\f.c", "d3\\f.c", "d1\\f.c"}));
  EXPECT_EQ(job->directoriesSearched, 4);

  // A double quote opening an entry keeps a separator inside it, and there "" is one double
  // quote; a double quote anywhere else is part of the name. A trailing slash or backslash run
  // gives way to one backslash; an empty quoted entry names nothing.
  for (const char* f : {"a,b/f.c", "c;d/f.c", "q\"d/f.c", "r\"s,t/f.c", "u\"v/f.c"}) write(f);
  sink->clear();
  job->filesSearched = job->directoriesSearched = 0;
  std::string slashed = win("d2") + "\\/";
  setField(directories, "\"" + win("a,b") + "\";\"" + win("c;d") + "\"," + win("q\"d") + ";\"" +
                            win("r\"\"s,t") + "\";\"" + win() + "\"\\u\"v," + slashed + ";\"\"");
  countThenSearch();
  EXPECT_EQ(scanned(),
            (Files{"a,b\\f.c", "c;d\\f.c", "q\"d\\f.c", "r\"s,t\\f.c", "u\"v\\f.c", "d2\\f.c"}));
  EXPECT_EQ(job->directoriesSearched, 6);
}

TEST_F(WalkTest, CurrentDirectoryAndCurrentPathAreReplacedInPlace) {
  for (const char* f : {"d1/f.c", "d2/g.c"}) write(f);
  setMask(".c");
  char* savedCwd = getcwd(nullptr, 0);
  std::string savedPath = getenv("PATH") ? getenv("PATH") : "";

  ASSERT_TRUE(SetCurrentDirectoryA(win("d1").c_str()));
  setField(directories, "[Current Directory]");
  countThenSearch();
  EXPECT_EQ(std::string(directories), win("d1"));
  EXPECT_EQ(scanned(), (Files{"d1\\f.c"}));

  // A current directory holding a separator is one entry, quoted in the field.
  write("x,y;z/h.c");
  sink->clear();
  ASSERT_TRUE(SetCurrentDirectoryA(win("x,y;z").c_str()));
  setField(directories, "[Current Directory]");
  countThenSearch();
  EXPECT_EQ(std::string(directories), "\"" + win("x,y;z") + "\"");
  EXPECT_EQ(scanned(), (Files{"x,y;z\\h.c"}));

  // One holding a double quote too, written back so that it reads back as the same directory.
  write("a\"b,c/q.c");
  sink->clear();
  ASSERT_TRUE(SetCurrentDirectoryA(win("a\"b,c").c_str()));
  setField(directories, "[Current Directory]");
  countThenSearch();
  EXPECT_EQ(std::string(directories), "\"" + win("a\"\"b,c") + "\"");
  EXPECT_EQ(scanned(), (Files{"a\"b,c\\q.c"}));

  // So is each directory of the search path, whichever separator or double quote it holds.
  write("e;\"f/r.c");
  sink->clear();
  setenv("PATH",
         ((root / "x,y;z").string() + ":" + (root / "a\"b,c").string() + ":" +
          (root / "e;\"f").string() + ":" + (root / "d1").string())
             .c_str(),
         1);
  setField(directories, "[Current Path]");
  countThenSearch();
  EXPECT_EQ(std::string(directories), "\"" + win("x,y;z") + "\";\"" + win("a\"\"b,c") + "\";\"" +
                                          win("e;\"\"f") + "\";" + win("d1"));
  EXPECT_EQ(scanned(), (Files{"x,y;z\\h.c", "a\"b,c\\q.c", "e;\"f\\r.c", "d1\\f.c"}));

  // A search path of two directories, walked in its order.
  sink->clear();
  setenv("PATH", ((root / "d2").string() + ":" + (root / "d1").string()).c_str(), 1);
  setField(directories, "[Current Path]");
  countThenSearch();
  EXPECT_EQ(std::string(directories), win("d2") + ";" + win("d1"));
  EXPECT_EQ(scanned(), (Files{"d2\\g.c", "d1\\f.c"}));

  // A search path too long for the field is walked whole, every directory in its order, each
  // pass reading it afresh; the field keeps its special text rather than a cut list.
  sink->clear();
  std::string path = (root / "d1").string();
  for (int i = 0; i < 48; ++i) path += ":" + (root / ("p" + std::to_string(i))).string();
  setenv("PATH", (path + ":" + (root / "e;\"f").string() + ":" + (root / "d2").string()).c_str(),
         1);
  setField(directories, "[Current Path]");
  countThenSearch();
  EXPECT_STREQ(directories, "[Current Path]");
  EXPECT_EQ(scanned(), (Files{"d1\\f.c", "e;\"f\\r.c", "d2\\g.c"}));
  EXPECT_EQ(job->directoriesSearched, 51);

  // Without a search path the special text stays and is walked as a name that finds nothing.
  sink->clear();
  unsetenv("PATH");
  setField(directories, "[Current Path]");
  countThenSearch();
  EXPECT_STREQ(directories, "[Current Path]");
  EXPECT_TRUE(scanned().empty());

  setenv("PATH", savedPath.c_str(), 1);
  ASSERT_EQ(chdir(savedCwd), 0);
  VwinSyncCurrentDirectory();
  free(savedCwd);
}

TEST_F(WalkTest, HiddenAndSystemEntriesAreNeverScannedNorLooped) {
  for (const char* f : {"ok.c", ".hid.c", ".hdir/in.c", "sub/s.c"}) write(f);
  ASSERT_EQ(mkfifo((root / "pipe.c").c_str(), 0600), 0);
  fs::create_directory_symlink("..", root / "sub" / "up");  // a loop back to the top
  fs::create_symlink("ok.c", root / "lnk.c");
  setField(directories, win());
  setMask("*.c;PIPE.C;.HID.C");
  searchOptions = Recurse;
  countThenSearch();
  EXPECT_EQ(scanned(), (Files{"lnk.c", "ok.c", "sub\\s.c"}));
  EXPECT_EQ(job->directoriesSearched, 2);

  // A hidden directory that is listed is walked like any other.
  sink->clear();
  setField(directories, win(".hdir"));
  countThenSearch();
  EXPECT_EQ(scanned(), (Files{".hdir\\in.c"}));
}

TEST_F(WalkTest, DirectoriesSearchedFollowsRecursion) {
  for (const char* f : {"top/a.c", "top/one/b.c", "top/two/c.c"}) write(f);
  setField(directories, win("top"));
  setMask(".c");
  walkDirectoryList(job.get(), 0);
  EXPECT_EQ(job->directoriesSearched, 1);
  EXPECT_EQ(job->filesSearched, 1);
  job->directoriesSearched = job->filesSearched = 0;
  searchOptions = Recurse;
  walkDirectoryList(job.get(), 0);
  EXPECT_EQ(job->directoriesSearched, 3);
  EXPECT_EQ(job->filesSearched, 3);

  // A stop ends every loop at its next test.
  sink->clear();
  job->stopRequested = 1;
  EXPECT_EQ(walkDirectoryList(job.get(), 0), 0);
  EXPECT_EQ(walkDirectoryList(job.get(), 1), 0);
  EXPECT_TRUE(scanned().empty());
}

TEST_F(WalkTest, OverlongPathsAreSkippedNeverCut) {
  // The tree's own path plus these names passes 259 characters only for the long file.
  std::string dir(200 - win().size(), 'd');
  std::string longName(80, 'n');
  write(dir + "/" + longName + ".c");
  write(dir + "/short.c");
  write(dir + "/" + longName.substr(0, 20) + ".c");
  setField(directories, win());
  setMask("*.c");
  searchOptions = Recurse;
  countThenSearch();
  EXPECT_EQ(scanned(), (Files{dir + "\\" + longName.substr(0, 20) + ".c", dir + "\\short.c"}));

  // A listed directory too long for a work area is skipped whole.
  sink->clear();
  job->directoriesSearched = 0;
  setField(directories, win(dir) + "\\" + std::string(60, 'x') + ";" + win(dir));
  countThenSearch();
  EXPECT_EQ(job->directoriesSearched, 1);
  EXPECT_EQ(scanned().size(), 2u);
}

TEST_F(WalkTest, MaskListAdmitsByExtensionOnly) {
  setMask(".CPP;*.h;MAIN.C");
  EXPECT_EQ(matchesMaskList(job.get(), "x.cpp"), 1);
  EXPECT_EQ(matchesMaskList(job.get(), "src\\other.c"), 1);  // ".C" ends "MAIN.C"
  EXPECT_EQ(matchesMaskList(job.get(), "a.b.H"), 1);
  EXPECT_EQ(matchesMaskList(job.get(), "dir.d\\README"), 0);
  EXPECT_EQ(matchesMaskList(job.get(), "x.cp"), 0);  // ".CP" occurs, but not at an entry's end
  EXPECT_EQ(matchesMaskList(job.get(), ""), 0);
  setMask(".c;;.h");  // the empty entry is passed by
  EXPECT_EQ(matchesMaskList(job.get(), "a.h"), 1);
  // "*" and "*.*" admit every name, with an extension or without.
  for (const char* all : {"*.*", ".h;*"}) {
    setMask(all);
    EXPECT_EQ(matchesMaskList(job.get(), "a.cpp"), 1) << all;
    EXPECT_EQ(matchesMaskList(job.get(), "dir.d\\README"), 1) << all;
    EXPECT_EQ(matchesMaskList(job.get(), ""), 0) << all;
  }
}

class NodeWalkTest : public WalkTest {
 protected:
  // Tree (ids depth-first from 1): 1 one.c {2 kid1.c {3 grand.c}, 4 kid2.c}, 5 two.c {6
  // sub\kid3.c}, 7 (no name) {8 kid4.c}, 9 A.CPP, 10 B.H, 11 README.
  void openProject() {
    using host::NodeDescription;
    for (const char* f : {"one.c", "kid1.c", "grand.c", "kid2.c", "two.c", "sub/kid3.c", "kid4.c",
                          "a.cpp", "b.h", "readme"})
      write(f);
    NodeDescription grand{"grand.c", {}};
    NodeDescription one{"one.c", {NodeDescription{"kid1.c", {grand}}, {"kid2.c", {}}}};
    NodeDescription two{"two.c", {NodeDescription{"sub\\kid3.c", {}}}};
    NodeDescription unnamed{std::nullopt, {NodeDescription{"kid4.c", {}}}};
    host->project()->open(host::ProjectDescription{
        win("app.ide"), {one, two, unnamed, {"A.CPP", {}}, {"B.H", {}}, {"README", {}}}});
    setField(job->searchProjectPath, win("app.ide"));
  }
  void select(std::vector<ProjectNodeId> ids) {
    delete[] job->nodeIds;
    job->nodeIds = new ProjectNodeId[ids.size()];
    std::copy(ids.begin(), ids.end(), job->nodeIds);
    job->nodeCount = static_cast<LONG>(ids.size());
  }
  // Counts, then searches the selected nodes.
  void countThenSearchNodes() {
    job->filesSearched = 0;
    LONG counted = walkSelectedNodes(job.get(), 1);
    EXPECT_TRUE(sink->events().empty());
    walkSelectedNodes(job.get(), 0);
    EXPECT_EQ(counted, job->filesSearched);
    EXPECT_EQ(job->nodeService, nullptr);
  }
};

TEST_F(NodeWalkTest, SelectedNodesFirstThenTheirDescendantsResolvedAgainstTheProject) {
  openProject();
  select({5, 1, 7, 2});  // 2 is also a descendant of 1: visited twice
  setMask(".C");
  countThenSearchNodes();
  EXPECT_EQ(scanned(), (Files{"TWO.C", "ONE.C", "KID1.C"}));

  sink->clear();
  job->filesSearched = 0;
  searchOptions = Recurse;
  countThenSearchNodes();
  EXPECT_EQ(scanned(), (Files{"TWO.C", "ONE.C", "KID1.C", "SUB\\KID3.C", "KID1.C", "GRAND.C",
                              "KID2.C", "KID4.C", "GRAND.C"}));
  EXPECT_EQ(job->filesSearched, 9);
  EXPECT_EQ(job->directoriesSearched, 0);
}

TEST_F(NodeWalkTest, MaskRuleAdmitsByExtension) {
  openProject();
  select({9, 10, 11});
  setMask(".CPP");
  countThenSearchNodes();
  EXPECT_EQ(scanned(), (Files{"A.CPP"}));
  sink->clear();
  setMask("README");
  countThenSearchNodes();
  EXPECT_TRUE(scanned().empty());
  setMask("*.*");
  countThenSearchNodes();
  EXPECT_EQ(scanned(), (Files{"A.CPP", "B.H", "README"}));
}

TEST_F(NodeWalkTest, WithoutNodeIdsOnlyTheSearchingPassComplains) {
  openProject();
  setMask(".C");
  EXPECT_EQ(walkSelectedNodes(job.get(), 1), 0);
  EXPECT_TRUE(sink->events().empty());
  EXPECT_EQ(walkSelectedNodes(job.get(), 0), 0);
  EXPECT_EQ(lines(), (Files{"Not enough memory to Vantrel files !"}));
  EXPECT_EQ(display->beeps(), (std::vector<UINT>{0}));
}

class NoProjectServiceTest : public WalkTest {
 protected:
  host::HostConfig hostConfig() override {
    host::HostConfig c;
    c.project = false;
    return c;
  }
};

TEST_F(NoProjectServiceTest, NodeWalkFindsNothingSilently) {
  job->nodeIds = new ProjectNodeId[1]{1};
  job->nodeCount = 1;
  setMask(".C");
  EXPECT_EQ(walkSelectedNodes(job.get(), 0), 0);
  EXPECT_TRUE(sink->events().empty());
  EXPECT_EQ(job->nodeService, nullptr);
}

}  // namespace
