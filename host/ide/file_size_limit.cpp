// The add-on's file size limit (see host/ide/file_size_limit.h).
// Tested by tests/host/cli/command_e2e_test.cpp.
#include "host/ide/file_size_limit.h"

#include <atomic>
#include <cstring>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include "win32/advapi32/registry_override.h"
#include "win32/include/winreg.h"
#endif

namespace host {
namespace {

// The add-on's key and value, as the add-on names them (dialog/settings_store.cpp).
const char kAddOnKey[] = "SOFTWARE\\Borland\\Borland C++\\5.0\\Ide\\AddOns\\vantrel";
const char kValue[] = "MaxFileSize";
constexpr unsigned long kCeiling = 2000000000;

// What the value read in place of the stored one is, if any.
enum class Override { kNone, kHostDefault, kThisRun };
std::atomic<Override> overridden{Override::kNone};

// The stored value as the add-on reads it: a REG_DWORD, or decimal digits in a REG_SZ; 0 when
// absent or out of 1..kCeiling.
unsigned long storedLimit() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kAddOnKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
  unsigned char data[32] = {};
  DWORD size = sizeof data - 1;
  DWORD type = REG_NONE;
  LONG result = RegQueryValueExA(key, kValue, nullptr, &type, data, &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS) return 0;
  unsigned long long bytes = 0;
  if (type == REG_DWORD && size == 4) {
    std::memcpy(&bytes, data, 4);  // little-endian, as the registry holds a DWORD
  } else if (type == REG_SZ) {
    std::string text(reinterpret_cast<const char*>(data));
    if (text.empty() || text.size() > 10 ||
        text.find_first_not_of("0123456789") != std::string::npos)
      return 0;
    bytes = std::stoull(text);
  }
  return bytes >= 1 && bytes <= kCeiling ? static_cast<unsigned long>(bytes) : 0;
}

}  // namespace

#ifndef _WIN32
namespace {

void overrideLimit(unsigned long bytes, Override kind) {
  DWORD value = static_cast<DWORD>(bytes);
  std::string key = std::string("HKEY_LOCAL_MACHINE\\") + kAddOnKey;
  VwinOverrideRegistryValue(key.c_str(), kValue, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                            sizeof value);
  overridden.store(kind);
}

}  // namespace

void limitFileSizeForThisRun(unsigned long bytes) { overrideLimit(bytes, Override::kThisRun); }

void useHostDefaultFileSize() {
  if (overridden.load() == Override::kNone && storedLimit() == 0)
    overrideLimit(kHostDefaultFileSize, Override::kHostDefault);
}
#endif

FileSizeLimit fileSizeLimit() {
  FileSizeLimit limit;
  if (unsigned long stored = storedLimit()) {
    limit.bytes = stored;
    switch (overridden.load()) {
      case Override::kNone:
        limit.source = FileSizeLimit::Source::kRegistry;
        break;
      case Override::kHostDefault:
        limit.source = FileSizeLimit::Source::kHostDefault;
        break;
      case Override::kThisRun:
        limit.source = FileSizeLimit::Source::kThisRun;
        break;
    }
  }
  return limit;
}

}  // namespace host
