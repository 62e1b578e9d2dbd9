// The progress line of a synchronous search: a bar drawn into the IDE's status window that fills
// as files are searched, with the running totals and the Esc hint inside it, and Esc turned into a
// stop request. Also the singular/plural count texts the driver's summary shares.
//
// Ownership: `statusFont` is created by beginProgress and deleted by endProgress; `statusWindow`
// is the host's window, only held between the two. endProgress leaves both NULL after every run.
// Threading: beginProgress and updateProgress run on the IDE's thread of a synchronous search; a
// worker search calls only endProgress, which then finds no window and does nothing else.
// Tested by tests/search/progress_test.cpp (and the driver's stops in
// tests/search/driver_test.cpp).
#ifndef VANTREL_SEARCH_PROGRESS_H_
#define VANTREL_SEARCH_PROGRESS_H_

#include "search/job.h"

// Size of a count text ("%ld Files") and of the progress line's text.
constexpr int kCountTextSize = 100;
constexpr int kProgressTextSize = 400;

// Writes `count` with `singular` when it is 1 or less (0 and negatives included), else with
// `plural`, into `out` (kCountTextSize bytes).
void formatCount(LPSTR out, LPCSTR plural, LPCSTR singular, LONG count);

// Counts the files (the walk's counting pass) into `filesExpected`, takes the status window and
// creates the font, then reads and forgets a pending Esc press.
void beginProgress(SearchJob* job);

// Redraws the bar. `final` 0: the running text, then Esc is polled into `stopRequested`; non-zero:
// the closing text, then the window is invalidated for the host to repaint. Nothing without a
// status window.
void updateProgress(SearchJob* job, int final);

// The final drawing, then the font deleted and both handles cleared.
void endProgress(SearchJob* job);

#endif  // VANTREL_SEARCH_PROGRESS_H_
