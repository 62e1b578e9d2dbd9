// Device contexts, fonts, colours and clipped opaque text output into a window's surface of
// character cells (the pixel-to-cell mapping is the one win32/user32/window.h documents; the
// cells are written when read, win32/gdi32/deferred_text.h).
//
// Invariants: a device context and a font are heap records whose addresses are the handles; only
// handles in the live sets are ever dereferenced, so a stale or foreign handle fails with
// ERROR_INVALID_HANDLE instead of touching freed memory. The stock font is never freed.
// Tested by tests/win32/gdi32/gdi_test.cpp.
#include <algorithm>
#include <cstring>
#include <mutex>
#include <unordered_set>

#include "win32/include/winbase.h"
#include "win32/include/wingdi.h"
#include "win32/user32/display.h"
#include "win32/user32/window.h"

namespace {

struct Font {
  LOGFONTA description{};
};

struct DeviceContext {
  HWND window = nullptr;
  HFONT font = nullptr;
  COLORREF background = RGB(255, 255, 255);
  COLORREF text = RGB(0, 0, 0);
};

struct Objects {
  std::mutex mutex;
  std::unordered_set<const void*> fonts;
  std::unordered_set<const void*> contexts;
  Font stockFont;
};

Objects& objects() {
  static Objects* o = [] {
    auto* created = new Objects;  // never destroyed: handles may be released during exit
    std::strcpy(created->stockFont.description.lfFaceName, "System");
    created->stockFont.description.lfHeight = vwin::kCellHeight;
    created->stockFont.description.lfWeight = FW_NORMAL;
    created->fonts.insert(&created->stockFont);
    return created;
  }();
  return *o;
}

HFONT stockFont() { return reinterpret_cast<HFONT>(&objects().stockFont); }

DeviceContext* liveContext(HDC dc) {
  Objects& o = objects();
  std::lock_guard<std::mutex> lock(o.mutex);
  if (!o.contexts.count(dc)) return nullptr;
  return reinterpret_cast<DeviceContext*>(dc);
}

bool isLiveFont(HGDIOBJ object) {
  Objects& o = objects();
  std::lock_guard<std::mutex> lock(o.mutex);
  return object && o.fonts.count(object);
}

}  // namespace

WINAPI_EXPORT HDC WINAPI GetDC(HWND window) {
  if (!vwin::windowFromHandle(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  auto* dc = new DeviceContext;
  dc->window = window;
  dc->font = stockFont();
  Objects& o = objects();
  std::lock_guard<std::mutex> lock(o.mutex);
  o.contexts.insert(dc);
  return reinterpret_cast<HDC>(dc);
}

WINAPI_EXPORT int WINAPI ReleaseDC(HWND window, HDC dc) {
  DeviceContext* context = nullptr;
  {
    Objects& o = objects();
    std::lock_guard<std::mutex> lock(o.mutex);
    auto it = o.contexts.find(dc);
    if (it == o.contexts.end()) return 0;
    context = reinterpret_cast<DeviceContext*>(dc);
    if (context->window != window) return 0;
    o.contexts.erase(it);
  }
  delete context;
  return 1;
}

WINAPI_EXPORT HFONT WINAPI CreateFontA(int height, int width, int escapement, int orientation,
                                       int weight, DWORD italic, DWORD underline, DWORD strikeOut,
                                       DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                                       DWORD quality, DWORD pitchAndFamily, LPCSTR faceName) {
  auto* font = new Font;
  LOGFONTA& d = font->description;
  d.lfHeight = height;
  d.lfWidth = width;
  d.lfEscapement = escapement;
  d.lfOrientation = orientation;
  d.lfWeight = weight;
  d.lfItalic = static_cast<BYTE>(italic);
  d.lfUnderline = static_cast<BYTE>(underline);
  d.lfStrikeOut = static_cast<BYTE>(strikeOut);
  d.lfCharSet = static_cast<BYTE>(charSet);
  d.lfOutPrecision = static_cast<BYTE>(outPrecision);
  d.lfClipPrecision = static_cast<BYTE>(clipPrecision);
  d.lfQuality = static_cast<BYTE>(quality);
  d.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
  if (faceName) {
    size_t n = strnlen(faceName, LF_FACESIZE - 1);
    std::memcpy(d.lfFaceName, faceName, n);
    d.lfFaceName[n] = '\0';
  }
  Objects& o = objects();
  std::lock_guard<std::mutex> lock(o.mutex);
  o.fonts.insert(font);
  return reinterpret_cast<HFONT>(font);
}

WINAPI_EXPORT HGDIOBJ WINAPI SelectObject(HDC dc, HGDIOBJ object) {
  DeviceContext* context = liveContext(dc);
  if (!context || !isLiveFont(object)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  HFONT previous = context->font;
  context->font = static_cast<HFONT>(object);
  return previous;
}

WINAPI_EXPORT BOOL WINAPI DeleteObject(HGDIOBJ object) {
  if (object == stockFont()) return TRUE;
  {
    Objects& o = objects();
    std::lock_guard<std::mutex> lock(o.mutex);
    auto it = o.fonts.find(object);
    if (it == o.fonts.end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    o.fonts.erase(it);
  }
  delete static_cast<Font*>(object);
  return TRUE;
}

WINAPI_EXPORT int WINAPI GetObjectA(HGDIOBJ object, int size, LPVOID buffer) {
  Objects& o = objects();
  std::lock_guard<std::mutex> lock(o.mutex);
  if (!o.fonts.count(object) || size <= 0 || !buffer) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  int n = std::min(size, static_cast<int>(sizeof(LOGFONTA)));
  std::memcpy(buffer, &static_cast<Font*>(object)->description, n);
  return n;
}

WINAPI_EXPORT COLORREF WINAPI SetBkColor(HDC dc, COLORREF color) {
  DeviceContext* context = liveContext(dc);
  if (!context) return CLR_INVALID;
  COLORREF previous = context->background;
  context->background = color;
  return previous;
}

WINAPI_EXPORT COLORREF WINAPI SetTextColor(HDC dc, COLORREF color) {
  DeviceContext* context = liveContext(dc);
  if (!context) return CLR_INVALID;
  COLORREF previous = context->text;
  context->text = color;
  return previous;
}

WINAPI_EXPORT BOOL WINAPI ExtTextOutA(HDC dc, int x, int y, UINT options, const RECT* rect,
                                      LPCSTR text, UINT count, const INT* dx) {
  (void)dx;
  DeviceContext* context = liveContext(dc);
  if (!context || (count && !text)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  vwin::Window* window = vwin::windowFromHandle(context->window);
  if (!window) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  static const RECT kNoRect{};
  {
    // Put into cells when the surface is read (win32/gdi32/deferred_text.h).
    std::lock_guard<std::mutex> lock(window->surfaceMutex);
    window->deferredText.add(window->surface, x, y, rect && (options & ETO_OPAQUE),
                             rect && (options & ETO_CLIPPED), rect ? *rect : kNoRect, context->text,
                             context->background, text, count);
  }
  if (vwin::Display* display = VwinGetDisplay()) display->surfaceChanged(context->window);
  return TRUE;
}
