// The failed-attempt table of one GREPCLASS::match call.
//
// Whether the program succeeds from a node at a text position depends on nothing else (group slots
// are written only once OpFinish is reached), so within one call a (node, position) pair that
// failed fails again. Once the call has tried more continuations than the program has nodes times
// the text has positions, some pair must have been tried twice; only then is one bit per pair
// allocated, and from then on a pair known to fail is skipped. That bounds the work by nodes x
// positions instead of letting it grow exponentially, and it does not change which match is found.
//
// Layout: one row of bits per node (indexed by node offset / 3, which is unique since every node
// takes at least 3 bytes), one bit per text offset; a second, 64 times smaller bitmap marks the
// words of a row that are all ones, and a third the words of the second that are all ones. A
// repeat giving back over a stretch of known failures of any length then finds the next open
// offset in a few word reads, so its work does not grow with the stretch: giving back from every
// start over the same long run (y*y*e on a line of y) stays proportional to nodes x positions.
//
// Covered by tests/regex/regex_pathological_test.cpp and tests/regex/regex_depth_test.cpp.
#include <limits.h>
#include <stdlib.h>
#include <string.h>

#include "regex/grepclass.h"

namespace {

// The highest clear bit at or below `bit` in `words`, or -1.
long highestClear(const uint64_t* words, long bit) {
  while (bit >= 0) {
    uint64_t word = ~words[bit / 64] << (63 - bit % 64);
    if (word != 0) return bit - __builtin_clzll(word);
    bit -= bit % 64 + 1;
  }
  return -1;
}

}  // namespace

bool GREPCLASS::armFailedTable() {
  if (failedBits != nullptr || lineStart == nullptr) {
    armAt = ULLONG_MAX;
    return failedBits != nullptr;
  }
  if (failedStride == 0) {
    failedStride = strlen(lineStart) + 1;
    armAt = static_cast<unsigned long long>(nodeCount) * failedStride;
    if (matchSteps <= armAt) return false;
  }
  size_t rows = static_cast<size_t>(programSize) / 3 + 1;
  failedRowWords = (failedStride + 63) / 64;
  failedFullWords = (failedRowWords + 63) / 64;
  failedTopWords = (failedFullWords + 63) / 64;
  failedBits = static_cast<uint64_t*>(
      calloc(rows * (failedRowWords + failedFullWords + failedTopWords), sizeof(uint64_t)));
  failedFull = failedBits != nullptr ? failedBits + rows * failedRowWords : nullptr;
  failedTop = failedBits != nullptr ? failedFull + rows * failedFullWords : nullptr;
  if (failedBits != nullptr) failedArmed = 1;
  armAt = ULLONG_MAX;  // armed, or no memory: either way never asked again in this call
  return failedBits != nullptr;
}

void GREPCLASS::releaseFailedTable() {
  free(failedBits);
  failedBits = nullptr;
  failedFull = nullptr;
  failedTop = nullptr;
  failedStride = 0;
}

bool GREPCLASS::knownFailed(const unsigned char* node, const char* pos) const {
  if (node == nullptr) return false;
  size_t row = static_cast<size_t>((node - program) / 3);
  size_t offset = static_cast<size_t>(pos - lineStart);
  return (failedBits[row * failedRowWords + offset / 64] >> (offset % 64)) & 1u;
}

void GREPCLASS::markFailed(const unsigned char* node, const char* pos) {
  if (node == nullptr) return;
  size_t row = static_cast<size_t>((node - program) / 3);
  size_t offset = static_cast<size_t>(pos - lineStart);
  uint64_t& word = failedBits[row * failedRowWords + offset / 64];
  word |= uint64_t{1} << (offset % 64);
  if (word != ~uint64_t{0}) return;
  size_t index = offset / 64;
  uint64_t& full = failedFull[row * failedFullWords + index / 64];
  full |= uint64_t{1} << (index % 64);
  if (full != ~uint64_t{0}) return;
  index /= 64;
  failedTop[row * failedTopWords + index / 64] |= uint64_t{1} << (index % 64);
}

// Lowers *high to the highest text offset in [low, *high] where `node` is not known to fail;
// false when every offset there is known to fail.
bool GREPCLASS::lastOpen(const unsigned char* node, size_t low, size_t* high) const {
  if (node == nullptr) return true;
  size_t row = static_cast<size_t>((node - program) / 3);
  const uint64_t* bits = failedBits + row * failedRowWords;
  const uint64_t* full = failedFull + row * failedFullWords;
  const uint64_t* top = failedTop + row * failedTopWords;
  long at = static_cast<long>(*high);
  while (at >= static_cast<long>(low)) {
    uint64_t word = ~bits[at / 64] << (63 - at % 64);
    if (word != 0) {
      long found = at - __builtin_clzll(word);
      if (found < static_cast<long>(low)) return false;
      *high = static_cast<size_t>(found);
      return true;
    }
    // Every offset of this word up to `at` failed: the highest word below it that is not all
    // ones, looked for in its own word of `full` first, then through `top`.
    long index = at / 64 - 1;
    if (index < 0) return false;
    uint64_t open = ~full[index / 64] << (63 - index % 64);
    if (open != 0) {
      index -= __builtin_clzll(open);
    } else {
      long fullWord = highestClear(top, index / 64 - 1);
      if (fullWord < 0) return false;
      index = fullWord * 64 + 63 - __builtin_clzll(~full[fullWord]);
    }
    at = index * 64 + 63;
  }
  return false;
}
