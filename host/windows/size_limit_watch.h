// The Windows command's answer to the add-on's reading of its size limit: RegQueryValueExA in the
// module's import table points at a function that gives the value MaxFileSize as the host has
// put it in place of the stored one (--max-filesize, or our hosts' default where the registry
// holds none: host/ide/file_size_limit.h), as a REG_DWORD, and passes every other reading to
// Windows' own. Nothing is written to the registry.
//
// Ownership: the module must stay loaded while searches run; nothing to release.
// Threading: any thread the add-on reads its settings on.
// Tested under Wine by tests/windows/wine_test.sh.
#ifndef VANTREL_HOST_WINDOWS_SIZE_LIMIT_WATCH_H_
#define VANTREL_HOST_WINDOWS_SIZE_LIMIT_WATCH_H_

#include <windows.h>

namespace vantrel {

// Points the module's RegQueryValueExA at the watch; false when it cannot be redirected.
bool watchSizeLimit(HMODULE module);

}  // namespace vantrel

#endif  // VANTREL_HOST_WINDOWS_SIZE_LIMIT_WATCH_H_
