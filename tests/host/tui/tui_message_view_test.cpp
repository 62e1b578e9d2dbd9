// The message window's mouse handling in-process, on a real list fed by the host's message
// window: which row a click selects after the wheel scrolled, the wheel's limits, a second click
// on a row, and keys moving on from a clicked row. Drawing is checked on a terminal
// (tests/host/tui/tui_app_test.cpp). Covers the click and wheel parts of
// host/tui/tui_message_view.cpp.
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
  void addHits(int hits, const std::string& file = "Z:\\a.c") {
    MessageGroup* g =
        host_.messageWindow()->openGroup(newString(file.c_str()), newString("Vantrel"));
    int h = g->addHeading(newString(file.c_str()), newString(("Vantreling " + file).c_str()));
    for (int line = 1; line <= hits; ++line)
      g->addEntry(h, newString(("hit " + std::to_string(line)).c_str()), newString(file.c_str()),
                  line, 1, 3);
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

// The screen's first row is the page's header; the list starts in the second, where the heading
// of the file whose hits the view starts in stays pinned.
TEST_F(MessageViewTest, AClickSelectsTheRowTheWheelScrolledUnderIt) {
  addHits(40);  // 41 rows in 9 list rows; the view can start at most at row 32
  ASSERT_EQ(list_->size(), 41u);
  EXPECT_FALSE(view_.click(2, kHeight));
  EXPECT_EQ(selectedLine(), 1);
  // Three rows a notch.
  view_.wheel(2, kHeight);
  EXPECT_FALSE(view_.click(2, kHeight));
  EXPECT_EQ(selectedLine(), 7);
  // The pinned heading stands for its file's heading.
  EXPECT_FALSE(view_.click(1, kHeight));
  ASSERT_TRUE(view_.selected());
  EXPECT_EQ(view_.selected()->kind, tui::Row::kHeading);
  view_.wheel(-1, kHeight);
  EXPECT_FALSE(view_.click(3, kHeight));
  EXPECT_EQ(selectedLine(), 5);
  // The wheel stops at the last row at the bottom, and at the first at the top.
  view_.wheel(100, kHeight);
  EXPECT_FALSE(view_.click(kHeight - 1, kHeight));
  EXPECT_EQ(selectedLine(), 40);
  view_.wheel(-100, kHeight);
  EXPECT_FALSE(view_.click(1, kHeight));
  ASSERT_TRUE(view_.selected());
  EXPECT_EQ(view_.selected()->kind, tui::Row::kHeading);
  // The header is no row.
  EXPECT_FALSE(view_.click(0, kHeight));
  EXPECT_EQ(view_.selected()->kind, tui::Row::kHeading);
}

TEST_F(MessageViewTest, ASecondClickOnARowAsksToOpenItAndClicksPastTheEndDoNothing) {
  addHits(3);
  EXPECT_FALSE(view_.click(3, kHeight));
  EXPECT_TRUE(view_.click(3, kHeight));
  EXPECT_EQ(selectedLine(), 2);
  // Below the last row, or outside the window: nothing selected, nothing to open.
  EXPECT_FALSE(view_.click(5, kHeight));
  EXPECT_FALSE(view_.click(kHeight, kHeight));
  EXPECT_FALSE(view_.click(-1, kHeight));
  EXPECT_EQ(selectedLine(), 2);
  // Another row, then back: each first click only selects.
  EXPECT_FALSE(view_.click(2, kHeight));
  EXPECT_FALSE(view_.click(3, kHeight));
  // A wheel with fewer rows than the window moves nothing.
  view_.wheel(1, kHeight);
  EXPECT_TRUE(view_.click(3, kHeight));
}

TEST_F(MessageViewTest, KeysMoveOnFromTheClickedRowNotFromWhereTheWheelLeftTheView) {
  addHits(40);
  view_.click(6, kHeight);
  view_.wheel(5, kHeight);
  ASSERT_TRUE(view_.handleKey(tui::Key{tui::Key::kDown}, kHeight));
  EXPECT_EQ(selectedLine(), 6);
  view_.wheel(-5, kHeight);
  ASSERT_TRUE(view_.handleKey(tui::Key{tui::Key::kUp}, kHeight));
  EXPECT_EQ(selectedLine(), 5);
}

TEST_F(MessageViewTest, TabGoesFromFileToFileSpaceFoldsAndHitStepsSkipFoldedFiles) {
  addHits(3, "Z:\\a.c");
  addHits(2, "Z:\\b.c");
  view_.draw(kHeight);  // a page shown anew selects its first hit
  EXPECT_EQ(selectedLine(), 1);
  auto selectedKind = [&] {
    return view_.selected() ? view_.selected()->kind : tui::Row::kMessage;
  };
  ASSERT_TRUE(view_.handleKey(tui::Key{tui::Key::kTab}, kHeight));
  EXPECT_EQ(selectedKind(), tui::Row::kHeading);
  EXPECT_EQ(view_.selected()->file, 1);
  ASSERT_TRUE(view_.handleKey(tui::Key{tui::Key::kTab}, kHeight));
  EXPECT_EQ(view_.selected()->file, 1);  // the last file stays
  ASSERT_TRUE(view_.handleKey(tui::Key{tui::Key::kDown}, kHeight));
  // Back from a hit: its own heading, then the file before.
  ASSERT_TRUE(view_.handleKey(tui::Key{tui::Key::kBackTab}, kHeight));
  EXPECT_EQ(selectedKind(), tui::Row::kHeading);
  EXPECT_EQ(view_.selected()->file, 1);
  ASSERT_TRUE(view_.handleKey(tui::Key{tui::Key::kBackTab}, kHeight));
  EXPECT_EQ(view_.selected()->file, 0);
  view_.toggleSelected();
  EXPECT_TRUE(view_.selected()->folded);
  EXPECT_EQ(list_->size(), 4u);
  // The next hit is past the folded file's; none is before it.
  EXPECT_TRUE(view_.stepHit(1));
  EXPECT_EQ(view_.selected()->file, 1);
  EXPECT_EQ(selectedLine(), 1);
  EXPECT_FALSE(view_.stepHit(-1));
  view_.handleKey(tui::Key{tui::Key::kHome}, kHeight);
  view_.toggleSelected();
  EXPECT_EQ(list_->size(), 7u);
}

}  // namespace
