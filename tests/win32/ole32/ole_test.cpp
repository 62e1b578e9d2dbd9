// OleInitialize and OleUninitialize counted per thread, and a failure made on demand. Covers
// win32/ole32/ole.cpp.
#include <gtest/gtest.h>

#include "win32/include/windows.h"
#include "win32/user32/display.h"

namespace {

TEST(OleTest, InitialisationsAreCountedPerThreadAndCanBeMadeToFail) {
  LONG base = VwinOleInitCount();
  EXPECT_EQ(OleInitialize(nullptr), S_OK);
  EXPECT_EQ(OleInitialize(nullptr), S_FALSE);
  EXPECT_EQ(VwinOleInitCount(), base + 2);
  OleUninitialize();
  OleUninitialize();
  OleUninitialize();  // one too many: nothing to undo
  EXPECT_EQ(VwinOleInitCount(), base);

  VwinSetOleFailure(E_OUTOFMEMORY);
  EXPECT_EQ(OleInitialize(nullptr), E_OUTOFMEMORY);
  EXPECT_EQ(VwinOleInitCount(), base);
  VwinSetOleFailure(S_OK);
  EXPECT_EQ(OleInitialize(nullptr), S_OK);
  OleUninitialize();
}

}  // namespace
