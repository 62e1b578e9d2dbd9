// The nearest-colour mapping the full-screen program draws with on 256, 16 and 8 colour
// terminals. Covers host/tui/tui_palette.cpp; the colours seen on a terminal are checked by
// tests/host/tui/tui_app_test.cpp.
#include "host/tui/tui_palette.h"

#include <gtest/gtest.h>

namespace {

TEST(PaletteTest, NearestColoursOfEachKindOfTerminal) {
  // The progress bar's colours on 256, 16 and 8 colours.
  EXPECT_EQ(tui::nearestColor(RGB(0, 0, 255), 256), 21);
  EXPECT_EQ(tui::nearestColor(RGB(255, 255, 255), 256), 231);
  EXPECT_EQ(tui::nearestColor(RGB(192, 192, 192), 256), 250);
  EXPECT_EQ(tui::nearestColor(RGB(0, 0, 128), 256), 18);
  EXPECT_EQ(tui::nearestColor(RGB(0, 0, 255), 16), 12);
  EXPECT_EQ(tui::nearestColor(RGB(255, 255, 255), 16), 15);
  EXPECT_EQ(tui::nearestColor(RGB(192, 192, 192), 16), 7);
  EXPECT_EQ(tui::nearestColor(RGB(0, 0, 128), 16), 4);
  EXPECT_EQ(tui::nearestColor(RGB(0, 0, 255), 8), 4);
  EXPECT_EQ(tui::nearestColor(RGB(255, 255, 255), 8), 7);
  EXPECT_EQ(tui::nearestColor(RGB(0, 0, 128), 8), 4);
  EXPECT_EQ(tui::nearestColor(RGB(0, 0, 0), 8), 0);
  // Every colour of a palette is its own nearest.
  for (int i = 16; i < 256; ++i) EXPECT_EQ(tui::nearestColor(tui::standardColor(i), 256), i) << i;
  for (int i = 0; i < 16; ++i) EXPECT_EQ(tui::nearestColor(tui::standardColor(i), 16), i) << i;
}

}  // namespace
