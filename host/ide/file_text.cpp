// A file's text for the add-on (see host/ide/file_text.h).
// Tested by tests/host/ide/host_file_test.cpp and tests/host/cli/command_e2e_test.cpp.
#include "host/ide/file_text.h"

#include <cstdint>

#include "host/ide/text_encoding.h"
#include "win32/include/winbase.h"

namespace host {

ByteOrderMark byteOrderMark(std::string_view start) {
  auto at = [&](size_t i) { return static_cast<unsigned char>(start[i]); };
  if (start.size() >= 3 && at(0) == 0xEF && at(1) == 0xBB && at(2) == 0xBF)
    return ByteOrderMark::kUtf8;
  if (start.size() >= 2 && at(0) == 0xFF && at(1) == 0xFE) return ByteOrderMark::kUtf16LittleEndian;
  if (start.size() >= 2 && at(0) == 0xFE && at(1) == 0xFF) return ByteOrderMark::kUtf16BigEndian;
  return ByteOrderMark::kNone;
}

size_t markLength(ByteOrderMark mark) {
  switch (mark) {
    case ByteOrderMark::kNone:
      return 0;
    case ByteOrderMark::kUtf8:
      return 3;
    default:
      return 2;
  }
}

void appendUtf16(std::string& out, std::string_view units, bool bigEndian, unsigned codePage) {
  auto unit = [&](size_t i) -> uint32_t {
    auto b0 = static_cast<unsigned char>(units[i]), b1 = static_cast<unsigned char>(units[i + 1]);
    return bigEndian ? (b0 << 8 | b1) : (b1 << 8 | b0);
  };
  size_t count = units.size() / 2 * 2;
  for (size_t i = 0; i < count; i += 2) {
    uint32_t cp = unit(i);
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 2 < count && unit(i + 2) >= 0xDC00 &&
        unit(i + 2) <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
      i += 2;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = '?';  // a lone surrogate stands for no character
    }
    if (codePage == CP_UTF8) {
      appendCodePoint(out, cp);
    } else {
      int byte = windows1252Byte(cp);
      out.push_back(byte < 0 ? '?' : static_cast<char>(byte));
    }
  }
}

long long leastConvertedSize(long long rawSize) {
  // Every two units give at least one byte (a surrogate pair "?" in Windows-1252).
  return rawSize <= 2 ? 0 : (rawSize - 2) / 4;
}

void toFileText(std::string& bytes) {
  ByteOrderMark mark = byteOrderMark(bytes);
  if (mark == ByteOrderMark::kNone) return;
  if (mark == ByteOrderMark::kUtf8) {
    bytes.erase(0, 3);
    return;
  }
  std::string text;
  text.reserve(bytes.size() / 2);
  appendUtf16(text, std::string_view(bytes).substr(2), mark == ByteOrderMark::kUtf16BigEndian,
              GetACP());
  bytes.swap(text);
}

}  // namespace host
