// OLE as far as a module's process attach and detach need it: OleInitialize and OleUninitialize
// only count, per thread as COM does, and the process-wide balance is kept for tests, which may
// also make OleInitialize fail (VwinSetOleFailure) to see a module refuse to load.
// Tested by tests/win32/ole32/ole_test.cpp.
#include <atomic>

#include "win32/include/winbase.h"
#include "win32/user32/display.h"

namespace {
std::atomic<HRESULT> forcedFailure{S_OK};
std::atomic<LONG> initCount{0};
thread_local LONG threadInits = 0;
}  // namespace

WINAPI_EXPORT HRESULT WINAPI OleInitialize(LPVOID reserved) {
  (void)reserved;
  HRESULT failure = forcedFailure.load();
  if (FAILED(failure)) return failure;
  ++initCount;
  return threadInits++ == 0 ? S_OK : S_FALSE;
}

WINAPI_EXPORT void WINAPI OleUninitialize(void) {
  if (threadInits == 0) return;  // not initialised on this thread: nothing to undo
  --threadInits;
  --initCount;
}

WINAPI_EXPORT void VwinSetOleFailure(HRESULT failure) { forcedFailure.store(failure); }

WINAPI_EXPORT LONG VwinOleInitCount(void) { return initCount.load(); }
