// Drawing part of the Win32 layer: fonts, colours and clipped opaque text output into a window's
// surface of character cells (win32/window.h says how pixels map to cells).
//
// Threading: a device context belongs to the thread that got it with GetDC.
#ifndef VANTREL_WIN32_WINGDI_H_
#define VANTREL_WIN32_WINGDI_H_

#include "win32/windef.h"

#define LF_FACESIZE 32
#define FW_DONTCARE 0
#define FW_NORMAL 400
#define FW_BOLD 700
#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1
#define OUT_DEFAULT_PRECIS 0
#define CLIP_DEFAULT_PRECIS 0
#define DEFAULT_QUALITY 0
#define DEFAULT_PITCH 0
#define FIXED_PITCH 1
#define VARIABLE_PITCH 2
#define FF_DONTCARE 0x00
#define FF_ROMAN 0x10
#define FF_SWISS 0x20
#define FF_MODERN 0x30
#define ETO_OPAQUE 0x0002
#define ETO_CLIPPED 0x0004
#define CLR_INVALID 0xFFFFFFFF
#define HGDI_ERROR ((HGDIOBJ)(LONG_PTR)-1)

WINAPI_EXPORT HFONT WINAPI CreateFontA(int height, int width, int escapement, int orientation,
                                       int weight, DWORD italic, DWORD underline,
                                       DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                                       DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily,
                                       LPCSTR faceName);
WINAPI_EXPORT HGDIOBJ WINAPI SelectObject(HDC dc, HGDIOBJ object);
WINAPI_EXPORT BOOL WINAPI DeleteObject(HGDIOBJ object);
WINAPI_EXPORT COLORREF WINAPI SetBkColor(HDC dc, COLORREF color);
WINAPI_EXPORT COLORREF WINAPI SetTextColor(HDC dc, COLORREF color);
WINAPI_EXPORT BOOL WINAPI ExtTextOutA(HDC dc, int x, int y, UINT options, const RECT* rect,
                                      LPCSTR text, UINT count, const INT* dx);

#endif  // VANTREL_WIN32_WINGDI_H_
