// Upper-casing in the ANSI code page, Windows-1252, as Windows folds it: a-z, the accented small
// letters 0xE0-0xFE (but not the division sign 0xF7), 0x9A/0x9C/0x9E to 0x8A/0x8C/0x8E and 0xFF
// to 0x9F. Every other byte stays, among them the micro sign 0xB5 and the sharp s 0xDF, which
// have no single-byte capital.
//
// The scan folds every line of every file, so the string forms are a plain table loop.
// Tested by tests/text_test.cpp.
#include <array>
#include <cstdint>

#include "win32/include/winbase.h"

namespace {

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

constexpr std::array<unsigned char, 256> kUpper = makeUpperTable();

}  // namespace

// A pointer whose high bits are 0 carries one character in its low byte and answers it folded,
// in the same form.
WINAPI_EXPORT LPSTR WINAPI CharUpperA(LPSTR text) {
  uintptr_t value = reinterpret_cast<uintptr_t>(text);
  if ((value >> 16) == 0) {
    return reinterpret_cast<LPSTR>(static_cast<uintptr_t>(kUpper[value & 0xFF]));
  }
  auto* p = reinterpret_cast<unsigned char*>(text);
  for (; *p; ++p) *p = kUpper[*p];
  return text;
}

WINAPI_EXPORT DWORD WINAPI CharUpperBuffA(LPSTR text, DWORD length) {
  if (!text) return 0;
  auto* p = reinterpret_cast<unsigned char*>(text);
  for (DWORD i = 0; i < length; ++i) p[i] = kUpper[p[i]];
  return length;
}
