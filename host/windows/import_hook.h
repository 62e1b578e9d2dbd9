// Redirecting one function a loaded module imports: the Windows command's way of seeing calls
// the add-on makes straight to Windows (MessageBeep), as our layer sees them on POSIX.
//
// The module's import table is searched for `function` imported by name from `dll` (compared
// ignoring case), and its entry in the import address table is pointed at `replacement`; calls
// the module makes through that entry go there from then on. Nothing else changes: other
// modules, and GetProcAddress, still reach the real function.
// Ownership: the caller keeps `replacement` callable while the module stays loaded.
// Threading: call before the module's code runs the function on another thread.
// Tested under Wine by tests/windows/wine_test.sh.
#ifndef VANTREL_HOST_WINDOWS_IMPORT_HOOK_H_
#define VANTREL_HOST_WINDOWS_IMPORT_HOOK_H_

#include <windows.h>

namespace vantrel {

// The address the entry held (the real function), or NULL when the module imports no such
// function by name or its entry cannot be written.
FARPROC redirectImport(HMODULE module, const char* dll, const char* function, FARPROC replacement);

}  // namespace vantrel

#endif  // VANTREL_HOST_WINDOWS_IMPORT_HOOK_H_
