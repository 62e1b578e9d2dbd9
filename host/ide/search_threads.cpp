// The host's thread count and file hand-over (see host/ide/search_threads.h).
// Tested by tests/search/scan_window_test.cpp.
#include "host/ide/search_threads.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sched.h>
#endif

#include "host/ide/host_file.h"

namespace host {

int usableCores() {
#ifdef _WIN32
  DWORD_PTR process = 0;
  DWORD_PTR system = 0;
  if (!GetProcessAffinityMask(GetCurrentProcess(), &process, &system) || process == 0) return 1;
  int count = 0;
  for (; process; process &= process - 1) ++count;
  return count;
#else
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof set, &set) != 0) return 1;
  int count = CPU_COUNT(&set);
  return count > 0 ? count : 1;
#endif
}

void SearchThreads::fileHandedOver(HostFile* file) {
  if (file) static_cast<File*>(file)->readOnThisThread();
}

}  // namespace host
