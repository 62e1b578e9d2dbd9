// The scan of one file: read whole through the IDE's file object, cut into lines, searched for the
// text to find (or the compiled pattern) with the case and whole-word options, and every matching
// line written to the file's group in the message window under the file's heading.
//
// Invariants: one heap block per file, released before scanFile returns; every IDE object that
// scanFile obtains is released before it returns; a display text never exceeds 219 characters.
// Threading: runs on the thread that runs the search; reads the request globals and the job,
// polls the job's `stopRequested`. Tested by tests/search/scan_test.cpp (scanFile) and
// tests/search/scan_lines_test.cpp (the line scan); speed by bench/scan_bench.cpp.
#ifndef VANTREL_SEARCH_SCAN_H_
#define VANTREL_SEARCH_SCAN_H_

#include <cstddef>

#include "search/job.h"

// Room of a display text: at most 219 characters and the terminator.
constexpr int kDisplaySize = 220;
// Spare bytes after the data of a file buffer, for the last line's terminator.
constexpr size_t kScanSpare = 10;

// Scans the file `path` for the current request (a file of the job's maxFileSize bytes or more is
// refused with a message), raising the job's `hitCount` and
// `filesWithHits`; answers the number of matching lines. Failures are written under the file's
// heading and answer 0. Without a file object, message window or group the file is skipped.
LONG scanFile(SearchJob* job, LPCSTR path);

// Ends the line at `line` (of which `left` bytes of data remain) with a NUL at its first CR or LF
// (and at the other member of a CR LF or LF CR pair) and answers the start of the next line; for
// the last line writes a NUL just after the `left` bytes (so one spare byte is needed there) and
// answers NULL.
char* nextLine(char* line, LONG left);

// Writes into `out` (kDisplaySize bytes) the display text of the NUL-terminated `line`: its first
// 219 characters at most, without leading blanks and tabs, every other tab turned into a blank.
void makeDisplayText(const char* line, char* out);

// The line scan over one file's data in memory, for scanFile and the benchmark.
// Called for each matching line in file order with its line number (from 1), column (from 1) and
// display text.
typedef void (*ScanHitFunction)(void* context, LONG line, LONG column, const char* display);
// Bytes of the block that scanLines needs for `size` bytes of data under the current options:
// the data, the spare bytes, and a folded copy when case does not matter.
size_t scanBufferSize(LONG size);
// What one thread scans with: the job (whose `stopRequested` it polls), a compiled pattern of its
// own when the request is one (a pattern keeps the state of its match), and whether it is the
// thread that draws the progress line and polls Esc.
struct Scanner {
  SearchJob* job;
  GREPCLASS* pattern;
  bool drawsProgress;
};
// Searches the `size` bytes (1 or more) at the start of `buffer` (scanBufferSize(size) bytes) for
// the current request and answers the number of matching lines. May write into the buffer. Polls
// the job's `stopRequested`; changes none of the job's counters. When given, *hiddenByNul is set
// if the scan saw a match that a NUL byte earlier in its line hid (a plain text's occurrence
// behind the NUL, or a pattern's text that every match holds found there and the pattern matching
// behind it); left alone otherwise.
LONG scanLines(const Scanner& scanner, char* buffer, LONG size, ScanHitFunction onHit,
               void* context, bool* hiddenByNul = nullptr);
// The same on the search thread, with the job's own pattern.
inline LONG scanLines(SearchJob* job, char* buffer, LONG size, ScanHitFunction onHit, void* context,
                      bool* hiddenByNul = nullptr) {
  return scanLines(Scanner{job, job->regexProgram, true}, buffer, size, onHit, context,
                   hiddenByNul);
}

#endif  // VANTREL_SEARCH_SCAN_H_
