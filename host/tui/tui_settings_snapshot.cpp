// The add-on's remembered settings, taken and put back (see host/tui/tui_settings_snapshot.h).
// Tested by tests/host/tui/tui_live_query_test.cpp.
#include "host/tui/tui_settings_snapshot.h"

#include "win32/include/winreg.h"

namespace tui {
namespace {

// The add-on's key and values, as the add-on names them (dialog/settings_store.cpp).
const char kAddOnKey[] = "SOFTWARE\\Borland\\Borland C++\\5.0\\Ide\\AddOns\\vantrel";
const char* const kLists[] = {"TextToFind", "FileMask", "Directories"};
const char kOptions[] = "Options";
constexpr int kHistoryLength = 15;

std::vector<std::string> valueNames() {
  std::vector<std::string> names;
  for (const char* list : kLists)
    for (int i = 1; i <= kHistoryLength; ++i) names.push_back(list + std::to_string(i));
  names.push_back(kOptions);
  return names;
}

std::optional<std::string> readValue(HKEY key, const std::string& name) {
  char data[2048];
  DWORD size = sizeof data, type = REG_NONE;
  if (RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &size) !=
          ERROR_SUCCESS ||
      type != REG_SZ)
    return std::nullopt;
  std::string text(data, size);
  while (!text.empty() && text.back() == '\0') text.pop_back();
  return text;
}

}  // namespace

void SettingsSnapshot::take() {
  values_.clear();
  HKEY key = nullptr;
  LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kAddOnKey, 0, KEY_READ, &key);
  for (const std::string& name : valueNames())
    values_.emplace_back(name, opened == ERROR_SUCCESS ? readValue(key, name) : std::nullopt);
  if (opened == ERROR_SUCCESS) RegCloseKey(key);
}

void SettingsSnapshot::restore() const {
  if (values_.empty()) return;
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kAddOnKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return;
  for (const auto& [name, value] : values_) {
    std::string wanted = value ? *value : name == kOptions ? "0" : "";
    std::optional<std::string> now = readValue(key, name);
    if (now ? *now == wanted : wanted.empty()) continue;
    RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(wanted.c_str()),
                   static_cast<DWORD>(wanted.size() + 1));
  }
  RegCloseKey(key);
}

void SettingsSnapshot::setOptions(int options) {
  for (auto& [name, value] : values_)
    if (name == kOptions) value = std::to_string(options);
}

}  // namespace tui
