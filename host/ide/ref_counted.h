// The reference-counting base of every host object handed to the add-on, and the debug count of
// live host objects.
//
// Invariants: a RefCounted object is born with one reference, owned by its creator, and deletes
// itself when the last reference is released. The count is atomic, so references may be taken and
// dropped on any thread (a worker search releases the strings and files it used).
// With VANTREL_DEBUG_COUNTS (debug and sanitizer builds) every host object adds one to a
// process-wide live count while it exists, and a Release of an object whose count is already 0
// is refused, reported on stderr and counted, so tests can prove that nothing leaked or was
// released twice. So that a second Release of a destroyed object still finds its count (0)
// instead of reused memory, those builds keep the memory of the last destroyed objects for a
// while before freeing it; AddressSanitizer builds leave that to the sanitizer, which reports
// the use of freed memory. Without VANTREL_DEBUG_COUNTS both counts read 0.
// Tested by tests/host/ide/host_object_test.cpp.
#ifndef VANTREL_HOST_REF_COUNTED_H_
#define VANTREL_HOST_REF_COUNTED_H_

#include <atomic>
#include <cstddef>

#include "addon/ide.h"

// Host objects alive now (0 when the build keeps no count).
long hostLiveObjects();
// Releases refused because the object had no reference left (0 when the build keeps no count).
long hostReleaseFaults();

namespace host {

// Counting shared by every host object; not an interface of its own.
class ObjectCount {
 public:
#if defined(VANTREL_DEBUG_COUNTS) && !defined(__SANITIZE_ADDRESS__)
  static void* operator new(size_t size) { return ::operator new(size); }
  static void operator delete(void* memory);
#endif

 protected:
  ObjectCount();
  ~ObjectCount();
  ObjectCount(const ObjectCount&) = delete;
  ObjectCount& operator=(const ObjectCount&) = delete;

  ULONG addReference() { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }
  // Whether the caller holds the only reference, so no other thread can reach the object.
  bool soleReference() const { return refs_.load(std::memory_order_acquire) == 1; }
  // Answers the count left; true in `destroy` when the caller must delete the object.
  ULONG dropReference(bool& destroy);
  // An object whose last reference is gone, kept for reuse (host/ide/object_pool.h): no longer
  // counted as live, nor when it is deleted kept; `revive` gives it one reference and counts it
  // again.
  void retire();
  void revive();

 private:
  std::atomic<LONG> refs_{1};
  bool counted_ = true;  // in the live count (one thread owns a kept object)
};

// Implements IUnknown for a host object of interface `Interface`. QueryInterface answers
// IID_IUnknown and `interfaceId` (when the interface has one) with the object itself.
template <class Interface>
class RefCounted : public Interface, public ObjectCount {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || (hasId_ && IsEqualIID(iid, id_))) {
      addReference();
      *out = static_cast<Interface*>(this);
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return addReference(); }
  ULONG STDMETHODCALLTYPE Release() override {
    bool destroy = false;
    ULONG left = dropReference(destroy);
    if (destroy) delete this;
    return left;
  }

 protected:
  RefCounted() = default;
  explicit RefCounted(const IID& interfaceId) : id_(interfaceId), hasId_(true) {}
  virtual ~RefCounted() = default;

 private:
  IID id_{};
  bool hasId_ = false;
};

// Releases an interface reference held by the host; null-safe.
template <class T>
void release(T*& object) {
  if (object) object->Release();
  object = nullptr;
}

}  // namespace host

#endif  // VANTREL_HOST_REF_COUNTED_H_
