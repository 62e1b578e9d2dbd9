// wsprintfA/wvsprintfA: the conversions the add-on uses, flags, width, precision, and the 1024-byte
// limit with its cut.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "win32/include/winbase.h"

namespace {

std::string format(const char* fmt, ...) {
  char buffer[1100];
  memset(buffer, 'Q', sizeof buffer);
  va_list args;
  va_start(args, fmt);
  int length = wvsprintfA(buffer, fmt, args);
  va_end(args);
  EXPECT_EQ(length, static_cast<int>(strlen(buffer)));
  return std::string(buffer);
}

TEST(FormatTest, TheAddOnsFormats) {
  LONG hits = 12;
  EXPECT_EQ(format("Vantrel : %ld found in %s (%s searched in %s)", hits, "3 Files", "40 Files",
                   "5 Directories"),
            "Vantrel : 12 found in 3 Files (40 Files searched in 5 Directories)");
  short index = 7;
  EXPECT_EQ(format("TextToFind%hd", index), "TextToFind7");
  EXPECT_EQ(format("%ld File", static_cast<LONG>(-1)), "-1 File");
  EXPECT_EQ(format("Vantreling %s", "C:\\src\\a.cpp"), "Vantreling C:\\src\\a.cpp");
  EXPECT_EQ(format("%d", 0), "0");
}

TEST(FormatTest, IntegerConversionsAndSizes) {
  EXPECT_EQ(format("%d %i", -2147483647 - 1, 2147483647), "-2147483648 2147483647");
  EXPECT_EQ(format("%u", 4294967295u), "4294967295");
  EXPECT_EQ(format("%x %X %lx", 0xBEEFu, 0xBEEFu, 0xDEADBEEFu), "beef BEEF deadbeef");
  EXPECT_EQ(format("%lu", static_cast<DWORD>(3000000000u)), "3000000000");
  // "h" keeps 16 bits, as the value was a short before promotion.
  EXPECT_EQ(format("%hd %hu", 0x18000, 0x1FFFF), "-32768 65535");
  EXPECT_EQ(format("%c%c", 'o', 'k'), "ok");
}

TEST(FormatTest, FlagsWidthAndPrecision) {
  EXPECT_EQ(format("[%5d]", 42), "[   42]");
  EXPECT_EQ(format("[%-5d]", 42), "[42   ]");
  EXPECT_EQ(format("[%05d]", -42), "[-0042]");
  EXPECT_EQ(format("[%-05d]", 42), "[42   ]");
  EXPECT_EQ(format("[%.4d]", 42), "[0042]");
  EXPECT_EQ(format("[%8.4x]", 0xAB), "[    00ab]");
  EXPECT_EQ(format("[%#x] [%#X] [%#x]", 255, 255, 0), "[0xff] [0XFF] [0]");
  EXPECT_EQ(format("[%08X]", 0x1234), "[00001234]");
  EXPECT_EQ(format("[%6s]", "ab"), "[    ab]");
  EXPECT_EQ(format("[%-6s]", "ab"), "[ab    ]");
  EXPECT_EQ(format("[%.3s]", "abcdef"), "[abc]");
  EXPECT_EQ(format("[%3c]", 'z'), "[  z]");
}

TEST(FormatTest, NullStringsAndUnknownConversions) {
  EXPECT_EQ(format("%s", static_cast<const char*>(nullptr)), "(null)");
  EXPECT_EQ(format("100%%"), "100%");
  EXPECT_EQ(format("%q%d", 5), "q5");
  EXPECT_EQ(format("no floats %f", 1.5), "no floats f");
  EXPECT_EQ(format("end %"), "end ");
}

TEST(FormatTest, OutputIsCutAt1024BytesWithTheTerminator) {
  std::string big(2000, 'x');
  char buffer[1100];
  memset(buffer, 'Q', sizeof buffer);
  EXPECT_EQ(wsprintfA(buffer, "%s", big.c_str()), 1023);
  EXPECT_EQ(buffer[1023], '\0');
  EXPECT_EQ(buffer[1024], 'Q');  // nothing written past the limit
  EXPECT_EQ(std::string(buffer), big.substr(0, 1023));

  // Literal text, padding and numbers are cut the same way.
  std::string literal(1020, 'a');
  memset(buffer, 'Q', sizeof buffer);
  EXPECT_EQ(wsprintfA(buffer, (literal + "%d").c_str(), 123456), 1023);
  EXPECT_EQ(std::string(buffer + 1020), "123");
  EXPECT_EQ(buffer[1024], 'Q');
  memset(buffer, 'Q', sizeof buffer);
  EXPECT_EQ(wsprintfA(buffer, "%5000d", 1), 1023);
  EXPECT_EQ(buffer[1024], 'Q');

  // Exactly 1023 characters fit whole.
  std::string fits(1023, 'b');
  EXPECT_EQ(wsprintfA(buffer, "%s", fits.c_str()), 1023);
  EXPECT_EQ(std::string(buffer), fits);
}

}  // namespace
