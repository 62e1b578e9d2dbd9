// IUnknown, the root of every COM-style interface, and its id; on Windows <windows.h> brings the
// platform's own (through <ole2.h>), so the add-on declares neither.
#ifndef VANTREL_WIN32_UNKNWN_H_
#define VANTREL_WIN32_UNKNWN_H_

#include "win32/include/windef.h"

struct IUnknown {
  virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) = 0;
  virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
  virtual ULONG STDMETHODCALLTYPE Release() = 0;
};

// {00000000-0000-0000-C000-000000000046}
inline constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

#endif  // VANTREL_WIN32_UNKNWN_H_
