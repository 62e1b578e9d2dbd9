// The search driver end to end on real trees with the real host services: summaries, the node
// form, a refused pattern or file type, the special entry's exact spelling, case folding of a
// pattern, and the stops of a blocking search (Esc) and of a worker search (the stop flag set from
// the IDE's thread while the worker scans).
#include "search/driver.h"

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "dialog/settings_store.h"
#include "host/ide/message_event.h"
#include "host/ide/project.h"
#include "regex/grepclass.h"
#include "tests/search/search_fixture.h"

namespace {

using Lines = std::vector<std::string>;

class DriverTest : public vantrel_test::SearchFixture {
 protected:
  void request(const std::string& text, const std::string& mask, const std::string& dirs,
               WORD options = 0) {
    setField(textToFind, text);
    setField(fileMask, mask);
    setField(directories, dirs);
    searchOptions = options;
  }
  void expectClean() {
    EXPECT_EQ(job->regexProgram, nullptr);
    EXPECT_EQ(job->nodeIds, nullptr);
    EXPECT_EQ(job->statusWindow, nullptr);
    EXPECT_EQ(job->statusFont, nullptr);
  }
};

TEST_F(DriverTest, SummariesCountFilesAndDirectoriesInTheirForms) {
  for (const char* f : {"a.c", "b.c", "c.c"}) write(f, "int main;\n");
  request("absent", "*.c", win());
  runSearch(job.get(), 0);
  EXPECT_EQ(lines(), (Lines{"Vantrel : 0 found in 0 File (3 Files searched in 1 Directory)"}));
  EXPECT_TRUE(display->beeps().empty());
  expectClean();

  sink->clear();
  write("only/x.c", "one line\nother\n");
  request("LINE", "*.c", win("only"));
  runSearch(job.get(), 0);
  EXPECT_EQ(lines(), (Lines{"Vantrel : 1 found in 1 File (1 File searched in 1 Directory)"}));
  EXPECT_EQ(job->hitCount, 1);
  expectClean();
}

TEST_F(DriverTest, SelectedNodesGiveTheNodeFormAndReleaseTheIds) {
  write("a.cpp", "hit\n");
  write("b.cpp", "miss\n");
  host->project()->open(host::ProjectDescription{win("app.ide"), {{"a.cpp", {}}, {"b.cpp", {}}}});
  setField(projectPath, win("app.ide"));
  job->nodeIds = new ProjectNodeId[2]{1, 2};
  job->nodeCount = 2;
  request("hit", ".cpp", "[Selected Nodes]");
  runSearch(job.get(), 0);
  EXPECT_EQ(lines(), (Lines{"Vantrel : 1 found in 1 File (2 Files searched)"}));
  EXPECT_STREQ(job->searchProjectPath, projectPath);
  expectClean();

  // In another letter case it is no special entry but a directory name that finds nothing.
  sink->clear();
  job->nodeIds = new ProjectNodeId[2]{1, 2};
  request("hit", ".cpp", "[selected nodes]");
  runSearch(job.get(), 0);
  EXPECT_EQ(lines(), (Lines{"Vantrel : 0 found in 0 File (0 File searched in 1 Directory)"}));
  expectClean();
}

TEST_F(DriverTest, RefusedPatternGivesOnlyItsErrorAndABeep) {
  write("a.c", "abc\n");
  request("ab(c", "*.c", win(), RegularExpression);
  runSearch(job.get(), 0);
  GREPCLASS refused("AB(C");  // the pattern as the driver compiles it: upper-cased
  ASSERT_NE(refused.errorCount, 0);
  EXPECT_EQ(lines(),
            (Lines{std::string("Vantrel regular expression error : ") + refused.errorText}));
  EXPECT_EQ(display->beeps(), (std::vector<UINT>{0}));
  EXPECT_TRUE(scanned().empty());
  EXPECT_EQ(job->filesSearched, 0);
  expectClean();
}

TEST_F(DriverTest, FileTypeNamingAFolderGivesOnlyItsRefusalAndABeep) {
  // The walk would list the folder's files but read files of the same names beside it.
  write("sub/b.c", "abc\n");
  request("abc", "*.h;sub/*.c", win());
  runSearch(job.get(), 0);
  EXPECT_EQ(lines(), (Lines{"Vantrel : A file type may not name a folder : sub/*.c !"}));
  EXPECT_EQ(display->beeps(), (std::vector<UINT>{0}));
  EXPECT_TRUE(scanned().empty());
  expectClean();
}

TEST_F(DriverTest, PatternIsUpperCasedBeforeCompilingWhenCaseDoesNotMatter) {
  write("w.txt", "hello\nWORLD\n123\n");
  request("[a-z]", "*.txt", win(), RegularExpression);
  runSearch(job.get(), 0);
  EXPECT_STREQ(textToFind, "[A-Z]");
  EXPECT_EQ(job->hitCount, 2);
  sink->clear();
  request("[a-z]", "*.txt", win(), RegularExpression | CaseSensitive);
  runSearch(job.get(), 0);
  EXPECT_EQ(job->hitCount, 1);
  expectClean();
}

TEST_F(DriverTest, EscWhileTheSecondOfFiveFilesIsScanned) {
  for (int i = 1; i <= 5; ++i) write("f" + std::to_string(i) + ".txt", "x\n");
  // Query 1 is beginProgress's discard; queries 2, 3 precede files 1, 2; the press read at
  // query 4 (before file 3) was made while file 2 was scanned.
  display->pressEscapeAtQuery(4);
  request("x", "*.txt", win());
  runSearch(job.get(), 0);
  EXPECT_EQ(lines(), (Lines{"Vantrel : 2 found in 2 Files (3 Files searched in 1 Directory)",
                            "Vantrel : User break !"}));
  EXPECT_EQ(scanned(), (Lines{"f1.txt", "f2.txt", "f3.txt"}));  // f3 opened, not examined
  EXPECT_EQ(display->beeps(), (std::vector<UINT>{0}));
  // The user-break beep comes after both lines.
  EXPECT_EQ(sink->events().back().kind, host::MessageEvent::Kind::Beep);
  expectClean();
}

TEST_F(DriverTest, EscWhileAPatternWorksOnOneLongLine) {
  // Hundreds of thousands of steps on line 1: the pattern asks between them, so query 3 comes
  // from inside that line, and neither it nor line 2 gives a hit.
  write("long.txt", std::string(30000, 'y') + "needle\nye\n");
  display->pressEscapeAtQuery(3);
  request("y*y*y*y*y*y*e", "*.txt", win(), RegularExpression | CaseSensitive);
  runSearch(job.get(), 0);
  EXPECT_EQ(lines(), (Lines{"Vantrel : 0 found in 0 File (1 File searched in 1 Directory)",
                            "Vantrel : User break !"}));
  EXPECT_EQ(display->escapeQueries(), 3);  // nothing more was asked once the line gave up
  expectClean();
}

// Holds the worker at the first hit entry of a chosen file until the test lets it go on.
class GateSink : public host::MessageSink {
 public:
  explicit GateSink(std::string file) : file_(std::move(file)) {}
  void event(const host::MessageEvent& e) override {
    if (e.kind != host::MessageEvent::Kind::Entry || !e.file || e.file->size() < file_.size() ||
        e.file->compare(e.file->size() - file_.size(), file_.size(), file_) != 0)
      return;
    std::unique_lock<std::mutex> lock(mutex_);
    reached_ = true;
    changed_.notify_all();
    changed_.wait(lock, [this] { return released_; });
  }
  void waitUntilReached() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return reached_; });
  }
  void release() {
    std::lock_guard<std::mutex> lock(mutex_);
    released_ = true;
    changed_.notify_all();
  }

 private:
  std::string file_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool reached_ = false;
  bool released_ = false;
};

TEST_F(DriverTest, WorkerSearchStoppedWhileItsSecondFileIsScanned) {
  for (int i = 1; i <= 4; ++i) write("f" + std::to_string(i) + ".txt", "x\nx\nx\n");
  auto gate = std::make_shared<GateSink>("f2.txt");
  host->messageWindow()->addSink(gate);
  request("x", "*.txt", win(), Asynchronous);
  DWORD id = 0;
  HANDLE worker = CreateThread(nullptr, 0, searchThreadMain, job.get(), 0, &id);
  ASSERT_NE(worker, nullptr);
  searchThreadId = id;
  gate->waitUntilReached();
  job->stopRequested = 1;  // as the stop question does from the IDE's thread
  gate->release();
  ASSERT_EQ(WaitForSingleObject(worker, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
  DWORD code = 1;
  EXPECT_TRUE(GetExitCodeThread(worker, &code));
  EXPECT_EQ(code, 0u);
  CloseHandle(worker);

  EXPECT_EQ(searchThreadId, 0u);
  // File 1's three lines and the first line of file 2; its scan ends before its next line.
  EXPECT_EQ(lines(), (Lines{"Vantrel : 4 found in 2 Files (2 Files searched in 1 Directory)",
                            "Vantrel : User break !"}));
  EXPECT_EQ(job->runsDetached, 1);
  EXPECT_EQ(job->filesExpected, 0);         // no counting pass
  EXPECT_TRUE(display->snapshots.empty());  // no progress line
  EXPECT_EQ(display->beeps(), (std::vector<UINT>{0}));
  expectClean();

  // A Yes given before the next worker has begun still stops it, before its first file.
  job->stopRequested = 1;
  worker = CreateThread(nullptr, 0, searchThreadMain, job.get(), 0, &id);
  ASSERT_NE(worker, nullptr);
  ASSERT_EQ(WaitForSingleObject(worker, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
  CloseHandle(worker);
  EXPECT_EQ(lines().back(), "Vantrel : User break !");
  EXPECT_EQ(job->filesSearched, 0);
}

}  // namespace
