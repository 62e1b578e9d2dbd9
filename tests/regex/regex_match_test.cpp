// The regular-expression matcher: where the match lies, which alternative and how many repetitions
// win, anchors, sets, the group slots, and how errors and hints end a call.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "regex/grepclass.h"

namespace {

// The span of group n of the last match as "offset:length", or "-" when it took no part.
std::string span(const GREPCLASS& re, const char* text, int n = 0) {
  if (re.groupStart[n] == nullptr) return re.groupEnd[n] == nullptr ? "-" : "end only";
  return std::to_string(re.groupStart[n] - text) + ":" +
         std::to_string(re.groupEnd[n] - re.groupStart[n]);
}

// Compiles `pattern`, matches `text` and gives the span of group n, or "no" when it fails.
std::string find(const char* pattern, const char* text, int n = 0) {
  GREPCLASS re(pattern);
  EXPECT_EQ(re.errorCount, 0) << pattern << ": " << re.errorText;
  if (re.match(text) != 1) return "no";
  return span(re, text, n);
}

TEST(RegexMatchTest, EmptyMatches) {
  EXPECT_EQ(find("", ""), "0:0");
  EXPECT_EQ(find("", "abc"), "0:0");
  EXPECT_EQ(find("$", "abc"), "3:0");
  EXPECT_EQ(find("$", ""), "0:0");
  EXPECT_EQ(find("^$", ""), "0:0");
  EXPECT_EQ(find("^$", "a"), "no");
  EXPECT_EQ(find("x*", "abc"), "0:0");
  EXPECT_EQ(find("b?", "abc"), "0:0");
}

TEST(RegexMatchTest, FirstAlternativeAndGreedyGiveBack) {
  EXPECT_EQ(find("a|ab", "ab"), "0:1");
  EXPECT_EQ(find("ab|a", "ab"), "0:2");
  EXPECT_EQ(find("a*ab", "aaab"), "0:4");
  EXPECT_EQ(find("a+b", "xaab"), "1:3");
  EXPECT_EQ(find("a+", "bbb"), "no");
  EXPECT_EQ(find("x[0-9]*5", "x12345"), "0:6");
  EXPECT_EQ(find("x.*5", "x5a5b"), "0:4");
  EXPECT_EQ(find("(a|ab)(c|bcd)", "abcd"), "0:4");  // «a» then «bcd», not the longer «ab»+«c»
  EXPECT_EQ(find("(ab|a)*b", "abab"), "0:4");
  EXPECT_EQ(find("(ab)+", "xababa"), "1:4");
  EXPECT_EQ(find("a(bc)?d", "ad abcd"), "0:2");
  EXPECT_EQ(find("abc", "ab"), "no");  // the text ends inside the literal
  EXPECT_EQ(find("xx|y", "xy"), "1:1");
  EXPECT_EQ(find("a.c", "abxabc"), "3:3");  // leftmost start, after a failed first try
  // A repeat restarted below a run it counted before, as the repeat ahead of it gives back.
  EXPECT_EQ(find("a*[ab]*c", "aaabbbx aabc"), "8:4");
  EXPECT_EQ(find("b*[ab]*ac", "bbabbbaxbbac"), "8:4");
  EXPECT_EQ(find("(a|b)*[ab]+x", "abab-abx"), "5:3");
}

// With whole words only, the leftmost start at a word's edge where some way to match ends at one.
TEST(RegexMatchTest, WholeWordsTryEveryWayToEndAtAWordsEnd) {
  struct Case {
    const char* pattern;
    const char* text;
    const char* span;
  } cases[] = {
      {"a|ab", "ab", "0:2"},
      {"ab|a", "ab", "0:2"},
      {"a*", "aaa", "0:3"},
      {"a*a", "aab aa", "4:2"},
      {"(a|ab)(c|bcd)", "abcd", "0:4"},
      {"a+", "ba a", "3:1"},
      {"x*", "ab", "no"},
      {"x*", "ab-", "3:0"},
      {"x*", "-", "0:0"},
      {".*b", "abc b", "0:5"},
      {"^a", "ab a", "no"},
      {"b", "ab_b b", "5:1"},
      {"b|", "ab ", "3:0"},
      {"(a|ab)*c", "ababc", "0:5"},
  };
  for (const Case& c : cases) {
    GREPCLASS re(c.pattern);
    ASSERT_EQ(re.errorCount, 0) << c.pattern;
    re.wholeWords = 1;
    std::string got = re.match(c.text) == 1 ? span(re, c.text) : "no";
    EXPECT_EQ(got, c.span) << "«" << c.pattern << "» on «" << c.text << "»";
  }
}

TEST(RegexMatchTest, Anchors) {
  EXPECT_EQ(find("^b", "ab"), "no");
  EXPECT_EQ(find("^a", "ab"), "0:1");
  EXPECT_EQ(find("b$", "abb"), "2:1");
  EXPECT_EQ(find("a^b", "ab"), "no");
  EXPECT_EQ(find("a$b", "ab"), "no");
  EXPECT_EQ(find("(^a|b)", "ba"), "0:1");
  EXPECT_EQ(find("(^a|b)", "ca"), "no");
  EXPECT_EQ(find("(^a|b)", "cab"), "2:1");
  EXPECT_EQ(find("x(^|y)z", "xz"), "no");
  EXPECT_EQ(find("(a|$)", "b"), "1:0");
}

TEST(RegexMatchTest, SetsAndAnyNeverMatchTheEnd) {
  EXPECT_EQ(find("x[^a]", "x"), "no");
  EXPECT_EQ(find("x.", "x"), "no");
  EXPECT_EQ(find("x[^a]", "xa xb"), "3:2");
  EXPECT_EQ(find("[a-c-e]+", "zzdcbaef"), "2:5");
  EXPECT_EQ(find("[]a]+", "b]a]"), "1:3");
  EXPECT_EQ(find("[^-]", "--x"), "2:1");
  EXPECT_EQ(find("[a-]+", "x-a-"), "1:3");
  EXPECT_EQ(find("[\\]", "a\\"), "1:1");
  EXPECT_EQ(find("\\.\\*", "a*.*"), "2:2");
  EXPECT_EQ(find("\\n", "\\n"), "1:1");  // escapes have no special meaning
}

TEST(RegexMatchTest, CharactersAbove127MatchLikeAnyOther) {
  EXPECT_EQ(find("\xe9t\xe9", "\xc9t\xe9 \xe9t\xe9"), "4:3");
  EXPECT_EQ(find("[\xc0-\xdf]+", "abc\xbf\xc0\xd5\xdf\xe0"), "4:3");
  EXPECT_EQ(find("[^\x80-\xff]+", "\x80\xffz\x7f\x80"), "2:2");
  EXPECT_EQ(find("\xff*x", "\xff\xff\xffx"), "0:4");
  EXPECT_EQ(find("[a\xff]+",
                 "b\xff"
                 "a\xff"),
            "1:3");
}

TEST(RegexMatchTest, GroupSlots) {
  const char* text = "aaab";
  GREPCLASS loop("(a)*b");
  ASSERT_EQ(loop.match(text), 1);
  EXPECT_EQ(span(loop, text, 1), "2:1");  // the last repetition

  const char* second = "xb";
  GREPCLASS unused("(a)|(b)");
  ASSERT_EQ(unused.match(second), 1);
  EXPECT_EQ(unused.groupStart[1], nullptr);
  EXPECT_EQ(unused.groupEnd[1], nullptr);
  EXPECT_EQ(span(unused, second, 2), "1:1");
  for (int n = 3; n < 10; ++n) EXPECT_EQ(unused.groupStart[n], nullptr);

  // A group met in an earlier repetition keeps its last span there.
  const char* mixed = "abac";
  GREPCLASS inner("(a|(b))*c");
  ASSERT_EQ(inner.match(mixed), 1);
  EXPECT_EQ(span(inner, mixed, 1), "2:1");
  EXPECT_EQ(span(inner, mixed, 2), "1:1");

  const char* nested = "xabcy";
  GREPCLASS outer("x((a)(b(c)))y");
  ASSERT_EQ(outer.match(nested), 1);
  EXPECT_EQ(span(outer, nested, 1), "1:3");
  EXPECT_EQ(span(outer, nested, 2), "1:1");
  EXPECT_EQ(span(outer, nested, 3), "2:2");
  EXPECT_EQ(span(outer, nested, 4), "3:1");

  EXPECT_EQ(find("(a*)b", "xaab", 1), "1:2");
  EXPECT_EQ(find("(x?)", "abc", 1), "0:0");
}

TEST(RegexMatchTest, NothingCarriesOverBetweenCalls) {
  GREPCLASS re("(a)|b");
  const char* first = "a";
  ASSERT_EQ(re.match(first), 1);
  EXPECT_EQ(re.groupStart[1], first);
  const char* second = "b";
  ASSERT_EQ(re.match(second), 1);
  EXPECT_EQ(re.groupStart[1], nullptr);
  EXPECT_EQ(re.groupStart[0], second);

  // "^" matches where the caller's text begins, also on the rest of a line.
  GREPCLASS start("^b");
  const char* line = "ab";
  EXPECT_EQ(start.match(line), 0);
  EXPECT_EQ(start.match(line + 1), 1);
  EXPECT_EQ(start.groupStart[0], line + 1);
}

TEST(RegexMatchTest, HintsRejectWithoutAnyAttempt) {
  GREPCLASS required(".*foo");
  EXPECT_EQ(required.match("a long line with fo and oo but not the word"), 0);
  EXPECT_EQ(required.matchSteps, 0u);
  EXPECT_EQ(required.match("xfoo"), 1);
  EXPECT_EQ(span(required, "xfoo"), "0:4");
  // The literal's first character ends the text: nothing is read past the NUL.
  std::unique_ptr<char[]> shortText(new char[3]{'x', 'f', '\0'});
  EXPECT_EQ(required.match(shortText.get()), 0);
  // The required literal may occur anywhere, also overlapping a false start.
  GREPCLASS overlap("a*abab");
  EXPECT_EQ(overlap.match("aababab"), 1);

  GREPCLASS first("q[0-9]");
  EXPECT_EQ(first.match("q q q7"), 1);
  EXPECT_EQ(span(first, "q q q7"), "4:2");
  EXPECT_EQ(first.match("qqqq"), 0);
}

TEST(RegexMatchTest, ErrorsEndTheCall) {
  GREPCLASS re("a");
  EXPECT_EQ(re.match(nullptr), 0);
  EXPECT_EQ(re.errorCount, 1);
  EXPECT_STREQ(re.errorText, "Invalid argument");

  GREPCLASS broken("a");
  broken.program[0] = 0;
  EXPECT_EQ(broken.match("a"), 0);
  EXPECT_STREQ(broken.errorText, "Parse overload");

  // An operation code outside the table fails the attempt and is recorded each time it is met.
  GREPCLASS bad("ab");
  bad.program[4] = 13;
  bad.firstChar = 0;
  bad.startFilter = 0;  // every position, so the bad node is met three times
  EXPECT_EQ(bad.match("xy"), 0);
  EXPECT_EQ(bad.errorCount, 3);  // one per position, the NUL included
  EXPECT_STREQ(bad.errorText, "Parse overload");

  // A repeat over a node that tests no single character fails the attempt, even where zero
  // repetitions would do.
  GREPCLASS repeat("a*");
  repeat.program[7] = OpEmpty;
  EXPECT_EQ(repeat.match("b"), 0);
  EXPECT_EQ(repeat.errorCount, 2);
}

}  // namespace
