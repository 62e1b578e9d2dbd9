// Result output on the real host services and the recording display: free-standing messages cut at
// 220 characters, file headings, a file's group in the scan's layout, and the message box with its
// beep; no host object left behind.
#include "search/output.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "addon/host_access.h"
#include "host/ide/host.h"
#include "host/posix/recording_display.h"
#include "win32/user32/display.h"

namespace {

using host::MessageEvent;
using Kind = host::MessageEvent::Kind;

class OutputTest : public ::testing::Test {
 protected:
  void SetUp() override { live = hostLiveObjects(); }
  void TearDown() override {
    VwinSetDisplay(nullptr);
    display.reset();
    releaseHostServer();
    sink.reset();
    host.reset();
    EXPECT_EQ(hostLiveObjects(), live);
    EXPECT_EQ(hostReleaseFaults(), 0);
  }
  void attach(const host::HostConfig& config = host::HostConfig()) {
    host.emplace(config);
    if (host->messageWindow()) sink = host->record();
    display.emplace(host->messageWindow());
    VwinSetDisplay(&*display);
    setHostServer(host->serverReference());
  }
  static MessageEvent group(int id, const std::string& title) {
    MessageEvent e;
    e.kind = Kind::Group;
    e.group = id;
    e.text = title;
    e.tool = "Vantrel";
    return e;
  }

  long live = 0;
  std::optional<host::Host> host;
  std::shared_ptr<host::RecordingSink> sink;
  std::optional<host::RecordingDisplay> display;
};

TEST_F(OutputTest, MessageIsAGroupWithOneHeadingOfTheSameText) {
  attach();
  printMessage("Vantrel : %ld found in %s (%s searched in %s)", static_cast<LONG>(12), "3 Files",
               "40 Files", "5 Directories");
  std::vector<MessageEvent> events = sink->events();
  ASSERT_EQ(events.size(), 2u);
  const std::string text = "Vantrel : 12 found in 3 Files (40 Files searched in 5 Directories)";
  EXPECT_EQ(events[0], group(1, text));
  EXPECT_EQ(events[1].kind, Kind::Heading);
  EXPECT_EQ(events[1].group, 1);
  EXPECT_EQ(events[1].file, std::nullopt);
  EXPECT_EQ(events[1].text, text);
  EXPECT_TRUE(display->beeps().empty());  // the caller beeps, not printMessage
}

TEST_F(OutputTest, LongMessagesAreShownWithTheirFirst220Characters) {
  attach();
  std::string long300(300, 'a');
  for (size_t i = 0; i < long300.size(); ++i) long300[i] = static_cast<char>('a' + i % 26);
  printMessage("%s", long300.c_str());
  // Past the 1000-byte formatting buffer: cut there first, never written past it.
  std::string long1500(1500, 'z');
  printMessage("Vantrel regular expression error : %s", long1500.c_str());
  std::vector<MessageEvent> events = sink->events();
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[0].text, long300.substr(0, 220));
  EXPECT_EQ(events[1].text, long300.substr(0, 220));
  std::string shown = ("Vantrel regular expression error : " + long1500).substr(0, 220);
  EXPECT_EQ(events[2].text, shown);
  EXPECT_EQ(events[3].text, shown);
}

TEST_F(OutputTest, WithoutAMessageWindowMessagesAreLostQuietly) {
  host::HostConfig config;
  config.messageWindow = false;
  attach(config);
  printMessage("Vantrel : User break !");
  EXPECT_TRUE(display->beeps().empty());
}

TEST_F(OutputTest, FileGroupHasOneHeadingAndItsEntriesUnderIt) {
  attach();
  const char* path = "C:\\src\\main.cpp";
  auto* window = static_cast<MessageWindowService*>(getService(IID_MessageWindowService));
  ASSERT_NE(window, nullptr);
  MessageGroup* file = window->openGroup(makeString(path), makeString("Vantrel"));
  ASSERT_NE(file, nullptr);
  int heading = writeFileHeading(file, path);
  EXPECT_NE(heading, 0);
  for (int line : {3, 7, 12})
    file->addEntry(heading, makeString("found it"), makeString(path), line, 5, 5);
  file->Release();
  window->Release();

  std::vector<MessageEvent> events = sink->events();
  ASSERT_EQ(events.size(), 5u);
  EXPECT_EQ(events[0], group(1, path));
  EXPECT_EQ(events[1].kind, Kind::Heading);
  EXPECT_EQ(events[1].handle, heading);
  EXPECT_EQ(events[1].file, std::optional<std::string>(path));
  EXPECT_EQ(events[1].text, "Vantreling C:\\src\\main.cpp");
  int lines[] = {3, 7, 12};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(events[2 + i].kind, Kind::Entry);
    EXPECT_EQ(events[2 + i].handle, heading);
    EXPECT_EQ(events[2 + i].line, lines[i]);
  }
}

TEST_F(OutputTest, HeadingOfAnOverlongPathIsCutToItsBuffer) {
  attach();
  auto* window = static_cast<MessageWindowService*>(getService(IID_MessageWindowService));
  ASSERT_NE(window, nullptr);
  std::string path(700, 'p');
  MessageGroup* file = window->openGroup(makeString(path.c_str()), makeString("Vantrel"));
  ASSERT_NE(file, nullptr);
  writeFileHeading(file, path.c_str());
  file->Release();
  window->Release();
  std::vector<MessageEvent> headings = sink->events(Kind::Heading);
  ASSERT_EQ(headings.size(), 1u);
  EXPECT_EQ(headings[0].text, ("Vantreling " + path).substr(0, 499));
  EXPECT_EQ(headings[0].file, std::optional<std::string>(path));
}

TEST_F(OutputTest, MessageBoxBeepsWithItsIconAndAnswersTheButton) {
  attach();
  display->queueAnswer(IDYES);
  HWND owner = reinterpret_cast<HWND>(0x1234);
  int answer = showMessageBox(owner, "Vantrel is currently running.\nDo you want to stop it ?",
                              "Vantrel", MB_YESNO | MB_ICONHAND);
  EXPECT_EQ(answer, IDYES);
  display->queueAnswer(IDNO);
  EXPECT_EQ(showMessageBox(nullptr, "%d of %s", "Count", MB_YESNO | MB_ICONEXCLAMATION, 3, "9"),
            IDNO);

  EXPECT_EQ(display->beeps(), (std::vector<UINT>{0x10, 0x30}));
  std::vector<host::MessageBoxRecord> boxes = display->messageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].owner, owner);
  EXPECT_EQ(boxes[0].text, "Vantrel is currently running.\nDo you want to stop it ?");
  EXPECT_EQ(boxes[0].caption, "Vantrel");
  EXPECT_EQ(boxes[0].type, 20u);
  EXPECT_EQ(boxes[1].text, "3 of 9");
  // The beep comes before the box.
  std::vector<MessageEvent> events = sink->events();
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[0].kind, Kind::Beep);
  EXPECT_EQ(events[1].kind, Kind::MessageBox);
}

}  // namespace
