// The command's option table and what is made from it: every row is taken by the parser as the
// table spells it, --help tells of every row in the table's order, and README's synopsis is the
// one the table makes. (The completions and the manual page are checked in the installed tree by
// tests/packaging/install_test.sh.)
#include "host/cli/option_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "host/cli/command_args.h"
#include "host/cli/usage_text.h"
#include "host/ide/file_size_limit.h"

namespace {

using vantrel::OptionRow;

bool parse(std::vector<std::string> args, std::string& error) {
  std::vector<char*> argv{const_cast<char*>("vantrel")};
  for (std::string& a : args) argv.push_back(a.data());
  vantrel::CommandLine line;
  return vantrel::parseCommandLine(static_cast<int>(argv.size()), argv.data(), line, error);
}

std::string shortName(const OptionRow& row) { return std::string("-") + row.shortName; }
std::string longName(const OptionRow& row) { return std::string("--") + row.longName; }

TEST(OptionTableTest, EveryRowIsParsedAsSpelled) {
  std::set<std::string> names;
  for (const OptionRow& row : vantrel::optionTable()) {
    std::vector<std::string> spellings;
    if (row.shortName) spellings.push_back(shortName(row));
    if (row.longName) spellings.push_back(longName(row));
    ASSERT_FALSE(spellings.empty()) << row.brief;
    for (const std::string& name : spellings) {
      EXPECT_TRUE(names.insert(name).second) << name << " is in the table twice";
      std::string error;
      if (row.value) {
        // Known, and wanting its value: the one message that says both.
        EXPECT_FALSE(parse({name}, error)) << name;
        EXPECT_EQ(error, "option " + name + " needs a value") << name;
      } else {
        EXPECT_TRUE(parse({name}, error)) << name << ": " << error;
        if (name[1] == '-') {
          EXPECT_FALSE(parse({name + "=1"}, error)) << name;
          EXPECT_EQ(error, "option " + name + " takes no value");
        }
      }
    }
    EXPECT_TRUE(row.help || &row != &vantrel::optionTable().back()) << "the last row needs help";
  }
}

TEST(OptionTableTest, HelpTellsOfEveryRowInOrder) {
  std::string help = vantrel::usageText();
  size_t options = help.find("\nOptions:\n");
  ASSERT_NE(options, std::string::npos);
  size_t at = options;
  for (const OptionRow& row : vantrel::optionTable()) {
    // Each name at the start of the option column, or after ", " beside another.
    std::string name = row.shortName ? shortName(row) : longName(row);
    if (row.value)
      name += row.shortName ? std::string(" ") + row.value : "=" + std::string(row.value);
    size_t found = std::min(help.find("\n  " + name, at), help.find(", " + name, at));
    ASSERT_NE(found, std::string::npos) << name << " not in the help's options, or out of order";
    at = found;
  }
  std::istringstream lines(help);
  for (std::string line; std::getline(lines, line);) EXPECT_LE(line.size(), 100u) << line;
  // The one number the help repeats: the limit our hosts apply when nothing else is given.
  EXPECT_NE(help.find("else " + std::to_string(host::kHostDefaultFileSize) + ")"),
            std::string::npos);
}

TEST(OptionTableTest, ReadmeShowsTheTablesSynopsis) {
  std::string synopsis = vantrel::synopsisText();
  EXPECT_EQ(synopsis.compare(0, 22, "vantrel [TEXT] [-t TEX"), 0) << synopsis;
  std::string indented = "    ";
  for (char c : synopsis) indented += c == '\n' ? std::string("\n    ") : std::string(1, c);
  indented.resize(indented.size() - 4);
  std::ifstream file(VANTREL_SOURCE_DIR "/README.md");
  std::stringstream readme;
  readme << file.rdbuf();
  EXPECT_NE(readme.str().find("\n\n" + indented + "\n"), std::string::npos)
      << "README's synopsis should read:\n"
      << indented;
  std::istringstream lines(synopsis);
  for (std::string line; std::getline(lines, line);) EXPECT_LE(line.size(), 95u) << line;
  for (const OptionRow& row : vantrel::optionTable()) {
    if (row.endsCommand) continue;
    EXPECT_NE(synopsis.find(row.longName ? longName(row) : shortName(row)), std::string::npos)
        << row.brief;
  }
}

}  // namespace
