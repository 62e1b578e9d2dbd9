// Registry values overridden for the process (see win32/advapi32/registry_override.h).
// Tested by tests/win32/advapi32/registry_test.cpp.
#include "win32/advapi32/registry_override.h"

#include <mutex>
#include <vector>

namespace {

struct Override {
  std::string key;
  std::string name;
  DWORD type;
  std::string data;
};

struct Overrides {
  std::mutex mutex;
  std::vector<Override> values;
};

Overrides& overrides() {
  static Overrides* o = new Overrides;  // read by a worker search until the process ends
  return *o;
}

char fold(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool sameText(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (fold(a[i]) != fold(b[i])) return false;
  return true;
}

}  // namespace

WINAPI_EXPORT void VwinOverrideRegistryValue(LPCSTR keyPath, LPCSTR name, DWORD type,
                                             const BYTE* data, DWORD size) {
  if (!keyPath) return;
  Overrides& o = overrides();
  std::lock_guard<std::mutex> lock(o.mutex);
  std::string key = keyPath, value = name ? name : "";
  std::erase_if(o.values,
                [&](const Override& v) { return sameText(v.key, key) && sameText(v.name, value); });
  if (data)
    o.values.push_back(
        Override{key, value, type, std::string(reinterpret_cast<const char*>(data), size)});
}

namespace vwin::registry {

bool overriddenValue(const std::string& keyPath, const std::string& name, DWORD* type,
                     std::string* data) {
  Overrides& o = overrides();
  std::lock_guard<std::mutex> lock(o.mutex);
  for (const Override& v : o.values) {
    if (!sameText(v.key, keyPath) || !sameText(v.name, name)) continue;
    *type = v.type;
    *data = v.data;
    return true;
  }
  return false;
}

bool overriddenKey(const std::string& keyPath) {
  Overrides& o = overrides();
  std::lock_guard<std::mutex> lock(o.mutex);
  for (const Override& v : o.values)
    if (v.key.size() >= keyPath.size() && sameText(v.key.substr(0, keyPath.size()), keyPath) &&
        (v.key.size() == keyPath.size() || v.key[keyPath.size()] == '\\'))
      return true;
  return false;
}

}  // namespace vwin::registry
