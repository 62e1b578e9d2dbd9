// CharUpperA and CharUpperBuffA in both ANSI code pages: against the Windows-1252 capitals byte
// by byte, against ICU's simple upper-case mapping for every code point in UTF-8, and a table of
// the letters that matter and of malformed input in both. The choice of the code page itself.
#include <gtest/gtest.h>
#include <unicode/uchar.h>

#include <cstdint>
#include <map>
#include <string>

#include "tests/win32/kernel32/code_page.h"
#include "win32/include/winbase.h"

namespace {

// Every byte that Windows changes, with its capital; all other bytes stay as they are.
std::map<unsigned, unsigned> windows1252Capitals() {
  std::map<unsigned, unsigned> capitals;
  const char* lower = "abcdefghijklmnopqrstuvwxyz";
  const char* upper = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  for (int i = 0; lower[i]; ++i) capitals[static_cast<unsigned char>(lower[i])] = upper[i];
  capitals[0x9A] = 0x8A;  // s caron
  capitals[0x9C] = 0x8C;  // oe ligature
  capitals[0x9E] = 0x8E;  // z caron
  capitals[0xFF] = 0x9F;  // y diaeresis
  const unsigned smallAccented[] = {0xE0, 0xE1, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7,
                                    0xE8, 0xE9, 0xEA, 0xEB, 0xEC, 0xED, 0xEE, 0xEF,
                                    0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, /* F7 */
                                    0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0xFE};
  const unsigned capitalAccented[] = {0xC0, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7,
                                      0xC8, 0xC9, 0xCA, 0xCB, 0xCC, 0xCD, 0xCE, 0xCF,
                                      0xD0, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, /* D7 */
                                      0xD8, 0xD9, 0xDA, 0xDB, 0xDC, 0xDD, 0xDE};
  for (size_t i = 0; i < sizeof smallAccented / sizeof smallAccented[0]; ++i)
    capitals[smallAccented[i]] = capitalAccented[i];
  return capitals;
}

unsigned expectedCapital(unsigned byte) {
  static const std::map<unsigned, unsigned> capitals = windows1252Capitals();
  auto it = capitals.find(byte);
  return it == capitals.end() ? byte : it->second;
}

TEST(TextTest, StringFormFoldsEveryByteLikeWindows) {
  ScopedCodePage windows1252(1252);
  std::string all;
  for (unsigned c = 1; c < 256; ++c) all.push_back(static_cast<char>(c));
  LPSTR result = CharUpperA(all.data());
  EXPECT_EQ(result, all.data());
  ASSERT_EQ(all.size(), 255u);
  for (unsigned c = 1; c < 256; ++c)
    EXPECT_EQ(static_cast<unsigned char>(all[c - 1]), expectedCapital(c))
        << "byte 0x" << std::hex << c;
  // The bytes without a single-byte capital stay.
  EXPECT_EQ(expectedCapital(0xB5), 0xB5u);
  EXPECT_EQ(expectedCapital(0xDF), 0xDFu);
  EXPECT_EQ(expectedCapital(0xF7), 0xF7u);
}

TEST(TextTest, SingleCharacterFormAnswersTheCapitalInThePointer) {
  ScopedCodePage windows1252(1252);
  for (uintptr_t c = 0; c < 256; ++c) {
    LPSTR answer = CharUpperA(reinterpret_cast<LPSTR>(c));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(answer), expectedCapital(static_cast<unsigned>(c)))
        << "byte 0x" << std::hex << c;
  }
}

TEST(TextTest, BufferFormFoldsExactlyTheGivenLengthPastNuls) {
  ScopedCodePage windows1252(1252);
  char text[] = {'a', '\0', static_cast<char>(0xE9), 'b', 'c'};
  EXPECT_EQ(CharUpperBuffA(text, 4), 4u);
  EXPECT_EQ(text[0], 'A');
  EXPECT_EQ(text[1], '\0');
  EXPECT_EQ(static_cast<unsigned char>(text[2]), 0xC9u);
  EXPECT_EQ(text[3], 'B');
  EXPECT_EQ(text[4], 'c');  // past the length: untouched
  EXPECT_EQ(CharUpperBuffA(text, 0), 0u);
}

std::string utf8Of(uint32_t codePoint) {
  std::string out;
  if (codePoint < 0x80) {
    out += static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    out += static_cast<char>(0xC0 | codePoint >> 6);
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    out += static_cast<char>(0xE0 | codePoint >> 12);
    out += static_cast<char>(0x80 | (codePoint >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | codePoint >> 18);
    out += static_cast<char>(0x80 | (codePoint >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (codePoint >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  }
  return out;
}

std::string upper(std::string text) {
  CharUpperA(text.data());
  return text;
}

TEST(TextTest, Utf8FoldsEveryCodePointToItsCapitalOfTheSameLength) {
  // ICU is an independent reading of the same character database.
  ScopedCodePage utf8(CP_UTF8);
  int folded = 0;
  for (uint32_t c = 0x80; c <= 0x10FFFF; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    std::string text = utf8Of(c);
    uint32_t capital = static_cast<uint32_t>(u_toupper(static_cast<UChar32>(c)));
    std::string expected = utf8Of(capital).size() == text.size() ? utf8Of(capital) : text;
    folded += expected != text;
    ASSERT_EQ(upper(text), expected) << "U+" << std::hex << c;
  }
  EXPECT_GT(folded, 1300);
}

TEST(TextTest, BothCodePagesFoldTheLettersThatMatter) {
  struct Case {
    const char* what;
    std::string text, utf8, windows1252;
  };
  const Case cases[] = {
      {"ASCII", "hello, World_9", "HELLO, WORLD_9", "HELLO, WORLD_9"},
      {"Latin-1", "\xC3\xA9ric \xC3\xA0\xC3\xA7\xC3\xB6\xC3\xBF",
       "\xC3\x89RIC \xC3\x80\xC3\x87\xC3\x96\xC5\xB8",
       "\xC3\xA9RIC \xC3\xA0\xC3\xA7\xC3\xB6\xC3\xBF"},
      {"capitals stay capitals", "\xC3\x9A\xC3\x9C\xC3\x9E", "\xC3\x9A\xC3\x9C\xC3\x9E",
       "\xC3\x8A\xC3\x8C\xC3\x8E"},
      {"micro sign to capital mu", "\xC2\xB5", "\xCE\x9C", "\xC2\xB5"},
      {"Latin Extended-A",
       "\xC5\x82\xC3\xB3"
       "d\xC5\xBA \xC5\x93 \xC5\x9F",
       "\xC5\x81\xC3\x93"
       "D\xC5\xB9 \xC5\x92 \xC5\x9E",
       "\xC5\x82\xC3\xB3"
       "D\xC5\xBA \xC5\x93 \xC5\x9F"},
      {"Latin Extended Additional", "\xE1\xBA\x81", "\xE1\xBA\x80", "\xC1\xBA\x81"},
      {"Greek, final sigma", "\xCF\x83\xCE\xBF\xCF\x86\xCE\xB9\xCE\xB1 \xCF\x82 \xCE\xAC",
       "\xCE\xA3\xCE\x9F\xCE\xA6\xCE\x99\xCE\x91 \xCE\xA3 \xCE\x86",
       "\xCF\x83\xCE\xBF\xCF\x86\xCE\xB9\xCE\xB1 \xCF\x82 \xCE\xAC"},
      {"Cyrillic", "\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xD1\x91 \xD2\x91",
       "\xD0\x9F\xD0\xA0\xD0\x98\xD0\x92\xD0\x95\xD0\xA2 \xD0\x81 \xD2\x90",
       "\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xD1\x91 \xD2\x91"},
      {"fullwidth and Deseret", "\xEF\xBD\x81 \xF0\x90\x90\xA8", "\xEF\xBC\xA1 \xF0\x90\x90\x80",
       "\xCF\xBD\x81 \xD0\x90\x90\xA8"},
      {"capital of another length", "\xC3\x9F \xC4\xB1 \xC5\xBF \xC9\x90 \xE2\xB1\xA5",
       "\xC3\x9F \xC4\xB1 \xC5\xBF \xC9\x90 \xE2\xB1\xA5",
       "\xC3\x9F \xC4\xB1 \xC5\xBF \xC9\x90 \xC2\xB1\xA5"},
      {"stray continuation",
       "\x80"
       "a\xBF"
       "b",
       "\x80"
       "A\xBF"
       "B",
       "\x80"
       "A\xBF"
       "B"},
      {"lead without its continuation",
       "\xC3"
       "a\xC3\xC3\xA9",
       "\xC3"
       "A\xC3\xC3\x89",
       "\xC3"
       "A\xC3\xC3\xA9"},
      {"overlong a, surrogate, past U+10FFFF",
       "\xC1\xA1 \xE0\x81\xA1 \xED\xA0\x80 \xF4\x90\x80\x80",
       "\xC1\xA1 \xE0\x81\xA1 \xED\xA0\x80 \xF4\x90\x80\x80",
       "\xC1\xA1 \xC0\x81\xA1 \xCD\xA0\x80 \xD4\x90\x80\x80"},
      {"cut at the end", "a\xD0\xB1\xD0", "A\xD0\x91\xD0", "A\xD0\xB1\xD0"},
  };
  for (UINT page : {static_cast<UINT>(CP_UTF8), 1252u}) {
    ScopedCodePage codePage(page);
    for (const Case& c : cases) {
      const std::string& expected = page == CP_UTF8 ? c.utf8 : c.windows1252;
      EXPECT_EQ(upper(c.text), expected) << c.what << " in " << page;
      std::string buffer = c.text;
      EXPECT_EQ(CharUpperBuffA(buffer.data(), static_cast<DWORD>(buffer.size())), buffer.size());
      EXPECT_EQ(buffer, expected) << c.what << " in " << page;
    }
  }
}

TEST(TextTest, Utf8LeavesWhatLiesOutsideTheGivenLength) {
  ScopedCodePage utf8(CP_UTF8);
  // A sequence cut by the length stays; the byte after the length is neither read nor written.
  char text[] = {'\xC3', '\xA9', '\xD1', '\x8F', 'z'};
  EXPECT_EQ(CharUpperBuffA(text, 3), 3u);
  EXPECT_EQ(std::string(text, 5), "\xC3\x89\xD1\x8Fz");
  // The single-character form has no room for a sequence: only ASCII letters change.
  EXPECT_EQ(reinterpret_cast<uintptr_t>(CharUpperA(reinterpret_cast<LPSTR>(uintptr_t{'q'}))),
            uintptr_t{'Q'});
  EXPECT_EQ(reinterpret_cast<uintptr_t>(CharUpperA(reinterpret_cast<LPSTR>(uintptr_t{0xE9}))),
            uintptr_t{0xE9});
}

TEST(TextTest, TheCodePageFollowsTheOverrideThenTheLocalesCharacterSet) {
  EXPECT_EQ(VwinChooseAnsiCodePage(nullptr, nullptr), 65001u);
  EXPECT_EQ(VwinChooseAnsiCodePage(nullptr, "UTF-8"), 65001u);
  EXPECT_EQ(VwinChooseAnsiCodePage(nullptr, "ANSI_X3.4-1968"), 65001u);  // "C" and "POSIX"
  EXPECT_EQ(VwinChooseAnsiCodePage(nullptr, "ISO-8859-1"), 1252u);
  EXPECT_EQ(VwinChooseAnsiCodePage(nullptr, "iso885915@euro"), 1252u);
  EXPECT_EQ(VwinChooseAnsiCodePage(nullptr, "CP1252"), 1252u);
  EXPECT_EQ(VwinChooseAnsiCodePage(nullptr, "EUC-JP"), 65001u);
  EXPECT_EQ(VwinChooseAnsiCodePage("1252", "UTF-8"), 1252u);
  EXPECT_EQ(VwinChooseAnsiCodePage("65001", "ISO-8859-1"), 65001u);
  EXPECT_EQ(VwinChooseAnsiCodePage("437", "ISO-8859-1"), 1252u);
  EXPECT_FALSE(VwinSetAnsiCodePage(437));
}

}  // namespace
