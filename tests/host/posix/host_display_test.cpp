// The recording display installed in the real layer: beeps and message boxes recorded and
// forwarded to the message window, answers from a script, Esc at chosen queries, the modal
// driver and the active window.
#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "host/ide/host.h"
#include "host/posix/recording_display.h"
#include "win32/include/winuser.h"
#include "win32/user32/display.h"

namespace {

using host::MessageEvent;

class RecordingDisplayTest : public ::testing::Test {
 protected:
  void SetUp() override { live_ = hostLiveObjects(); }
  void TearDown() override {
    VwinSetDisplay(nullptr);
    EXPECT_EQ(hostLiveObjects(), live_);
  }
  long live_ = 0;
};

TEST_F(RecordingDisplayTest, BeepsAndBoxesAreRecordedAnsweredAndForwarded) {
  host::Host h;
  auto recording = h.record();
  host::RecordingDisplay display(h.messageWindow());
  VwinSetDisplay(&display);
  display.setDefaultAnswer(IDNO);
  display.queueAnswer(IDYES);

  MessageBeep(MB_ICONHAND);
  EXPECT_EQ(MessageBoxA(nullptr, "Stop?", "Vantrel", MB_YESNO | MB_ICONHAND), IDYES);
  EXPECT_EQ(MessageBoxA(nullptr, "Again?", "Vantrel", MB_YESNO), IDNO);  // queue empty: default
  std::thread worker([] { MessageBeep(0); });  // a worker search beeps too
  worker.join();

  EXPECT_EQ(display.beeps(), (std::vector<UINT>{MB_ICONHAND, 0}));
  ASSERT_EQ(display.messageBoxes().size(), 2u);
  EXPECT_EQ(display.messageBoxes()[0],
            (host::MessageBoxRecord{nullptr, "Stop?", "Vantrel", MB_YESNO | MB_ICONHAND, IDYES}));
  std::vector<MessageEvent> events = recording->events();
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[0].kind, MessageEvent::Kind::Beep);
  EXPECT_EQ(events[0].type, static_cast<UINT>(MB_ICONHAND));
  EXPECT_EQ(events[1].kind, MessageEvent::Kind::MessageBox);
  EXPECT_EQ(events[1].text, "Stop?");
  EXPECT_EQ(events[1].caption, "Vantrel");
  EXPECT_EQ(events[1].answer, IDYES);
  EXPECT_EQ(events[2].answer, IDNO);
  EXPECT_EQ(events[3].kind, MessageEvent::Kind::Beep);
}

TEST_F(RecordingDisplayTest, EscapeReadsPressedAtScriptedQueriesOnly) {
  host::RecordingDisplay display;
  VwinSetDisplay(&display);
  display.pressEscapeAtQuery(3);
  display.pressEscapeAtQuery(5);
  std::vector<bool> pressed;
  for (int i = 0; i < 6; ++i) pressed.push_back(GetAsyncKeyState(VK_ESCAPE) & 0x8001);
  EXPECT_EQ(pressed, (std::vector<bool>{false, false, true, false, true, false}));
  EXPECT_EQ(GetAsyncKeyState('A'), 0);  // other keys are not counted
  EXPECT_EQ(display.escapeQueries(), 6);
  display.pressEscape();  // as Ctrl-C does: the next query reads it, once
  EXPECT_EQ(GetAsyncKeyState(VK_ESCAPE), static_cast<SHORT>(0x8001));
  EXPECT_EQ(GetAsyncKeyState(VK_ESCAPE), 0);
}

TEST_F(RecordingDisplayTest, ModalRunsGoToTheDriverAndActiveWindowIsScripted) {
  host::RecordingDisplay display;
  VwinSetDisplay(&display);
  HWND dialog = reinterpret_cast<HWND>(0x1234);
  EXPECT_FALSE(display.runModal(dialog));  // no driver: the dialog cannot be driven
  HWND driven = nullptr;
  display.setModalDriver([&](HWND d) {
    driven = d;
    return true;
  });
  EXPECT_TRUE(display.runModal(dialog));
  EXPECT_EQ(driven, dialog);
  display.setModalDriver([](HWND) -> bool { throw std::runtime_error("driver fault"); });
  EXPECT_FALSE(display.runModal(dialog));  // nothing thrown back into the layer
  EXPECT_EQ(display.modalRuns(), 3);

  EXPECT_EQ(GetActiveWindow(), nullptr);
  HWND main = CreateWindowExA(0, "static", "IDE", WS_POPUP, 0, 0, 80, 16, nullptr, nullptr, nullptr,
                              nullptr);
  display.setActiveWindow(main);
  EXPECT_EQ(GetActiveWindow(), main);
  DestroyWindow(main);
}

}  // namespace
