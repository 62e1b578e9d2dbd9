// libFuzzer target for the file scan's line search: the first byte chooses the options (bit 0
// case matters, bit 1 whole words, bit 2 the text also as a pattern, bit 3 Windows-1252 rather
// than UTF-8 as the code page, which decides how letters fold), the bytes up to the next
// NUL are the text, the rest the file. The whole-buffer scan must list exactly the hits of a
// line-by-line reading (tests/search/scan_oracle.h) and see the same hits hidden behind a NUL
// byte, and a text without pattern characters,
// compiled as a pattern, must list the same. Build and run: see docs/performance.md.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <string>
#include <vector>

#include "regex/grepclass.h"
#include "search/scan.h"
#include "tests/search/scan_oracle.h"
#include "tests/win32/kernel32/code_page.h"

namespace {

void check(bool condition) {
  if (!condition) __builtin_trap();
}

bool plainWord(const std::string& text) {
  for (unsigned char c : text)
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
          c == ' '))
      return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  uint8_t choice = data[0];
  const uint8_t* rest = data + 1;
  size_t restSize = size - 1;
  const uint8_t* split = static_cast<const uint8_t*>(memchr(rest, 0, restSize));
  if (split == nullptr) return 0;
  std::string text(reinterpret_cast<const char*>(rest), static_cast<size_t>(split - rest));
  std::string file(reinterpret_cast<const char*>(split + 1), restSize - text.size() - 1);
  if (text.empty() || text.size() >= static_cast<size_t>(kTextSize) || file.size() > 1 << 16)
    return 0;

  ScopedCodePage codePage((choice & 8) ? 1252u : static_cast<UINT>(CP_UTF8));
  WORD options =
      static_cast<WORD>(((choice & 1) ? CaseSensitive : 0) | ((choice & 2) ? WholeWords : 0));
  if (!(options & CaseSensitive)) CharUpperA(text.data());
  strcpy(textToFind, text.c_str());
  searchOptions = options;
  SearchJob job;
  LONG length = static_cast<LONG>(file.size());
  std::vector<char> buffer(scanBufferSize(length));
  memcpy(buffer.data(), file.data(), file.size());
  scanoracle::Hits found;
  bool hidden = false;
  LONG count = scanLines(&job, buffer.data(), length, scanoracle::collect, &found, &hidden);
  bool expectHidden = false;
  scanoracle::Hits expected = scanoracle::oracle(file, text, options, &expectHidden);
  check(found == expected);
  check(count == static_cast<LONG>(found.size()));
  check(hidden == expectHidden);

  if ((choice & 4) && plainWord(text)) {
    GREPCLASS pattern(textToFind);
    check(pattern.errorCount == 0);
    job.regexProgram = &pattern;
    buffer.assign(scanBufferSize(length), '\0');
    memcpy(buffer.data(), file.data(), file.size());
    found.clear();
    hidden = false;
    scanLines(&job, buffer.data(), length, scanoracle::collect, &found, &hidden);
    job.regexProgram = nullptr;
    check(found == expected);
    check(hidden == expectHidden);
  }
  return 0;
}
