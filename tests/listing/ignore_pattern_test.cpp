// Ignore-file patterns matched against paths relative to their file, case by case. Covers
// listing/ignore_pattern.cpp; ignore files met by a listing are tested in
// tests/listing/listing_rules_test.cpp.
#include "listing/ignore_pattern.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string_view>
#include <utility>

namespace {

// Each case checked against git's own check-ignore when written: the pattern, the path relative
// to the ignore file, whether it is a directory, and whether the pattern matches.
TEST(IgnorePatternTest, PatternsMatchAsGitsDo) {
  struct Case {
    const char* pattern;
    const char* path;
    bool directory;
    bool matches;
  } cases[] = {
      {"*.o", "a/b/x.o", false, true},
      {"*.o", "x.c", false, false},
      {"build/", "build", true, true},
      {"build/", "build", false, false},
      {"build/", "src/build", true, true},
      {"/build", "src/build", true, false},
      {"/build", "build", true, true},
      {"doc/*.txt", "doc/a.txt", false, true},
      {"doc/*.txt", "doc/sub/a.txt", false, false},
      {"doc/*.txt", "x/doc/a.txt", false, false},
      {"**/foo", "a/b/foo", false, true},
      {"**/foo", "foo", false, true},
      {"a/**/b", "a/b", false, true},
      {"a/**/b", "a/x/y/b", false, true},
      {"a/**/b", "ax/b", false, false},
      {"abc/**", "abc/x/y", false, true},
      {"abc/**", "abc", true, false},
      {"fo?", "foo", false, true},
      {"fo?", "fo", false, false},
      {"[a-c]x", "bx", false, true},
      {"[a-c]x", "dx", false, false},
      {"[!a-c]x", "dx", false, true},
      {"[^a-c]x", "ax", false, false},
      {"*[[:digit:]]", "v1", false, true},
      {"*[[:digit:]]", "va", false, false},
      {"\\#hash", "#hash", false, true},
      {"trail\\ ", "trail ", false, true},
      {"foo/*", "foo/bar", false, true},
      {"foo/*", "foo/bar/baz", false, false},
      {"a**b", "axyb", false, true},
      {"**", "x/y/z", false, true},
      {"[]]x", "]x", false, true},
      {"*.[oa]", "lib.a", false, true},
      {"x/", "x", true, true},
      {"Makefile.*", "src/Makefile.am", false, true},
      {"!keep.o", "keep.o", false, true},
      {"[a-", "a", false, false},
      {"*.asn1.[ch]", "x.asn1.c", false, true},
      {"*.c.[012]*.*", "a.c.0x.y", false, true},
      {"*.c.[012]*.*", "a.c.3x.y", false, false},
      {"a\\\\*", "a\\bc", false, true},
      {"x\\*", "x*", false, true},
      {"x\\*", "xy", false, false},
      {"[!]x[a]", "b", false, true},  // one set: "]", "x", "[" and "a" are its members
      {"*.tab.[ch]", "p.tab.h", false, true},
      {"a?c.[oa]", "abc.o", false, true},
      {"*\\.c", "a.c", false, true},
      {"/a/b*.c", "a/bx.c", false, true},
      {"a/**/x.c", "a/b/x.c", false, true},
      {"*[[:digit:]].o", "v1.o", false, true},
  };
  for (const Case& c : cases) {
    auto pattern = vlisting::IgnorePattern::parse(c.pattern);
    ASSERT_TRUE(pattern) << c.pattern;
    std::string_view path = c.path;
    std::string_view name = path.substr(path.rfind('/') + 1);
    EXPECT_EQ(pattern->matches(path, name, c.directory), c.matches)
        << c.pattern << " on " << c.path;
    if (!c.matches) continue;
    // What a listing checks before matching never turns a matching name away.
    EXPECT_TRUE(pattern->shape().admits(
        name, static_cast<size_t>(std::count(name.begin(), name.end(), '.')), c.directory))
        << c.pattern << " on " << c.path;
  }
  // A pattern of one component taken from an anchored one keeps its negation and directory limit.
  auto name = vlisting::IgnorePattern::nameTest("gen*.[ch]", true, true);
  EXPECT_TRUE(name.negated());
  EXPECT_TRUE(name.matches("x/gen1.c", "gen1.c", true));
  EXPECT_FALSE(name.matches("x/gen1.c", "gen1.c", false));
  for (auto [text, reducible] : {std::pair{"/a/*/b", true},
                                 {"a/b", true},
                                 {"a/**/b", false},
                                 {"a/[xy]/b", false},
                                 {"a/\\*/b", false},
                                 {"*.o", false}})
    EXPECT_EQ(vlisting::IgnorePattern::parse(text)->reducible(), reducible) << text;
  EXPECT_TRUE(vlisting::IgnorePattern::parse("!keep.o")->negated());
  for (const char* none : {"", "# comment", "   ", "/", "!", "\r"})
    EXPECT_FALSE(vlisting::IgnorePattern::parse(none)) << '"' << none << '"';
}

}  // namespace
