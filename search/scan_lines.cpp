// The line scan of a file's data in memory (see search/scan.h).
//
// Lines are never copied: a plain text is looked for over the whole buffer at once and each
// occurrence is mapped back to its line, so lines without a hit cost only the search itself; a
// pattern is run line by line. When case does not matter an ASCII text is looked for in the data
// as written, either case of each letter matching (both code pages fold ASCII bytes to ASCII and
// no other byte to one). Otherwise the block holds a second, upper-cased copy of the data behind
// the first, made in one pass, so that the display text of a hit still comes from the file's own
// letters. A pattern working long on one line asks between its steps whether to stop, so Esc is
// seen inside the line too. Tested by tests/search/scan_lines_test.cpp and fuzz/scan_fuzz.cpp.
#include <cstring>

#include "regex/grepclass.h"
#include "search/find_text.h"
#include "search/progress.h"
#include "search/scan.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Offset of the first CR or LF in data[from, size), or size when there is none.
inline size_t findLineEnd(const char* data, size_t from, size_t size) {
  size_t i = from;
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  for (; i + 16 <= size; i += 16) {
    __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
    int mask =
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(block, cr), _mm_cmpeq_epi8(block, lf)));
    if (mask) return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
  }
#endif
  for (; i < size; ++i)
    if (data[i] == '\r' || data[i] == '\n') return i;
  return size;
}

// Number of LF bytes in data[from, to) (at least one, at `from`); the offset of the last in *last.
// Blocks of 16 bytes add their matches into byte counters, summed every 255 blocks before they
// could overflow, so the loop has neither a branch nor a bit count per block.
inline LONG countLineFeeds(const char* data, size_t from, size_t to, size_t* last) {
  LONG count = 0;
  size_t i = from;
#if defined(__SSE2__)
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i zero = _mm_setzero_si128();
  while (i + 16 <= to) {
    size_t blocks = (to - i) / 16;
    if (blocks > 255) blocks = 255;
    __m128i counters = zero;
    for (size_t end = i + 16 * blocks; i < end; i += 16) {
      __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
      counters = _mm_sub_epi8(counters, _mm_cmpeq_epi8(block, lf));
    }
    __m128i sums = _mm_sad_epu8(counters, zero);
    count += _mm_cvtsi128_si32(sums) + _mm_extract_epi16(sums, 4);
  }
#endif
  for (; i < to; ++i) count += data[i] == '\n';
#if defined(__GLIBC__)
  const void* lastFeed = memrchr(data + from, '\n', to - from);
  *last = static_cast<size_t>(static_cast<const char*>(lastFeed) - data);
#else
  size_t back = to;
  while (data[--back] != '\n') {
  }
  *last = back;
#endif
  return count;
}

// Start of the line after the one ended at `end` (a CR or LF): a CR LF or LF CR pair is one end.
inline size_t afterLineEnd(const char* data, size_t end, size_t size) {
  size_t next = end + 1;
  if (next < size && (data[next] == '\r' || data[next] == '\n') && data[next] != data[end]) ++next;
  return next;
}

// Copies `size` bytes from `from` to `to`, upper-cased as CharUpperA does. Blocks of ASCII, the
// bulk of source text, fold in registers (in either ANSI code page only "a" to "z" change there).
// A run of blocks holding bytes from 128 up is left to the platform in one call, carried on over
// the continuation bytes that follow it, so that no UTF-8 sequence is cut between two calls (in
// Windows-1252 every byte folds alone, and where the run ends does not matter).
void copyUpperCased(char* to, const char* from, size_t size) {
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i before = _mm_set1_epi8('a' - 1);
  const __m128i after = _mm_set1_epi8('z' + 1);
  const __m128i caseBit = _mm_set1_epi8(0x20);
  while (i + 16 <= size) {
    __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i));
    if (_mm_movemask_epi8(block)) {
      size_t end = i + 16;
      while (end + 16 <= size &&
             _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(from + end))))
        end += 16;
      // A sequence begun before `end` has at most three bytes after its lead.
      for (int k = 0; k < 3 && end < size && (from[end] & 0xC0) == 0x80; ++k) ++end;
      memcpy(to + i, from + i, end - i);
      CharUpperBuffA(to + i, static_cast<DWORD>(end - i));
      i = end;
      continue;
    }
    // Signed compares are right here: every byte of the block is below 128.
    __m128i lower = _mm_and_si128(_mm_cmpgt_epi8(block, before), _mm_cmplt_epi8(block, after));
    block = _mm_sub_epi8(block, _mm_and_si128(lower, caseBit));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i), block);
    i += 16;
  }
#endif
  memcpy(to + i, from + i, size - i);
  CharUpperBuffA(to + i, static_cast<DWORD>(size - i));
}

// How many of the first `length` bytes of line[0, available) (all of them when fewer) make whole
// characters: in UTF-8, a
// well-formed sequence that `length` would cut is left out entirely; otherwise `length`.
size_t wholeCharacters(const char* line, size_t length, size_t available, bool utf8) {
  if (length >= available) return available;
  if (!utf8) return length;
  auto byte = [line](size_t i) { return static_cast<unsigned char>(line[i]); };
  if ((byte(length) & 0xC0) != 0x80) return length;  // the cut falls between characters
  size_t lead = length;
  while (lead > 0 && length - lead < 3 && (byte(lead - 1) & 0xC0) == 0x80) --lead;
  if (lead == 0) return length;
  --lead;
  unsigned char c = byte(lead);
  size_t sequence = c >= 0xF0 && c <= 0xF4 ? 4
                    : c >= 0xE0            ? (c <= 0xEF ? 3 : 0)
                    : c >= 0xC2            ? 2
                                           : 0;
  if (sequence == 0 || lead + sequence <= length || lead + sequence > available) return length;
  for (size_t i = lead + 1; i < lead + sequence; ++i)
    if ((byte(i) & 0xC0) != 0x80) return length;
  return lead;
}

// The display text of a line whose text (up to its end or first NUL) is `length` bytes long: at
// most its first 219 bytes, in UTF-8 without a character cut in two.
void makeDisplayTextOf(const char* line, size_t length, char* out) {
  length = wholeCharacters(line, kDisplaySize - 1, length, GetACP() == CP_UTF8);
  size_t i = 0;
  while (i < length && (line[i] == ' ' || line[i] == '\t')) ++i;
  char* o = out;
  for (; i < length; ++i) *o++ = line[i] == '\t' ? ' ' : line[i];
  *o = '\0';
}

// Length of the text of the line data[start, end): up to its first NUL.
inline size_t lineTextLength(const char* data, size_t start, size_t end) {
  const void* nul = memchr(data + start, 0, end - start);
  return nul ? static_cast<size_t>(static_cast<const char*>(nul) - (data + start)) : end - start;
}

struct ScanContext {
  const Scanner& scanner;
  const char* original;  // the data as read
  char* search;          // the data as searched: `original`, or its upper-cased copy
  size_t size;
  bool wholeWords;
  ScanHitFunction onHit;
  void* hitContext;
  LONG hits = 0;
  bool hiddenByNul = false;  // a match behind a NUL byte in its line was seen

  bool stopped() const { return scanner.job->stopRequested.load(std::memory_order_relaxed) != 0; }

  void report(LONG lineNumber, size_t lineStart, size_t matchStart, size_t textLength) {
    char display[kDisplaySize];
    makeDisplayTextOf(original + lineStart, textLength, display);
    ++hits;
    onHit(hitContext, lineNumber, static_cast<LONG>(matchStart - lineStart + 1), display);
  }
};

// Asked by the pattern now and then while it works on one line: the progress line of a blocking
// search is drawn again and Esc polled, as between files, by the thread that draws it; a worker's
// stop comes from the IDE or from that thread.
int stopInsideLine(void* context) {
  ScanContext* scan = static_cast<ScanContext*>(context);
  if (scan->scanner.drawsProgress) updateProgress(scan->scanner.job, 0);
  return scan->stopped() ? 1 : 0;
}

// Plain text: one search over the whole buffer; each occurrence is placed in its line, and the
// line is left at its first acceptable occurrence. Occurrences in a line's terminator, behind a
// NUL inside a line, or running past the line's end are not in the line's text and are passed by.
void scanPlainText(ScanContext& scan, const char* text, size_t textLength, Haystack haystack) {
  const TextFinder finder(text, textLength, haystack);
  const char* data = scan.original;
  const char* search = scan.search;
  const size_t size = scan.size;
  size_t lineStart = 0;
  size_t lineEnd = findLineEnd(data, 0, size);
  size_t textEnd = 0;  // end of the current line's text, once known
  bool textEndKnown = false;
  LONG lineNumber = 1;
  size_t nextCarriageReturn = 0;  // valid once at or after the current line's end
  bool carriageReturnKnown = false;
  size_t position = 0;
  while (position < size && !scan.stopped()) {
    const char* found = finder.find(search + position, size - position);
    if (!found) break;
    size_t start = static_cast<size_t>(found - search);
    if (start >= lineEnd && lineEnd < size) {
      // Without a CR on the way every LF ends one line: count them in bulk.
      if (!carriageReturnKnown || nextCarriageReturn < lineEnd) {
        carriageReturnKnown = true;
        const void* cr = memchr(data + lineEnd, '\r', size - lineEnd);
        nextCarriageReturn = cr ? static_cast<size_t>(static_cast<const char*>(cr) - data) : size;
      }
      if (nextCarriageReturn > start) {
        size_t lastFeed = 0;
        lineNumber += countLineFeeds(data, lineEnd, start, &lastFeed);
        lineStart = lastFeed + 1;
        lineEnd = findLineEnd(data, lineStart, size);
        textEndKnown = false;
      }
    }
    while (start >= lineEnd && lineEnd < size) {
      lineStart = afterLineEnd(data, lineEnd, size);
      lineEnd = findLineEnd(data, lineStart, size);
      textEndKnown = false;
      ++lineNumber;
    }
    if (start < lineStart) {  // in a line terminator
      position = lineStart;
      continue;
    }
    if (!textEndKnown) {
      textEnd = lineStart + lineTextLength(search, lineStart, lineEnd);
      textEndKnown = true;
    }
    size_t end = start + textLength;
    // Whether [from, to) stands as a word in the line up to `limit` (a NUL is no word byte).
    auto wholeWord = [&](size_t from, size_t to, size_t limit) {
      return (from == lineStart || !grepIsWordByte(static_cast<unsigned char>(search[from - 1]))) &&
             (to == limit || !grepIsWordByte(static_cast<unsigned char>(search[to])));
    };
    if (end > textEnd) {
      // No text holds a NUL: this occurrence runs past the line's end, or lies wholly behind a
      // NUL of the line, where it would have been a hit but for the NUL (a NUL is no word byte).
      if (end <= lineEnd && !scan.hiddenByNul) {
        if (scan.wholeWords && !wholeWord(start, end, lineEnd)) {
          position = start + 1;
          continue;
        }
        scan.hiddenByNul = true;
      }
      position = lineEnd + 1;
      continue;
    }
    if (scan.wholeWords && !wholeWord(start, end, textEnd)) {
      position = start + 1;
      // Past the line's text: on to the next line, unless a NUL may hide a hit behind it.
      if (position >= textEnd && (textEnd == lineEnd || scan.hiddenByNul)) position = lineEnd + 1;
      continue;
    }
    scan.report(lineNumber, lineStart, start, textEnd - lineStart);
    position = lineEnd + 1;
  }
}

// The first acceptable match in the NUL-terminated line `line`; answers its start or NULL.
// `find` answers the first match at or after a position (start and one past its end).
template <typename Find>
const char* firstAcceptableMatch(const char* line, bool wholeWords, Find find) {
  const char* position = line;
  for (;;) {
    const char* start;
    const char* end;
    if (!find(position, &start, &end)) return nullptr;
    if (!wholeWords) return start;
    if ((start == line || !grepIsWordByte(static_cast<unsigned char>(start[-1]))) &&
        !grepIsWordByte(static_cast<unsigned char>(*end)))
      return start;
    // A refused match at the terminator (an empty match at the line's end) leaves nothing to
    // retry; otherwise go on one character after its start.
    if (*start == '\0' || start[1] == '\0') return nullptr;
    position = start + 1;
  }
}

// The start of the line holding data[at], given the start `from` of an earlier line (or the same);
// adds the lines passed to *lineNumber. A position in a line's terminator belongs to that line.
size_t startOfLineAt(const char* data, size_t size, size_t from, size_t at, LONG* lineNumber) {
  if (!memchr(data + from, '\r', at - from + 1)) {
    // Without a CR every LF ends one line: count them in bulk.
    if (!memchr(data + from, '\n', at - from)) return from;
    size_t lastFeed = 0;
    *lineNumber += countLineFeeds(data, from, at, &lastFeed);
    return lastFeed + 1;
  }
  for (;;) {
    size_t end = findLineEnd(data, from, size);
    if (end >= at || end == size) return from;
    size_t next = afterLineEnd(data, end, size);
    if (next > at) return from;
    from = next;
    ++*lineNumber;
  }
}

// Whether the line search[lineStart, lineEnd), ended with a NUL, holds a match behind a NUL byte
// of its own: asked only of a line without a hit that holds the text every match holds
// (`required`). Each part behind a NUL that holds that text too is tried as a line of its own.
template <typename Find>
bool matchesBehindNul(const char* search, size_t lineStart, size_t lineEnd,
                      const TextFinder& required, bool wholeWords, Find find) {
  for (size_t part = lineStart + strlen(search + lineStart); part < lineEnd;) {
    const char* text = search + part + 1;
    size_t length = strlen(text);
    if (length && required.find(text, length) && firstAcceptableMatch(text, wholeWords, find))
      return true;
    part += 1 + length;
  }
  return false;
}

// Line by line, each line ended in the search copy: for a pattern, and for an empty text. With a
// finder of a `required` text that every match holds, the lines before its next occurrence are
// passed by unseen.
template <typename Find>
void scanLineByLine(ScanContext& scan, Find find, const TextFinder* required = nullptr) {
  const char* data = scan.original;
  char* search = scan.search;
  const size_t size = scan.size;
  size_t lineStart = 0;
  LONG lineNumber = 1;
  while (lineStart < size && !scan.stopped()) {
    if (required) {
      const char* found = required->find(search + lineStart, size - lineStart);
      if (!found) break;
      lineStart =
          startOfLineAt(data, size, lineStart, static_cast<size_t>(found - search), &lineNumber);
    }
    size_t lineEnd = findLineEnd(data, lineStart, size);
    size_t next = lineEnd < size ? afterLineEnd(data, lineEnd, size) : size;
    search[lineEnd] = '\0';
    const char* line = search + lineStart;
    const char* start = *line ? firstAcceptableMatch(line, scan.wholeWords, find) : nullptr;
    if (start)
      scan.report(lineNumber, lineStart, static_cast<size_t>(start - search),
                  lineTextLength(data, lineStart, lineEnd));
    else if (required && !scan.hiddenByNul)
      scan.hiddenByNul =
          matchesBehindNul(search, lineStart, lineEnd, *required, scan.wholeWords, find);
    lineStart = next;
    ++lineNumber;
  }
}

// Whether the upper-cased text to find, `length` bytes, can be looked for in the data as written
// with either case of a letter matching: it holds ASCII bytes only (a small letter, which no
// upper-cased text holds, can never match), and the code page folds an ASCII byte only within
// "a"-"z" and no byte from 128 up to an ASCII byte. Windows-1252 and UTF-8 both do.
bool findableInAnyCase(size_t length) {
  UINT page = GetACP();
  if (page != 1252 && page != CP_UTF8) return false;
  for (size_t i = 0; i < length; ++i) {
    unsigned char c = static_cast<unsigned char>(textToFind[i]);
    if (c >= 0x80 || (c >= 'a' && c <= 'z')) return false;
  }
  return true;
}

}  // namespace

char* nextLine(char* line, LONG left) {
  size_t size = left > 0 ? static_cast<size_t>(left) : 0;
  size_t end = findLineEnd(line, 0, size);
  if (end == size) {
    line[size] = '\0';
    return nullptr;
  }
  size_t next = afterLineEnd(line, end, size);
  memset(line + end, 0, next - end);
  return line + next;
}

void makeDisplayText(const char* line, char* out) {
  // A few bytes past the cut tell whether it falls inside a character.
  makeDisplayTextOf(line, strnlen(line, kDisplaySize + 3), out);
}

size_t scanBufferSize(LONG size) {
  size_t bytes = static_cast<size_t>(size) + kScanSpare;
  return (searchOptions & CaseSensitive) ? bytes : 2 * bytes;
}

LONG scanLines(const Scanner& scanner, char* buffer, LONG size, ScanHitFunction onHit,
               void* context, bool* hiddenByNul) {
  ScanContext scan{
      scanner, buffer, buffer, static_cast<size_t>(size), (searchOptions & WholeWords) != 0,
      onHit,   context};
  buffer[size] = '\0';
  GREPCLASS* pattern = scanner.pattern;
  const size_t length = pattern ? 0 : strlen(textToFind);
  const bool anyCase = !(searchOptions & CaseSensitive) && length && findableInAnyCase(length);
  if (!(searchOptions & CaseSensitive) && !anyCase) {
    scan.search = buffer + size + kScanSpare;
    copyUpperCased(scan.search, buffer, scan.size);
    scan.search[size] = '\0';
  }
  if (pattern) {
    // The pattern itself looks for a whole word, so no way to match one is passed by.
    pattern->wholeWords = scan.wholeWords ? 1 : 0;
    pattern->stopCheck = stopInsideLine;
    pattern->stopContext = &scan;
    auto find = [pattern](const char* from, const char** start, const char** end) {
      if (!pattern->match(from)) return false;
      *start = pattern->groupStart[0];
      *end = pattern->groupEnd[0];
      return true;
    };
    size_t requiredLength = 0;
    if (const char* required = pattern->textEveryMatchHolds(&requiredLength)) {
      const TextFinder finder(required, requiredLength,
                              scan.search != scan.original ? Haystack::UpperCased : Haystack::AsIs);
      scanLineByLine(scan, find, &finder);
    } else {
      scanLineByLine(scan, find);
    }
    pattern->stopCheck = nullptr;
    pattern->stopContext = nullptr;
  } else if (length) {
    scanPlainText(scan, textToFind, length,
                  anyCase                        ? Haystack::AnyCase
                  : scan.search != scan.original ? Haystack::UpperCased
                                                 : Haystack::AsIs);
  } else {
    scanLineByLine(scan, [](const char* from, const char** start, const char** end) {
      *start = *end = from;
      return true;
    });
  }
  if (hiddenByNul && scan.hiddenByNul) *hiddenByNul = true;
  return scan.hits;
}
