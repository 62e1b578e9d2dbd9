// The progress line (see search/progress.h): bar geometry, texts, colours and the Esc poll.
// Tested by tests/search/progress_test.cpp.
#include "search/progress.h"

#include <cstring>

#include "search/walk.h"

namespace {

// Done part (left of the split) and remaining part of the bar: background, text.
constexpr COLORREF kDoneBackground = RGB(0, 0, 255);
constexpr COLORREF kDoneText = RGB(255, 255, 255);
constexpr COLORREF kRemainingBackground = RGB(192, 192, 192);
constexpr COLORREF kRemainingText = RGB(0, 0, 128);

// The window's rightmost pixels that the bar leaves to the host, and the bar's least right edge.
constexpr LONG kRightMargin = 96;
constexpr LONG kLeastRight = 100;

// wsprintfA's %ld is a 32-bit long on Windows; counts are passed as `long` so that either width
// of the argument reads correctly here.
void composeText(SearchJob* job, int final, LPSTR text) {
  char withHits[kCountTextSize];
  char searched[kCountTextSize];
  formatCount(withHits, "%ld Files", "%ld File", job->filesWithHits);
  formatCount(searched, "%ld Files", "%ld File", job->filesSearched);
  LPCSTR ending = final ? "... Updating message window" : "<Press Esc to Stop>";
  if (job->nodeMode) {
    wsprintfA(text, "Vantrel : %ld found in %s (%s searched) %s", static_cast<long>(job->hitCount),
              withHits, searched, ending);
  } else {
    char dirs[kCountTextSize];
    formatCount(dirs, "%ld Directories", "%ld Directory", job->directoriesSearched);
    wsprintfA(text, "Vantrel : %ld found in %s (%s searched in %s) %s",
              static_cast<long>(job->hitCount), withHits, searched, dirs, ending);
  }
}

}  // namespace

void formatCount(LPSTR out, LPCSTR plural, LPCSTR singular, LONG count) {
  wsprintfA(out, count <= 1 ? singular : plural, static_cast<long>(count));
}

void beginProgress(SearchJob* job) {
  job->filesExpected = job->nodeMode ? walkSelectedNodes(job, 1) : walkDirectoryList(job, 1);
  if (auto* status = static_cast<StatusLineService*>(getService(IID_StatusLineService))) {
    job->statusWindow = status->getStatusWindow();
    status->Release();
  }
  if (job->statusWindow) {
    job->statusFont = CreateFontA(8, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS,
                                  "MS Sans Serif");
  }
  // A press made before now, during the counting pass included, must not stop the search.
  GetAsyncKeyState(VK_ESCAPE);
}

void updateProgress(SearchJob* job, int final) {
  if (!job->statusWindow) return;
  RECT client;
  if (GetClientRect(job->statusWindow, &client) && client.right > client.left &&
      client.bottom > client.top) {
    LONG width = client.right - client.left;
    RECT bar;
    bar.left = 2;
    bar.top = 3;
    bar.right = (width - kRightMargin > kLeastRight ? width - kRightMargin : kLeastRight) - 1;
    bar.bottom = client.bottom - client.top - 2;
    LONG split = bar.right;
    if (job->filesExpected != 0) {
      double done = static_cast<double>(job->filesSearched) / job->filesExpected;
      split = bar.left + static_cast<LONG>(done * (bar.right - bar.left));
      // Files added between the counting pass and the search must not paint past the bar.
      if (split > bar.right) split = bar.right;
      if (split < bar.left) split = bar.left;
    }
    RECT donePart = bar;
    donePart.right = split;
    RECT remainingPart = bar;
    remainingPart.left = split;

    char text[kProgressTextSize];
    composeText(job, final, text);
    UINT length = static_cast<UINT>(std::strlen(text));

    if (HDC dc = GetDC(job->statusWindow)) {
      HGDIOBJ previousFont = job->statusFont ? SelectObject(dc, job->statusFont) : nullptr;
      SetBkColor(dc, kDoneBackground);
      SetTextColor(dc, kDoneText);
      ExtTextOutA(dc, bar.left, bar.top, ETO_CLIPPED | ETO_OPAQUE, &donePart, text, length,
                  nullptr);
      SetBkColor(dc, kRemainingBackground);
      SetTextColor(dc, kRemainingText);
      ExtTextOutA(dc, bar.left, bar.top, ETO_CLIPPED | ETO_OPAQUE, &remainingPart, text, length,
                  nullptr);
      if (previousFont) SelectObject(dc, previousFont);
      ReleaseDC(job->statusWindow, dc);
    }
  }
  if (final) {
    InvalidateRect(job->statusWindow, nullptr, TRUE);
  } else {
    job->stopRequested = GetAsyncKeyState(VK_ESCAPE) & 1;
  }
}

void endProgress(SearchJob* job) {
  updateProgress(job, 1);
  if (job->statusFont) DeleteObject(job->statusFont);
  job->statusWindow = nullptr;
  job->statusFont = nullptr;
}
