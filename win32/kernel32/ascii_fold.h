// ASCII letters folded to upper case, every other byte kept: how NTFS orders a directory's names
// and how the layer reads a drive letter, whatever the code page.
// Threading: any; no state. Tested by tests/win32/kernel32/findfile_test.cpp (listing order) and
// tests/win32/kernel32/paths_test.cpp (drive letters).
#ifndef VANTREL_WIN32_ASCII_FOLD_H_
#define VANTREL_WIN32_ASCII_FOLD_H_

namespace vwin {

constexpr unsigned char foldAscii(unsigned char c) {
  return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

}  // namespace vwin

#endif  // VANTREL_WIN32_ASCII_FOLD_H_
