// Registry values a process reads in place of the stored ones, never stored: the host sets one for
// a single run (the command's --max-filesize), and the registry file stays as it was.
//
// RegQueryValueExA answers an overridden value before looking in the file, and RegOpenKeyExA opens
// a key that holds one (or whose subkey does) even when the file has no such key. Key paths and
// value names compare without regard to ASCII case, as the file's do.
// Threading: any thread. Tested by tests/win32/advapi32/registry_test.cpp.
#ifndef VANTREL_WIN32_REGISTRY_OVERRIDE_H_
#define VANTREL_WIN32_REGISTRY_OVERRIDE_H_

#include <string>

#include "win32/include/windef.h"

// Overrides value `name` of the key `keyPath` ("HKEY_LOCAL_MACHINE\SOFTWARE\...") with `size`
// bytes of `data` of type `type` for this process; `data` NULL removes the override.
WINAPI_EXPORT void VwinOverrideRegistryValue(LPCSTR keyPath, LPCSTR name, DWORD type,
                                             const BYTE* data, DWORD size);

namespace vwin::registry {

// The override of value `name` of `keyPath`, if any: its type and bytes.
bool overriddenValue(const std::string& keyPath, const std::string& name, DWORD* type,
                     std::string* data);
// Whether an override lies in `keyPath` or below it.
bool overriddenKey(const std::string& keyPath);

}  // namespace vwin::registry

#endif  // VANTREL_WIN32_REGISTRY_OVERRIDE_H_
