// The window table: handles, rectangles of children relative to their parent, texts, surfaces.
#include "win32/user32/window.h"

#include "win32/include/winbase.h"

#include <gtest/gtest.h>

namespace {

TEST(WindowTest, ChildRectanglesFollowTheirParent) {
  HWND top = CreateWindowExA(0, "#32770", "Top", WS_POPUP, 10, 20, 200, 100, nullptr, nullptr,
                             nullptr, nullptr);
  ASSERT_NE(top, nullptr);
  HWND child = CreateWindowExA(0, "static", "x", WS_CHILD, 5, 6, 40, 16, top,
                               reinterpret_cast<HANDLE>(101), nullptr, nullptr);
  RECT r;
  ASSERT_TRUE(GetWindowRect(child, &r));
  EXPECT_EQ(r.left, 15);
  EXPECT_EQ(r.top, 26);
  EXPECT_EQ(GetDlgItem(top, 101), child);
  EXPECT_EQ(GetParent(child), top);

  ASSERT_TRUE(SetWindowPos(top, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER));
  ASSERT_TRUE(GetWindowRect(child, &r));
  EXPECT_EQ(r.left, 5);
  EXPECT_EQ(r.top, 6);
  ASSERT_TRUE(GetClientRect(top, &r));
  EXPECT_EQ(r.right, 200);
  EXPECT_EQ(r.bottom, 100);

  ASSERT_TRUE(DestroyWindow(top));
  EXPECT_FALSE(IsWindow(child));
  EXPECT_FALSE(GetWindowRect(top, &r));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST(WindowTest, TextIsCutToTheCallersBuffer) {
  HWND w = CreateWindowExA(0, "static", "abcdef", WS_POPUP, 0, 0, 80, 16, nullptr, nullptr,
                           nullptr, nullptr);
  char buffer[4];
  EXPECT_EQ(GetWindowTextA(w, buffer, sizeof buffer), 3);
  EXPECT_STREQ(buffer, "abc");
  EXPECT_EQ(GetWindowTextLengthA(w), 6);
  DestroyWindow(w);
}

TEST(WindowTest, SurfaceFollowsTheClientSizeInCells) {
  HWND w = CreateWindowExA(0, "status", "", WS_POPUP, 0, 0, 80 * vwin::kCellWidth,
                           vwin::kCellHeight, nullptr, nullptr, nullptr, nullptr);
  vwin::Surface s = vwin::copySurface(w);
  EXPECT_EQ(s.cols, 80);
  EXPECT_EQ(s.rows, 1);
  EXPECT_EQ(s.rowText(0), std::string(80, ' '));
  DestroyWindow(w);
}

}  // namespace
