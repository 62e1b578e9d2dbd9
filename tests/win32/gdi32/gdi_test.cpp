// Drawing into a window's cells: device contexts, fonts read back through GetObjectA, colours,
// and ExtTextOutA's clipping and opaque fill on the pixel-to-cell mapping of win32/user32/window.h,
// and the cells written only when read (win32/gdi32/deferred_text.h).
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "win32/gdi32/deferred_text.h"
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

TEST_F(GdiTest, CellsReadLateAreThoseReadAfterEveryDraw) {
  // The same random draws into two windows, one read after every draw and one read only at the
  // end (and across a resize): the queued draws, those dropped as overwritten included, must
  // leave the very cells eager drawing left.
  struct Run {
    const char* name;
    int opaqueShare;  // in 4: how often a draw fills its rectangle
    bool resize;      // the late window is resized halfway, as a terminal may be
  };
  for (const Run& run : {Run{"progress-like", 4, false}, Run{"mixed", 2, false},
                         Run{"mixed, resized", 2, true}, Run{"never opaque", 0, false}}) {
    HWND eager = CreateWindowExA(0, "status", "", WS_POPUP, 0, 0, 20 * vwin::kCellWidth,
                                 2 * vwin::kCellHeight, nullptr, nullptr, nullptr, nullptr);
    HWND late = CreateWindowExA(0, "status", "", WS_POPUP, 0, 0, 20 * vwin::kCellWidth,
                                2 * vwin::kCellHeight, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(eager, nullptr);
    ASSERT_NE(late, nullptr);
    std::mt19937 random(11);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    for (int round = 0; round < 600; ++round) {
      if (run.resize && round == 300) {
        ASSERT_TRUE(MoveWindow(eager, 0, 0, 12 * vwin::kCellWidth, 3 * vwin::kCellHeight, FALSE));
        ASSERT_TRUE(MoveWindow(late, 0, 0, 12 * vwin::kCellWidth, 3 * vwin::kCellHeight, FALSE));
      }
      RECT r{pick(-10, 150), pick(-10, 40), 0, 0};
      r.right = r.left + pick(0, 170);
      r.bottom = r.top + pick(0, 40);
      if (round % 3 == 0) r = RECT{2, 3, pick(2, 160), 29};  // a progress bar's two parts
      UINT options =
          (pick(0, 3) < run.opaqueShare ? ETO_OPAQUE : 0) | (pick(0, 1) ? ETO_CLIPPED : 0);
      int x = pick(-30, 160), y = pick(-10, 40);
      std::string text(static_cast<size_t>(pick(0, 30)), 'a');
      for (char& c : text) c = static_cast<char>('a' + pick(0, 25));
      COLORREF bg = RGB(pick(0, 3), 0, 0), fg = RGB(0, pick(0, 3), 0);
      for (HWND w : {eager, late}) {
        HDC dc = GetDC(w);
        SetBkColor(dc, bg);
        SetTextColor(dc, fg);
        ASSERT_TRUE(ExtTextOutA(dc, x, y, options, &r, text.data(), static_cast<UINT>(text.size()),
                                nullptr));
        ReleaseDC(w, dc);
      }
      vwin::copySurface(eager);
    }
    vwin::Surface drawn = vwin::copySurface(eager), read = vwin::copySurface(late);
    ASSERT_EQ(read.cols, drawn.cols) << run.name;
    for (int row = 0; row < drawn.rows; ++row)
      for (int col = 0; col < drawn.cols; ++col)
        ASSERT_EQ(read.at(col, row), drawn.at(col, row)) << run.name << " " << col << "," << row;
    DestroyWindow(eager);
    DestroyWindow(late);
  }
}

TEST_F(GdiTest, AProgressLineNobodyReadsWritesAlmostNoCells) {
  // A search's progress line redrawn for 10,000 files into a window no display reads: the
  // overwritten draws are never rendered, and what is read at the end is the last line.
  HDC dc = GetDC(window);
  unsigned long long before = vwin::DeferredText::cellsWritten();
  for (int file = 0; file < 10000; ++file) {
    std::string text = "file " + std::to_string(file);
    int split = 2 + file * 140 / 10000;
    RECT done{2, 3, split, 13}, remaining{split, 3, 150, 13};
    SetBkColor(dc, RGB(0, 0, 128));
    ExtTextOutA(dc, 2, 3, ETO_CLIPPED | ETO_OPAQUE, &done, text.data(),
                static_cast<UINT>(text.size()), nullptr);
    SetBkColor(dc, RGB(192, 192, 192));
    ExtTextOutA(dc, 2, 3, ETO_CLIPPED | ETO_OPAQUE, &remaining, text.data(),
                static_cast<UINT>(text.size()), nullptr);
  }
  ReleaseDC(window, dc);
  // Each redraw writes the bar's 19 cells; drawn eagerly that is 380,000 cells.
  EXPECT_LT(vwin::DeferredText::cellsWritten() - before, 19u * 400);
  vwin::Surface s = vwin::copySurface(window);
  EXPECT_EQ(s.rowText(0), "file 9999" + std::string(11, ' '));
  EXPECT_EQ(s.at(17, 0).bg, RGB(0, 0, 128));
  EXPECT_EQ(s.at(18, 0).bg, RGB(192, 192, 192));
  EXPECT_EQ(display.changed.size(), 20000u);  // the host is still told of every draw
}

}  // namespace
