// The Windows command's answer to the add-on's size limit (see host/windows/size_limit_watch.h).
// Tested under Wine by tests/windows/wine_test.sh.
#include "host/windows/size_limit_watch.h"

#include <cstring>

#include "dialog/max_file_size.h"
#include "host/ide/file_size_limit.h"
#include "host/windows/import_hook.h"

namespace vantrel {
namespace {

typedef LONG(WINAPI* QueryValue)(HKEY, LPCSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD);
QueryValue realQuery = nullptr;

LONG WINAPI watchQuery(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                       LPDWORD size) {
  unsigned long bytes = host::fileSizeOverride();
  if (!bytes || !name || _stricmp(name, kMaxFileSizeValue) != 0)
    return realQuery(key, name, reserved, type, data, size);
  DWORD value = static_cast<DWORD>(bytes);
  if (type) *type = REG_DWORD;
  if (data) {
    if (!size || *size < sizeof value) {
      if (size) *size = sizeof value;
      return ERROR_MORE_DATA;
    }
    std::memcpy(data, &value, sizeof value);
  }
  if (size) *size = sizeof value;
  return ERROR_SUCCESS;
}

}  // namespace

bool watchSizeLimit(HMODULE module) {
  realQuery = reinterpret_cast<QueryValue>(reinterpret_cast<void (*)()>(
      redirectImport(module, "ADVAPI32.dll", "RegQueryValueExA",
                     reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&watchQuery)))));
  return realQuery != nullptr;
}

}  // namespace vantrel
