// The mask list made from the file-type text: parentheses, upper-casing, separators, empty
// entries ending the list, and the bounds of the work area and of the field.
#include "search/job.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/code_page.h"

namespace {

// Prepares `mask` and answers the entries a reader of the list sees.
std::vector<std::string> maskList(const std::string& mask) {
  memset(fileMask, 'x', sizeof fileMask);  // no help from leftovers
  memcpy(fileMask, mask.c_str(), mask.size() + 1);
  prepareFileMask();
  std::vector<std::string> entries;
  for (const char* entry = fileMask; *entry; entry += strlen(entry) + 1) {
    EXPECT_LT(entry - fileMask, kTextSize);
    entries.push_back(entry);
  }
  return entries;
}

using List = std::vector<std::string>;

TEST(PrepareFileMask, TakesTheListInsideParentheses) {
  EXPECT_EQ(maskList("[Source Files (.c;.cpp;.cc)]"), (List{".C", ".CPP", ".CC"}));
  EXPECT_EQ(maskList("(.c;.h)"), (List{".C", ".H"}));
  // A ")" before the first "(" leaves the text whole.
  EXPECT_EQ(maskList(")x(;*.c"), (List{")X(", "*.C"}));
  EXPECT_EQ(maskList("()"), List{});
}

TEST(PrepareFileMask, SplitsAtSemicolonAndCommaWithoutTrimming) {
  EXPECT_EQ(maskList("*.txt, *.log"), (List{"*.TXT", " *.LOG"}));
  EXPECT_EQ(maskList("*.c;*.h,*.rc"), (List{"*.C", "*.H", "*.RC"}));
  EXPECT_EQ(maskList(".c;"), List{".C"});
}

TEST(PrepareFileMask, AnEmptyEntryEndsTheList) {
  EXPECT_EQ(maskList(".c;;.h"), List{".C"});
  EXPECT_EQ(maskList(";.c"), List{});
  EXPECT_EQ(maskList(",.c"), List{});
}

TEST(PrepareFileMask, UpperCasesInTheAnsiCodePage) {
  {
    ScopedCodePage windows1252(1252);
    EXPECT_EQ(maskList("*.\xE9t\xE9"), List{"*.\xC9T\xC9"});
  }
  ScopedCodePage utf8(CP_UTF8);
  EXPECT_EQ(maskList("caf\xC3\xA9*;\xE6\x97\xA5*"), (List{"CAF\xC3\x89*", "\xE6\x97\xA5*"}));
}

TEST(PrepareFileMask, CutsALongParenthesisedTextAt259Characters) {
  std::string inside(300, 'a');
  inside[0] = '.';
  std::vector<std::string> entries = maskList("[Long (" + inside + ")]");
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0], "." + std::string(258, 'A'));
}

TEST(PrepareFileMask, AFullFieldKeepsItsListInsideTheBuffer) {
  // 499 characters leave no byte after the terminator for the list's end; the last character
  // gives way to it.
  std::string mask = "*.c;" + std::string(495, 'b');
  std::vector<std::string> entries = maskList(mask);
  EXPECT_EQ(entries, (List{"*.C", std::string(494, 'B')}));
  // A full field ending in a separator loses nothing.
  mask = std::string(498, 'c') + ";";
  EXPECT_EQ(maskList(mask), List{std::string(498, 'C')});
}

}  // namespace
