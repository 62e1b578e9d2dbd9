// The process's ANSI code page beyond GetACP (win32/include/winbase.h): the hook that changes it,
// and the UTF-8 sequence rule that every fold of the layer shares.
//
// The code page is chosen once, when the layer is loaded (win32/kernel32/codepage.cpp):
// VANTREL_CODEPAGE (1252 or 65001) if set, else 1252 when the locale's character set is a
// single-byte one, else 65001. Every fold (CharUpperA, CharUpperBuffA, file masks, path lookup)
// reads it per call. Tested by tests/win32/user32/text_test.cpp and
// tests/host/cli/command_e2e_test.cpp.
#ifndef VANTREL_WIN32_CODEPAGE_H_
#define VANTREL_WIN32_CODEPAGE_H_

#include "win32/include/winbase.h"

#define CP_WINDOWS_1252 1252

// Makes `codePage` (1252 or 65001) the process's ANSI code page and answers TRUE; any other
// value is refused (FALSE) and changes nothing. For tests that cover both code pages in one
// process; a host decides nothing here. Any thread, but a fold running meanwhile may use either.
WINAPI_EXPORT BOOL VwinSetAnsiCodePage(UINT codePage);

// The code page that the environment asks for: `override` (VANTREL_CODEPAGE) when it names 1252
// or 65001, else 1252 for a single-byte locale character set (`codeset`, nl_langinfo's answer,
// or the charset part of a locale name such as "de_DE.ISO-8859-1"), else 65001. A null or
// empty argument is absent. Pure; any thread.
WINAPI_EXPORT UINT VwinChooseAnsiCodePage(LPCSTR override, LPCSTR codeset);

namespace vwin {

// The length of the well-formed UTF-8 sequence at text[0, length), 2 to 4, with its code point
// in *codePoint; 0 when the bytes there (an ASCII byte included) do not begin one that ends
// within `length`. Overlong forms, surrogates and values past U+10FFFF are not well-formed.
inline int utf8SequenceAt(const unsigned char* text, size_t length, uint32_t* codePoint) {
  auto continuation = [](unsigned char c) { return (c & 0xC0) == 0x80; };
  unsigned char lead = text[0];
  if (lead >= 0xC2 && lead <= 0xDF) {
    if (length < 2 || !continuation(text[1])) return 0;
    *codePoint = (lead & 0x1Fu) << 6 | (text[1] & 0x3Fu);
    return 2;
  }
  if (lead >= 0xE0 && lead <= 0xEF) {
    if (length < 3 || !continuation(text[1]) || !continuation(text[2])) return 0;
    if ((lead == 0xE0 && text[1] < 0xA0) || (lead == 0xED && text[1] > 0x9F)) return 0;
    *codePoint = (lead & 0x0Fu) << 12 | (text[1] & 0x3Fu) << 6 | (text[2] & 0x3Fu);
    return 3;
  }
  if (lead >= 0xF0 && lead <= 0xF4) {
    if (length < 4 || !continuation(text[1]) || !continuation(text[2]) || !continuation(text[3]))
      return 0;
    if ((lead == 0xF0 && text[1] < 0x90) || (lead == 0xF4 && text[1] > 0x8F)) return 0;
    *codePoint =
        (lead & 0x07u) << 18 | (text[1] & 0x3Fu) << 12 | (text[2] & 0x3Fu) << 6 | (text[3] & 0x3Fu);
    return 4;
  }
  return 0;
}

}  // namespace vwin

#endif  // VANTREL_WIN32_CODEPAGE_H_
