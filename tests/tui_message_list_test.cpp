// The front end's rows of the message window: what each event becomes, control characters
// escaped, the editor's path, the quickfix file, and rows added by a worker while read.
// Covers host/tui/tui_message_list.cpp.
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

  std::string dir_, file_, windowsFile_;
};

TEST_F(MessageListTest, RowsShowHeadingsHitsAndErrorsWithControlCharactersEscaped) {
  host::Host h;
  auto list = std::make_shared<tui::MessageList>();
  h.messageWindow()->addSink(list);
  writeSample(h.messageWindow());
  ASSERT_EQ(list->size(), 6u);
  EXPECT_EQ(list->hitCount(), 2u);
  EXPECT_EQ(list->row(0).kind, tui::Row::kHeading);
  EXPECT_EQ(list->row(0).shown, "Vantreling " + windowsFile_);
  tui::Row hit = list->row(1);
  EXPECT_EQ(hit.kind, tui::Row::kHit);
  EXPECT_EQ(hit.shown, "  1:5: int main(void)");
  EXPECT_EQ(hit.path, file_);
  EXPECT_EQ(hit.line, 1);
  EXPECT_EQ(hit.column, 5);
  tui::Row raw = list->row(2);
  EXPECT_EQ(raw.shown, "  7:2: a\\x1b[2Jb\\x0dc\\u0081");
  for (char c : raw.shown + raw.quickfix) EXPECT_FALSE(static_cast<unsigned char>(c) < 0x20);
  EXPECT_EQ(list->row(4).kind, tui::Row::kNote);
  EXPECT_EQ(list->row(4).shown, "  File is 0 byte length !");
  EXPECT_EQ(list->row(5).shown, "Vantrel : 2 found");
  EXPECT_EQ(list->row(99).shown, "");
  EXPECT_EQ(list->rows(4, 10).size(), 2u);
}

TEST_F(MessageListTest, WindowsPathsAreShownAsGivenButTheEditorGetsThePosixPath) {
  host::Host h;
  auto list = std::make_shared<tui::MessageList>(true);
  h.messageWindow()->addSink(list);
  writeSample(h.messageWindow());
  tui::Row hit = list->row(1);
  EXPECT_EQ(hit.file, windowsFile_);
  EXPECT_EQ(hit.path, file_);
  EXPECT_EQ(hit.quickfix, windowsFile_ + ":1:5: int main(void)");
}

TEST_F(MessageListTest, QuickfixFileHoldsOneLinePerHitAndReplacesAnOldFile) {
  host::Host h;
  auto list = std::make_shared<tui::MessageList>();
  h.messageWindow()->addSink(list);
  writeSample(h.messageWindow());
  std::string path = dir_ + "/vantrel.qf";
  std::ofstream(path) << "old content that is longer than the new one\n\n\n\n\n\n\n\n\n\n\n\n";
  EXPECT_EQ(list->writeQuickfix(path), 2);
  std::stringstream text;
  text << std::ifstream(path).rdbuf();
  EXPECT_EQ(text.str(),
            file_ + ":1:5: int main(void)\n" + file_ + ":7:2: a\\x1b[2Jb\\x0dc\\u0081\n");
  // A link is not followed; a missing directory fails with errno.
  std::string link = dir_ + "/link.qf";
  ASSERT_EQ(symlink(file_.c_str(), link.c_str()), 0);
  EXPECT_EQ(list->writeQuickfix(link), -1);
  EXPECT_EQ(errno, ELOOP);
  std::stringstream untouched;
  untouched << std::ifstream(file_).rdbuf();
  EXPECT_EQ(untouched.str(), "int main(void)\n");
  EXPECT_EQ(list->writeQuickfix(dir_ + "/missing/vantrel.qf"), -1);
  EXPECT_EQ(errno, ENOENT);
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
  while (rows < kGroups * 6u) {
    unsigned long version = list->version();
    EXPECT_GE(version, seen);
    seen = version;
    rows = list->size();
    std::vector<tui::Row> some = list->rows(rows > 6 ? rows - 6 : 0, 6);
    for (const tui::Row& r : some) EXPECT_FALSE(r.shown.empty());
  }
  worker.join();
  EXPECT_EQ(list->hitCount(), kGroups * 2u);
  EXPECT_EQ(list->row(kGroups * 6 - 1).shown, "Vantrel : 2 found");
}

}  // namespace
