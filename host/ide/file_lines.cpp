// One file's lines (see host/ide/file_lines.h).
// Tested by tests/host/cli/command_e2e_test.cpp.
#include "host/ide/file_lines.h"

#include <bit>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "host/ide/host_file.h"
#include "host/ide/host_string.h"

namespace host {
namespace {

// Lines after the one shown last that are passed one by one rather than counted in bulk.
constexpr long kStepLines = 4;

// Files the add-on searches are smaller than this by far; one that grew past it since is not
// read again for its context.
constexpr long kLargestRead = 64L << 20;

// The first CR or LF in data[from, size), or size: 16 bytes at a time where SSE2 is there.
size_t firstLineEnd(const char* data, size_t from, size_t size) {
  size_t at = from;
#if defined(__SSE2__)
  const __m128i feed = _mm_set1_epi8('\n');
  const __m128i carriage = _mm_set1_epi8('\r');
  for (; at + 16 <= size; at += 16) {
    __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at));
    unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(
        _mm_or_si128(_mm_cmpeq_epi8(bytes, feed), _mm_cmpeq_epi8(bytes, carriage))));
    if (mask) return at + static_cast<size_t>(std::countr_zero(mask));
  }
#endif
  for (; at < size; ++at)
    if (data[at] == '\n' || data[at] == '\r') return at;
  return size;
}

// Moves over up to `count` lines in [from, to) that end in a LF alone: answers the place after the
// last one passed and lowers `count` by how many were passed. It stops at the start of a line whose
// end holds a CR (CR, CR LF, LF CR), which the caller passes by the add-on's rule, so no look for
// a CR ever runs ahead of the lines asked. The lines between two hits are many and short, so where
// SSE2 is there the feeds are counted 64 bytes at a time (a block is taken whole only when neither
// it nor the byte after it holds a CR), and only the block holding the last one wanted is looked
// into.
size_t passLineFeeds(const char* data, size_t from, size_t to, long& count) {
  size_t at = from;
#if defined(__SSE2__)
  const __m128i feed = _mm_set1_epi8('\n');
  const __m128i carriage = _mm_set1_epi8('\r');
  const __m128i zero = _mm_setzero_si128();
  while (count > 0 && at + 65 <= to) {
    const __m128i* block = reinterpret_cast<const __m128i*>(data + at);
    __m128i bytes[4], hits[4];
    for (int i = 0; i < 4; ++i) bytes[i] = _mm_loadu_si128(block + i);
    __m128i crs = _mm_or_si128(
        _mm_or_si128(_mm_cmpeq_epi8(bytes[0], carriage), _mm_cmpeq_epi8(bytes[1], carriage)),
        _mm_or_si128(_mm_cmpeq_epi8(bytes[2], carriage), _mm_cmpeq_epi8(bytes[3], carriage)));
    if (_mm_movemask_epi8(crs) != 0 || data[at + 64] == '\r') break;
    for (int i = 0; i < 4; ++i) hits[i] = _mm_cmpeq_epi8(bytes[i], feed);
    // A feed is -1 in its byte: the four blocks' sum, negated, counts up to 4 a byte.
    __m128i sum = _mm_sub_epi8(
        zero, _mm_add_epi8(_mm_add_epi8(hits[0], hits[1]), _mm_add_epi8(hits[2], hits[3])));
    __m128i total = _mm_sad_epu8(sum, zero);
    long found = _mm_cvtsi128_si32(total) + _mm_extract_epi16(total, 4);
    if (found < count) {
      count -= found;
      at += 64;
      continue;
    }
    for (int i = 0;; ++i) {
      unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hits[i]));
      for (; mask; mask &= mask - 1)
        if (--count == 0) return at + 16 * i + static_cast<size_t>(std::countr_zero(mask)) + 1;
    }
  }
#endif
  for (; count > 0 && at < to; ++at) {
    if (data[at] == '\r') break;
    if (data[at] == '\n') {
      if (at + 1 < to && data[at + 1] == '\r') break;
      if (--count == 0) return at + 1;
    }
  }
  // Fewer passed than asked: the start of the line stopped in.
  while (at > from && data[at - 1] != '\n') --at;
  return at;
}

}  // namespace

bool FileLines::load(const std::string& path, File* lent) {
  size_ = 0;
  // While the add-on scans the file it is open on this thread: read again through its object,
  // which spares an open, a look at its first bytes and a close for each file with hits.
  bool read = false;
  if (lent) {
    read = readFrom(*lent, lent->textSize());
    lent->Release();
  } else if (File* open = File::openNow(path)) {
    read = readFrom(*open, open->textSize());
  } else if (File* file = FilePool::take()) {
    file->setName(newString(path));
    if (file->open(0)) {
      read = readFrom(*file, file->seek(0, 2));
      file->close();
    }
    file->Release();
  }
  restart();
  return read;
}

bool FileLines::readFrom(File& file, long long size) {
  if (size <= 0 || size >= kLargestRead) return false;
  try {
    if (bytes_.size() < static_cast<size_t>(size)) bytes_.resize(static_cast<size_t>(size));
  } catch (...) {
    return false;
  }
  LONG got = file.readAt(0, bytes_.data(), static_cast<LONG>(size));
  if (got <= 0) return false;
  size_ = static_cast<size_t>(got);
  return true;
}

void FileLines::restart() {
  number_ = 1;
  start_ = 0;
  endKnown_ = false;
}

size_t FileLines::endOfLine(size_t from) { return firstLineEnd(bytes_.data(), from, size_); }

bool FileLines::line(long number, std::string_view& text) {
  // Past the last line nothing is known of where the lines asked before were: from the top.
  if (number < number_ || start_ >= size_) restart();
  // A line shortly after the one shown last (the common case: the lines around a hit, the hit's
  // own line passed over) is reached line by line from that line's end.
  for (; endKnown_ && number > number_ && number - number_ <= kStepLines; ++number_) {
    if (end_ >= size_) {
      start_ = size_;
      break;
    }
    start_ = end_ + lineEndLength(bytes_.data(), size_, end_);
    if (number - number_ > 1) end_ = endOfLine(start_);
  }
  endKnown_ = false;
  while (number_ < number && start_ < size_) {
    // Lines that end in a LF alone are passed in bulk; one whose end holds a CR one by one.
    long count = number - number_;
    start_ = passLineFeeds(bytes_.data(), start_, size_, count);
    number_ = number - count;
    if (number_ == number) break;
    size_t end = endOfLine(start_);
    if (end >= size_) {
      start_ = size_;
      break;
    }
    start_ = end + lineEndLength(bytes_.data(), size_, end);
    ++number_;
  }
  if (number_ != number || start_ >= size_) return false;
  end_ = endOfLine(start_);
  endKnown_ = true;
  text = std::string_view(bytes_.data() + start_, end_ - start_);
  return true;
}

}  // namespace host
