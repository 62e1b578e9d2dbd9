// The layer's table of modules loaded with LoadLibraryA, as the resource functions see it.
//
// An HMODULE is a record the layer keeps from the first LoadLibraryA of a module to its last
// FreeLibrary; NULL stands for the program itself, as GetModuleHandle(NULL) does on Windows.
// Threading: any thread; the table is locked. Tested by tests/win32/kernel32/module_test.cpp.
#ifndef VANTREL_WIN32_MODULE_H_
#define VANTREL_WIN32_MODULE_H_

#include "win32/include/windef.h"

// The POSIX path of the module's file (of the running program for NULL); NULL for a handle that
// names no loaded module. Valid while the module stays loaded.
const char* vwinModulePath(HMODULE module);

#endif  // VANTREL_WIN32_MODULE_H_
