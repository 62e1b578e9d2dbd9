// A file's text as the host hands it to the add-on: a file that starts with a UTF-16 byte-order
// mark (little- or big-endian) is converted to the ANSI code page, and a UTF-8 byte-order mark is
// no part of the first line. The file object (host/ide/host_file.h) and the full-screen program's
// preview read files through these, so hits, lines, columns and the preview agree.
//
// A character the code page cannot hold (anything beyond ASCII and Windows-1252 in that code page,
// or a lone surrogate) becomes "?"; a trailing odd byte is dropped. Line breaks stay as they are
// (CR LF stays CR LF), so lines and columns count in the converted text.
// Threading: pure functions. Tested by tests/host/ide/host_file_test.cpp and
// tests/host/cli/command_e2e_test.cpp.
#ifndef VANTREL_HOST_FILE_TEXT_H_
#define VANTREL_HOST_FILE_TEXT_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace host {

enum class ByteOrderMark { kNone, kUtf8, kUtf16LittleEndian, kUtf16BigEndian };

// The mark the bytes start with (give at least the first three bytes of a file, or all of it).
ByteOrderMark byteOrderMark(std::string_view start);
// How many bytes the mark takes.
size_t markLength(ByteOrderMark mark);

// Appends the UTF-16 text `units` (after its mark) to `out` in code page `codePage` (65001 or
// 1252).
void appendUtf16(std::string& out, std::string_view units, bool bigEndian, unsigned codePage);

// The least number of bytes the conversion of `rawSize` bytes of a UTF-16 file (mark included)
// can give: what a file too large to convert is said to hold.
long long leastConvertedSize(long long rawSize);

// Makes the whole bytes of a file into its text (see above), in place, for the process's code page.
void toFileText(std::string& bytes);

}  // namespace host

#endif  // VANTREL_HOST_FILE_TEXT_H_
