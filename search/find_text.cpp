// The literal finder (see search/find_text.h). Tested by tests/search/find_text_test.cpp.
#include "search/find_text.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// How common each byte value is in C and C++ source: 0 for the rarest up to 255 for the most
// common (the blank), ranked by counts over a large body of C source. By and large control bytes
// and bytes from 128 up rank lowest, then punctuation, digits and capitals, and small letters,
// "_", tab and the line ends highest.
constexpr unsigned char kByteRank[256] = {
    0,   1,   2,   3,   4,   5,   6,   7,   8,   251, 250, 9,   126, 10,  11,  12,   // 0x00
    13,  14,  15,  16,  17,  18,  19,  20,  21,  22,  23,  24,  25,  26,  27,  28,   // 0x10
    255, 169, 192, 204, 159, 168, 185, 165, 222, 223, 225, 173, 228, 210, 199, 202,  // 0x20
    241, 213, 209, 197, 193, 186, 187, 181, 191, 178, 180, 219, 179, 208, 203, 163,  // 0x30
    166, 234, 205, 232, 227, 240, 211, 206, 200, 231, 164, 190, 221, 220, 224, 217,  // 0x40
    226, 175, 230, 233, 236, 207, 195, 183, 194, 182, 170, 177, 172, 176, 161, 254,  // 0x50
    160, 245, 212, 243, 244, 253, 239, 215, 216, 249, 167, 201, 238, 229, 247, 242,  // 0x60
    235, 184, 248, 246, 252, 237, 214, 198, 218, 196, 174, 189, 171, 188, 162, 80,   // 0x70
    154, 97,  147, 81,  106, 82,  133, 83,  136, 131, 29,  30,  127, 84,  117, 98,   // 0x80
    134, 138, 107, 137, 139, 150, 130, 90,  124, 135, 91,  85,  148, 149, 92,  108,  // 0x90
    121, 142, 118, 109, 143, 110, 111, 112, 122, 157, 113, 123, 114, 99,  86,  100,  // 0xA0
    153, 101, 102, 119, 120, 146, 144, 93,  141, 128, 129, 94,  145, 95,  115, 103,  // 0xB0
    31,  32,  158, 155, 87,  140, 88,  33,  34,  35,  36,  37,  38,  39,  132, 116,  // 0xC0
    152, 151, 40,  41,  42,  43,  44,  45,  46,  47,  48,  49,  50,  51,  52,  53,   // 0xD0
    54,  55,  156, 56,  57,  104, 125, 105, 58,  96,  59,  60,  61,  62,  63,  89,   // 0xE0
    64,  65,  66,  67,  68,  69,  70,  71,  72,  73,  74,  75,  76,  77,  78,  79,   // 0xF0
};

inline bool isCapital(unsigned char c) { return c >= 'A' && c <= 'Z'; }

// How common byte `c` is in the haystacks: in upper-cased text a capital stands also for every
// small letter of the source, so it counts as the commoner of the two.
inline unsigned rankOf(unsigned char c, bool folded) {
  unsigned rank = kByteRank[c];
  if (folded && isCapital(c)) {
    unsigned small = kByteRank[c | 0x20];
    if (small > rank) rank = small;
  }
  return rank;
}

}  // namespace

TextFinder::TextFinder(const char* needle, size_t length, Haystack haystack)
    : needle_(needle), length_(length), anyCase_(haystack == Haystack::AnyCase) {
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(needle);
  // In either folded form a capital stands for both cases of its letter.
  const bool folded = haystack != Haystack::AsIs;
  // The rarest byte, then the rarest at another offset; ties go to the earlier offset.
  size_t rarest = 0;
  for (size_t i = 1; i < length; ++i)
    if (rankOf(bytes[i], folded) < rankOf(bytes[rarest], folded)) rarest = i;
  size_t other = rarest;
  for (size_t i = 0; i < length; ++i)
    if (i != rarest && (other == rarest || rankOf(bytes[i], folded) < rankOf(bytes[other], folded)))
      other = i;
  first_ = rarest < other ? rarest : other;
  second_ = rarest < other ? other : rarest;
  firstByte_ = bytes[first_];
  secondByte_ = bytes[second_];
  if (anyCase_) {
    // A capital probe byte is compared with the case bit set on both sides.
    firstCaseBit_ = isCapital(firstByte_) ? 0x20 : 0;
    secondCaseBit_ = isCapital(secondByte_) ? 0x20 : 0;
    firstByte_ |= firstCaseBit_;
    secondByte_ |= secondCaseBit_;
  }
}

bool TextFinder::sameAnyCase(const char* at) const {
  const unsigned char* needle = reinterpret_cast<const unsigned char*>(needle_);
  const unsigned char* text = reinterpret_cast<const unsigned char*>(at);
  for (size_t i = 0; i < length_; ++i)
    if (text[i] != needle[i] && !(isCapital(needle[i]) && text[i] == (needle[i] | 0x20)))
      return false;
  return true;
}

const char* TextFinder::find(const char* haystack, size_t size) const {
  return anyCase_ ? findIn<true>(haystack, size) : findIn<false>(haystack, size);
}

template <bool anyCase>
const char* TextFinder::findIn(const char* haystack, size_t size) const {
  if (length_ > size) return nullptr;
  if (!anyCase && length_ == 1) return static_cast<const char*>(memchr(haystack, firstByte_, size));
  const size_t last = size - length_;  // the last start that leaves room for the needle
  size_t start = 0;
  auto matchesAt = [&](size_t at) {
    if constexpr (anyCase)
      return sameAnyCase(haystack + at);
    else
      return memcmp(haystack + at, needle_, length_) == 0;
  };
#if defined(__SSE2__)
  // A round tries the 32 starts from `start` in two blocks of 16; each start leaves room for the
  // whole needle, so the loads, at most length_ - 1 + 31 bytes past `start`, stay inside the
  // haystack.
  const __m128i first = _mm_set1_epi8(static_cast<char>(firstByte_));
  const __m128i second = _mm_set1_epi8(static_cast<char>(secondByte_));
  const __m128i firstCaseBit = _mm_set1_epi8(static_cast<char>(firstCaseBit_));
  const __m128i secondCaseBit = _mm_set1_epi8(static_cast<char>(secondCaseBit_));
  auto probe = [&](size_t from) {
    __m128i atFirst = _mm_loadu_si128(reinterpret_cast<const __m128i*>(haystack + from + first_));
    __m128i atSecond = _mm_loadu_si128(reinterpret_cast<const __m128i*>(haystack + from + second_));
    if constexpr (anyCase) {
      atFirst = _mm_or_si128(atFirst, firstCaseBit);
      atSecond = _mm_or_si128(atSecond, secondCaseBit);
    }
    return static_cast<unsigned>(_mm_movemask_epi8(
        _mm_and_si128(_mm_cmpeq_epi8(atFirst, first), _mm_cmpeq_epi8(atSecond, second))));
  };
  for (; start + 31 <= last; start += 32) {
    unsigned mask = probe(start) | probe(start + 16) << 16;
    while (mask) {
      size_t at = start + static_cast<size_t>(__builtin_ctz(mask));
      if (matchesAt(at)) return haystack + at;
      mask &= mask - 1;
    }
  }
#endif
  if constexpr (anyCase) {
    // The starts left (all of them without SSE2), each probed as above.
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(haystack);
    for (; start <= last; ++start)
      if ((bytes[start + first_] | firstCaseBit_) == firstByte_ &&
          (bytes[start + second_] | secondCaseBit_) == secondByte_ && matchesAt(start))
        return haystack + start;
    return nullptr;
  }
  // The starts left (all of them without SSE2): the first probe byte by memchr, then the rest.
  while (start <= last) {
    const void* hit = memchr(haystack + start + first_, firstByte_, last - start + 1);
    if (!hit) return nullptr;
    start = static_cast<size_t>(static_cast<const char*>(hit) - haystack) - first_;
    if (static_cast<unsigned char>(haystack[start + second_]) == secondByte_ && matchesAt(start))
      return haystack + start;
    ++start;
  }
  return nullptr;
}
