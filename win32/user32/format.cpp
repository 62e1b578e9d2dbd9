// wsprintfA/wvsprintfA with Windows' rules: conversions %c %d %i %u %x %X %s, the size prefixes
// "h" (16-bit) and "l" (32-bit LONG, as on Windows: never the 64-bit `long` of LP64), the flags
// "-", "0" and "#", a width and a precision; no "*" and no floating point. An unknown conversion
// copies its character ("%%" gives "%"). A NULL string prints "(null)".
//
// Invariant: at most kLimit - 1 characters and a terminator are written; what does not fit is cut
// there, never written past. The answer is the count written without the terminator.
// Tested by tests/win32/user32/format_test.cpp.
#include <cstdint>
#include <cstring>

#include "win32/include/winbase.h"

namespace {

constexpr int kLimit = 1024;

// Appends to the caller's buffer, dropping whatever would pass the limit.
struct Output {
  char* buffer;
  int length = 0;

  bool full() const { return length >= kLimit - 1; }
  void put(char c) {
    if (!full()) buffer[length++] = c;
  }
  void put(const char* text, int count) {
    int room = kLimit - 1 - length;
    if (count > room) count = room;
    if (count <= 0 || !text) return;
    memcpy(buffer + length, text, static_cast<size_t>(count));
    length += count;
  }
  void repeat(char c, int count) {
    for (int i = 0; i < count && !full(); ++i) buffer[length++] = c;
  }
};

struct Field {
  bool left = false;
  bool zero = false;
  bool prefix = false;
  int width = 0;
  int precision = -1;
  char size = 0;  // 'h', 'l' or 0
};

// Writes `body` (count bytes) with an optional sign/prefix, padded to the field's width.
void emitPadded(Output& out, const Field& field, const char* head, int headLength, const char* body,
                int bodyLength, int zeros) {
  int total = headLength + zeros + bodyLength;
  int pad = field.width > total ? field.width - total : 0;
  if (!field.left && !field.zero) out.repeat(' ', pad);
  out.put(head, headLength);
  if (!field.left && field.zero) out.repeat('0', pad);
  out.repeat('0', zeros);
  out.put(body, bodyLength);
  if (field.left) out.repeat(' ', pad);
}

void emitNumber(Output& out, Field field, char conversion, va_list& args) {
  bool isSigned = conversion == 'd' || conversion == 'i';
  uint32_t magnitude;
  bool negative = false;
  if (isSigned) {
    int32_t value = va_arg(args, int);
    if (field.size == 'h') value = static_cast<int16_t>(value);
    negative = value < 0;
    magnitude = negative ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
  } else {
    magnitude = va_arg(args, unsigned int);
    if (field.size == 'h') magnitude = static_cast<uint16_t>(magnitude);
  }

  char digits[16];
  int count = 0;
  const char* alphabet = conversion == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
  unsigned base = (conversion == 'x' || conversion == 'X') ? 16 : 10;
  char reversed[16];
  // A precision of 0 prints nothing for 0, as printf does.
  if (magnitude != 0 || field.precision != 0) {
    do {
      reversed[count++] = alphabet[magnitude % base];
      magnitude /= base;
    } while (magnitude);
  }
  for (int i = 0; i < count; ++i) digits[i] = reversed[count - 1 - i];

  char head[2];
  int headLength = 0;
  if (negative) {
    head[headLength++] = '-';
  } else if (field.prefix && base == 16 && count > 0 && !(count == 1 && digits[0] == '0')) {
    head[headLength++] = '0';
    head[headLength++] = conversion;
  }
  int zeros = field.precision > count ? field.precision - count : 0;
  if (field.precision >= 0) field.zero = false;
  emitPadded(out, field, head, headLength, digits, count, zeros);
}

}  // namespace

WINAPI_EXPORT int WINAPI wvsprintfA(LPSTR buffer, LPCSTR format, va_list args) {
  if (!buffer) return 0;
  Output out{buffer};
  if (!format) format = "";
  va_list ap;
  va_copy(ap, args);
  const char* f = format;
  while (*f && !out.full()) {
    if (*f != '%') {
      const char* run = f;
      while (*f && *f != '%') ++f;
      out.put(run, static_cast<int>(f - run));
      continue;
    }
    ++f;  // past '%'
    Field field;
    for (;; ++f) {
      if (*f == '-')
        field.left = true;
      else if (*f == '0')
        field.zero = true;
      else if (*f == '#')
        field.prefix = true;
      else
        break;
    }
    if (field.left) field.zero = false;
    while (*f >= '0' && *f <= '9') {
      if (field.width < 10000) field.width = field.width * 10 + (*f - '0');
      ++f;
    }
    if (*f == '.') {
      ++f;
      field.precision = 0;
      while (*f >= '0' && *f <= '9') {
        if (field.precision < 10000) field.precision = field.precision * 10 + (*f - '0');
        ++f;
      }
    }
    if (*f == 'h' || *f == 'l') field.size = *f++;
    char conversion = *f;
    if (!conversion) break;  // a lone '%' at the end prints nothing
    ++f;
    // Texts are padded with blanks only.
    if (conversion == 'c' || conversion == 's') field.zero = false;
    switch (conversion) {
      case 'c': {
        char c = static_cast<char>(va_arg(ap, int));
        emitPadded(out, field, nullptr, 0, &c, 1, 0);
        break;
      }
      case 's': {
        const char* text = va_arg(ap, const char*);
        if (!text) text = "(null)";
        int length = 0;
        while (text[length] && (field.precision < 0 || length < field.precision)) ++length;
        emitPadded(out, field, nullptr, 0, text, length, 0);
        break;
      }
      case 'd':
      case 'i':
      case 'u':
      case 'x':
      case 'X':
        emitNumber(out, field, conversion, ap);
        break;
      default:
        out.put(conversion);
        break;
    }
  }
  va_end(ap);
  buffer[out.length] = '\0';
  return out.length;
}

WINAPI_EXPORT int wsprintfA(LPSTR buffer, LPCSTR format, ...) {
  va_list args;
  va_start(args, format);
  int length = wvsprintfA(buffer, format, args);
  va_end(args);
  return length;
}
