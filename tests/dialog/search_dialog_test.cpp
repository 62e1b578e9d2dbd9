// The search dialog run for real: the module's template through the dialog manager, the host's
// recording display handing the dialog to a script of user actions, and the settings in a real
// registry file. Each case looks at the dialog as the user would see it, then at what OK or
// Cancel left in the request globals and the store.
#include "dialog/search_dialog.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "dialog/settings_store.h"
#include "host/cli/dialog_script.h"
#include "host/posix/recording_display.h"
#include "search/job.h"
#include "win32/user32/dialog_input.h"
#include "win32/user32/window.h"

namespace {

using ::testing::ElementsAre;

const char kSourceFiles[] = "[Source Files (.c;.cpp;.cc)]";
const std::vector<std::string> kFileTypes{kSourceFiles,
                                          "[Header Files (.h;.hpp;.rh)]",
                                          "[All Source Files(.c;.cpp;.cc;.h;.hpp;.def)]",
                                          "[Resource Files (.rc;.dlg)]",
                                          "[Script Files(.spp;.kbd)]",
                                          "[Text Files(.txt;.log)]"};

// What the user sees of the dialog.
struct View {
  std::string text, fileType, directories;
  std::vector<std::string> texts, fileTypes, directoryList;
  bool okEnabled = false;
  WORD boxes = 0;  // the checked boxes as option bits
  std::string recurseLabel;
  RECT rect{};
};

std::vector<std::string> listOf(HWND dialog, int id) {
  std::vector<std::string> items;
  int count = static_cast<int>(SendDlgItemMessageA(dialog, id, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    std::string item(SendDlgItemMessageA(dialog, id, CB_GETLBTEXTLEN, i, 0), '\0');
    SendDlgItemMessageA(dialog, id, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item.data()));
    items.push_back(item);
  }
  return items;
}

View look(HWND dialog) {
  View v;
  char buffer[1000];
  GetDlgItemTextA(dialog, 101, buffer, sizeof buffer);
  v.text = buffer;
  GetDlgItemTextA(dialog, 102, buffer, sizeof buffer);
  v.fileType = buffer;
  GetDlgItemTextA(dialog, 103, buffer, sizeof buffer);
  v.directories = buffer;
  GetDlgItemTextA(dialog, 105, buffer, sizeof buffer);
  v.recurseLabel = buffer;
  v.texts = listOf(dialog, 101);
  v.fileTypes = listOf(dialog, 102);
  v.directoryList = listOf(dialog, 103);
  v.okEnabled = IsWindowEnabled(GetDlgItem(dialog, IDOK));
  for (int id = 104, bit = 1; id <= 108; ++id, bit <<= 1)
    if (IsDlgButtonChecked(dialog, id) == BST_CHECKED) v.boxes |= bit;
  GetWindowRect(dialog, &v.rect);
  return v;
}

class SearchDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vantrel-dialog-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    setenv("VANTREL_REGISTRY", (dir_ + "/registry.sqlite3").c_str(), 1);
    strcpy(textToFind, "old text");
    strcpy(fileMask, "old mask");
    strcpy(directories, "old dirs");
    searchOptions = 0;
    vwin::setScreenSize(80 * vwin::kCellWidth, 25 * vwin::kCellHeight);
    VwinSetDisplay(&display_);
  }
  void TearDown() override {
    VwinSetDisplay(nullptr);
    unsetenv("VANTREL_REGISTRY");
    ASSERT_EQ(system(("rm -rf '" + dir_ + "'").c_str()), 0);
  }

  // Opens the dialog with `nodes` selected and runs `script` on it.
  INT_PTR open(int nodes, vantrel::DialogScript& script) {
    display_.setModalDriver([&script](HWND dialog) { return script.run(dialog); });
    return showSearchDialog(nodes);
  }
  // The view when the dialog opens, then Cancel.
  View peek(int nodes) {
    View v;
    vantrel::DialogScript script;
    script.then([&v](HWND dialog) { v = look(dialog); }).click(IDCANCEL);
    EXPECT_EQ(open(nodes, script), 0);
    return v;
  }

  std::string dir_;
  host::RecordingDisplay display_;
};

TEST_F(SearchDialogTest, FirstUseWithoutNodes) {
  View v = peek(0);
  EXPECT_EQ(v.text, "");
  EXPECT_TRUE(v.texts.empty());
  EXPECT_FALSE(v.okEnabled);
  EXPECT_EQ(v.fileType, kSourceFiles);
  EXPECT_EQ(v.fileTypes, kFileTypes);
  EXPECT_EQ(v.directories, "[Current Directory]");
  EXPECT_THAT(v.directoryList, ElementsAre("[Current Directory]", "[Current Path]"));
  EXPECT_EQ(v.boxes, 0);
  EXPECT_EQ(v.recurseLabel, "&Recurse Subdirectories");
  EXPECT_EQ(nodesAvailable, 0);
}

TEST_F(SearchDialogTest, FirstUseWithNodes) {
  View v = peek(3);
  EXPECT_EQ(nodesAvailable, 3);
  EXPECT_EQ(v.directories, "[Selected Nodes]");
  EXPECT_THAT(v.directoryList,
              ElementsAre("[Selected Nodes]", "[Current Directory]", "[Current Path]"));
  EXPECT_EQ(v.recurseLabel, "&Recurse Nodes");
}

TEST_F(SearchDialogTest, OkFollowsTheFieldsAndTheRecurseLabelTheDirectories) {
  std::vector<bool> ok;
  std::vector<std::string> labels;
  auto note = [&](HWND dialog) {
    View v = look(dialog);
    ok.push_back(v.okEnabled);
    labels.push_back(v.recurseLabel);
  };
  vantrel::DialogScript script;
  script.then(note)
      .character('x')
      .then(note)  // the first character enables OK
      .key(VK_BACK)
      .then(note)  // emptied again
      .type(101, "needle")
      .type(102, "")
      .then(note)
      .pick(102, 2)
      .pick(103, "[selected nodes]")
      .then(note)
      .pick(103, "[Current Path]")
      .then(note)
      .type(103, "[Selected Nodes]")
      .then(note)
      .type(103, "[Selected Nodes]x")
      .then(note)
      .key(VK_ESCAPE);
  EXPECT_EQ(open(2, script), 0);
  EXPECT_THAT(ok, ElementsAre(false, true, false, false, true, true, true, true));
  EXPECT_THAT(labels, ElementsAre("&Recurse Nodes", "&Recurse Nodes", "&Recurse Nodes",
                                  "&Recurse Nodes", "&Recurse Nodes", "&Recurse Subdirectories",
                                  "&Recurse Nodes", "&Recurse Subdirectories"));
}

TEST_F(SearchDialogTest, OkSavesTheRequestAndTheNextOpeningShowsIt) {
  vantrel::DialogScript script;
  script.type(101, "first").check(104, true).check(106, true).key(VK_RETURN);
  EXPECT_EQ(open(0, script), 1);
  EXPECT_STREQ(textToFind, "first");
  EXPECT_STREQ(fileMask, kSourceFiles);
  EXPECT_STREQ(directories, "[Current Directory]");
  EXPECT_EQ(searchOptions, CaseSensitive | RegularExpression);

  vantrel::DialogScript second;
  second.type(101, "second").pick(103, "[Current Path]").check(106, false).click(IDOK);
  EXPECT_EQ(open(0, second), 1);
  EXPECT_EQ(searchOptions, CaseSensitive);

  View v = peek(0);
  EXPECT_EQ(v.text, "second");
  EXPECT_THAT(v.texts, ElementsAre("second", "first"));
  EXPECT_EQ(v.directories, "[Current Path]");
  EXPECT_THAT(v.directoryList, ElementsAre("[Current Path]", "[Current Directory]"));
  EXPECT_EQ(v.fileTypes, kFileTypes) << "the chosen fixed entry is listed once, from the history";
  EXPECT_EQ(v.boxes, CaseSensitive);
  char stored[kSettingSize];
  ASSERT_TRUE(readSetting("Options", stored));
  EXPECT_STREQ(stored, "1");
}

TEST_F(SearchDialogTest, CancelSavesNothing) {
  writeOptions(Recurse | WholeWords);
  pushHistory(kTextToFindPattern, "kept");
  View before;
  vantrel::DialogScript script;
  script.then([&before](HWND dialog) { before = look(dialog); })
      .type(101, "changed")
      .check(105, false)
      .check(104, true)
      .click(IDCANCEL);
  EXPECT_EQ(open(0, script), 0);
  EXPECT_EQ(before.boxes, Recurse | WholeWords);
  EXPECT_STREQ(textToFind, "old text");
  EXPECT_STREQ(fileMask, "old mask");
  EXPECT_STREQ(directories, "old dirs");
  EXPECT_EQ(searchOptions, Recurse | WholeWords) << "as loaded when the dialog opened";
  EXPECT_EQ(countHistoryEntries(kFileMaskPattern), 0);
  View after = peek(0);
  EXPECT_EQ(after.boxes, Recurse | WholeWords);
  EXPECT_THAT(after.texts, ElementsAre("kept"));
}

TEST_F(SearchDialogTest, SelectedNodesInTheHistoryShowOnlyWithNodes) {
  pushHistory(kDirectoriesPattern, "C:\\src");
  pushHistory(kDirectoriesPattern, "[Selected Nodes]");
  pushHistory(kDirectoriesPattern, "D:\\other");
  EXPECT_THAT(peek(0).directoryList,
              ElementsAre("D:\\other", "C:\\src", "[Current Directory]", "[Current Path]"));
  View withNodes = peek(1);
  EXPECT_THAT(withNodes.directoryList, ElementsAre("D:\\other", "[Selected Nodes]", "C:\\src",
                                                   "[Current Directory]", "[Current Path]"));
  EXPECT_EQ(withNodes.directories, "D:\\other");
  EXPECT_EQ(withNodes.recurseLabel, "&Recurse Subdirectories");
}

TEST_F(SearchDialogTest, AFileTypeDifferingOnlyInCaseIsNotListedTwice) {
  pushHistory(kFileMaskPattern, "[HEADER FILES (.h;.hpp;.rh)]");
  pushHistory(kFileMaskPattern, "*.txt");
  View v = peek(0);
  EXPECT_EQ(v.fileType, "*.txt");
  std::vector<std::string> expected{"*.txt", "[HEADER FILES (.h;.hpp;.rh)]"};
  for (const std::string& fixed : kFileTypes)
    if (fixed != kFileTypes[1]) expected.push_back(fixed);
  EXPECT_EQ(v.fileTypes, expected);
}

TEST_F(SearchDialogTest, ALongTextIsCutTo499Characters) {
  std::string typed(600, 'q');
  vantrel::DialogScript script;
  script.type(101, typed).click(IDOK);
  EXPECT_EQ(open(0, script), 1);
  EXPECT_EQ(std::string(textToFind), std::string(499, 'q'));
  char stored[kSettingSize];
  ASSERT_TRUE(readHistoryEntry(kTextToFindPattern, 1, stored));
  EXPECT_EQ(std::string(stored), std::string(499, 'q'));
}

TEST_F(SearchDialogTest, EnterCannotAcceptWhileAFieldIsEmpty) {
  vantrel::DialogScript script;
  script.key(VK_RETURN).then([](HWND dialog) { EXPECT_FALSE(VwinDialogEnded(dialog, nullptr)); });
  script.click(IDOK);
  EXPECT_EQ(open(0, script), 0);  // the script stops at the disabled OK and Esc cancels
  EXPECT_STREQ(textToFind, "old text");
  char stored[kSettingSize];
  EXPECT_FALSE(readSetting("Options", stored));
}

TEST_F(SearchDialogTest, TheDialogIsCentredOnItsOwnerAndKeptOnTheScreen) {
  // 466 x 270 pixels on a 640 x 400 screen.
  EXPECT_EQ(peek(0).rect.left, (640 - 466) / 2);
  EXPECT_EQ(peek(0).rect.top, (400 - 270) / 2);

  HWND ide = CreateWindowExA(0, "ide", "IDE", WS_POPUP, 300, 20, 500, 100, nullptr, nullptr,
                             nullptr, nullptr);
  display_.setActiveWindow(ide);
  RECT r = peek(0).rect;
  EXPECT_EQ(r.left, 640 - 466) << "kept inside the screen's right edge";
  EXPECT_EQ(r.top, 0) << "20 + (100 - 270) / 2 is above the screen";
  display_.setActiveWindow(nullptr);
  DestroyWindow(ide);

  vwin::setScreenSize(320, 160);
  r = peek(0).rect;
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right, 466);
}

TEST_F(SearchDialogTest, ARegistryThatCannotBeWrittenStillLetsTheSearchRun) {
  setenv("VANTREL_REGISTRY", "/proc/self/no-such-dir/registry.sqlite3", 1);
  vantrel::DialogScript script;
  View opened;
  script.then([&opened](HWND dialog) { opened = look(dialog); })
      .type(101, "still searched")
      .check(107, true)
      .click(IDOK);
  EXPECT_EQ(open(0, script), 1);
  EXPECT_TRUE(opened.texts.empty());
  EXPECT_EQ(opened.boxes, 0);
  EXPECT_STREQ(textToFind, "still searched");
  EXPECT_EQ(searchOptions, Asynchronous);
  EXPECT_EQ(countHistoryEntries(kTextToFindPattern), 0);
}

TEST_F(SearchDialogTest, WithoutADisplayTheDialogCannotBeCreated) {
  VwinSetDisplay(nullptr);
  EXPECT_EQ(showSearchDialog(0), -1);
  EXPECT_STREQ(textToFind, "old text");
}

// A run killed at any moment leaves each list as it was before its OK or as it is after, never
// with a text doubled or lost: a child confirms the dialog with new texts in every field, over and
// over, and is killed at a random moment of one of its OKs.
TEST_F(SearchDialogTest, AKillDuringOkLeavesTheOldListsOrTheNew) {
  auto texts = [](const char* prefix, int newest) {
    std::vector<std::string> list;
    for (int i = newest; i > newest - kHistoryLength; --i)
      list.push_back(prefix + std::to_string(i));
    return list;
  };
  srand(static_cast<unsigned>(getpid()));
  for (int round = 0; round < 3; ++round) {
    setenv("VANTREL_REGISTRY", (dir_ + "/round" + std::to_string(round)).c_str(), 1);
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    pid_t pid = fork();
    if (pid == 0) {
      close(fds[0]);
      for (int i = 0;; ++i) {
        vantrel::DialogScript script;
        std::string n = std::to_string(i);
        script.type(101, "t" + n).type(102, "f" + n).type(103, "d" + n).click(IDOK);
        if (open(0, script) != 1) _exit(1);
        if (write(fds[1], &i, sizeof i) != sizeof i) _exit(3);
      }
    }
    close(fds[1]);
    int last = -1, i;
    auto start = std::chrono::steady_clock::now();
    while (last < 17 && read(fds[0], &i, sizeof i) == sizeof i) last = i;
    auto perOk = (std::chrono::steady_clock::now() - start) / 18;
    std::this_thread::sleep_for(perOk * (rand() % 100) / 100);
    kill(pid, SIGKILL);
    int status;
    waitpid(pid, &status, 0);
    while (read(fds[0], &i, sizeof i) == sizeof i) last = i;
    close(fds[0]);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the child failed on its own: " << status;
    for (auto [pattern, prefix] : {std::pair<const char*, const char*>{kTextToFindPattern, "t"},
                                   {kFileMaskPattern, "f"},
                                   {kDirectoriesPattern, "d"}}) {
      HistoryList list;
      readHistory(pattern, &list);
      std::vector<std::string> left(list.entries, list.entries + list.count);
      EXPECT_TRUE(left == texts(prefix, last) || left == texts(prefix, last + 1))
          << "round " << round << ", last OK " << last << ": " << testing::PrintToString(left);
    }
  }
}

}  // namespace
