// The reference-counting base of the add-on's own objects towards the IDE: IUnknownImp derives
// from one IDE interface and answers QueryInterface for IID_IUnknown and that interface's id.
//
// Slot order: QueryInterface, AddRef, Release, then the interface's own operations (supplied by
// the derived class), then the virtual destructor through which Release destroys the object.
// Ownership: a new object carries one reference, owned by its creator; the last Release deletes.
// Threading: the add-on changes the count of its objects only on the IDE's thread.
// Tested by tests/addon/unknown_imp_test.cpp.
#ifndef VANTREL_ADDON_UNKNOWN_IMP_H_
#define VANTREL_ADDON_UNKNOWN_IMP_H_

#include "addon/ide.h"

template <class Interface>
class IUnknownImp : public Interface {
 public:
  explicit IUnknownImp(REFIID iid) : interfaceId(iid) {}
  IUnknownImp(const IUnknownImp&) = delete;
  IUnknownImp& operator=(const IUnknownImp&) = delete;

  // S_OK with the object referenced once more for IID_IUnknown and `interfaceId` (all 16 bytes
  // compared); otherwise E_NOINTERFACE with *out set to NULL and the count unchanged.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, interfaceId)) return E_NOINTERFACE;
    *out = static_cast<Interface*>(this);
    AddRef();
    return S_OK;
  }

  // Answers the new count.
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refCount); }

  // Answers the count left; at 0 the object is destroyed and 0 answered.
  ULONG STDMETHODCALLTYPE Release() override {
    LONG left = --refCount;
    if (left > 0) return static_cast<ULONG>(left);
    delete this;
    return 0;
  }

  virtual ~IUnknownImp() = default;

  IID interfaceId;            // the id answered besides IID_IUnknown
  LONG refCount = 1;          // references held
  IUnknown* outer = nullptr;  // aggregation's outer object; never set in this add-on
};

#endif  // VANTREL_ADDON_UNKNOWN_IMP_H_
