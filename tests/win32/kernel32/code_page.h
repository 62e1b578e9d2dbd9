// Sets the process's ANSI code page for one scope and restores the one before it, so a test
// program can cover both code pages whatever its environment chose at start-up.
#ifndef VANTREL_TESTS_CODE_PAGE_H_
#define VANTREL_TESTS_CODE_PAGE_H_

#include "win32/kernel32/codepage.h"

class ScopedCodePage {
 public:
  explicit ScopedCodePage(UINT page) : before_(GetACP()) { VwinSetAnsiCodePage(page); }
  ~ScopedCodePage() { VwinSetAnsiCodePage(before_); }
  ScopedCodePage(const ScopedCodePage&) = delete;
  ScopedCodePage& operator=(const ScopedCodePage&) = delete;

 private:
  UINT before_;
};

#endif  // VANTREL_TESTS_CODE_PAGE_H_
