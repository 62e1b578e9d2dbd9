// Turning the add-on's single-byte texts into what the host shows: UTF-8, and for a terminal,
// UTF-8 with every control character escaped.
//
// The add-on writes bytes as they stand in the searched files. A run of bytes that is valid UTF-8
// is kept as it is, as the UTF-8 code page gives it; every other byte is read as Windows-1252,
// the other ANSI code page the layer knows (the five bytes that code page leaves undefined map to
// the C1 code points of the same value, as Windows maps them).
// Threading: pure functions.
// Tested by tests/host/ide/host_message_window_test.cpp.
#ifndef VANTREL_HOST_TEXT_ENCODING_H_
#define VANTREL_HOST_TEXT_ENCODING_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace host {

// The text as UTF-8 (see above). ASCII comes back unchanged.
std::string toUtf8(std::string_view bytes);

// The text as UTF-8 that is safe to write to a terminal: C0 controls and DEL become "\xNN",
// C1 controls (U+0080..U+009F) become "\u00NN"; everything else is as toUtf8 gives it.
std::string toTerminalText(std::string_view bytes);

// The same, appended to `out` (no allocation once `out` has grown to the line's size).
void appendUtf8(std::string& out, std::string_view bytes);
void appendTerminalText(std::string& out, std::string_view bytes);

// A code point (up to U+10FFFF) appended as UTF-8.
void appendCodePoint(std::string& out, uint32_t codePoint);

// The Windows-1252 byte of a code point, or -1 when that code page holds none.
int windows1252Byte(uint32_t codePoint);

// Whether the bytes are valid UTF-8 as they stand (toUtf8 gives them back unchanged).
bool isUtf8(std::string_view bytes);

// The bytes in base64 (RFC 4648, with padding), so a consumer gets back bytes that no text can
// carry, such as a file name that is not UTF-8.
std::string toBase64(std::string_view bytes);

}  // namespace host

#endif  // VANTREL_HOST_TEXT_ENCODING_H_
