// The regular-expression compiler: refused patterns and their messages, program layouts, the
// start-up hints, bracket rules, group limits and the program-size limit.
#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

#include "regex/grepclass.h"

namespace {

struct Refusal {
  const char* pattern;
  const char* message;
};

std::vector<unsigned char> programOf(const GREPCLASS& re) {
  return std::vector<unsigned char>(re.program, re.program + re.programSize);
}

// The members of the set node that is the single top-level alternative's first node.
std::string firstSetMembers(const GREPCLASS& re) {
  const unsigned char* node = re.program + 4;
  EXPECT_TRUE(node[0] == OpInSet || node[0] == OpNotInSet);
  return reinterpret_cast<const char*>(node + 3);
}

TEST(RegexCompileTest, RefusedPatternsRecordTheFailingChecksMessage) {
  const Refusal refusals[] = {
      {"a**", "Illegal nesting"},           {"a+?", "Illegal nesting"},
      {"a?*", "Illegal nesting"},           {"*a", "Illegal ?, +, or * usage"},
      {"a|+b", "Illegal ?, +, or * usage"}, {"(?x)", "Illegal ?, +, or * usage"},
      {"^*", "Illegal use of * or +"},      {"$+", "Illegal use of * or +"},
      {"()*", "Illegal use of * or +"},     {"(a|)*", "Illegal use of * or +"},
      {"(b*)+", "Illegal use of * or +"},   {"[z-a]", "Illegal [] range"},
      {"[abc", "Mismatched () or []"},      {"[]", "Mismatched () or []"},
      {"(a", "Mismatched () or []"},        {"a)", "Mismatched () or []"},
      {"(a))", "Mismatched () or []"},      {"abc\\", "Illegal backslashes"},
      {"[Z-A]", "Illegal [] range"},  // «[Z-a]» as a case-insensitive search hands it over
  };
  for (const Refusal& r : refusals) {
    GREPCLASS re(r.pattern);
    EXPECT_EQ(re.errorCount, 1) << r.pattern;
    EXPECT_STREQ(re.errorText, r.message) << r.pattern;
    EXPECT_EQ(re.match("a*b)z"), 0) << r.pattern;  // a refused record never matches
  }
}

TEST(RegexCompileTest, NullPatternIsAnInvalidArgument) {
  GREPCLASS re(nullptr);
  EXPECT_EQ(re.errorCount, 1);
  EXPECT_STREQ(re.errorText, "Invalid argument");
}

TEST(RegexCompileTest, AcceptedPatternsLeaveNoError) {
  for (const char* p : {"^?", "()?", "(b*)?", "a^b", "a$b", "[Z-a]", "[a-a]", "\\.", "\\\\", "",
                        "|", "(|a)", "a||b"}) {
    GREPCLASS re(p);
    EXPECT_EQ(re.errorCount, 0) << p;
    EXPECT_STREQ(re.errorText, "") << p;
    EXPECT_EQ(re.program[0], ProgramMarker) << p;
  }
}

TEST(RegexCompileTest, ProgramLayouts) {
  // Choice -> Finish, with an Empty as its operand leading to the Finish too.
  GREPCLASS empty("");
  EXPECT_EQ(programOf(empty),
            (std::vector<unsigned char>{156, OpChoice, 0, 6, OpEmpty, 0, 3, OpFinish, 0, 0}));
  // «ab» followed by a repeat over the one-character literal «c», whose own link stays 0.
  GREPCLASS abc("abc*");
  EXPECT_EQ(programOf(abc),
            (std::vector<unsigned char>{156, OpChoice, 0,   17,          OpLiteral, 0, 6,
                                        'a', 'b',      0,   OpRepeatAny, 0,         8, OpLiteral,
                                        0,   0,        'c', 0,           OpFinish,  0, 0}));
  GREPCLASS star("a*");
  EXPECT_EQ(programOf(star), (std::vector<unsigned char>{156, OpChoice, 0, 11, OpRepeatAny, 0, 8,
                                                         OpLiteral, 0, 0, 'a', 0, OpFinish, 0, 0}));
  // Escapes are one-character literals.
  GREPCLASS dot("\\.");
  EXPECT_EQ(dot.program[4], OpLiteral);
  EXPECT_STREQ(reinterpret_cast<const char*>(dot.program + 7), ".");
  GREPCLASS backslash("\\\\");
  EXPECT_STREQ(reinterpret_cast<const char*>(backslash.program + 7), "\\");
}

TEST(RegexCompileTest, LoopsOverGroupsLinkBackToTheirChoice) {
  // «(ab)*»: Choice[Group1 ... LoopBack->Choice] / Choice[Empty].
  GREPCLASS re("(ab)*");
  ASSERT_EQ(re.errorCount, 0);
  unsigned char* loop = re.program + 4;
  ASSERT_EQ(loop[0], OpChoice);
  EXPECT_EQ(loop[3], OpGroupOpen + 1);
  unsigned char* node = loop + 3;
  while (node != nullptr && node[0] != OpLoopBack) node = re.nextNode(node);
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(re.nextNode(node), loop);
  unsigned char* second = re.nextNode(loop);
  ASSERT_EQ(second[0], OpChoice);
  EXPECT_EQ(second[3], OpEmpty);
}

TEST(RegexCompileTest, Hints) {
  GREPCLASS anchored("^abc");
  EXPECT_EQ(anchored.anchoredAtStart, 1);
  EXPECT_EQ(anchored.firstChar, 0);

  GREPCLASS literal("abc");
  EXPECT_EQ(literal.firstChar, 'a');
  EXPECT_EQ(literal.anchoredAtStart, 0);
  EXPECT_EQ(literal.requiredText, nullptr);

  GREPCLASS alternatives("abc|d");
  EXPECT_EQ(alternatives.firstChar, 0);
  EXPECT_EQ(alternatives.anchoredAtStart, 0);
  EXPECT_EQ(alternatives.requiredText, nullptr);

  GREPCLASS required(".*ab.*cd");
  EXPECT_EQ(required.firstChar, 0);
  ASSERT_NE(required.requiredText, nullptr);
  EXPECT_EQ(std::string(required.requiredText, required.requiredLength), "cd");
  EXPECT_GT(required.requiredText, reinterpret_cast<const char*>(required.program));

  GREPCLASS later("x.*yz");
  EXPECT_EQ(later.firstChar, 'x');
  EXPECT_EQ(later.requiredText, nullptr);

  // The longest literal of the main chain; literals inside optional parts do not count.
  GREPCLASS longest("a?bcd(efghij)*xy");
  ASSERT_NE(longest.requiredText, nullptr);
  EXPECT_EQ(std::string(longest.requiredText, longest.requiredLength), "bcd");
}

// The literal every match holds, which the scan looks for first whatever the pattern's start:
// the longest (the last of equals) along the main chain, never one that an alternative, an
// optional or a repeated part holds (a group's text is its one alternative's, off the chain);
// none for a pattern with alternatives at the top, for one without a literal, or for a record
// that did not compile.
TEST(RegexCompileTest, TextEveryMatchHolds) {
  for (auto [pattern, required] :
       {std::pair{"abc", "abc"}, std::pair{"x.*yz", "yz"}, std::pair{".*ab.*cd", "cd"},
        std::pair{"ab[0-9]+cd", "cd"}, std::pair{"a?bcd(efghij)*xy", "bcd"},
        std::pair{"(ab|cd)e", "e"}, std::pair{"(abc)de", "de"}, std::pair{"^int main$", "int main"},
        std::pair{"abc|d", ""}, std::pair{"[a-z]*", ""}, std::pair{"(ab|cd)*", ""},
        std::pair{"a(b", ""}}) {
    GREPCLASS re(pattern);
    size_t length = 99;
    const char* text = re.textEveryMatchHolds(&length);
    EXPECT_EQ(text ? std::string(text, length) : std::string(), required) << pattern;
    if (!text) {
      EXPECT_EQ(length, 0u) << pattern;
      continue;
    }
    EXPECT_GT(text, reinterpret_cast<const char*>(re.program)) << pattern;
    EXPECT_LT(text, reinterpret_cast<const char*>(re.program) + kGrepProgramSize) << pattern;
  }
}

// The characters that can begin a match, as a string of the printable ones; "any" without filter.
std::string startBytesOf(const char* pattern) {
  GREPCLASS re(pattern);
  EXPECT_EQ(re.errorCount, 0) << pattern;
  if (!re.startFilter) return "any";
  EXPECT_EQ(re.startBytes[0], 0) << pattern;
  std::string printable;
  for (int c = ' '; c < 127; ++c)
    if (re.startBytes[c]) printable += static_cast<char>(c);
  return printable;
}

TEST(RegexCompileTest, StartBytesFollowEveryWayThatConsumesNothing) {
  EXPECT_EQ(startBytesOf("[A-C_]+\\("), "ABC_");
  EXPECT_EQ(startBytesOf("(int|char|void) +"), "civ");
  EXPECT_EQ(startBytesOf("a?b*(c|d)"), "abcd");
  EXPECT_EQ(startBytesOf("(a*b)+"), "ab");
  EXPECT_EQ(startBytesOf("^x"), "x");
  EXPECT_EQ(startBytesOf("x*"), "any");     // may match the empty string
  EXPECT_EQ(startBytesOf("(a|$)"), "any");  // may match at the terminating NUL
  EXPECT_EQ(startBytesOf("a|b?"), "any");
  // A leading «.*» or «.+» makes the first attempt the only one.
  EXPECT_EQ(GREPCLASS(".*foo").oneAttempt, 1);
  EXPECT_EQ(GREPCLASS(".+foo").oneAttempt, 1);
  EXPECT_EQ(GREPCLASS("a.*foo").oneAttempt, 0);
  EXPECT_EQ(GREPCLASS(".*foo|x").oneAttempt, 0);
  EXPECT_EQ(GREPCLASS("[^x]*foo").oneAttempt, 0);
  GREPCLASS negated("[^a]");
  EXPECT_EQ(negated.startFilter, 1);
  EXPECT_EQ(negated.startBytes[static_cast<unsigned char>('a')], 0);
  EXPECT_EQ(negated.startBytes[0xff], 1);
  EXPECT_EQ(negated.startBytes[0], 0);
}

TEST(RegexCompileTest, BracketRules) {
  EXPECT_EQ(firstSetMembers(GREPCLASS("[a-c-e]")), "abcde");
  EXPECT_EQ(firstSetMembers(GREPCLASS("[a-a]")), "a");
  EXPECT_EQ(firstSetMembers(GREPCLASS("[]a]")), "]a");
  EXPECT_EQ(firstSetMembers(GREPCLASS("[a-]")), "a-");
  EXPECT_EQ(firstSetMembers(GREPCLASS("[-a]")), "-a");
  EXPECT_EQ(firstSetMembers(GREPCLASS("[\\n]")), "\\n");
  GREPCLASS notDash("[^-]");
  EXPECT_EQ(notDash.program[4], OpNotInSet);
  EXPECT_EQ(firstSetMembers(notDash), "-");

  // Ranges go by unsigned byte value, up to 255.
  GREPCLASS high("[\xfd-\xff]");
  ASSERT_EQ(high.errorCount, 0);
  EXPECT_EQ(firstSetMembers(high), "\xfd\xfe\xff");
  GREPCLASS across("[~-\x81]");
  ASSERT_EQ(across.errorCount, 0);
  EXPECT_EQ(firstSetMembers(across), "~\x7f\x80\x81");
  GREPCLASS backwards("[\xff-\x80]");
  EXPECT_STREQ(backwards.errorText, "Illegal [] range");
}

TEST(RegexCompileTest, NineGroupsCompileAndATenthIsRefused) {
  GREPCLASS nine("(a)(b)(c)(d)(e)(f)(g)(h)(i)");
  ASSERT_EQ(nine.errorCount, 0);
  ASSERT_EQ(nine.match("xabcdefghiy"), 1);
  for (int n = 1; n <= 9; ++n) EXPECT_EQ(*nine.groupStart[n], 'a' + n - 1) << n;

  GREPCLASS nested("(((((((((a)))))))))");
  EXPECT_EQ(nested.errorCount, 0);

  GREPCLASS ten("(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)");
  EXPECT_EQ(ten.errorCount, 1);
  EXPECT_STREQ(ten.errorText, "Mismatched () or []");
  GREPCLASS tenNested("((((((((((a))))))))))");
  EXPECT_STREQ(tenNested.errorText, "Mismatched () or []");
}

TEST(RegexCompileTest, ProgramsUpTo1024BytesFitAndLargerAreRefused) {
  std::string sets;
  for (int i = 0; i < 33; ++i) sets += "[a-z]";
  // Marker, Choice, 33 sets of 30 bytes, a 23-character literal (27 bytes), Finish: 1024 bytes.
  GREPCLASS exact((sets + std::string(23, 'q')).c_str());
  ASSERT_EQ(exact.errorCount, 0);
  EXPECT_EQ(exact.programSize, 1024);
  EXPECT_EQ(exact.program[1023], OpFinish);
  EXPECT_EQ(exact.match((std::string(33, 'k') + std::string(23, 'q')).c_str()), 1);

  GREPCLASS over((sets + std::string(24, 'q')).c_str());
  EXPECT_EQ(over.errorCount, 1);
  EXPECT_STREQ(over.errorText, "Expression too long");
  EXPECT_EQ(over.match("q"), 0);

  GREPCLASS manySets((sets + "[a-z]").c_str());  // 1027 bytes
  EXPECT_STREQ(manySets.errorText, "Expression too long");
  std::string alternatives = "a";
  for (int i = 1; i < 128; ++i) alternatives += "|a";  // 1028 bytes
  GREPCLASS manyAlternatives(alternatives.c_str());
  EXPECT_STREQ(manyAlternatives.errorText, "Expression too long");
  // A long pattern is measured whole and refused before anything is written.
  std::string huge(5 * 20000, 0);
  for (size_t i = 0; i < huge.size(); i += 5) memcpy(&huge[i], "[\x01-\xff]", 5);
  GREPCLASS tooHuge(huge.c_str());
  EXPECT_STREQ(tooHuge.errorText, "Expression too long");
}

}  // namespace
