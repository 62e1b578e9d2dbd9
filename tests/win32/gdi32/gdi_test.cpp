// Drawing into a window's cells: device contexts, fonts read back through GetObjectA, colours,
// and ExtTextOutA's clipping and opaque fill on the pixel-to-cell mapping of win32/user32/window.h.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "win32/include/windows.h"
#include "win32/user32/display.h"
#include "win32/user32/window.h"

namespace {

// Records which windows the layer reported as drawn.
class ChangeRecorder : public vwin::Display {
 public:
  void beep(UINT) override {}
  int messageBox(HWND, LPCSTR, LPCSTR, UINT) override { return 0; }
  bool runModal(HWND) override { return false; }
  void surfaceChanged(HWND window) override { changed.push_back(window); }
  std::vector<HWND> changed;
};

class GdiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    VwinSetDisplay(&display);
    window = CreateWindowExA(0, "status", "", WS_POPUP, 0, 0, 20 * vwin::kCellWidth,
                             2 * vwin::kCellHeight, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
  }
  void TearDown() override {
    DestroyWindow(window);
    VwinSetDisplay(nullptr);
  }
  ChangeRecorder display;
  HWND window = nullptr;
};

TEST_F(GdiTest, FontRecordsItsDescriptionAndSwapsWithTheStockFont) {
  HFONT font = CreateFontA(8, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0,
                           VARIABLE_PITCH | FF_SWISS, "MS Sans Serif");
  ASSERT_NE(font, nullptr);
  LOGFONTA lf;
  ASSERT_EQ(GetObjectA(font, sizeof lf, &lf), static_cast<int>(sizeof lf));
  EXPECT_EQ(lf.lfHeight, 8);
  EXPECT_EQ(lf.lfWeight, 400);
  EXPECT_EQ(lf.lfPitchAndFamily, 0x22);
  EXPECT_STREQ(lf.lfFaceName, "MS Sans Serif");

  HDC dc = GetDC(window);
  ASSERT_NE(dc, nullptr);
  HGDIOBJ stock = SelectObject(dc, font);
  ASSERT_NE(stock, nullptr);
  EXPECT_EQ(SelectObject(dc, stock), font);
  EXPECT_EQ(SetBkColor(dc, RGB(1, 2, 3)), RGB(255, 255, 255));
  EXPECT_EQ(SetBkColor(dc, RGB(4, 5, 6)), RGB(1, 2, 3));
  EXPECT_EQ(ReleaseDC(window, dc), 1);
  EXPECT_EQ(ReleaseDC(window, dc), 0);  // released twice: refused, not freed again
  EXPECT_EQ(SetTextColor(dc, 0), CLR_INVALID);

  EXPECT_TRUE(DeleteObject(font));
  EXPECT_FALSE(DeleteObject(font));
  EXPECT_EQ(GetObjectA(font, sizeof lf, &lf), 0);
  EXPECT_TRUE(DeleteObject(stock));  // stock objects survive deletion
  EXPECT_EQ(GetObjectA(stock, sizeof lf, &lf), static_cast<int>(sizeof lf));
}

TEST_F(GdiTest, ClippedOpaqueTextFillsOnlyItsRectangle) {
  HDC dc = GetDC(window);
  ASSERT_NE(dc, nullptr);
  SetBkColor(dc, RGB(0, 0, 255));
  SetTextColor(dc, RGB(255, 255, 255));
  // Pixels [2, 43) hold the centres of columns 0..4 (centre 8c+4); row 0 from its centre 8.
  RECT done{2, 3, 43, 14};
  ASSERT_TRUE(ExtTextOutA(dc, 2, 3, ETO_CLIPPED | ETO_OPAQUE, &done, "abcdefgh", 8, nullptr));
  SetBkColor(dc, RGB(192, 192, 192));
  SetTextColor(dc, RGB(0, 0, 128));
  RECT rest{43, 3, 99, 14};  // columns 5..11
  ASSERT_TRUE(ExtTextOutA(dc, 2, 3, ETO_CLIPPED | ETO_OPAQUE, &rest, "abcdefgh", 8, nullptr));
  ReleaseDC(window, dc);

  vwin::Surface s = vwin::copySurface(window);
  EXPECT_EQ(s.rowText(0), "abcdefgh    " + std::string(8, ' '));
  EXPECT_EQ(s.rowText(1), std::string(20, ' '));
  for (int c = 0; c < 5; ++c) {
    EXPECT_EQ(s.at(c, 0).bg, RGB(0, 0, 255)) << c;
    EXPECT_EQ(s.at(c, 0).fg, RGB(255, 255, 255)) << c;
  }
  for (int c = 5; c < 12; ++c) {
    EXPECT_EQ(s.at(c, 0).bg, RGB(192, 192, 192)) << c;
    EXPECT_EQ(s.at(c, 0).fg, RGB(0, 0, 128)) << c;
  }
  EXPECT_EQ(s.at(12, 0), vwin::Cell{});  // right of the rectangles: untouched
  EXPECT_EQ(display.changed, (std::vector<HWND>{window, window}));
}

TEST_F(GdiTest, TextPastTheSurfaceOrUnclippedIsDrawnWhereItFalls) {
  HDC dc = GetDC(window);
  RECT tiny{0, 0, 8, 16};
  // Without ETO_CLIPPED the text runs on past the rectangle; past the surface it is dropped.
  ASSERT_TRUE(ExtTextOutA(dc, 17 * vwin::kCellWidth, 16, 0, &tiny, "xyzw", 4, nullptr));
  ASSERT_TRUE(ExtTextOutA(dc, -2 * vwin::kCellWidth, 0, ETO_CLIPPED, &tiny, "pq", 2, nullptr));
  ASSERT_TRUE(ExtTextOutA(dc, 0, 40, 0, nullptr, "gone", 4, nullptr));  // row 3: no such row
  ReleaseDC(window, dc);
  vwin::Surface s = vwin::copySurface(window);
  EXPECT_EQ(s.rowText(1), std::string(17, ' ') + "xyz");
  EXPECT_EQ(s.rowText(0), std::string(20, ' '));  // "q" fell at column -1, "p" at -2
  EXPECT_EQ(GetDC(reinterpret_cast<HWND>(0x1)), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(GdiTest, EveryCellFollowsTheCentreRuleWhereverTextAndRectangleFall) {
  // Random origins and rectangles, off the pixel grid and partly outside the window, against
  // the rule itself: a cell is covered when its centre lies in the rectangle, and character i
  // lands in column (x + 8i + 4) / 8 of row (y + 8) / 16 (rounded down).
  std::mt19937 random(7);
  auto floorDiv = [](int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); };
  for (int round = 0; round < 400; ++round) {
    HDC dc = GetDC(window);
    ASSERT_NE(dc, nullptr);
    SetBkColor(dc, RGB(0, 0, 0));
    RECT wipe{0, 0, 20 * vwin::kCellWidth, 2 * vwin::kCellHeight};
    ASSERT_TRUE(ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &wipe, "", 0, nullptr));
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    RECT r{pick(-20, 170), pick(-20, 40), 0, 0};
    r.right = r.left + pick(-4, 120);
    r.bottom = r.top + pick(-4, 40);
    int x = pick(-40, 170), y = pick(-20, 40);
    UINT options = static_cast<UINT>(pick(0, 3)) & (ETO_CLIPPED | ETO_OPAQUE);
    SetBkColor(dc, RGB(1, 2, 3));
    std::string text = "0123456789ABCDEFGHIJKLMNOPQRSTUV";
    ASSERT_TRUE(ExtTextOutA(dc, x, y, options, &r, text.c_str(), 24, nullptr));
    ReleaseDC(window, dc);

    vwin::Surface s = vwin::copySurface(window);
    for (int row = 0; row < 2; ++row) {
      for (int col = 0; col < 20; ++col) {
        int cx = col * 8 + 4, cy = row * 16 + 8;
        bool inRect = cx >= r.left && cx < r.right && cy >= r.top && cy < r.bottom;
        char expected = ' ';
        int i = col - floorDiv(x + 4, 8);
        if (row == floorDiv(y + 8, 16) && i >= 0 && i < 24 && (!(options & ETO_CLIPPED) || inRect))
          expected = text[static_cast<size_t>(i)];
        bool painted = expected != ' ' || ((options & ETO_OPAQUE) && inRect);
        ASSERT_EQ(s.at(col, row).ch, expected)
            << "round " << round << " cell " << col << "," << row;
        ASSERT_EQ(s.at(col, row).bg, painted ? RGB(1, 2, 3) : RGB(0, 0, 0))
            << "round " << round << " cell " << col << "," << row;
      }
    }
  }
}

}  // namespace
