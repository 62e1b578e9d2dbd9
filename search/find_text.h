// The literal finder of the file scan: the first occurrence of a fixed byte string in a buffer.
//
// A TextFinder is prepared once for a needle and then asked any number of times. It picks two
// bytes of the needle that are rare in source text and looks, 32 haystack positions at a time,
// for places where both stand at their offsets; only those places are compared in full. Bytes
// are compared exactly, or, for a haystack of any case, a capital "A"-"Z" of the needle matches
// either case of the letter (so an upper-cased ASCII needle is found in text not folded at all).
//
// Invariants: find() answers exactly what a byte-by-byte search would (the first occurrence);
// it reads no byte outside [haystack, haystack + size) and needs no spare bytes after it.
// Threading: a prepared finder is read-only; any thread may use it. It keeps a pointer to the
// needle, which the caller owns and keeps unchanged while the finder is used.
// Tested by tests/search/find_text_test.cpp; speed by bench/scan_bench.cpp.
#ifndef VANTREL_SEARCH_FIND_TEXT_H_
#define VANTREL_SEARCH_FIND_TEXT_H_

#include <cstddef>

// What the haystacks are. `UpperCased`: text folded beforehand, where capital letters are as
// common as letters in general; it only steers the choice of the probe bytes. `AnyCase`: text as
// written, where a capital "A"-"Z" of the needle also matches its small letter and every other
// byte of the needle only itself.
enum class Haystack { AsIs, UpperCased, AnyCase };

class TextFinder {
 public:
  // Prepares for needle[0, length), length >= 1.
  TextFinder(const char* needle, size_t length, Haystack haystack);

  // The first occurrence of the needle in haystack[0, size), or NULL.
  const char* find(const char* haystack, size_t size) const;

 private:
  template <bool anyCase>
  const char* findIn(const char* haystack, size_t size) const;
  // Whether the needle stands at `at` (either case of a capital counting as it).
  bool sameAnyCase(const char* at) const;

  const char* needle_;
  size_t length_;
  // Offsets in the needle of the two probe bytes (first_ < second_ unless length_ is 1) and the
  // bytes there.
  size_t first_ = 0;
  size_t second_ = 0;
  unsigned char firstByte_ = 0;
  unsigned char secondByte_ = 0;
  // For AnyCase, the bits set in a haystack byte before it is compared with a probe byte: the
  // case bit for a letter, else none.
  unsigned char firstCaseBit_ = 0;
  unsigned char secondCaseBit_ = 0;
  bool anyCase_ = false;
};

#endif  // VANTREL_SEARCH_FIND_TEXT_H_
