// The front end's result pages: what each event becomes (files with counts, hits, folded
// notices, messages), control characters escaped, a page per search, the editor's path, the
// quickfix file, and rows added by a worker while read. Covers host/tui/tui_message_list.cpp and
// host/tui/tui_search_request.cpp.
#include "host/tui/tui_message_list.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "host/ide/host.h"
#include "host/ide/host_string.h"
#include "win32/kernel32/paths.h"

namespace {

using host::newString;

class MessageListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vantrel-tui-list-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    file_ = dir_ + "/Main.c";
    std::ofstream(file_) << "int main(void)\n";
    char windows[MAX_PATH];
    ASSERT_GT(VwinToWindowsPath(file_.c_str(), windows, sizeof windows), 0u);
    windowsFile_ = windows;
  }
  void TearDown() override { ASSERT_EQ(system(("rm -rf '" + dir_ + "'").c_str()), 0); }

  // A file with two hits (one holding control characters), a file's error and a message.
  void writeSample(MessageWindowService* window) {
    MessageGroup* g = window->openGroup(newString(windowsFile_), newString("Vantrel"));
    int h =
        g->addHeading(newString(windowsFile_), newString(("Vantreling " + windowsFile_).c_str()));
    g->addEntry(h, newString("int main(void)"), newString(windowsFile_), 1, 5, 5);
    g->addEntry(h, newString("a\x1b[2Jb\rc\x81"), newString(windowsFile_), 7, 2, 5);
    g->Release();
    MessageGroup* bad = window->openGroup(newString("Z:\\empty.c"), newString("Vantrel"));
    int bh = bad->addHeading(newString("Z:\\empty.c"), newString("Vantreling Z:\\empty.c"));
    bad->addEntry(bh, newString("File is 0 byte length !"), nullptr, 0, 0, 5);
    bad->Release();
    MessageGroup* m = window->openGroup(newString("Vantrel : 2 found"), newString("Vantrel"));
    m->addHeading(nullptr, newString("Vantrel : 2 found"));
    m->Release();
  }

  static std::string tuiRead(const std::string& path) {
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
  }

  std::string dir_, file_, windowsFile_;
};

TEST_F(MessageListTest, RowsShowFilesWithCountsHitsFoldedNoticesAndMessagesEscaped) {
  host::Host h;
  auto list = std::make_shared<tui::MessageList>();
  h.messageWindow()->addSink(list);
  tui::SearchRequest request{"main", "*.c", dir_, 0x12, true, ""};
  list->beginPage(request);
  writeSample(h.messageWindow());
  ASSERT_EQ(list->pageCount(), 1u);
  ASSERT_EQ(list->size(0), 5u);
  EXPECT_EQ(list->hitCount(), 2u);
  // The heading: the path relative to the one directory searched, and its count.
  tui::Row heading = list->row(0, 0);
  EXPECT_EQ(heading.kind, tui::Row::kHeading);
  EXPECT_EQ(heading.shown, "Main.c");
  EXPECT_EQ(heading.hits, 2);
  EXPECT_EQ(heading.path, file_);
  EXPECT_EQ(heading.line, 1);
  tui::Row hit = list->row(0, 1);
  EXPECT_EQ(hit.kind, tui::Row::kHit);
  EXPECT_EQ(hit.shown, "  1:5: int main(void)");
  EXPECT_EQ(hit.path, file_);
  EXPECT_EQ(hit.line, 1);
  EXPECT_EQ(hit.column, 5);
  tui::Row raw = list->row(0, 2);
  EXPECT_EQ(raw.shown, "  7:2: a\\x1b[2Jb\\x0dc\\u0081");
  for (char c : raw.shown) EXPECT_FALSE(static_cast<unsigned char>(c) < 0x20);
  // The file the add-on did not search is one folded row, opened to the list.
  EXPECT_EQ(list->row(0, 3).kind, tui::Row::kNotices);
  EXPECT_EQ(list->row(0, 3).shown, "1 file not searched: 1 empty");
  EXPECT_EQ(list->row(0, 4).kind, tui::Row::kMessage);
  EXPECT_EQ(list->row(0, 4).shown, "Vantrel : 2 found");
  list->toggleNotices(0);
  ASSERT_EQ(list->size(0), 6u);
  EXPECT_EQ(list->row(0, 4).shown, "  /empty.c: empty");
  // A collapsed file is its heading alone.
  list->toggleFile(0, 0);
  ASSERT_EQ(list->size(0), 4u);
  EXPECT_TRUE(list->row(0, 0).folded);
  EXPECT_EQ(list->row(0, 1).kind, tui::Row::kNotices);
  EXPECT_EQ(list->row(0, 99).shown, "");
  EXPECT_EQ(list->rows(0, 2, 10).size(), 2u);
  tui::PageSummary s = list->summary(0);
  EXPECT_EQ(s.files, 1);
  EXPECT_EQ(s.hits, 2);
  EXPECT_EQ(s.searched, 2);
  EXPECT_EQ(s.notSearched, 1);
  EXPECT_FALSE(s.stopped);
  EXPECT_EQ(tui::describe(s.request), "\"main\" (recursive, whole words) in *.c, " + dir_);
}

TEST_F(MessageListTest, EverySearchHasItsPageAndAStopOrARefusalIsTold) {
  host::Host h;
  auto list = std::make_shared<tui::MessageList>();
  h.messageWindow()->addSink(list);
  writeSample(h.messageWindow());  // rows before any search: a page of their own
  list->beginPage({"a", "*.c", "[Current Directory]", 0, true, "ignore files off, hidden\x1b"});
  writeSample(h.messageWindow());
  MessageGroup* m = h.messageWindow()->openGroup(newString("x"), newString("Vantrel"));
  m->addHeading(nullptr, newString("Vantrel : User break !"));
  m->Release();
  list->beginPage({"(a", "*.c", "[Current Directory]", 4, true, ""});
  m = h.messageWindow()->openGroup(newString("x"), newString("Vantrel"));
  m->addHeading(nullptr, newString("Vantrel regular expression error : Mismatched () or []"));
  m->Release();
  ASSERT_EQ(list->pageCount(), 3u);
  EXPECT_FALSE(list->summary(0).request.known);
  EXPECT_EQ(tui::describe(list->summary(0).request), "Messages");
  EXPECT_TRUE(list->summary(1).stopped);
  EXPECT_EQ(list->summary(1).hits, 2);
  // The rules the search ran under end its heading, escaped as the rest.
  EXPECT_EQ(tui::describe(list->summary(1).request),
            "\"a\" in *.c, [Current Directory]  ignore files off, hidden\\x1b");
  // Outside the one directory given, paths are relative to the current directory or whole.
  EXPECT_EQ(list->row(1, 0).shown, file_);
  EXPECT_EQ(list->summary(2).refusal, "Vantrel regular expression error : Mismatched () or []");
  EXPECT_EQ(list->size(2), 1u);
  list->dropNewestPage();
  list->clearOlderPages();
  ASSERT_EQ(list->pageCount(), 1u);
  EXPECT_TRUE(list->summary(0).stopped);
  EXPECT_EQ(list->hitCount(), 4u);
}

TEST_F(MessageListTest, AFilterNarrowsThePageToMatchingFilesHitsAndLines) {
  host::Host h;
  auto list = std::make_shared<tui::MessageList>();
  h.messageWindow()->addSink(list);
  list->beginPage({"main", "*.c", dir_, 0, true, ""});
  writeSample(h.messageWindow());
  // A hit's text, either case: its file's heading and that hit.
  list->setFilter(0, "MAIN(");
  ASSERT_EQ(list->size(0), 2u);
  EXPECT_EQ(list->row(0, 0).kind, tui::Row::kHeading);
  EXPECT_EQ(list->row(0, 1).line, 1);
  EXPECT_EQ(list->headingRow(0, 0), 0);
  // A path: the file with all its hits; the files not searched by theirs; the add-on's lines.
  list->setFilter(0, "main.c");
  EXPECT_EQ(list->size(0), 3u);
  list->setFilter(0, "empty");
  ASSERT_EQ(list->size(0), 1u);
  EXPECT_EQ(list->row(0, 0).kind, tui::Row::kNotices);
  EXPECT_EQ(list->headingRow(0, 0), -1);
  list->setFilter(0, "2 found");
  ASSERT_EQ(list->size(0), 1u);
  EXPECT_EQ(list->row(0, 0).shown, "Vantrel : 2 found");
  // Rows that come later are narrowed as well; an empty filter shows every row.
  list->setFilter(0, "\\x1b");
  writeSample(h.messageWindow());
  EXPECT_EQ(list->size(0), 4u);
  list->setFilter(0, "");
  EXPECT_EQ(list->size(0), 9u);
}

TEST_F(MessageListTest, WindowsPathsAreShownAsGivenButTheEditorGetsThePosixPath) {
  host::Host h;
  auto list = std::make_shared<tui::MessageList>(true);
  h.messageWindow()->addSink(list);
  writeSample(h.messageWindow());
  tui::Row hit = list->row(0, 1);
  EXPECT_EQ(list->row(0, 0).shown, windowsFile_);
  EXPECT_EQ(hit.path, file_);
  std::string path = dir_ + "/vantrel.qf";
  EXPECT_EQ(list->writeQuickfix(0, path), 2);
  // The quickfix file names the file as it is on disk, for the editor that loads it.
  EXPECT_EQ(tuiRead(path).substr(0, file_.size() + 20), file_ + ":1:5: int main(void)");
}

TEST_F(MessageListTest, QuickfixFileHoldsOneLinePerHitOfThePageAndReplacesAnOldFile) {
  host::Host h;
  auto list = std::make_shared<tui::MessageList>();
  h.messageWindow()->addSink(list);
  writeSample(h.messageWindow());
  list->beginPage({"other", "*.c", "x", 0, true, ""});
  writeSample(h.messageWindow());
  writeSample(h.messageWindow());
  std::string path = dir_ + "/vantrel.qf";
  std::ofstream(path) << "old content that is longer than the new one\n\n\n\n\n\n\n\n\n\n\n\n";
  EXPECT_EQ(list->writeQuickfix(0, path), 2);
  EXPECT_EQ(tuiRead(path),
            file_ + ":1:5: int main(void)\n" + file_ + ":7:2: a\\x1b[2Jb\\x0dc\\u0081\n");
  EXPECT_EQ(list->writeQuickfix(1, path), 4);
  // A link is not followed; a missing directory fails with errno.
  std::string link = dir_ + "/link.qf";
  ASSERT_EQ(symlink(file_.c_str(), link.c_str()), 0);
  EXPECT_EQ(list->writeQuickfix(0, link), -1);
  EXPECT_EQ(errno, ELOOP);
  EXPECT_EQ(tuiRead(file_), "int main(void)\n");
  EXPECT_EQ(list->writeQuickfix(0, dir_ + "/missing/vantrel.qf"), -1);
  EXPECT_EQ(errno, ENOENT);
  // With a filter, the hits it lets through.
  list->setFilter(1, "\\x1b");
  tui::QuickfixCounts counts;
  EXPECT_EQ(list->writeQuickfix(1, path, &counts), 2);
  EXPECT_EQ(counts.total, 4);
  EXPECT_EQ(tuiRead(path).find("int main"), std::string::npos);
}

TEST_F(MessageListTest, AWorkerAddsRowsWhileTheFrontEndReadsThem) {
  host::Host h;
  auto list = std::make_shared<tui::MessageList>();
  h.messageWindow()->addSink(list);
  constexpr int kGroups = 300;
  std::thread worker([&] {
    for (int i = 0; i < kGroups; ++i) writeSample(h.messageWindow());
  });
  unsigned long seen = 0;
  size_t rows = 0;
  // Each sample: a file heading, two hits, and the notices row once; a message.
  while (rows < kGroups * 4u + 1) {
    unsigned long version = list->version();
    EXPECT_GE(version, seen);
    seen = version;
    rows = list->size();
    std::vector<tui::Row> some = list->rows(0, rows > 6 ? rows - 6 : 0, 6);
    for (const tui::Row& r : some) EXPECT_FALSE(r.shown.empty());
  }
  worker.join();
  EXPECT_EQ(list->hitCount(), kGroups * 2u);
  EXPECT_EQ(list->row(kGroups * 4).shown, "Vantrel : 2 found");
  EXPECT_EQ(list->summary(0).notSearched, kGroups);
}

}  // namespace
