// The progress line read back from the status window's cells: the bar's split and colours, its
// texts, its geometry in a wide and a narrow window, the Esc poll, the font, and the handles
// cleared after a run.
#include "search/progress.h"

#include <string>
#include <vector>

#include "search/driver.h"
#include "tests/search/search_fixture.h"

namespace {

constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kGrey = RGB(192, 192, 192);
constexpr COLORREF kNavy = RGB(0, 0, 128);

// A status window of `columns` cells (8 pixels each).
template <int columns>
class ProgressTest : public vantrel_test::SearchFixture {
 protected:
  host::HostConfig hostConfig() override {
    host::HostConfig c;
    c.statusColumns = columns;
    return c;
  }
  HWND statusWindow() { return host->statusLine()->getStatusWindow(); }

  // The columns [from, to) of row 0 all in these colours.
  static void expectColours(const vwin::Surface& s, int from, int to, COLORREF bg, COLORREF fg) {
    for (int c = from; c < to; ++c) {
      EXPECT_EQ(s.at(c, 0).bg, bg) << "column " << c;
      EXPECT_EQ(s.at(c, 0).fg, fg) << "column " << c;
    }
  }
  static std::string padded(const std::string& text, size_t width) {
    return text + std::string(width - text.size(), ' ');
  }
};

using WideProgressTest = ProgressTest<130>;   // 1040 pixels: the bar ends at pixel 943
using NarrowProgressTest = ProgressTest<24>;  // 192 pixels: the bar still ends at pixel 99
using NoStatusLineTest = ProgressTest<0>;

TEST(FormatCountTest, SingularUpToOne) {
  char out[kCountTextSize];
  formatCount(out, "%ld Files", "%ld File", 0);
  EXPECT_STREQ(out, "0 File");
  formatCount(out, "%ld Files", "%ld File", 1);
  EXPECT_STREQ(out, "1 File");
  formatCount(out, "%ld Files", "%ld File", -3);
  EXPECT_STREQ(out, "-3 File");
  formatCount(out, "%ld Directories", "%ld Directory", 2);
  EXPECT_STREQ(out, "2 Directories");
  formatCount(out, "%ld Files", "%ld File", 2147483647);
  EXPECT_STREQ(out, "2147483647 Files");
}

TEST_F(WideProgressTest, EscDuringTheThirdOfTenFilesStopsAtFourTenths) {
  // Files 1 to 3 hold 3, 2 and 2 hit lines.
  for (int i = 0; i < 10; ++i) {
    std::string hits = i == 0 ? "x\nx\nx\n" : i < 3 ? "x\nx\n" : "none\n";
    write("f" + std::to_string(i) + ".txt", hits);
  }
  vwin::Surface before = vwin::copySurface(statusWindow());
  HFONT fontSeen = nullptr;
  display->onChange = [&] {
    if (job->statusFont) fontSeen = job->statusFont;
  };
  // Query 1 is beginProgress's discard; queries 2, 3, 4 precede files 1, 2, 3; so a press
  // read at query 5 was made while file 3 was scanned.
  display->pressEscapeAtQuery(5);
  setField(textToFind, "x");
  setField(fileMask, "*.txt");
  setField(directories, win());
  runSearch(job.get(), 0);

  EXPECT_EQ(job->filesExpected, 10);
  EXPECT_EQ(job->filesSearched, 4);
  EXPECT_EQ(job->stopRequested, 1);
  std::string running =
      "Vantrel : 7 found in 3 Files (4 Files searched in 1 Directory) <Press Esc to Stop>";
  std::string final =
      "Vantrel : 7 found in 3 Files (4 Files searched in 1 Directory) ... Updating message window";
  // The last running drawing (both parts drawn) and the final one.
  std::string runningRow = padded(running, 118) + before.rowText(0).substr(118);
  const vwin::Surface* lastRunning = nullptr;
  for (const vwin::Surface& s : display->snapshots)
    if (s.rowText(0) == runningRow) lastRunning = &s;
  ASSERT_NE(lastRunning, nullptr);
  const vwin::Surface& last = display->snapshots.back();
  // Split at 2 + 4/10 * (943 - 2) = 378: cells whose centre (8c + 4) lies left of it are done.
  for (const vwin::Surface* s : {lastRunning, &last}) {
    expectColours(*s, 0, 47, kBlue, kWhite);
    expectColours(*s, 47, 118, kGrey, kNavy);
    for (int c = 118; c < 130; ++c) EXPECT_EQ(s->at(c, 0), before.at(c, 0)) << c;
  }
  EXPECT_EQ(last.rowText(0), padded(final, 118) + before.rowText(0).substr(118));

  // The font was the one described, and is gone with both handles.
  ASSERT_NE(fontSeen, nullptr);
  EXPECT_EQ(job->statusFont, nullptr);
  EXPECT_EQ(job->statusWindow, nullptr);
  LOGFONTA lf;
  EXPECT_EQ(GetObjectA(fontSeen, sizeof lf, &lf), 0);
}

TEST_F(WideProgressTest, FontAndEscBeforeTheSearch) {
  write("a.txt");
  setField(directories, win());
  setMask("*.txt");
  display->pressEscape();  // before the search: forgotten by beginProgress
  beginProgress(job.get());
  EXPECT_EQ(job->filesExpected, 1);
  EXPECT_EQ(job->statusWindow, statusWindow());
  LOGFONTA lf;
  ASSERT_EQ(GetObjectA(job->statusFont, sizeof lf, &lf), static_cast<int>(sizeof lf));
  EXPECT_EQ(lf.lfHeight, 8);
  EXPECT_EQ(lf.lfWidth, 0);
  EXPECT_EQ(lf.lfWeight, 400);
  EXPECT_EQ(lf.lfCharSet, 0);
  EXPECT_EQ(lf.lfPitchAndFamily, 0x22);
  EXPECT_STREQ(lf.lfFaceName, "MS Sans Serif");
  updateProgress(job.get(), 0);
  EXPECT_EQ(job->stopRequested, 0);
  display->pressEscape();
  updateProgress(job.get(), 0);
  EXPECT_EQ(job->stopRequested, 1);
  endProgress(job.get());
  EXPECT_EQ(job->statusFont, nullptr);
  EXPECT_EQ(job->statusWindow, nullptr);
}

TEST_F(WideProgressTest, NoFilesExpectedOrMoreThanCountedFillTheWholeBar) {
  job->statusWindow = statusWindow();
  job->nodeMode = 1;
  updateProgress(job.get(), 1);  // filesExpected 0
  vwin::Surface s = vwin::copySurface(statusWindow());
  expectColours(s, 0, 118, kBlue, kWhite);
  std::string text = "Vantrel : 0 found in 0 File (0 File searched) ... Updating message window";
  EXPECT_EQ(s.rowText(0).substr(0, text.size()), text);

  // Files added between the passes: the done part stops at the bar's end.
  vwin::Surface before = vwin::copySurface(statusWindow());
  job->filesExpected = 4;
  job->filesSearched = 6;
  updateProgress(job.get(), 0);
  s = vwin::copySurface(statusWindow());
  expectColours(s, 0, 118, kBlue, kWhite);
  for (int c = 118; c < 130; ++c) EXPECT_EQ(s.at(c, 0), before.at(c, 0)) << c;
  job->statusWindow = nullptr;
}

TEST_F(NarrowProgressTest, BarKeepsItsLeastLength) {
  job->statusWindow = statusWindow();
  job->filesExpected = 10;
  job->filesSearched = 5;
  updateProgress(job.get(), 0);
  vwin::Surface s = vwin::copySurface(statusWindow());
  // Bar [2, 99); split 2 + 0.5 * 97 = 50: columns 0-5 done, 6-11 remaining, 12-23 untouched.
  expectColours(s, 0, 6, kBlue, kWhite);
  expectColours(s, 6, 12, kGrey, kNavy);
  EXPECT_EQ(s.rowText(0), "Vantrel : 0             ");
  for (int c = 12; c < 24; ++c) EXPECT_EQ(s.at(c, 0), vwin::Cell{}) << c;
  job->statusWindow = nullptr;
}

TEST_F(NoStatusLineTest, WithoutAWindowNothingIsDrawnAndEscIsNotPolled) {
  write("a.txt");
  setField(directories, win());
  setMask("*.txt");
  beginProgress(job.get());
  EXPECT_EQ(job->filesExpected, 1);
  EXPECT_EQ(job->statusWindow, nullptr);
  EXPECT_EQ(job->statusFont, nullptr);
  EXPECT_EQ(display->escapeQueries(), 1);
  display->pressEscape();
  updateProgress(job.get(), 0);
  EXPECT_EQ(job->stopRequested, 0);
  EXPECT_EQ(display->escapeQueries(), 1);
  endProgress(job.get());
  EXPECT_TRUE(display->snapshots.empty());
}

}  // namespace
