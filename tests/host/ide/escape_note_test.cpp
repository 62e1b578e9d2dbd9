// The note on escapes and intervals of the common syntaxes, on a table of patterns: what is
// noted, once each, with this syntax's way; what is not (brackets, plain escapes, broken
// intervals). Covers host/ide/escape_note.cpp; the command's and the full-screen program's use of
// it are tested in tests/host/cli/command_e2e_test.cpp and tests/host/tui/tui_results_test.cpp.
#include "host/ide/escape_note.h"

#include <gtest/gtest.h>

namespace {

TEST(EscapeNoteTest, ClassesAssertionsAndIntervalsAreNotedOnceWithTheFix) {
  struct Case {
    const char* pattern;
    const char* note;
  } cases[] = {
      {"#define\\s+list_for_each_entry\\b",
       "\\s is a plain s here: write [ ] holding a blank and a tab; \\b is a plain b here: tick "
       "Whole Words only"},
      {"\\d\\d\\D", "\\d is a plain d here: write [0-9]; \\D is a plain D here: write [^0-9]"},
      {"\\w+\\W\\S\\B",
       "\\w is a plain w here: write [A-Za-z0-9_]; \\W is a plain W here: write "
       "[^A-Za-z0-9_]; \\S is a plain S here: write [^ ] holding a blank and a tab; \\B is a plain "
       "B here: this "
       "syntax has none"},
      {"x{2}y{2,}z{1,3}x{2}",
       "{2} is text here: write the item out (x{2,3}: xxx?); {2,} is text here: write the item "
       "out (x{2,3}: xxx?); {1,3} is text here: write the item out (x{2,3}: xxx?)"},
      // Nothing to note: this syntax's own, a backslash inside brackets, an escaped backslash,
      // braces that are no interval, a trailing backslash.
      {"[ \\t]+", ""},
      {"[\\s]", ""},
      {"[]\\s]", ""},
      {"[^]\\d]", ""},
      {"\\\\s", ""},
      {"\\.\\(\\n", ""},
      {"{x} {} {,2} {2", ""},
      {"abc\\", ""},
      // A bracket closed, then an escape outside it.
      {"[a^]\\s", "\\s is a plain s here: write [ ] holding a blank and a tab"},
  };
  for (const Case& c : cases) EXPECT_EQ(host::escapeNote(c.pattern), c.note) << c.pattern;
}

}  // namespace
