// The status line on a terminal: a drawn surface as one line with its colours, cut to the width;
// cleared before output and at the end; redraws throttled.
#include "host/cli/command_status.h"

#include <gtest/gtest.h>
#include <sstream>

#include "host/ide/file_list_sink.h"
#include "host/ide/text_sink.h"
#include "win32/include/windows.h"

namespace {

TEST(CommandStatusTest, ASurfaceRowBecomesOneColouredLine) {
  vwin::Surface surface;
  surface.cols = 4;
  surface.rows = 1;
  surface.cells.resize(4);
  surface.cells[0] = {'V', RGB(255, 255, 255), RGB(0, 0, 255)};
  surface.cells[1] = {'a', RGB(255, 255, 255), RGB(0, 0, 255)};
  surface.cells[2] = {'\x1b', RGB(0, 0, 128), RGB(192, 192, 192)};
  surface.cells[3] = {'x', RGB(0, 0, 128), RGB(192, 192, 192)};
  EXPECT_EQ(vantrel::statusLineText(surface, 3),
            "\r\033[38;2;255;255;255m\033[48;2;0;0;255mVa"
            "\033[38;2;0;0;128m\033[48;2;192;192;192m \033[0m");
}

TEST(CommandStatusTest, DrawnOnChangeClearedBeforeOutput) {
  HWND window = CreateWindowExA(0, "static", "", WS_POPUP, 0, 0, 8 * 10, 16, nullptr, nullptr,
                                nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  std::ostringstream out, results;
  host::TextSink text(results, host::SinkOptions{});
  vantrel::TerminalStatus status(out, window, 10, text);
  status.event(host::MessageEvent{});  // nothing shown yet: nothing to clear
  EXPECT_EQ(out.str(), "");
  status.surfaceChanged(nullptr);  // another window
  EXPECT_EQ(out.str(), "");
  status.surfaceChanged(window);
  std::string drawn = out.str();
  EXPECT_EQ(drawn.rfind("\r", 0), 0u);
  status.surfaceChanged(window);  // within 50 ms: not again
  EXPECT_EQ(out.str(), drawn);
  status.event(host::MessageEvent{});  // a group prints no line in the text format
  EXPECT_EQ(out.str(), drawn);
  host::MessageEvent heading;
  heading.kind = host::MessageEvent::Kind::Heading;
  status.event(heading);
  EXPECT_TRUE(out.str().ends_with("\r\033[K"));
  std::string cleared = out.str();
  status.surfaceChanged(window);  // shown again after output, whatever the time
  EXPECT_GT(out.str().size(), cleared.size());
  status.clear();
  EXPECT_TRUE(out.str().ends_with("\r\033[K"));
  cleared = out.str();
  status.clear();
  EXPECT_EQ(out.str(), cleared);

  // A count is written when its file's group ends: the next group clears the bar then, and only
  // then.
  host::FileListSink counts(results, host::SinkOptions{}, host::FileListSink::Form::kCounts);
  vantrel::TerminalStatus counted(out, window, 10, counts);
  host::MessageEvent group, hit;
  hit.kind = host::MessageEvent::Kind::Entry;
  hit.file = "Z:\\a.c";
  hit.group = group.group = 1;
  for (const host::MessageEvent* e : {&group, &hit, &hit}) {
    counted.event(*e);
    counts.event(*e);
  }
  counted.surfaceChanged(window);
  group.group = 2;
  EXPECT_TRUE(counts.writesFor(group));
  counted.event(group);
  EXPECT_TRUE(out.str().ends_with("\r\033[K"));
  counts.event(group);
  EXPECT_EQ(results.str(), "/a.c:2\n");
  EXPECT_FALSE(counts.writesFor(group));
  DestroyWindow(window);
}

}  // namespace
