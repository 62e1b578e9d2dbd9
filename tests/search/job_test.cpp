// The mask list made from the file-type text: parentheses, upper-casing, separators, empty
// entries left out, entries naming a folder, and the bounds of the work area and of the field.
#include "search/job.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/win32/kernel32/code_page.h"

namespace {

// Prepares `mask` and answers the entries a reader of the list sees.
std::vector<std::string> maskList(const std::string& mask) {
  memset(fileMask, 'x', sizeof fileMask);  // no help from leftovers
  memcpy(fileMask, mask.c_str(), mask.size() + 1);
  prepareFileMask();
  std::vector<std::string> entries;
  for (const char* entry = firstMaskEntry(); entry; entry = nextMaskEntry(entry)) {
    EXPECT_LT(entry - fileMask + strlen(entry), static_cast<size_t>(kTextSize));
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

TEST(PrepareFileMask, EmptyEntriesAreLeftOut) {
  EXPECT_EQ(maskList(".c;;.h"), (List{".C", ".H"}));
  EXPECT_EQ(maskList(";.c"), List{".C"});
  EXPECT_EQ(maskList(",,.c;,"), List{".C"});
  EXPECT_EQ(maskList(";"), List{});
}

TEST(PrepareFileMask, AnEntryNamingAFolderIsFoundAsTyped) {
  struct Case {
    const char* mask;
    const char* folder;  // null: none
  } cases[] = {{"*.c;sub/*.c", "sub/*.c"}, {"sub\\*.c", "sub\\*.c"}, {"[Mine (.c;x/y.h)]", "x/y.h"},
               {"[a/b (.c;.h)]", nullptr}, {"*.c;;*.h", nullptr},    {"", nullptr}};
  for (const Case& c : cases) {
    strcpy(fileMask, c.mask);
    char entry[kTextSize] = "unchanged";
    EXPECT_EQ(maskNamesFolder(entry), c.folder ? 1 : 0) << c.mask;
    if (c.folder) {
      EXPECT_STREQ(entry, c.folder);
    }
    EXPECT_STREQ(fileMask, c.mask);  // only looked at
  }
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

TEST(PrepareFileMask, AFullFieldKeepsEveryCharacter) {
  // 499 characters leave no byte after the terminator: the field's end ends the list.
  std::string mask = "*.c;" + std::string(495, 'b');
  EXPECT_EQ(maskList(mask), (List{"*.C", std::string(495, 'B')}));
  EXPECT_EQ(maskList(std::string(499, 'c')), List{std::string(499, 'C')});
  mask = std::string(498, 'c') + ";";
  EXPECT_EQ(maskList(mask), List{std::string(498, 'C')});
}

}  // namespace
