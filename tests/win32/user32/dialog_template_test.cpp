// Reading DLGTEMPLATEEX from the module's real "DLG_VANTREL" resource, and refusing templates
// cut short or without the extended signature. Covers win32/user32/dialog_template.cpp.
#include "win32/user32/dialog_template.h"

#include <gtest/gtest.h>

#include <vector>

#include "win32/include/windows.h"

namespace {

TEST(DialogTemplateTest, TruncatedTemplatesAreRefused) {
  HRSRC found = FindResourceA(nullptr, "DLG_VANTREL", RT_DIALOG);
  ASSERT_NE(found, nullptr);
  auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, found)));
  DWORD size = SizeofResource(nullptr, found);
  vwin::DialogTemplate t;
  ASSERT_TRUE(vwin::parseDialogTemplate(bytes, size, &t));
  EXPECT_EQ(t.items.size(), 14u);
  EXPECT_EQ(t.typeface, "MS Sans Serif");
  EXPECT_EQ(t.items[13].className, "button");
  EXPECT_EQ(t.items[0].id, -1);
  for (DWORD cut : {DWORD{0}, DWORD{10}, size / 2, size - 20})
    EXPECT_FALSE(vwin::parseDialogTemplate(bytes, cut, &t)) << cut;
  std::vector<BYTE> classic(bytes, bytes + size);
  classic[2] = 0;  // not the extended signature
  EXPECT_FALSE(vwin::parseDialogTemplate(classic.data(), size, &t));
}

}  // namespace
