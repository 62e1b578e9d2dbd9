// The live-object and release-fault counts of host objects (see host/ide/ref_counted.h).
// Tested by tests/host/ide/host_object_test.cpp.
#include "host/ide/ref_counted.h"

#include <cstdio>
#include <mutex>

namespace {
#ifdef VANTREL_DEBUG_COUNTS
std::atomic<long> liveObjects{0};
std::atomic<long> releaseFaults{0};
#endif
}  // namespace

long hostLiveObjects() {
#ifdef VANTREL_DEBUG_COUNTS
  return liveObjects.load();
#else
  return 0;
#endif
}

long hostReleaseFaults() {
#ifdef VANTREL_DEBUG_COUNTS
  return releaseFaults.load();
#else
  return 0;
#endif
}

namespace host {

ObjectCount::ObjectCount() {
#ifdef VANTREL_DEBUG_COUNTS
  liveObjects.fetch_add(1);
#endif
}

ObjectCount::~ObjectCount() {
#ifdef VANTREL_DEBUG_COUNTS
  if (counted_) liveObjects.fetch_sub(1);
#endif
}

void ObjectCount::retire() {
  counted_ = false;
#ifdef VANTREL_DEBUG_COUNTS
  liveObjects.fetch_sub(1);
#endif
}

void ObjectCount::revive() {
  refs_.store(1, std::memory_order_relaxed);
  counted_ = true;
#ifdef VANTREL_DEBUG_COUNTS
  liveObjects.fetch_add(1);
#endif
}

ULONG ObjectCount::dropReference(bool& destroy) {
  LONG before = refs_.load(std::memory_order_relaxed);
  do {
    if (before <= 0) {
      // A release without a reference: the object is kept (it may be gone already, in which
      // case the sanitizers report the use), and the fault is made loud.
#ifdef VANTREL_DEBUG_COUNTS
      releaseFaults.fetch_add(1);
#endif
      std::fprintf(stderr, "host: Release of an object without references (%p)\n",
                   static_cast<void*>(this));
      destroy = false;
      return 0;
    }
  } while (!refs_.compare_exchange_weak(before, before - 1, std::memory_order_acq_rel));
  destroy = before == 1;
  return static_cast<ULONG>(before - 1);
}

#if defined(VANTREL_DEBUG_COUNTS) && !defined(__SANITIZE_ADDRESS__)
namespace {
// Memory of recently destroyed objects, freed only when pushed out by newer ones.
struct Quarantine {
  static constexpr int kSize = 4096;
  std::mutex mutex;
  void* blocks[kSize] = {};
  int next = 0;
};
}  // namespace

void ObjectCount::operator delete(void* memory) {
  static Quarantine* quarantine = new Quarantine;  // lives as long as the process
  void* oldest;
  {
    std::lock_guard<std::mutex> lock(quarantine->mutex);
    oldest = quarantine->blocks[quarantine->next];
    quarantine->blocks[quarantine->next] = memory;
    quarantine->next = (quarantine->next + 1) % Quarantine::kSize;
  }
  ::operator delete(oldest);
}
#endif

}  // namespace host
