// Registry part of the Win32 layer, kept in one SQLite file (VANTREL_REGISTRY, or
// $XDG_CONFIG_HOME/vantrel/registry.sqlite3, else ~/.config/vantrel/registry.sqlite3).
//
// Functions answer ERROR_SUCCESS or a system error code, as Windows does; they never set
// GetLastError. Key and value names compare case-insensitively. Every set is one transaction.
//
// Threading: any thread; each open key may be used by one thread at a time.
#ifndef VANTREL_WIN32_WINREG_H_
#define VANTREL_WIN32_WINREG_H_

#include "win32/include/winbase.h"

#define HKEY_CLASSES_ROOT ((HKEY)(ULONG_PTR)((LONG)0x80000000))
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)((LONG)0x80000001))
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)((LONG)0x80000002))
#define HKEY_USERS ((HKEY)(ULONG_PTR)((LONG)0x80000003))

#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_MULTI_SZ 7

#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_READ 0x20019
#define KEY_WRITE 0x20006
#define KEY_ALL_ACCESS 0xF003F
#define REG_OPTION_NON_VOLATILE 0x00000000L
#define REG_CREATED_NEW_KEY 0x00000001L
#define REG_OPENED_EXISTING_KEY 0x00000002L

WINAPI_EXPORT LONG WINAPI RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access,
                                        PHKEY result);
WINAPI_EXPORT LONG WINAPI RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass,
                                          DWORD options, REGSAM access,
                                          LPSECURITY_ATTRIBUTES security, PHKEY result,
                                          LPDWORD disposition);
WINAPI_EXPORT LONG WINAPI RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved,
                                           LPDWORD type, LPBYTE data, LPDWORD dataSize);
WINAPI_EXPORT LONG WINAPI RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type,
                                         const BYTE* data, DWORD dataSize);
WINAPI_EXPORT LONG WINAPI RegCloseKey(HKEY key);

#endif  // VANTREL_WIN32_WINREG_H_
