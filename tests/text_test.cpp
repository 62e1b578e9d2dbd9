// CharUpperA and CharUpperBuffA against the Windows-1252 capitals, byte by byte.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>

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
  for (uintptr_t c = 0; c < 256; ++c) {
    LPSTR answer = CharUpperA(reinterpret_cast<LPSTR>(c));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(answer), expectedCapital(static_cast<unsigned>(c)))
        << "byte 0x" << std::hex << c;
  }
}

TEST(TextTest, BufferFormFoldsExactlyTheGivenLengthPastNuls) {
  char text[] = {'a', '\0', static_cast<char>(0xE9), 'b', 'c'};
  EXPECT_EQ(CharUpperBuffA(text, 4), 4u);
  EXPECT_EQ(text[0], 'A');
  EXPECT_EQ(text[1], '\0');
  EXPECT_EQ(static_cast<unsigned char>(text[2]), 0xC9u);
  EXPECT_EQ(text[3], 'B');
  EXPECT_EQ(text[4], 'c');  // past the length: untouched
  EXPECT_EQ(CharUpperBuffA(text, 0), 0u);
}

}  // namespace
