// The process's ANSI code page: chosen once when the layer is loaded, answered by GetACP.
//
// UTF-8 is the default, as the files, names and command lines of a Linux system are; the "C" and
// "POSIX" locales count as UTF-8 too, as current toolchains treat them. A locale whose character
// set is single-byte (ISO-8859-1, CP1252, KOI8-R, ...) gets Windows-1252, the one single-byte code
// page the layer folds. VANTREL_CODEPAGE=1252 or =65001 overrides both; another value is ignored
// with one line on stderr.
//
// The locale is read from the environment without changing the process's own (the host may have
// set it otherwise): newlocale("") answers the character set when the locale is installed, and
// the charset part of its name ("de_DE.ISO-8859-1") stands in when it is not.
// Tested by tests/win32/user32/text_test.cpp and tests/host/cli/command_e2e_test.cpp.
#include "win32/kernel32/codepage.h"

#include <langinfo.h>
#include <locale.h>

#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "win32/include/winbase.h"

namespace {

// The character set named by `codeset`, lower-cased and without "-" and "_": "iso88591".
std::string normalized(const char* codeset) {
  std::string name;
  for (const char* p = codeset; *p && *p != '@'; ++p)
    if (*p != '-' && *p != '_') name.push_back(static_cast<char>(std::tolower(*p)));
  return name;
}

// Whether `codeset` names a character set of one byte per character.
bool singleByte(const char* codeset) {
  std::string name = normalized(codeset);
  static const char* const kFamilies[] = {"iso8859", "cp125",      "windows125", "koi8",
                                          "latin",   "tis620",     "cp437",      "cp850",
                                          "ibm85",   "georgianps", "pt154",      "rk1048"};
  for (const char* family : kFamilies)
    if (name.compare(0, strlen(family), family) == 0) return true;
  return false;
}

// The character set of the locale the environment names for LC_CTYPE: from the installed locale,
// or from the name's charset part; null for none.
std::string environmentCodeset() {
  if (locale_t locale = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0))) {
    std::string codeset = nl_langinfo_l(CODESET, locale);
    freelocale(locale);
    return codeset;
  }
  const char* name = nullptr;
  for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    name = getenv(variable);
    if (name && *name) break;
  }
  if (!name || !*name) return "";
  const char* dot = strchr(name, '.');
  return dot ? std::string(dot + 1) : std::string();
}

UINT chooseAtStartup() {
  const char* override = getenv("VANTREL_CODEPAGE");
  std::string codeset = environmentCodeset();
  UINT chosen = VwinChooseAnsiCodePage(override, codeset.c_str());
  if (override && *override && strcmp(override, "1252") != 0 && strcmp(override, "65001") != 0)
    fprintf(stderr, "vantrel: VANTREL_CODEPAGE=%s is neither 1252 nor 65001; using %u\n", override,
            chosen);
  return chosen;
}

std::atomic<UINT>& codePage() {
  static std::atomic<UINT> page{chooseAtStartup()};
  return page;
}

// Decided while the layer loads, before any thread of the host or the add-on runs.
[[maybe_unused]] const UINT decidedAtLoad = codePage().load();

}  // namespace

WINAPI_EXPORT UINT VwinChooseAnsiCodePage(LPCSTR override, LPCSTR codeset) {
  if (override && (strcmp(override, "1252") == 0 || strcmp(override, "65001") == 0))
    return static_cast<UINT>(strtoul(override, nullptr, 10));
  if (codeset && *codeset && singleByte(codeset)) return CP_WINDOWS_1252;
  return CP_UTF8;
}

WINAPI_EXPORT BOOL VwinSetAnsiCodePage(UINT page) {
  if (page != CP_WINDOWS_1252 && page != CP_UTF8) return FALSE;
  codePage().store(page, std::memory_order_relaxed);
  return TRUE;
}

WINAPI_EXPORT UINT WINAPI GetACP(void) { return codePage().load(std::memory_order_relaxed); }
