// The loader's entry on Windows: the MinGW runtime's DLL start-up constructs the module's statics
// and then calls DllMain, which hands every call on to the module's own DllEntryPoint. Built only
// into Vantrel.dll; on POSIX the layer's LoadLibraryA calls DllEntryPoint itself.
#include "addon/entry.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  return DllEntryPoint(instance, reason, reserved);
}
