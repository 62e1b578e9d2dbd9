// A result page alone, without the add-on's events: rows, folding, notice summaries and the
// filter's counts over folded files. Covers host/tui/tui_page.cpp and host/tui/tui_page_filter.cpp;
// pages filled from the add-on's events are tested in tests/host/tui/tui_message_list_test.cpp.
#include "host/tui/tui_page.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include "host/tui/tui_notice_summary.h"
#include "host/tui/tui_page_filter.h"
#include "host/tui/tui_size_limit.h"
#include "tests/host/tui/tui_terminal.h"

namespace {

// The page and its filter alone, without the add-on's events: a folded file's hits still count
// for the filter but take no rows; notices are summed most first.
TEST(PageTest, RowsFoldAndAFilterCountsTheHitsOfAFoldedFile) {
  tui::Page page({"x", "*.c", "/src", 0, true, ""});
  page.addFile("/src/a.c", "/src/a.c", "a.c");
  page.addHit(1, 1, "x one");
  page.addHit(2, 1, "two");
  page.addFile("/src/b.c", "/src/b.c", "b.c");
  page.addHit(3, 4, "x three");
  for (const char* entry : {"File too large !", "File is 0 byte length !", "File too large !"})
    page.addNotice("big.c", tui::reasonWord(entry));
  page.addMessage("Vantrel : 3 found");
  ASSERT_EQ(page.rowCount(), 7u);
  EXPECT_EQ(page.row(4).shown, "  3:4: x three");
  EXPECT_EQ(page.row(5).shown, "3 files not searched: 2 too large, 1 empty");
  page.toggleFile(0);
  ASSERT_EQ(page.rowCount(), 5u);
  EXPECT_EQ(page.headingRow(1), 1u);
  tui::PageFilter filter;
  filter.set("X ");
  ASSERT_EQ(filter.count(page), 3u);  // a.c's heading (its hits folded), b.c's heading and hit
  EXPECT_EQ(filter.matching(page, 0), 1);
  EXPECT_EQ(filter.behind(2), 2u);
  EXPECT_EQ(filter.indexOf(page, 3), 3u);  // past the last row that passes
  page.toggleFile(0);
  filter.markStale();
  EXPECT_EQ(filter.count(page), 4u);
}

// The limit that takes the files refused as too large: one byte over the largest as it is now,
// never below the limit in force, at most the ceiling; files gone are passed over.
TEST(PageTest, TheRaisedSizeLimitTakesTheLargestRefusedFile) {
  char dir[] = "/tmp/vantrel-size-limit-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  std::string a = std::string(dir) + "/a.c", b = std::string(dir) + "/b.c";
  std::string huge = std::string(dir) + "/huge.c", gone = std::string(dir) + "/gone.c";
  for (const auto& [path, size] : {std::pair{a, 600000L}, {b, 900000L}, {huge, 256L << 20}}) {
    FILE* file = fopen(path.c_str(), "w");
    ASSERT_NE(file, nullptr);
    fclose(file);
    ASSERT_EQ(truncate(path.c_str(), size), 0);  // sparse
  }
  tui::RaisedLimit raised = tui::raisedLimit({a, gone, b}, 500000);
  EXPECT_EQ(raised.bytes, 900001u);
  EXPECT_EQ(raised.largest, 900000);
  EXPECT_FALSE(raised.overCeiling);
  EXPECT_EQ(tui::raisedLimit({a}, 2000000).bytes, 2000000u);  // never lowered
  EXPECT_EQ(tui::raisedLimit({gone}, 500000).bytes, 0u);
  raised = tui::raisedLimit({a, huge}, 500000);
  EXPECT_TRUE(raised.overCeiling);
  EXPECT_EQ(raised.bytes, 256u << 20);
  EXPECT_EQ(raised.largest, 256L << 20);
  tuitest::capture(std::string("rm -rf ") + dir);
}

// By path: a directory's own files by name before its subdirectories', the rows and headings
// following; a file added while the search runs stays last until it is settled with the rest.
TEST(PageTest, FilesByPathStandTogetherAndANewFileStaysLastUntilSettled) {
  tui::Page page({"x", "*.c;*.h", "/src", 0, true, ""});
  for (const char* name : {"b.c", "sub/a.c", "a.c", "a.h"}) {
    page.addFile(std::string("/src/") + name, name, name);
    page.addHit(1, 1, name);
  }
  page.orderByPath(true);
  page.settleOrder(true);
  auto shown = [&page] {
    std::string out;
    for (uint64_t r = 0; r < page.fileRows(); ++r)
      if (page.row(r).kind == tui::Row::kHeading) out += page.row(r).shown + " ";
    return out;
  };
  EXPECT_EQ(shown(), "a.c a.h b.c sub/a.c ");
  EXPECT_EQ(page.headingRow(1), 6u);  // sub/a.c: after three files of two rows
  EXPECT_EQ(page.row(7).text, "sub/a.c");
  page.toggleFile(2);  // a.c folded
  EXPECT_EQ(page.headingRow(3), 1u);
  page.addFile("/src/0.c", "0.c", "0.c");
  page.addHit(2, 1, "zero");
  EXPECT_FALSE(page.settleOrder(false));  // still being written: last
  EXPECT_EQ(shown(), "a.c a.h b.c sub/a.c 0.c ");
  EXPECT_TRUE(page.settleOrder(true));
  EXPECT_EQ(shown(), "0.c a.c a.h b.c sub/a.c ");
  EXPECT_EQ(page.row(1).text, "zero");
  page.orderByPath(false);
  EXPECT_EQ(shown(), "b.c sub/a.c a.c a.h 0.c ");
}

}  // namespace
