// The remembered settings in the registry (see dialog/settings_store.h).
// Tested by tests/dialog/settings_store_test.cpp.
#include "dialog/settings_store.h"

#include <cstdint>
#include <cstring>

const char kTextToFindPattern[] = "TextToFind%hd";
const char kFileMaskPattern[] = "FileMask%hd";
const char kDirectoriesPattern[] = "Directories%hd";
const char kOptionsValue[] = "Options";

namespace {

// A value is read through this much room; one byte always stays free for a terminator, so a value
// of this size or more does not fit and reads as absent.
constexpr DWORD kScratchSize = 2000;
// Room for a formatted value name ("Directories15").
constexpr int kNameSize = 64;

void copyBounded(char* to, const char* from) {
  size_t n = strnlen(from, kSettingSize - 1);
  memcpy(to, from, n);
  to[n] = '\0';
}

void formatName(char* name, LPCSTR pattern, int index) {
  wsprintfA(name, pattern, static_cast<SHORT>(index));
}

bool validIndex(int index) { return index >= 1 && index <= kHistoryLength; }

}  // namespace

bool writeSetting(LPCSTR valueName, LPCSTR text) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ | KEY_WRITE, &key) !=
          ERROR_SUCCESS &&
      RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_READ | KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  LONG result = RegSetValueExA(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                               static_cast<DWORD>(strlen(text) + 1));
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}

bool readSetting(LPCSTR valueName, char* text) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  BYTE scratch[kScratchSize];
  memset(scratch, 0, sizeof scratch);
  DWORD size = kScratchSize - 1;
  DWORD type = REG_NONE;  // any type is taken as its raw bytes
  LONG result = RegQueryValueExA(key, valueName, nullptr, &type, scratch, &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS) return false;
  if (size > 0) scratch[size - 1] = '\0';
  copyBounded(text, reinterpret_cast<const char*>(scratch));
  return true;
}

int readHistoryEntry(LPCSTR pattern, int index, char* text) {
  if (!validIndex(index)) return 0;
  char name[kNameSize];
  formatName(name, pattern, index);
  char entry[kSettingSize];
  if (!readSetting(name, entry)) return 0;
  if (text) memcpy(text, entry, kSettingSize);
  return static_cast<BYTE>(entry[0]);
}

void writeHistoryEntry(LPCSTR pattern, int index, LPCSTR text) {
  if (!validIndex(index)) return;
  char name[kNameSize];
  formatName(name, pattern, index);
  writeSetting(name, text);
}

int countHistoryEntries(LPCSTR pattern) {
  int count = 0;
  for (int i = 1; i <= kHistoryLength; ++i)
    if (readHistoryEntry(pattern, i, nullptr)) ++count;
  return count;
}

int readHistory(LPCSTR pattern, HistoryList* list) {
  list->count = 0;
  int n = countHistoryEntries(pattern);
  for (int i = 1; i <= n; ++i)
    if (readHistoryEntry(pattern, i, list->entries[list->count])) ++list->count;
  return list->count;
}

namespace {

void copyEntryDown(LPCSTR pattern, int from) {
  char entry[kSettingSize];
  if (!readHistoryEntry(pattern, from, entry)) entry[0] = '\0';
  writeHistoryEntry(pattern, from + 1, entry);
}

}  // namespace

void pushHistory(LPCSTR pattern, LPCSTR text) {
  int n = countHistoryEntries(pattern);
  int found = 0;
  char entry[kSettingSize];
  for (int k = 1; k <= n && !found; ++k)
    if (readHistoryEntry(pattern, k, entry) && strcmp(entry, text) == 0) found = k;
  int last = found ? found - 1 : (n < kHistoryLength - 1 ? n : kHistoryLength - 1);
  for (int j = last; j >= 1; --j) copyEntryDown(pattern, j);
  writeHistoryEntry(pattern, 1, text);
}

WORD parseOptions(const char* text) {
  const char* p = text;
  while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
  bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  uint32_t value = 0;  // wraps: only the low 16 bits are kept
  for (; *p >= '0' && *p <= '9'; ++p) value = value * 10u + static_cast<uint32_t>(*p - '0');
  return static_cast<WORD>(negative ? 0u - value : value);
}

WORD readOptions() {
  char text[kSettingSize];
  return readSetting(kOptionsValue, text) ? parseOptions(text) : 0;
}

bool writeOptions(WORD options) {
  char text[16];
  wsprintfA(text, "%u", static_cast<UINT>(options));
  return writeSetting(kOptionsValue, text);
}
