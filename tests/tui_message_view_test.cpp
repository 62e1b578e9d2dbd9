// The message window's mouse handling in-process, on a real list fed by the host's message
// window: which row a click selects after the wheel scrolled, the wheel's limits, a second click
// on a row, and keys moving on from a clicked row. Drawing is checked on a terminal
// (tests/tui_app_test.cpp). Covers the click and wheel parts of host/tui/tui_message_view.cpp.
#include "host/tui/tui_message_view.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "host/ide/host.h"
#include "host/ide/host_string.h"

namespace {

using host::newString;

constexpr int kHeight = 10;

class MessageViewTest : public ::testing::Test {
 protected:
  // A heading and `hits` hits, hit N on line N: row N of the list.
  void SetUp() override { host_.messageWindow()->addSink(list_); }
  void addHits(int hits) {
    MessageGroup* g = host_.messageWindow()->openGroup(newString("Z:\\a.c"), newString("Vantrel"));
    int h = g->addHeading(newString("Z:\\a.c"), newString("Vantreling Z:\\a.c"));
    for (int line = 1; line <= hits; ++line)
      g->addEntry(h, newString(("hit " + std::to_string(line)).c_str()), newString("Z:\\a.c"), line,
                  1, 3);
    g->Release();
  }
  int selectedLine() {
    std::optional<tui::Row> row = view_.selected();
    return row ? row->line : -1;
  }

  host::Host host_;
  std::shared_ptr<tui::MessageList> list_ = std::make_shared<tui::MessageList>();
  tui::MessageView view_{*list_};
};

TEST_F(MessageViewTest, AClickSelectsTheRowTheWheelScrolledUnderIt) {
  addHits(40);  // 41 rows; the view can start at most at row 31
  ASSERT_EQ(list_->size(), 41u);
  EXPECT_FALSE(view_.click(2, kHeight));
  EXPECT_EQ(selectedLine(), 2);
  // Three rows a notch.
  view_.wheel(2, kHeight);
  EXPECT_FALSE(view_.click(0, kHeight));
  EXPECT_EQ(selectedLine(), 6);
  view_.wheel(-1, kHeight);
  EXPECT_FALSE(view_.click(1, kHeight));
  EXPECT_EQ(selectedLine(), 4);
  // The wheel stops at the last row at the bottom, and at the first at the top.
  view_.wheel(100, kHeight);
  EXPECT_FALSE(view_.click(kHeight - 1, kHeight));
  EXPECT_EQ(selectedLine(), 40);
  view_.wheel(-100, kHeight);
  EXPECT_FALSE(view_.click(0, kHeight));
  ASSERT_TRUE(view_.selected());
  EXPECT_EQ(view_.selected()->kind, tui::Row::kHeading);
}

TEST_F(MessageViewTest, ASecondClickOnARowAsksToOpenItAndClicksPastTheEndDoNothing) {
  addHits(3);
  EXPECT_FALSE(view_.click(2, kHeight));
  EXPECT_TRUE(view_.click(2, kHeight));
  EXPECT_EQ(selectedLine(), 2);
  // Below the last row, or outside the window: nothing selected, nothing to open.
  EXPECT_FALSE(view_.click(4, kHeight));
  EXPECT_FALSE(view_.click(kHeight, kHeight));
  EXPECT_FALSE(view_.click(-1, kHeight));
  EXPECT_EQ(selectedLine(), 2);
  // Another row, then back: each first click only selects.
  EXPECT_FALSE(view_.click(1, kHeight));
  EXPECT_FALSE(view_.click(2, kHeight));
  // A wheel with fewer rows than the window moves nothing.
  view_.wheel(1, kHeight);
  EXPECT_TRUE(view_.click(2, kHeight));
}

TEST_F(MessageViewTest, KeysMoveOnFromTheClickedRowNotFromWhereTheWheelLeftTheView) {
  addHits(40);
  view_.click(5, kHeight);
  view_.wheel(5, kHeight);
  ASSERT_TRUE(view_.handleKey(tui::Key{tui::Key::kDown}, kHeight));
  EXPECT_EQ(selectedLine(), 6);
  view_.wheel(-5, kHeight);
  ASSERT_TRUE(view_.handleKey(tui::Key{tui::Key::kUp}, kHeight));
  EXPECT_EQ(selectedLine(), 5);
}

}  // namespace
