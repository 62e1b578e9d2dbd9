// The add-on's file size limit (see host/ide/file_size_limit.h).
// Tested by tests/dialog/max_file_size_test.cpp and tests/host/cli/command_e2e_test.cpp.
#include "host/ide/file_size_limit.h"

#include <atomic>
#include <string>

#ifndef _WIN32
#include "win32/advapi32/registry_override.h"
#endif

namespace host {
namespace {

// What the value read in place of the stored one is, if any.
enum class Override { kNone, kHostDefault, kThisRun };
std::atomic<Override> overridden{Override::kNone};

}  // namespace

namespace {

#ifdef _WIN32
// Windows' registry is the system's: the Windows command answers the add-on's reading of the
// value from here instead (host/windows/size_limit_watch.h).
std::atomic<unsigned long> overrideBytes{0};

void overrideLimit(unsigned long bytes, Override kind) {
  overrideBytes.store(bytes);
  overridden.store(kind);
}
#else
void overrideLimit(unsigned long bytes, Override kind) {
  DWORD value = static_cast<DWORD>(bytes);
  std::string key = std::string("HKEY_LOCAL_MACHINE\\") + kSettingsKey;
  VwinOverrideRegistryValue(key.c_str(), kMaxFileSizeValue, REG_DWORD,
                            reinterpret_cast<const BYTE*>(&value), sizeof value);
  overridden.store(kind);
}
#endif

}  // namespace

#ifdef _WIN32
unsigned long fileSizeOverride() { return overrideBytes.load(); }
#endif

void limitFileSizeForThisRun(unsigned long bytes) { overrideLimit(bytes, Override::kThisRun); }

void useHostDefaultFileSize() {
  if (overridden.load() == Override::kNone && readStoredMaxFileSize() == 0)
    overrideLimit(kHostDefaultFileSize, Override::kHostDefault);
}

FileSizeLimit fileSizeLimit() {
  FileSizeLimit limit;
  LONG stored = readStoredMaxFileSize();
#ifdef _WIN32
  if (unsigned long bytes = overrideBytes.load()) stored = static_cast<LONG>(bytes);
#endif
  if (stored) {
    limit.bytes = static_cast<unsigned long>(stored);
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
