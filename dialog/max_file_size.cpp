// The size limit of a searched file (see dialog/max_file_size.h).
// Tested by tests/dialog/max_file_size_test.cpp.
#include "dialog/max_file_size.h"

LONG parseMaxFileSize(const char* text) {
  if (!*text) return 0;
  unsigned long long bytes = 0;
  for (; *text; ++text) {
    if (*text < '0' || *text > '9') return 0;
    bytes = bytes * 10 + static_cast<unsigned>(*text - '0');
    if (bytes > static_cast<unsigned long long>(kMaxFileSizeCeiling)) return 0;
  }
  return static_cast<LONG>(bytes);
}

LONG readStoredMaxFileSize() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
  // One byte always stays free, so a REG_SZ stored without its terminator still ends here; a
  // longer value does not fit and reads as absent.
  BYTE data[32] = {};
  DWORD size = sizeof data - 1;
  DWORD type = REG_NONE;
  LONG result = RegQueryValueExA(key, kMaxFileSizeValue, nullptr, &type, data, &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS) return 0;
  if (type == REG_SZ) return parseMaxFileSize(reinterpret_cast<const char*>(data));
  if (type != REG_DWORD || size != 4) return 0;
  // Little-endian, as the registry holds a DWORD.
  unsigned long bytes =
      data[0] | data[1] << 8 | data[2] << 16 | static_cast<unsigned long>(data[3]) << 24;
  return bytes >= 1 && bytes <= static_cast<unsigned long>(kMaxFileSizeCeiling)
             ? static_cast<LONG>(bytes)
             : 0;
}

LONG readMaxFileSize() {
  LONG stored = readStoredMaxFileSize();
  return stored ? stored : kDefaultMaxFileSize;
}
