// Drawing part of the Win32 layer: fonts, colours and clipped opaque text output into a window's
// surface of character cells (win32/user32/window.h says how pixels map to cells).
//
// Threading: a device context belongs to the thread that got it with GetDC.
#ifndef VANTREL_WIN32_WINGDI_H_
#define VANTREL_WIN32_WINGDI_H_

#include "win32/include/windef.h"

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

// A logical font's description, as CreateFontA records it and GetObjectA reads it back.
struct LOGFONTA {
  LONG lfHeight;
  LONG lfWidth;
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  CHAR lfFaceName[LF_FACESIZE];
};
typedef LOGFONTA* LPLOGFONTA;

// A font is a handle recording its LOGFONTA; text is drawn one character per cell whatever the
// font. A device context starts with a stock font, which DeleteObject leaves alone.
WINAPI_EXPORT HFONT WINAPI CreateFontA(int height, int width, int escapement, int orientation,
                                       int weight, DWORD italic, DWORD underline, DWORD strikeOut,
                                       DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                                       DWORD quality, DWORD pitchAndFamily, LPCSTR faceName);
WINAPI_EXPORT HGDIOBJ WINAPI SelectObject(HDC dc, HGDIOBJ object);
WINAPI_EXPORT BOOL WINAPI DeleteObject(HGDIOBJ object);
// Copies a font's LOGFONTA into `buffer` (at most `size` bytes); answers the bytes copied, 0 for
// a handle that is not a live font.
WINAPI_EXPORT int WINAPI GetObjectA(HGDIOBJ object, int size, LPVOID buffer);
WINAPI_EXPORT COLORREF WINAPI SetBkColor(HDC dc, COLORREF color);
WINAPI_EXPORT COLORREF WINAPI SetTextColor(HDC dc, COLORREF color);
// Draws `count` characters at (x, y) into the window's cells (win32/user32/window.h maps pixels to
// cells) in the text colour on the background colour. ETO_OPAQUE first fills the cells of `rect`
// with the background colour; ETO_CLIPPED keeps every character inside `rect`. `dx` is ignored:
// every character takes one cell. The host is told through Display::surfaceChanged.
WINAPI_EXPORT BOOL WINAPI ExtTextOutA(HDC dc, int x, int y, UINT options, const RECT* rect,
                                      LPCSTR text, UINT count, const INT* dx);

#endif  // VANTREL_WIN32_WINGDI_H_
