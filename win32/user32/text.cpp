// Upper-casing in the process's ANSI code page (GetACP, win32/kernel32/codepage.cpp).
//
// Windows-1252 folds as Windows does: a-z, the accented small letters 0xE0-0xFE (but not the
// division sign 0xF7), 0x9A/0x9C/0x9E to 0x8A/0x8C/0x8E and 0xFF to 0x9F. Every other byte stays,
// among them the micro sign 0xB5 and the sharp s 0xDF, which have no single-byte capital.
//
// UTF-8 folds a-z, and replaces each well-formed sequence in place by its capital's (the simple
// upper-case mapping of the Unicode character database, generated into utf8_upper_table.inc)
// when that has the same length. Everything else stays: malformed bytes, a sequence cut by the
// end of the text, letters whose capital is longer or shorter (the sharp s, the dotless i). A
// folded text thus keeps its length and every byte position, which the scan's columns rely on.
//
// The scan folds every non-ASCII stretch of every file, so the string forms are plain loops.
// Tested by tests/win32/user32/text_test.cpp.
#include <array>
#include <cstdint>

#include "win32/include/winbase.h"
#include "win32/kernel32/codepage.h"

namespace {

#include "utf8_upper_table.inc"

constexpr std::array<unsigned char, 256> makeUpperTable() {
  std::array<unsigned char, 256> table{};
  for (int c = 0; c < 256; ++c) table[c] = static_cast<unsigned char>(c);
  for (int c = 'a'; c <= 'z'; ++c) table[c] = static_cast<unsigned char>(c - 0x20);
  for (int c = 0xE0; c <= 0xFE; ++c)
    if (c != 0xF7) table[c] = static_cast<unsigned char>(c - 0x20);
  table[0x9A] = 0x8A;
  table[0x9C] = 0x8C;
  table[0x9E] = 0x8E;
  table[0xFF] = 0x9F;
  return table;
}

constexpr std::array<unsigned char, 256> kUpper1252 = makeUpperTable();

inline unsigned char upperAscii(unsigned char c) {
  return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 0x20) : c;
}

// The capital of `codePoint` when it has the same UTF-8 length, else 0.
constexpr uint32_t capitalOf(uint32_t codePoint) {
  if (codePoint >= kUpperLimit) return 0;
  return kUpperRows[kUpperRowOfBlock[codePoint / kUpperBlockSize]][codePoint % kUpperBlockSize];
}

// The two-byte letters (Latin, Greek, Cyrillic, Armenian, ...) are most of what a UTF-8 text
// folds: the two bytes of each code point's capital, or its own, high byte first, by
// (lead - 0xC2) * 64 + the continuation's low six bits. Written back whether or not they
// changed, so that mixed text costs no branch on it.
constexpr std::array<uint16_t, 30 * 64> makeTwoByteTable() {
  std::array<uint16_t, 30 * 64> table{};
  for (uint32_t c = 0x80; c < 0x800; ++c) {
    uint32_t capital = capitalOf(c) ? capitalOf(c) : c;
    table[c - 0x80] = static_cast<uint16_t>((0xC0 | capital >> 6) << 8 | (0x80 | (capital & 0x3F)));
  }
  return table;
}

constexpr std::array<uint16_t, 30 * 64> kTwoByteUpper = makeTwoByteTable();

// Writes `codePoint` as a UTF-8 sequence of `length` bytes (its own length) at `out`.
inline void putUtf8(unsigned char* out, int length, uint32_t codePoint) {
  switch (length) {
    case 2:
      out[0] = static_cast<unsigned char>(0xC0 | codePoint >> 6);
      out[1] = static_cast<unsigned char>(0x80 | (codePoint & 0x3F));
      break;
    case 3:
      out[0] = static_cast<unsigned char>(0xE0 | codePoint >> 12);
      out[1] = static_cast<unsigned char>(0x80 | (codePoint >> 6 & 0x3F));
      out[2] = static_cast<unsigned char>(0x80 | (codePoint & 0x3F));
      break;
    default:
      out[0] = static_cast<unsigned char>(0xF0 | codePoint >> 18);
      out[1] = static_cast<unsigned char>(0x80 | (codePoint >> 12 & 0x3F));
      out[2] = static_cast<unsigned char>(0x80 | (codePoint >> 6 & 0x3F));
      out[3] = static_cast<unsigned char>(0x80 | (codePoint & 0x3F));
  }
}

void upperUtf8(unsigned char* text, size_t length) {
  size_t i = 0;
  while (i < length) {
    unsigned char c = text[i];
    if (c < 0x80) {
      text[i++] = upperAscii(c);
      continue;
    }
    if (c >= 0xC2 && c <= 0xDF && i + 1 < length && (text[i + 1] & 0xC0) == 0x80) {
      uint16_t capital = kTwoByteUpper[(c - 0xC2) * 64 + (text[i + 1] & 0x3F)];
      text[i] = static_cast<unsigned char>(capital >> 8);
      text[i + 1] = static_cast<unsigned char>(capital);
      i += 2;
      continue;
    }
    if (c >= 0xE1 && c <= 0xEF && c != 0xED && i + 2 < length && (text[i + 1] & 0xC0) == 0x80 &&
        (text[i + 2] & 0xC0) == 0x80) {
      // Three bytes whose lead needs no range check on the second: E1-EC, EE, EF.
      uint32_t codePoint = (c & 0x0Fu) << 12 | (text[i + 1] & 0x3Fu) << 6 | (text[i + 2] & 0x3Fu);
      uint32_t capital = capitalOf(codePoint);
      putUtf8(text + i, 3, capital ? capital : codePoint);
      i += 3;
      continue;
    }
    uint32_t codePoint = 0;
    int n = vwin::utf8SequenceAt(text + i, length - i, &codePoint);
    if (n == 0) {  // malformed or cut: the byte stays, the next is examined on its own
      ++i;
      continue;
    }
    if (uint32_t capital = capitalOf(codePoint)) putUtf8(text + i, n, capital);
    i += static_cast<size_t>(n);
  }
}

// The length of the NUL-terminated text, for the UTF-8 fold (which must not look past it).
size_t lengthOf(const unsigned char* text) {
  size_t n = 0;
  while (text[n]) ++n;
  return n;
}

}  // namespace

// A pointer whose high bits are 0 carries one character in its low byte and answers it folded,
// in the same form. In UTF-8 only an ASCII letter has a one-byte capital.
WINAPI_EXPORT LPSTR WINAPI CharUpperA(LPSTR text) {
  uintptr_t value = reinterpret_cast<uintptr_t>(text);
  bool utf8 = GetACP() == CP_UTF8;
  if ((value >> 16) == 0) {
    unsigned char c = static_cast<unsigned char>(value & 0xFF);
    return reinterpret_cast<LPSTR>(
        static_cast<uintptr_t>(utf8 ? (c < 0x80 ? upperAscii(c) : c) : kUpper1252[c]));
  }
  auto* p = reinterpret_cast<unsigned char*>(text);
  if (utf8) {
    upperUtf8(p, lengthOf(p));
  } else {
    for (; *p; ++p) *p = kUpper1252[*p];
  }
  return text;
}

WINAPI_EXPORT DWORD WINAPI CharUpperBuffA(LPSTR text, DWORD length) {
  if (!text) return 0;
  auto* p = reinterpret_cast<unsigned char*>(text);
  if (GetACP() == CP_UTF8) {
    upperUtf8(p, length);
  } else {
    for (DWORD i = 0; i < length; ++i) p[i] = kUpper1252[p[i]];
  }
  return length;
}
