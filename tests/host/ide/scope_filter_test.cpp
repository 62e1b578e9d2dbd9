// The scope filter on the real message window and host file object: which hit lines of a C file
// pass for each scope, the file's heading held and dropped, files of other languages kept whole,
// and later matches on a line found again for a text, a pattern and whole words.
#include "host/ide/scope_filter.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "host/ide/recording_sink.h"

namespace {

using host::MessageEvent;

class ScopeFilterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "scope.XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string write(const std::string& name, const std::string& text) {
    std::string path = dir_ + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }

  // The lines of the hits that `scopes` keeps, each hit given as line and column of `path`, and
  // the events that reached the sink.
  std::vector<int> kept(unsigned scopes, const std::string& path,
                        const std::vector<std::pair<int, int>>& hits, const std::string& text,
                        int options, std::vector<MessageEvent>* seen = nullptr) {
    auto recording = std::make_shared<host::RecordingSink>();
    host::ScopeFilter filter({recording}, scopes);
    filter.setSearch(text, options);
    MessageEvent group;
    group.kind = MessageEvent::Kind::Group;
    group.group = 1;
    filter.event(group);
    MessageEvent heading;
    heading.kind = MessageEvent::Kind::Heading;
    heading.group = 1;
    heading.handle = 7;
    heading.file = path;
    filter.event(heading);
    for (auto [line, column] : hits) {
      MessageEvent entry;
      entry.kind = MessageEvent::Kind::Entry;
      entry.group = 1;
      entry.handle = 7;
      entry.file = path;
      entry.line = line;
      entry.column = column;
      filter.event(entry);
    }
    group.group = 2;  // the summary's group follows the files'
    filter.event(group);
    filter.flush();
    std::vector<int> lines;
    for (const MessageEvent& event : recording->events()) {
      if (event.kind == MessageEvent::Kind::Entry) lines.push_back(event.line);
    }
    EXPECT_EQ(filter.leftOut(), static_cast<long>(hits.size() - lines.size()));
    if (seen) *seen = recording->events();
    return lines;
  }

  std::string dir_;
};

TEST_F(ScopeFilterTest, EachScopeKeepsTheLinesWithAMatchInIt) {
  std::string path = write("a.c",
                           "kfree(x); // kfree\n"           // 1: code first, comment after
                           "/* kfree */ kfree(y);\n"        // 2: comment first, code after
                           "log(\"kfree\"); /* kfree */\n"  // 3: string, then comment
                           "int kfree_count;\n"             // 4: code only
                           "/* kfree\n kfree */\n");        // 5, 6: a comment over two lines
  std::vector<std::pair<int, int>> hits = {{1, 1}, {2, 4}, {3, 6}, {4, 5}, {5, 4}, {6, 2}};
  using V = std::vector<int>;
  EXPECT_EQ(kept(host::kScopeCode, path, hits, "kfree", 0), (V{1, 2, 4}));
  EXPECT_EQ(kept(host::kScopeComments, path, hits, "kfree", 0), (V{1, 2, 3, 5, 6}));
  EXPECT_EQ(kept(host::kScopeStrings, path, hits, "kfree", 0), (V{3}));
  EXPECT_EQ(kept(host::kScopeComments | host::kScopeStrings, path, hits, "kfree", 0),
            (V{1, 2, 3, 5, 6}));
  // Case folded as the search folds it; a pattern's later matches by the add-on's engine.
  EXPECT_EQ(kept(host::kScopeCode, path, {{2, 4}}, "KFREE", 0), (V{2}));
  EXPECT_EQ(kept(host::kScopeCode, path, {{2, 4}}, "KFREE", 1), (V{}));
  EXPECT_EQ(kept(host::kScopeCode, path, {{2, 1}}, "/\\*|kf[a-z]+", 4), (V{2}));
  EXPECT_EQ(kept(host::kScopeCode, path, {{2, 1}}, "^/\\*", 4), (V{}));
  // Whole words: kfree_count holds no whole "kfree"; "kfree(" does.
  std::string words = write("w.c", "/* kfree */ kfree_count = kfree;\n");
  EXPECT_EQ(kept(host::kScopeCode, words, {{1, 4}}, "kfree", 0x10), (V{1}));
  std::string only = write("o.c", "/* kfree */ kfree_count = 1;\n");
  EXPECT_EQ(kept(host::kScopeCode, only, {{1, 4}}, "kfree", 0x10), (V{}));
  EXPECT_EQ(kept(host::kScopeCode, only, {{1, 4}}, "kfree", 0x14), (V{}));
  EXPECT_EQ(kept(host::kScopeCode, only, {{1, 4}}, "kfree", 0x04), (V{1}));
}

TEST_F(ScopeFilterTest, AHeadingWaitsForItsFirstHitKept) {
  std::string path = write("b.cpp", "// only a comment: needle\nint needle;\n");
  std::vector<MessageEvent> seen;
  EXPECT_EQ(kept(host::kScopeStrings, path, {{1, 20}, {2, 5}}, "needle", 0, &seen),
            std::vector<int>{});
  ASSERT_EQ(seen.size(), 1u);  // the file's group and heading went; the summary's group stays
  EXPECT_EQ(seen[0].group, 2);
  EXPECT_EQ(kept(host::kScopeCode, path, {{1, 20}, {2, 5}}, "needle", 0, &seen),
            std::vector<int>{2});
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[0].kind, MessageEvent::Kind::Group);
  EXPECT_EQ(seen[1].kind, MessageEvent::Kind::Heading);
  EXPECT_EQ(seen[2].line, 2);
  EXPECT_EQ(seen[3].group, 2);
}

TEST_F(ScopeFilterTest, FilesOfOtherLanguagesAreKeptWholeAndCounted) {
  std::string path = write("notes.txt", "// needle\n");
  auto recording = std::make_shared<host::RecordingSink>();
  host::ScopeFilter filter({recording}, host::kScopeCode);
  filter.setSearch("needle", 0);
  MessageEvent entry;
  entry.kind = MessageEvent::Kind::Entry;
  entry.group = 3;
  entry.file = path;
  entry.line = 1;
  entry.column = 4;
  filter.event(entry);
  filter.event(entry);
  EXPECT_EQ(recording->events().size(), 2u);
  EXPECT_EQ(filter.notClassified(), 1);
  EXPECT_EQ(filter.leftOut(), 0);
  EXPECT_EQ(host::scopeWords(host::kScopeComments | host::kScopeStrings), "comments or strings");
  EXPECT_EQ(host::scopeWords(7), "code, comments or strings");
}

}  // namespace
