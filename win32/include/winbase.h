// Kernel part of the Win32 layer: errors, threads, modules and their resources, file search,
// environment and current directory.
//
// Every function keeps the Windows contract: failures answer FALSE, NULL, 0 or
// INVALID_HANDLE_VALUE and leave the reason in GetLastError (errno is mapped in one place,
// win32/kernel32/errors.cpp). Paths are Windows paths (see win32/kernel32/paths.h for the drive mapping); none
// longer than MAX_PATH - 1 characters is accepted.
//
// Threading: every function may be called from any thread. GetLastError is per thread.
#ifndef VANTREL_WIN32_WINBASE_H_
#define VANTREL_WIN32_WINBASE_H_

#include "win32/include/windef.h"

// Errors.
WINAPI_EXPORT DWORD WINAPI GetLastError(void);
WINAPI_EXPORT void WINAPI SetLastError(DWORD error);

// Threads.
typedef DWORD(WINAPI* LPTHREAD_START_ROUTINE)(LPVOID parameter);
struct SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
};
typedef SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;
#define CREATE_SUSPENDED 0x00000004
#define INFINITE 0xFFFFFFFF
#define WAIT_OBJECT_0 0x00000000L
#define WAIT_TIMEOUT 0x00000102L
#define WAIT_FAILED 0xFFFFFFFFL
#define STILL_ACTIVE 259

// Starts a thread. A stack size of 0 gives the Windows default of 1 MiB. *threadId is written
// before the thread can run. The handle is owned by the caller (CloseHandle); the thread runs on
// after the handle is closed.
WINAPI_EXPORT HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES attributes, size_t stackSize,
                                         LPTHREAD_START_ROUTINE start, LPVOID parameter,
                                         DWORD creationFlags, LPDWORD threadId);
// Nonzero, unique among live threads, stable for a thread's life.
WINAPI_EXPORT DWORD WINAPI GetCurrentThreadId(void);
WINAPI_EXPORT DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds);
WINAPI_EXPORT BOOL WINAPI GetExitCodeThread(HANDLE thread, LPDWORD exitCode);
WINAPI_EXPORT BOOL WINAPI CloseHandle(HANDLE handle);
WINAPI_EXPORT void WINAPI Sleep(DWORD milliseconds);

// Modules. LoadLibraryA dlopens the module and calls its exported DllEntryPoint with
// DLL_PROCESS_ATTACH; a zero answer unloads it again and fails with ERROR_DLL_INIT_FAILED.
// FreeLibrary calls DllEntryPoint with DLL_PROCESS_DETACH before the module is closed.
#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3
WINAPI_EXPORT HMODULE WINAPI LoadLibraryA(LPCSTR fileName);
WINAPI_EXPORT FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procName);
WINAPI_EXPORT BOOL WINAPI FreeLibrary(HMODULE module);
WINAPI_EXPORT DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);

// Resources of a module loaded with LoadLibraryA (embedded compiled .res data).
#define RT_CURSOR MAKEINTRESOURCEA(1)
#define RT_BITMAP MAKEINTRESOURCEA(2)
#define RT_ICON MAKEINTRESOURCEA(3)
#define RT_MENU MAKEINTRESOURCEA(4)
#define RT_DIALOG MAKEINTRESOURCEA(5)
#define RT_STRING MAKEINTRESOURCEA(6)
#define RT_RCDATA MAKEINTRESOURCEA(10)
#define RT_VERSION MAKEINTRESOURCEA(16)
WINAPI_EXPORT HRSRC WINAPI FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
WINAPI_EXPORT HGLOBAL WINAPI LoadResource(HMODULE module, HRSRC resource);
WINAPI_EXPORT LPVOID WINAPI LockResource(HGLOBAL data);
WINAPI_EXPORT DWORD WINAPI SizeofResource(HMODULE module, HRSRC resource);

// File search.
#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_HIDDEN 0x00000002
#define FILE_ATTRIBUTE_SYSTEM 0x00000004
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020
#define FILE_ATTRIBUTE_DEVICE 0x00000040
#define FILE_ATTRIBUTE_NORMAL 0x00000080
#define FILE_ATTRIBUTE_REPARSE_POINT 0x00000400
#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)
struct WIN32_FIND_DATAA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  CHAR cFileName[MAX_PATH];
  CHAR cAlternateFileName[14];
};
typedef WIN32_FIND_DATAA* LPWIN32_FIND_DATAA;
// Lists the entries of one directory whose names fit the pattern's last component ("*" and "?",
// case-insensitive; "*.*" matches every name). Entries come in the order NTFS lists them.
WINAPI_EXPORT HANDLE WINAPI FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data);
WINAPI_EXPORT BOOL WINAPI FindNextFileA(HANDLE search, LPWIN32_FIND_DATAA data);
WINAPI_EXPORT BOOL WINAPI FindClose(HANDLE search);
WINAPI_EXPORT DWORD WINAPI GetFileAttributesA(LPCSTR fileName);

// Environment and current directory. Both answer the length written without the terminator, or,
// when the buffer is too small, the size needed including it; 0 on failure.
WINAPI_EXPORT DWORD WINAPI GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size);
WINAPI_EXPORT DWORD WINAPI GetCurrentDirectoryA(DWORD size, LPSTR buffer);
// Changes the process's current directory (a Windows path); FALSE with GetLastError set
// (ERROR_PATH_NOT_FOUND for a missing directory, ERROR_DIRECTORY for a file).
WINAPI_EXPORT BOOL WINAPI SetCurrentDirectoryA(LPCSTR path);

// Text in the process's ANSI code page: 1252 (Windows-1252) or CP_UTF8, chosen once at start-up
// (win32/kernel32/codepage.h). The folds keep every text's length: in UTF-8 a sequence whose capital is
// longer or shorter stays as it is.
#define CP_UTF8 65001
WINAPI_EXPORT UINT WINAPI GetACP(void);
WINAPI_EXPORT LPSTR WINAPI CharUpperA(LPSTR text);
WINAPI_EXPORT DWORD WINAPI CharUpperBuffA(LPSTR text, DWORD length);
// wsprintfA/wvsprintfA: %s %c %d %i %u %x %X %ld %lu %lx %hd %hu with flags "-", "0", "#",
// width and precision (no "*", no floating point); output is cut at 1024 bytes including the
// terminator. Answer the number of characters written, without the terminator.
WINAPI_EXPORT int wsprintfA(LPSTR buffer, LPCSTR format, ...);
WINAPI_EXPORT int WINAPI wvsprintfA(LPSTR buffer, LPCSTR format, va_list args);

// OLE, as far as a module's process attach and detach need it. OleInitialize answers S_OK, or
// S_FALSE when already initialised on this thread, or the failure set by VwinSetOleFailure.
WINAPI_EXPORT HRESULT WINAPI OleInitialize(LPVOID reserved);
WINAPI_EXPORT void WINAPI OleUninitialize(void);

#endif  // VANTREL_WIN32_WINBASE_H_
