// The one place that decides where the add-on's Windows names come from: the platform's own
// <windows.h> on Windows, the project's Win32 layer elsewhere.
#ifndef VANTREL_ADDON_PLATFORM_H_
#define VANTREL_ADDON_PLATFORM_H_

#ifdef _WIN32
#include <windows.h>
// The exports are listed, undecorated, in addon/vantrel.def.
#define VANTREL_EXPORT extern "C"
#else
#include "win32/include/windows.h"
#define VANTREL_EXPORT extern "C" __attribute__((visibility("default")))
#endif

#endif  // VANTREL_ADDON_PLATFORM_H_
