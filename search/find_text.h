// The literal finder of the file scan: the first occurrence of a fixed byte string in a buffer.
//
// A TextFinder is prepared once for a needle and then asked any number of times. It picks two
// bytes of the needle that are rare in source text and looks, 32 haystack positions at a time,
// for places where both stand at their offsets; only those places are compared in full. Bytes
// are compared exactly (the case-insensitive scan folds haystack and needle beforehand).
//
// Invariants: find() answers exactly what a byte-by-byte search would (the first occurrence);
// it reads no byte outside [haystack, haystack + size) and needs no spare bytes after it.
// Threading: a prepared finder is read-only; any thread may use it. It keeps a pointer to the
// needle, which the caller owns and keeps unchanged while the finder is used.
// Tested by tests/search/find_text_test.cpp; speed by bench/scan_bench.cpp.
#ifndef VANTREL_SEARCH_FIND_TEXT_H_
#define VANTREL_SEARCH_FIND_TEXT_H_

#include <cstddef>

class TextFinder {
 public:
  // Prepares for needle[0, length), length >= 1. `foldedHaystack` says the haystacks are
  // upper-cased text, where capital letters are as common as letters in general; it only steers
  // the choice of the two probe bytes, never the answers.
  TextFinder(const char* needle, size_t length, bool foldedHaystack);

  // The first occurrence of the needle in haystack[0, size), or NULL.
  const char* find(const char* haystack, size_t size) const;

 private:
  const char* needle_;
  size_t length_;
  // Offsets in the needle of the two probe bytes (first_ < second_ unless length_ is 1) and the
  // bytes there.
  size_t first_ = 0;
  size_t second_ = 0;
  unsigned char firstByte_ = 0;
  unsigned char secondByte_ = 0;
};

#endif  // VANTREL_SEARCH_FIND_TEXT_H_
