// Patterns that drive a plain backtracker into exponential time, also where only whole words count:
// each must finish fast, give the answer plain backtracking would, and its work (matchSteps) must
// grow polynomially with the text.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <string>

#include "regex/grepclass.h"

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr double kSecondsAllowed = 10.0;  // instrumented builds run several times slower
#else
constexpr double kSecondsAllowed = 1.0;
#endif

struct Case {
  const char* pattern;
  std::string tail;  // after the run of «a»
  int expected;      // the answer, with the match's offset from the end when it matches
  int offsetFromEnd;
  bool wholeWords = false;  // every way to match must then be tried for a word's end
};

// «(a|a)*b» and «(a|aa)*c» would be refused at once by their required literal, so their texts carry
// it behind a character that stops every attempt within the run.
const Case kCases[] = {
    {"(a|a)*b", "xb", 1, 1},           {"(a|a)*b", "", 0, 0},        {"(a+)+b", "", 0, 0},
    {"(a|aa)*c", "bc", 1, 1},          {"(.+)+x", "", 0, 0},         {"((a+)+)+b", "", 0, 0},
    {"(a|a|a)+(a|a)+y", "zaay", 1, 3}, {"(a|aa)*", "b", 0, 0, true}, {"(a+)+", "_", 0, 0, true},
    {"(a|a)*-", "x", 0, 0, true},
};

struct Outcome {
  int result;
  unsigned long long steps;
  double seconds;
  long offsetFromEnd;
};

Outcome runOn(const Case& c, size_t runLength) {
  std::string text(runLength, 'a');
  text += c.tail;
  GREPCLASS* re = new GREPCLASS(c.pattern);
  EXPECT_EQ(re->errorCount, 0) << c.pattern;
  re->wholeWords = c.wholeWords;
  auto begin = std::chrono::steady_clock::now();
  Outcome run;
  run.result = re->match(text.c_str());
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  run.steps = re->matchSteps;
  run.offsetFromEnd =
      run.result ? static_cast<long>(text.size()) - (re->groupStart[0] - text.c_str()) : 0;
  delete re;
  return run;
}

TEST(RegexPathologicalTest, TenThousandCharactersFinishFast) {
  for (const Case& c : kCases) {
    Outcome run = runOn(c, 10000);
    EXPECT_EQ(run.result, c.expected) << c.pattern;
    EXPECT_EQ(run.offsetFromEnd, c.offsetFromEnd) << c.pattern;
    EXPECT_LT(run.seconds, kSecondsAllowed) << c.pattern;
  }
}

TEST(RegexPathologicalTest, HundredThousandCharactersFinishFast) {
  Outcome run = runOn(kCases[0], 100000);
  EXPECT_EQ(run.result, 1);
  EXPECT_EQ(run.offsetFromEnd, 1);
  EXPECT_LT(run.seconds, kSecondsAllowed);
}

TEST(RegexPathologicalTest, TenTimesTheTextCostsAtMostAHundredTimesTheSteps) {
  for (const Case& c : kCases) {
    Outcome small = runOn(c, 1000);
    Outcome large = runOn(c, 10000);
    if (small.steps == 0) continue;  // refused by a hint before any attempt
    double growth = static_cast<double>(large.steps) / static_cast<double>(small.steps);
    EXPECT_LE(growth, 110.0) << c.pattern << ": " << small.steps << " -> " << large.steps;
  }
}

// Long lines with many places where a match could go on but never does: each repeat gives back
// over every one of them, from every start, unless what failed is remembered.
TEST(RegexPathologicalTest, ManyFalseCandidatesOnALongLine) {
  struct LineCase {
    const char* pattern;
    const char* unit;
  };
  const LineCase cases[] = {
      {"foo.*bar.*baz", "foo(x, bar) + FOO_BAR(y) "},
      {".*foo.*bar", "fooxxxxxxx"},
      {"[a-z]+[0-9]+q", "abc123 "},
  };
  for (const LineCase& c : cases) {
    unsigned long long steps[2] = {0, 0};
    for (int i = 0; i < 2; ++i) {
      std::string line;
      size_t units = i == 0 ? 1000 : 10000;
      for (size_t u = 0; u < units; ++u) line += c.unit;
      GREPCLASS re(c.pattern);
      auto begin = std::chrono::steady_clock::now();
      EXPECT_EQ(re.match(line.c_str()), 0) << c.pattern;
      double seconds =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
      EXPECT_LT(seconds, kSecondsAllowed) << c.pattern;
      steps[i] = re.matchSteps;
    }
    EXPECT_LE(steps[1], 110 * (steps[0] + 1)) << c.pattern;
  }
}

// One run of «y» of half a megabyte, then «needle»: every repeat gives back over the run from
// every start, and the repeats take turns counting it. The line's work must stay nodes x
// positions, the look for the «e» after the run included.
TEST(RegexPathologicalTest, RepeatsGivingBackOverAHalfMegabyteRun) {
  std::string line(499990, 'y');
  line += "needle";
  for (const char* pattern : {"y*y*e", "y*y*y*y*y*y*e"}) {
    GREPCLASS re(pattern);
    std::clock_t begin = std::clock();
    EXPECT_EQ(re.match(line.c_str()), 1) << pattern;
    double seconds = static_cast<double>(std::clock() - begin) / CLOCKS_PER_SEC;
    EXPECT_EQ(re.groupStart[0] - line.c_str(), 499991) << pattern;
    EXPECT_LT(seconds, kSecondsAllowed) << pattern;
  }
}

// A long line is given up midway when the caller's stop check says so, and asking changes no
// answer.
TEST(RegexPathologicalTest, TheStopCheckEndsALongLineMidway) {
  struct Asked {
    int questions;
    int stopAt;  // the question answered yes; 0: never
  };
  auto ask = [](void* context) {
    Asked* asked = static_cast<Asked*>(context);
    return ++asked->questions == asked->stopAt ? 1 : 0;
  };
  std::string line(100000, 'y');
  line += "needle";
  GREPCLASS re("y*y*y*y*y*y*e");
  re.stopCheck = ask;
  Asked never{0, 0};
  re.stopContext = &never;
  EXPECT_EQ(re.match(line.c_str()), 1);
  EXPECT_EQ(re.groupStart[0] - line.c_str(), 100001);
  EXPECT_EQ(re.stopped, 0);
  EXPECT_GE(never.questions, 10);
  Asked second{0, 2};
  re.stopContext = &second;
  EXPECT_EQ(re.match(line.c_str()), 0);
  EXPECT_EQ(re.stopped, 1);
  EXPECT_EQ(second.questions, 2);
  EXPECT_LE(re.matchSteps, 2 * kGrepStopCheckSteps + 64);
}

TEST(RegexPathologicalTest, OrdinaryLinesNeverArmTheFailedAttemptTable) {
  // An ordinary failing line stays below nodes x positions attempts, so it allocates nothing.
  GREPCLASS re("[A-Z_]+[0-9]");
  std::string line = "  if (count > LIMIT) return parse(buffer, MAX_PATH);";
  EXPECT_EQ(re.match(line.c_str()), 0);
  EXPECT_EQ(re.failedArmed, 0);
  GREPCLASS nested("(a+)+b");
  EXPECT_EQ(nested.match("aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"), 0);
  EXPECT_EQ(nested.failedArmed, 1);
}

}  // namespace
