// The vantrel command's argument parsing: fields, boxes, grouped flags, values after "=" or as
// the next argument, and the one-line errors that end the command with status 2.
#include "host/cli/command_args.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace {

using vantrel::CommandLine;
using vantrel::OutputFormat;

bool parse(std::initializer_list<const char*> args, CommandLine& line, std::string& error) {
  std::vector<char*> argv{const_cast<char*>("vantrel")};
  for (const char* a : args) argv.push_back(const_cast<char*>(a));
  return vantrel::parseCommandLine(static_cast<int>(argv.size()), argv.data(), line, error);
}

TEST(CommandArgsTest, FieldsBoxesAndOutputChoices) {
  CommandLine line;
  std::string error;
  ASSERT_TRUE(parse({"-rw",
                     "-f",
                     "*.cpp;*.h",
                     "-d.",
                     "TODO",
                     "--options=5",
                     "--select",
                     "a.c",
                     "--select=b.c",
                     "--project=p.json",
                     "--format=json",
                     "--windows-paths",
                     "--no-ignore",
                     "--exclude=build/",
                     "--exclude",
                     "*_test.c",
                     "--hidden",
                     "--max-filesize",
                     "1000000",
                     "-j",
                     "3"},
                    line, error))
      << error;
  EXPECT_EQ(line.text, "TODO");
  EXPECT_EQ(line.fileTypes, "*.cpp;*.h");
  EXPECT_EQ(line.directories, ".");
  EXPECT_EQ(line.tickedOptions, 0x02 | 0x10);
  EXPECT_EQ(line.options, 5);
  EXPECT_EQ(line.selectedNodes, (std::vector<std::string>{"a.c", "b.c"}));
  EXPECT_EQ(line.projectFile, "p.json");
  EXPECT_EQ(line.format, OutputFormat::kJson);
  EXPECT_TRUE(line.windowsPaths);
  EXPECT_FALSE(line.listing.ignoreFiles);
  EXPECT_EQ(line.listing.excludes, (std::vector<std::string>{"build/", "*_test.c"}));
  EXPECT_TRUE(line.listing.hidden);
  EXPECT_EQ(line.maxFileSize, 1000000ul);
  EXPECT_EQ(line.threads, 3);
  for (const char* threads : {"-j256", "--threads=256"}) {
    CommandLine most;
    ASSERT_TRUE(parse({threads}, most, error)) << error;
    EXPECT_EQ(most.threads, 256);
  }

  // Fields not given stay unset, so the dialog keeps what it shows.
  CommandLine bare;
  ASSERT_TRUE(parse({"-s", "-e", "-a"}, bare, error));
  EXPECT_FALSE(bare.text || bare.fileTypes || bare.directories || bare.options);
  EXPECT_EQ(bare.tickedOptions, 0x01 | 0x04 | 0x08);
  EXPECT_EQ(bare.format, OutputFormat::kText);
  EXPECT_TRUE(bare.listing.ignoreFiles);  // ignore files are honoured unless switched off
  EXPECT_FALSE(bare.listing.hidden);
  EXPECT_FALSE(bare.maxFileSize);  // the registry's limit, or the add-on's own
  EXPECT_FALSE(bare.threads);      // the cores the process may use

  // Context lines: -C around, -A and -B over it whatever the order; -l, -c and vimgrep are
  // formats of their own.
  CommandLine context;
  ASSERT_TRUE(parse({"-A", "3", "-C2", "x"}, context, error)) << error;
  EXPECT_EQ(context.contextBefore, 2);
  EXPECT_EQ(context.contextAfter, 3);
  for (auto [flag, format] :
       {std::pair{"-l", OutputFormat::kFiles}, std::pair{"-c", OutputFormat::kCounts},
        std::pair{"--format=vimgrep", OutputFormat::kVimgrep}}) {
    CommandLine listed;
    ASSERT_TRUE(parse({flag, "-C0", "x"}, listed, error)) << flag;
    EXPECT_EQ(listed.format, format) << flag;
  }
}

TEST(CommandArgsTest, TextsThatLookLikeOptions) {
  CommandLine line;
  std::string error;
  ASSERT_TRUE(parse({"-t", "-x"}, line, error));
  EXPECT_EQ(line.text, "-x");
  CommandLine after;
  ASSERT_TRUE(parse({"--", "--help"}, after, error));
  EXPECT_EQ(after.text, "--help");
  EXPECT_FALSE(after.help);
  CommandLine empty;
  ASSERT_TRUE(parse({""}, empty, error));
  EXPECT_EQ(empty.text, "");
}

TEST(CommandArgsTest, NumbersAreDecimalAndFieldsFitTheDialog) {
  for (auto [value, bits] : {std::pair{"010", 10}, std::pair{"0x1f", 31}, std::pair{"7", 7}}) {
    CommandLine line;
    std::string error;
    std::string arg = std::string("--options=") + value;
    ASSERT_TRUE(parse({arg.c_str()}, line, error)) << error;
    EXPECT_EQ(line.options, bits) << value;
  }
  // 499 characters fit; one more would be cut by the dialog into a search nobody asked for.
  std::string fits(499, 'x'), over(500, ';');
  for (const char* flag : {"-t", "-f", "-d"}) {
    CommandLine line, refused;
    std::string error;
    EXPECT_TRUE(parse({flag, fits.c_str()}, line, error)) << flag;
    EXPECT_FALSE(parse({flag, over.c_str()}, refused, error)) << flag;
    EXPECT_NE(error.find("499"), std::string::npos) << error;
  }
}

TEST(CommandArgsTest, ErrorsAreOneLine) {
  for (auto args : std::vector<std::vector<const char*>>{{"--bogus"},
                                                         {"-q"},
                                                         {"--options=32"},
                                                         {"--options=x"},
                                                         {"--format=xml"},
                                                         {"-f"},
                                                         {"--project"},
                                                         {"a", "b"},
                                                         {"--help=1"},
                                                         {"--exclude="},
                                                         {"--hidden=yes"},
                                                         {"-A"},
                                                         {"-C", "-1"},
                                                         {"-B", "2x"},
                                                         {"-l", "-c"},
                                                         {"-c", "--format=json"},
                                                         {"--format=vimgrep", "-B1"},
                                                         {"-l", "-A", "1"},
                                                         {"--max-filesize=0"},
                                                         {"--max-filesize=1e6"},
                                                         {"--max-filesize=2000000001"},
                                                         {"-j0"},
                                                         {"-j", "257"},
                                                         {"--threads=1000000000000"},
                                                         {"--threads=-2"},
                                                         {"-j"}}) {
    std::vector<char*> argv{const_cast<char*>("vantrel")};
    for (const char* a : args) argv.push_back(const_cast<char*>(a));
    CommandLine line;
    std::string error;
    EXPECT_FALSE(vantrel::parseCommandLine(static_cast<int>(argv.size()), argv.data(), line, error))
        << args[0];
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(error.find('\n'), std::string::npos);
  }
}

}  // namespace
