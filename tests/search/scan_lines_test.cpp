// The line scan's parts on their own: line ends and their pairs, display texts, word characters,
// and the plain text search over a whole buffer checked against a line-by-line reading of random
// data (line ends, NULs, tabs, letters of both cases, bytes from 128 up) in both code pages.
#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "regex/grepclass.h"
#include "search/scan.h"
#include "tests/search/scan_oracle.h"
#include "tests/win32/kernel32/code_page.h"

namespace {

// What a line-by-line reading of `data` gives for lines (the scan's own line rules through
// nextLine, so the tests below pin those rules on their own).
std::vector<std::string> linesOf(std::string data) {
  std::vector<std::string> lines;
  data.append(kScanSpare, 'x');
  char* line = data.data();
  LONG size = static_cast<LONG>(data.size() - kScanSpare);
  LONG consumed = 0;
  while (line && consumed < size) {
    char* next = nextLine(line, size - consumed);
    lines.push_back(line);
    if (next) consumed += static_cast<LONG>(next - line);
    line = next;
  }
  return lines;
}

using Strings = std::vector<std::string>;
using scanoracle::collect;
using scanoracle::Hit;
using scanoracle::Hits;
using scanoracle::oracle;

TEST(NextLine, EndsLinesAtCrLfAndTheirPairs) {
  EXPECT_EQ(linesOf("abc"), Strings{"abc"});
  EXPECT_EQ(linesOf("abc\r\n"), Strings{"abc"});
  EXPECT_EQ(linesOf("abc\n"), Strings{"abc"});
  EXPECT_EQ(linesOf("a\n\nb"), (Strings{"a", "", "b"}));
  EXPECT_EQ(linesOf("a\n\rb"), (Strings{"a", "b"}));
  EXPECT_EQ(linesOf("a\r\nb"), (Strings{"a", "b"}));
  EXPECT_EQ(linesOf("a\r\rb"), (Strings{"a", "", "b"}));
  EXPECT_EQ(linesOf("a\r\n\r\nb\r"), (Strings{"a", "", "b"}));
  EXPECT_EQ(linesOf("\n"), Strings{""});
  // A NUL inside a line ends its text, not the line.
  EXPECT_EQ(linesOf(std::string("ab\0cd\nef", 8)), (Strings{"ab", "ef"}));
}

TEST(NextLine, TerminatesTheLastLineInTheSpareByte) {
  char buffer[8] = {'a', 'b', 'c', 'x', 'x', 'x', 'x', 'x'};
  EXPECT_EQ(nextLine(buffer, 3), nullptr);
  EXPECT_STREQ(buffer, "abc");
  char pair[8] = {'a', '\r', '\n', 'b', 'x'};
  EXPECT_EQ(nextLine(pair, 4), pair + 3);
  EXPECT_EQ(pair[1], '\0');
  EXPECT_EQ(pair[2], '\0');
}

TEST(MakeDisplayText, DropsLeadingBlanksTurnsTabsIntoBlanksAndKeeps219Characters) {
  char out[kDisplaySize];
  makeDisplayText("\t\tx=1", out);
  EXPECT_STREQ(out, "x=1");
  makeDisplayText("  \t a\tb\t", out);
  EXPECT_STREQ(out, "a b ");
  makeDisplayText("", out);
  EXPECT_STREQ(out, "");
  std::string line(300, 'y');
  makeDisplayText(line.c_str(), out);
  EXPECT_EQ(std::string(out), std::string(219, 'y'));
  // The 219 characters are counted before the leading blanks go.
  line = std::string(10, ' ') + std::string(300, 'z');
  makeDisplayText(line.c_str(), out);
  EXPECT_EQ(std::string(out), std::string(209, 'z'));
}

TEST(MakeDisplayText, InUtf8NeverEndsInACutCharacter) {
  const std::string e = "\xC3\xA9", euro = "\xE2\x82\xAC", deseret = "\xF0\x90\x90\xA8";
  auto x = [](size_t n) { return std::string(n, 'x'); };
  auto repeat = [](const std::string& text, int n) {
    std::string out;
    while (n-- > 0) out += text;
    return out;
  };
  struct Case {
    const char* what;
    std::string line, utf8, windows1252;
  };
  const Case cases[] = {
      {"two bytes cut", x(218) + e + "tail", x(218), x(218) + "\xC3"},
      {"two bytes whole", x(217) + e + "tail", x(217) + e, x(217) + e},
      {"three bytes cut after two", x(217) + euro + "t", x(217), x(217) + euro.substr(0, 2)},
      {"three bytes whole", x(216) + euro + "t", x(216) + euro, x(216) + euro},
      {"four bytes cut after three", x(216) + deseret, x(216), x(216) + deseret.substr(0, 3)},
      {"a line of letters", repeat(e, 150), repeat(e, 109), repeat(e, 109) + "\xC3"},
      {"blanks dropped after the cut", std::string(10, ' ') + x(208) + e, x(208), x(208) + "\xC3"},
      // A malformed sequence is the file's own, not a cut: it stays.
      {"malformed before the cut", x(218) + "\xC3z", x(218) + "\xC3", x(218) + "\xC3"},
      {"short line", "ab" + e, "ab" + e, "ab" + e},
  };
  char out[kDisplaySize];
  for (UINT page : {static_cast<UINT>(CP_UTF8), 1252u}) {
    ScopedCodePage codePage(page);
    for (const Case& c : cases) {
      makeDisplayText(c.line.c_str(), out);
      EXPECT_EQ(std::string(out), page == CP_UTF8 ? c.utf8 : c.windows1252)
          << c.what << " in " << page;
    }
  }
}

// Whole words, in the plain scan and in patterns alike, are runs of these bytes.
TEST(IsNonWordChar, OnlyLettersDigitsAndUnderscoreAreWordCharacters) {
  int wordChars = 0;
  for (int c = 0; c < 256; ++c) {
    bool word =
        (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
    EXPECT_EQ(!grepIsWordByte(static_cast<unsigned char>(c)), !word) << c;
    wordChars += word;
  }
  EXPECT_EQ(wordChars, 63);
}

TEST(ScanLines, FindsWhatALineByLineReadingFinds) {
  // In both code pages: letters of both cases and bytes a case bit apart that are no letters
  // ("@" "`", "_" DEL); letters from 128 up that Windows-1252 folds (0xE9, 0x9A, 0xFF) and their
  // capitals; UTF-8's e acute (C3 A9) and its capital (C3 89). A text of ASCII alone is looked
  // for in the data as written, any other in the upper-cased copy: both must find the same.
  std::mt19937 random(20261208);
  const char alphabet[] = {'a',    'b',    'A',    'Z',    'z',    '@',    '`',    ' ',
                           '\t',   '\r',   '\n',   '\0',   '_',    '\x7F', '-',    '\xE9',
                           '\xC9', '\xC3', '\xA9', '\x89', '\x9A', '\x8A', '\xFF', '\x9F'};
  const char textAlphabet[] = {'a',    'b',    'A',    'B',    'z',    '@',    '`', '_',
                               '\xC9', '\xE9', '\xC3', '\xA9', '\x9A', '\xFF', ' ', '\n'};
  SearchJob job;
  for (UINT page : {static_cast<UINT>(CP_UTF8), 1252u}) {
    ScopedCodePage codePage(page);
    for (int round = 0; round < 3000; ++round) {
      // Now and then longer than a round of the finder's 32 starts.
      std::string data(1 + random() % (round % 4 ? 60 : 150), ' ');
      for (char& c : data) c = alphabet[random() % sizeof alphabet];
      std::string text(1 + random() % 3, ' ');
      for (char& c : text) c = textAlphabet[random() % sizeof textAlphabet];
      WORD options =
          static_cast<WORD>((random() % 2 ? CaseSensitive : 0) | (random() % 2 ? WholeWords : 0));
      if (!(options & CaseSensitive)) CharUpperA(text.data());
      strcpy(textToFind, text.c_str());
      searchOptions = options;
      LONG size = static_cast<LONG>(data.size());
      std::vector<char> buffer(scanBufferSize(size));
      memcpy(buffer.data(), data.data(), data.size());
      Hits found;
      bool hidden = false;
      LONG count = scanLines(&job, buffer.data(), size, collect, &found, &hidden);
      bool expectHidden = false;
      Hits expected = oracle(data, text, options, &expectHidden);
      ASSERT_EQ(found, expected) << "round " << round << " options " << options << " in " << page;
      ASSERT_EQ(count, static_cast<LONG>(found.size()));
      // A hit that a NUL hid is seen where the one search over the buffer passes it.
      ASSERT_EQ(hidden, expectHidden) << "round " << round << " options " << options;
      // The same text as a pattern (it holds no metacharacter) goes line by line.
      if (text.find('\n') != std::string::npos) continue;
      GREPCLASS pattern(textToFind);
      ASSERT_EQ(pattern.errorCount, 0);
      job.regexProgram = &pattern;
      memcpy(buffer.data(), data.data(), data.size());
      found.clear();
      hidden = false;
      scanLines(&job, buffer.data(), size, collect, &found, &hidden);
      job.regexProgram = nullptr;
      ASSERT_EQ(found, expected) << "pattern, round " << round << " options " << options << " in "
                                 << page;
      // The pattern holds the text every match holds: the scan sees what the NUL hid there too.
      ASSERT_EQ(hidden, expectHidden)
          << "pattern, round " << round << " options " << options << " text [" << text << "] data "
          << ::testing::PrintToString(data);
    }
  }
}

TEST(ScanLines, LongStretchesWithoutHitsKeepTheLineNumbers) {
  // Lines counted in bulk between hits far apart: stretches of many thousand bytes, some of them
  // a multiple of the 16-byte blocks, some ending right at the text, some right after a line end;
  // the text planted in several spellings, found with case and without.
  std::mt19937 random(7);
  const char* spellings[] = {"needle", "NEEDLE", "NeeDle", "needlE"};
  std::string data;
  for (int line = 0; line < 40000; ++line) {
    if (random() % 997 == 0) data += std::string("x ") + spellings[random() % 4];
    data.append(random() % 40, 'a' + random() % 3);
    data += '\n';
    if (random() % 1999 == 0) data += spellings[random() % 4];
  }
  SearchJob job;
  for (WORD options : {WORD{CaseSensitive}, WORD{0}}) {
    const char* text = options ? "needle" : "NEEDLE";
    strcpy(textToFind, text);
    searchOptions = options;
    LONG size = static_cast<LONG>(data.size());
    std::vector<char> buffer(scanBufferSize(size));
    memcpy(buffer.data(), data.data(), data.size());
    Hits found;
    scanLines(&job, buffer.data(), size, collect, &found);
    Hits expected = oracle(data, text, options);
    ASSERT_GT(expected.size(), options ? 8u : 30u);
    EXPECT_EQ(found, expected) << text;
  }
}

TEST(ScanLines, PatternsWithATextEveryMatchHoldsFindWhatEachLineFinds) {
  // Lines without the literal that a pattern begins with (or holds) are passed by unseen; what is
  // found must still be what matching every line finds, whatever ends the lines.
  std::mt19937 random(11);
  const char alphabet[] = {'a', 'b', 'x', ' ', '\r', '\n', '\n', '\n'};
  for (const char* text : {"ab.*b", "xa", "x*ab", "b[ax]+a", "(a|b)b"}) {
    for (int round = 0; round < 40; ++round) {
      std::string data(1 + random() % 3000, ' ');
      for (char& c : data) c = alphabet[random() % sizeof alphabet];
      GREPCLASS pattern(text);
      ASSERT_EQ(pattern.errorCount, 0);
      Hits expected;
      {
        std::string copy = data;
        copy.append(kScanSpare, '\0');
        LONG size = static_cast<LONG>(data.size()), consumed = 0;
        char* line = copy.data();
        for (int number = 1; line && consumed < size; ++number) {
          char* next = nextLine(line, size - consumed);
          if (*line && pattern.match(line)) {
            char display[kDisplaySize];
            makeDisplayText(line, display);
            expected.push_back(
                {number, static_cast<int>(pattern.groupStart[0] - line + 1), display});
          }
          if (next) consumed += static_cast<LONG>(next - line);
          line = next;
        }
      }
      SearchJob job;
      job.regexProgram = &pattern;
      searchOptions = CaseSensitive;
      LONG size = static_cast<LONG>(data.size());
      std::vector<char> buffer(scanBufferSize(size));
      memcpy(buffer.data(), data.data(), data.size());
      Hits found;
      scanLines(&job, buffer.data(), size, collect, &found);
      ASSERT_EQ(found, expected) << text << ", round " << round;
    }
  }
}

void foldsEveryByteAsTheCodePageDoes(UINT page) {
  std::string line;
  for (int c = 1; c < 256; ++c)
    if (c != '\r' && c != '\n') line += static_cast<char>(c);
  line +=
      " \xC3\xA9ric \xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 "
      "\xCF\x83\xCE\xBF\xCF\x86\xCE\xB9\xCE\xB1 "
      "\xC5\x93\xE1\xBA\x81\xEF\xBD\x81\xF0\x90\x90\xA8\xC3\xBF";
  std::string upper = line;
  CharUpperA(upper.data());
  ASSERT_NE(upper, line);
  strcpy(textToFind, upper.c_str());
  searchOptions = 0;
  SearchJob job;
  for (size_t shift = 0; shift < 16; ++shift) {
    std::string data = "x\n" + std::string(shift, ' ') + line + line;
    LONG size = static_cast<LONG>(data.size());
    std::vector<char> buffer(scanBufferSize(size));
    memcpy(buffer.data(), data.data(), data.size());
    Hits found;
    scanLines(&job, buffer.data(), size, collect, &found);
    ASSERT_EQ(found.size(), 1u) << shift << " in " << page;
    EXPECT_EQ(found[0].line, 2);
    EXPECT_EQ(found[0].column, static_cast<int>(shift + 1));
  }
}

TEST(ScanLines, FoldsEveryByteAsTheCodePageDoes) {
  // One line of every byte but NUL, CR and LF, then letters of two, three and four UTF-8 bytes,
  // looked for in its upper-cased form at every alignment to the folding's 16-byte blocks: a
  // byte folded otherwise than CharUpperA folds the whole line, or a sequence cut between two
  // blocks, loses the hit.
  for (UINT page : {static_cast<UINT>(CP_UTF8), 1252u}) {
    ScopedCodePage codePage(page);
    foldsEveryByteAsTheCodePageDoes(page);
  }
}

// Scans `data` for the pattern `text` (upper-cased first when case does not matter).
Hits scanPattern(const std::string& data, const char* text, WORD options) {
  strcpy(textToFind, text);
  searchOptions = options | RegularExpression;
  if (!(options & CaseSensitive)) CharUpperA(textToFind);
  GREPCLASS pattern(textToFind);
  EXPECT_EQ(pattern.errorCount, 0) << pattern.errorText;
  SearchJob job;
  job.regexProgram = &pattern;
  LONG size = static_cast<LONG>(data.size());
  std::vector<char> buffer(scanBufferSize(size));
  memcpy(buffer.data(), data.data(), data.size());
  Hits found;
  scanLines(&job, buffer.data(), size, collect, &found);
  return found;
}

TEST(ScanLines, RunsAPatternOnEachLine) {
  EXPECT_EQ(scanPattern("a\r\nb\n\nxb", "b$", CaseSensitive), (Hits{{2, 1, "b"}, {4, 2, "xb"}}));
  EXPECT_EQ(scanPattern("say hello\nHELO", "hel+o", 0),
            (Hits{{1, 5, "say hello"}, {2, 1, "HELO"}}));
  EXPECT_EQ(scanPattern(std::string("ab\0cd\ncd", 8), "c", CaseSensitive), (Hits{{2, 1, "cd"}}));
  // An empty line is never handed to the pattern.
  EXPECT_EQ(scanPattern("a\n\nb", "^$", CaseSensitive), Hits{});
}

TEST(ScanLines, AWholeWordPatternFindsAnyWayToMatchAWholeWord) {
  // Whatever the first way to match at a position, a way that ends at a word's end is found.
  EXPECT_EQ(scanPattern("ab", "a|ab", CaseSensitive | WholeWords), (Hits{{1, 1, "ab"}}));
  EXPECT_EQ(scanPattern("ab", "ab|a", CaseSensitive | WholeWords), (Hits{{1, 1, "ab"}}));
  EXPECT_EQ(scanPattern("x aab-", "a*ab|a", WholeWords), (Hits{{1, 3, "x aab-"}}));
  EXPECT_EQ(scanPattern("aaa b", "a+", CaseSensitive | WholeWords), (Hits{{1, 1, "aaa b"}}));
  // "^" is the line's start only, also for whole words.
  EXPECT_EQ(scanPattern("-ab", "^(-a|ab)", CaseSensitive | WholeWords), Hits{});
  EXPECT_EQ(scanPattern("print(int x)", "i[a-z]t", CaseSensitive | WholeWords),
            (Hits{{1, 7, "print(int x)"}}));
  // An empty match counts only where a word edge stands on both sides.
  EXPECT_EQ(scanPattern("ab\nab ", "$", CaseSensitive | WholeWords), (Hits{{2, 4, "ab "}}));
}

}  // namespace
