// Host objects kept for reuse once their last reference is gone: a search makes a file object and
// a handful of strings for each of tens of thousands of files and one string pair per hit, so
// each thread keeps a few released ones, their text buffers included, instead of freeing and
// allocating them again.
//
// Invariants: a kept object has no reference (a Release of it is refused and reported as for a
// destroyed one) and is not counted as live; `take` hands it out again with one reference, as new.
// At most kKept objects wait per thread; the rest, and those left when the thread ends, are
// deleted. The Windows build keeps none (see kPooled). T provides `recycle()` (drop what it holds,
// keep its buffers small enough to keep) and is a friend of its pool. Threading: each thread keeps
// its own objects; an object released on another thread than the one that made it joins that
// thread's pool. Tested by tests/host/ide/host_object_test.cpp.
#ifndef VANTREL_HOST_OBJECT_POOL_H_
#define VANTREL_HOST_OBJECT_POOL_H_

#include <cstddef>
#include <new>
#include <vector>

namespace host {

template <class T, size_t kKept>
class ObjectPool {
 public:
  // A kept object with one reference, else a new one; NULL on exhaustion.
  static T* take() {
    if (!kPooled) return make();
    std::vector<T*>& kept = list().objects;
    if (!kept.empty()) {
      T* object = kept.back();
      kept.pop_back();
      object->revive();
      return object;
    }
    return make();
  }
  // Called by T's Release with the last reference gone: keeps the object, or deletes it.
  static void give(T* object) {
    if (!kPooled) {
      delete object;
      return;
    }
    std::vector<T*>& kept = list().objects;
    if (kept.size() < kKept) {
      try {
        object->recycle();
        kept.push_back(object);  // within the capacity reserved below: cannot throw
        object->retire();
        return;
      } catch (...) {
      }
    }
    delete object;
  }

 private:
  // Not in the MinGW build: there a thread's thread_local destructors may run after the runtime
  // has freed the thread's storage of them (its emulated TLS), so a worker thread's pool was
  // deleted from freed memory as the thread ended, deleting its objects twice (a search on
  // several threads under Wine then crashed in the heap).
#ifdef _WIN32
  static constexpr bool kPooled = false;
#else
  static constexpr bool kPooled = true;
#endif

  static T* make() {
    try {
      return new T();
    } catch (...) {
      return nullptr;
    }
  }

  struct List {
    List() { objects.reserve(kKept); }
    // A kept object is deleted as it is, uncounted: counting it live again first would show, to
    // a thread that waited for this one's end, an object alive after it.
    ~List() {
      for (T* object : objects) delete object;
    }
    std::vector<T*> objects;
  };
  static List& list() {
    thread_local List pool;
    return pool;
  }
};

}  // namespace host

#endif  // VANTREL_HOST_OBJECT_POOL_H_
