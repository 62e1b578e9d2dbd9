// GREPCLASS against std::regex (ECMAScript, also leftmost and first-alternative-first) on random
// patterns and texts drawn from the supported syntax, with a fixed seed: both must agree on whether
// a text matches and on the span of the whole match, also when only whole words count (there
// ECMAScript tries each start after a non-word character with a look-ahead for the word's end).
// On long lines the same program is compared with itself, the failed-attempt table armed early,
// late or never.
#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <regex>
#include <string>

#include "regex/grepclass.h"
#include "tests/regex/without_hints.h"

namespace {

struct Pair {
  std::string ours;    // the pattern as GREPCLASS reads it
  std::string theirs;  // the same pattern in ECMAScript
};

class PatternMaker {
 public:
  explicit PatternMaker(uint32_t seed) : random_(seed) {}

  Pair expression(int depth) {
    Pair result = branch(depth);
    while (chance(depth == 0 ? 15 : 25)) {
      Pair more = branch(depth);
      result.ours += "|" + more.ours;
      result.theirs += "|" + more.theirs;
    }
    return result;
  }

  std::string text() {
    std::string t;
    int length = pick(12);
    for (int i = 0; i < length; ++i) t += letter();
    return t;
  }

  // Some ten thousand characters: runs of one letter thousands long between short random bits,
  // so that failed attempts fill whole words of the table at every level.
  std::string longText() {
    std::string t;
    while (t.size() < 9000) {
      t += text();
      t.append(static_cast<size_t>(500 + pick(6000)), letter());
    }
    return t;
  }

 private:
  Pair branch(int depth) {
    Pair result;
    int pieces = pick(4);
    for (int i = 0; i < pieces; ++i) {
      Pair p = piece(depth);
      result.ours += p.ours;
      result.theirs += p.theirs;
    }
    return result;
  }

  Pair piece(int depth) {
    Pair atom = this->atom(depth);
    if (chance(35)) {
      static const char kClosures[] = "*+?";
      char c = kClosures[pick(3)];
      atom.ours += c;
      atom.theirs += c;
    }
    return atom;
  }

  Pair atom(int depth) {
    switch (pick(depth < 2 ? 10 : 8)) {
      case 0:
      case 1:
      case 2: {  // a run of literal characters
        std::string run;
        int length = 1 + pick(3);
        for (int i = 0; i < length; ++i) run += "abc"[pick(3)];
        return {run, run};
      }
      case 3:
        return {".", "."};
      case 4:
        return chance(50) ? Pair{"^", "^"} : Pair{"$", "$"};
      case 5:
        return set();
      case 6:
        return chance(50) ? Pair{"\\.", "\\."} : Pair{"\\-", "-"};
      case 7:
        return {"]", "\\]"};
      default: {
        Pair inner = expression(depth + 1);
        return {"(" + inner.ours + ")", "(" + inner.theirs + ")"};
      }
    }
  }

  // A bracket set of letters, ranges, and "-" or "]" where they are members.
  Pair set() {
    Pair result{"[", "["};
    if (chance(30)) {
      result.ours += "^";
      result.theirs += "^";
    }
    if (chance(20)) {
      result.ours += "]";
      result.theirs += "\\]";
    }
    int items = 1 + pick(3);
    for (int i = 0; i < items; ++i) {
      if (chance(30)) {
        char low = "abc"[pick(3)];
        char high = static_cast<char>(low + pick('c' - low + 1));
        result.ours += std::string{low, '-', high};
        result.theirs += std::string{low, '-', high};
      } else {
        char c = "abcx"[pick(4)];
        result.ours += c;
        result.theirs += c;
      }
    }
    if (chance(15)) {
      result.ours += "-";
      result.theirs += "\\-";
    }
    result.ours += "]";
    result.theirs += "]";
    return result;
  }

  char letter() {
    static const char kLetters[] = "aabbcx-]";
    return kLetters[pick(sizeof kLetters - 1)];
  }
  int pick(int n) { return static_cast<int>(random_() % static_cast<uint32_t>(n)); }
  bool chance(int percent) { return pick(100) < percent; }

  std::mt19937 random_;
};

TEST(RegexDifferentialTest, AgreesWithEcmaScriptOnRandomPatterns) {
  PatternMaker maker(20260601);
  int compared = 0;
  int matched = 0;
  int patterns = 0;
  int wholeMatched = 0;
  for (int attempt = 0; attempt < 6000; ++attempt) {
    Pair p = maker.expression(0);
    GREPCLASS* ours = new GREPCLASS(p.ours.c_str());
    if (ours->errorCount != 0) {  // a closure the syntax refuses, e.g. on "^" or a nullable group
      delete ours;
      continue;
    }
    std::regex theirs;
    std::regex theirsWhole;
    try {
      theirs.assign(p.theirs, std::regex::ECMAScript);
      theirsWhole.assign("(?:" + p.theirs + ")(?![A-Za-z0-9_])", std::regex::ECMAScript);
    } catch (const std::regex_error&) {
      delete ours;  // ECMAScript refuses a closure on an anchor that we accept with "?"
      continue;
    }
    // The same program with no start-up hints and the failed-attempt table armed from the first
    // step must find the same match, groups included.
    GREPCLASS* plain = compileWithoutHints(p.ours.c_str());
    ++patterns;
    for (int t = 0; t < 8; ++t) {
      std::string text = maker.text();
      std::smatch m;
      bool expected = std::regex_search(text, m, theirs);
      int found = ours->match(text.c_str());
      ASSERT_EQ(plain->match(text.c_str()), found) << "pattern «" << p.ours << "» text «" << text;
      for (int n = 0; found && n < kGrepGroups; ++n) {
        ASSERT_EQ(plain->groupStart[n], ours->groupStart[n]) << p.ours << " " << text << " " << n;
        ASSERT_EQ(plain->groupEnd[n], ours->groupEnd[n]) << p.ours << " " << text << " " << n;
      }
      ASSERT_EQ(found, expected ? 1 : 0) << "pattern «" << p.ours << "» text «" << text << "»";
      ++compared;
      if (!expected) continue;
      ++matched;
      long start = ours->groupStart[0] - text.c_str();
      long length = ours->groupEnd[0] - ours->groupStart[0];
      ASSERT_EQ(start, m.position(0)) << "pattern «" << p.ours << "» text «" << text << "»";
      ASSERT_EQ(length, m.length(0)) << "pattern «" << p.ours << "» text «" << text << "»";
    }
    ours->wholeWords = plain->wholeWords = 1;
    for (int t = 0; t < 8; ++t) {
      std::string text = maker.text();
      long expectedStart = -1;
      long expectedLength = 0;
      for (size_t at = 0; at <= text.size() && expectedStart < 0; ++at) {
        if (at > 0 &&
            (std::isalnum(static_cast<unsigned char>(text[at - 1])) || text[at - 1] == '_'))
          continue;
        auto flags = std::regex_constants::match_continuous;
        if (at > 0) flags |= std::regex_constants::match_prev_avail;
        std::smatch m;
        if (std::regex_search(text.cbegin() + static_cast<long>(at), text.cend(), m, theirsWhole,
                              flags)) {
          expectedStart = static_cast<long>(at);
          expectedLength = m.length(0);
        }
      }
      int found = ours->match(text.c_str());
      ASSERT_EQ(plain->match(text.c_str()), found) << "whole «" << p.ours << "» text «" << text;
      ASSERT_EQ(found, expectedStart >= 0 ? 1 : 0) << "whole «" << p.ours << "» text «" << text;
      if (!found) continue;
      ++wholeMatched;
      ASSERT_EQ(ours->groupStart[0] - text.c_str(), expectedStart) << p.ours << " «" << text;
      ASSERT_EQ(ours->groupEnd[0] - ours->groupStart[0], expectedLength) << p.ours << " «" << text;
      ASSERT_EQ(plain->groupEnd[0], ours->groupEnd[0]) << p.ours << " «" << text;
    }
    delete plain;
    delete ours;
  }
  // The generator must exercise both outcomes broadly, not just refusals.
  EXPECT_GT(patterns, 3000);
  EXPECT_GT(matched, compared / 5);
  EXPECT_GT(compared - matched, compared / 5);
  EXPECT_GT(wholeMatched, compared / 10);
}

// On long lines, where std::regex would recurse too deep, the answer must not depend on when the
// failed-attempt table is armed: from the first step with no start-up hints, when the work calls
// for it, or never (plain backtracking, given up by its stop check when it takes too long).
TEST(RegexDifferentialTest, LongLinesFindTheSameWhenTheTableIsArmedEarlyLateOrNever) {
  PatternMaker maker(20261208);
  auto giveUp = [](void* context) { return ++*static_cast<int*>(context) > 4 ? 1 : 0; };
  int compared = 0;
  int armed = 0;
  int withoutTable = 0;
  for (int attempt = 0; attempt < 300; ++attempt) {
    // Repeats over the runs in front make the lines slow enough to arm the table.
    static const char* const kRepeats[] = {"a*", "b*", "[ab]*", "[^c]*", "a+", "(a|b)*"};
    std::string pattern = std::string(kRepeats[attempt % 6]) + kRepeats[attempt / 6 % 6] + "(" +
                          maker.expression(0).ours + ")";
    GREPCLASS ours(pattern.c_str());
    if (ours.errorCount != 0) continue;
    GREPCLASS early(pattern.c_str());
    early.firstChar = early.anchoredAtStart = early.startFilter = early.oneAttempt = 0;
    early.requiredText = nullptr;
    early.nodeCount = 0;
    GREPCLASS never(pattern.c_str());
    never.nodeCount = 1 << 28;
    never.stopCheck = giveUp;
    int questions = 0;
    never.stopContext = &questions;
    for (unsigned char whole = 0; whole < 2; ++whole) {
      std::string text = maker.longText();
      ours.wholeWords = early.wholeWords = never.wholeWords = whole;
      int found = ours.match(text.c_str());
      ASSERT_EQ(early.match(text.c_str()), found) << pattern << " whole " << int{whole};
      questions = 0;
      int plain = never.match(text.c_str());
      ASSERT_EQ(never.failedArmed, 0);
      if (!never.stopped) {
        ASSERT_EQ(plain, found) << pattern << " whole " << int{whole};
        ++withoutTable;
      }
      ++compared;
      armed += ours.failedArmed;
      for (int n = 0; found && n < kGrepGroups; ++n) {
        ASSERT_EQ(early.groupStart[n], ours.groupStart[n]) << pattern << " group " << n;
        ASSERT_EQ(early.groupEnd[n], ours.groupEnd[n]) << pattern << " group " << n;
        if (never.stopped) continue;
        ASSERT_EQ(never.groupStart[n], ours.groupStart[n]) << pattern << " group " << n;
        ASSERT_EQ(never.groupEnd[n], ours.groupEnd[n]) << pattern << " group " << n;
      }
    }
  }
  EXPECT_GT(compared, 300);
  EXPECT_GT(armed, compared / 5);
  EXPECT_GT(withoutTable, compared / 2);
}

}  // namespace
