// Windows-1252 / UTF-8 conversion and terminal escaping (see host/ide/text_encoding.h).
// Tested by tests/host/ide/host_message_window_test.cpp.
#include "host/ide/text_encoding.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace host {
namespace {

// Code points of Windows-1252 bytes 0x80..0x9F; the undefined ones keep their own value.
constexpr uint16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Length of the valid UTF-8 sequence of two or more bytes starting at `i`, or 0 when the bytes
// there are not one (overlong forms, surrogates and code points above U+10FFFF are not valid).
size_t utf8SequenceLength(std::string_view s, size_t i) {
  auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  auto cont = [&](size_t k) { return k < s.size() && (byte(k) & 0xC0) == 0x80; };
  unsigned char b = byte(i);
  if (b >= 0xC2 && b <= 0xDF) return cont(i + 1) ? 2 : 0;
  if (b >= 0xE0 && b <= 0xEF) {
    if (!cont(i + 1) || !cont(i + 2)) return 0;
    unsigned char b1 = byte(i + 1);
    if (b == 0xE0 && b1 < 0xA0) return 0;   // overlong
    if (b == 0xED && b1 >= 0xA0) return 0;  // surrogate
    return 3;
  }
  if (b >= 0xF0 && b <= 0xF4) {
    if (!cont(i + 1) || !cont(i + 2) || !cont(i + 3)) return 0;
    unsigned char b1 = byte(i + 1);
    if (b == 0xF0 && b1 < 0x90) return 0;   // overlong
    if (b == 0xF4 && b1 >= 0x90) return 0;  // above U+10FFFF
    return 4;
  }
  return 0;
}

bool isAscii(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

void appendHex(std::string& out, const char* prefix, unsigned value) {
  static const char kDigits[] = "0123456789abcdef";
  out += prefix;
  out.push_back(kDigits[(value >> 4) & 0xF]);
  out.push_back(kDigits[value & 0xF]);
}

// Whether any of the eight bytes of `w` is outside printable ASCII (0x20 to 0x7E): a byte below
// 0x20 borrows into its top bit when 0x20 is taken from it, and one of 0x7F or more has its top
// bit set before or after adding 1. A carry out of a byte only follows a byte already caught.
inline bool anyUnprintable(uint64_t w) {
  constexpr uint64_t kOnes = 0x0101010101010101ULL;
  constexpr uint64_t kTops = 0x8080808080808080ULL;
  return (((w - 0x20 * kOnes) & ~w) | w | (w + kOnes)) & kTops;
}

// The end of the run of printable ASCII that starts at `from`: 16 bytes at a time where SSE2 is
// there (a byte is printable when, read as signed, it is above 0x1F and below 0x7F), else eight.
size_t printableRunEnd(std::string_view bytes, size_t from) {
  size_t run = from;
#if defined(__SSE2__)
  const __m128i low = _mm_set1_epi8(0x1F);
  const __m128i high = _mm_set1_epi8(0x7F);
  for (; run + 16 <= bytes.size(); run += 16) {
    __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data() + run));
    unsigned printable = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_and_si128(_mm_cmpgt_epi8(b, low), _mm_cmplt_epi8(b, high))));
    if (printable != 0xFFFF) return run + static_cast<size_t>(std::countr_one(printable));
  }
#endif
  while (run + 8 <= bytes.size()) {
    uint64_t w;
    memcpy(&w, bytes.data() + run, 8);
    if (anyUnprintable(w)) break;
    run += 8;
  }
  while (run < bytes.size() && static_cast<unsigned char>(bytes[run] - 0x20) < 0x5F) ++run;
  return run;
}
}  // namespace

void appendCodePoint(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

void appendUtf8(std::string& out, std::string_view bytes) {
  if (isAscii(bytes)) {
    out.append(bytes);
    return;
  }
  for (size_t i = 0; i < bytes.size();) {
    unsigned char b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      out.push_back(static_cast<char>(b));
      ++i;
    } else if (size_t n = utf8SequenceLength(bytes, i)) {
      out.append(bytes.substr(i, n));
      i += n;
    } else {
      appendCodePoint(out, b < 0xA0 ? kHighControls[b - 0x80] : b);
      ++i;
    }
  }
}

void appendTerminalText(std::string& out, std::string_view bytes) {
  for (size_t i = 0; i < bytes.size();) {
    // Printable ASCII, nearly all of a source line, goes out as a run in one append.
    size_t run = printableRunEnd(bytes, i);
    if (run > i) {
      out.append(bytes.data() + i, run - i);
      i = run;
      continue;
    }
    unsigned char b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x20 || b == 0x7F) {
      appendHex(out, "\\x", b);
      ++i;
    } else if (b < 0x80) {
      out.push_back(static_cast<char>(b));
      ++i;
    } else if (size_t n = utf8SequenceLength(bytes, i)) {
      unsigned char next = static_cast<unsigned char>(bytes[i + 1]);
      unsigned third = n == 3 ? static_cast<unsigned char>(bytes[i + 2]) : 0;
      // Direction controls (U+061C, U+200E/F, U+202A-E, U+2066-9) would reorder what follows
      // them on the screen, so a file's line could show as other than it is.
      bool bidi = (b == 0xD8 && next == 0x9C) ||
                  (b == 0xE2 && next == 0x80 &&
                   (third == 0x8E || third == 0x8F || (third >= 0xAA && third <= 0xAE))) ||
                  (b == 0xE2 && next == 0x81 && third >= 0xA6 && third <= 0xA9);
      if (b == 0xC2 && next < 0xA0) {
        appendHex(out, "\\u00", next);  // a C1 control, written as UTF-8
      } else if (bidi) {
        unsigned code = n == 2 ? ((b & 0x1Fu) << 6 | (next & 0x3Fu))
                               : ((b & 0x0Fu) << 12 | (next & 0x3Fu) << 6 | (third & 0x3Fu));
        appendHex(out, "\\u", code >> 8);
        appendHex(out, "", code & 0xFF);
      } else {
        out.append(bytes.substr(i, n));
      }
      i += n;
    } else if (b < 0xA0 && kHighControls[b - 0x80] < 0xA0) {
      appendHex(out, "\\u00", b);  // undefined in Windows-1252: read as the C1 control
      ++i;
    } else {
      appendCodePoint(out, b < 0xA0 ? kHighControls[b - 0x80] : b);
      ++i;
    }
  }
}

int windows1252Byte(uint32_t codePoint) {
  if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF))
    return static_cast<int>(codePoint);
  for (int i = 0; i < 32; ++i)
    if (kHighControls[i] == codePoint) return 0x80 + i;
  return -1;
}

bool isUtf8(std::string_view bytes) {
  for (size_t i = 0; i < bytes.size();) {
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {
      ++i;
      continue;
    }
    size_t length = utf8SequenceLength(bytes, i);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

std::string toBase64(std::string_view bytes) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (size_t i = 0; i < bytes.size(); i += 3) {
    size_t n = std::min<size_t>(3, bytes.size() - i);
    uint32_t group = 0;
    for (size_t k = 0; k < 3; ++k)
      group = group << 8 | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
    for (size_t k = 0; k < 4; ++k)
      out.push_back(k <= n ? kDigits[(group >> (18 - 6 * k)) & 0x3F] : '=');
  }
  return out;
}

std::string toUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  appendUtf8(out, bytes);
  return out;
}

std::string toTerminalText(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  appendTerminalText(out, bytes);
  return out;
}

}  // namespace host
