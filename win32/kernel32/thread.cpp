// Threads with Windows' contract on POSIX threads: CreateThread, GetCurrentThreadId,
// WaitForSingleObject, GetExitCodeThread, CloseHandle and Sleep.
//
// A thread handle names a shared thread record; the handle table and the running thread each hold
// a reference, so a thread runs on after CloseHandle and its record goes with the last holder.
// Threads are detached: nothing joins them, and nothing is left behind when they end.
// Thread ids come from one counter: nonzero, never reused in the process's life. A thread started
// here gets its id before it can run, so the creator and the thread see the same id.
// Tested by tests/win32/kernel32/thread_test.cpp.
#include <pthread.h>
#include <time.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "win32/include/winbase.h"
#include "win32/kernel32/errno_map.h"
#include "win32/user32/display.h"

namespace {

struct ThreadRecord {
  DWORD id = 0;
  LPTHREAD_START_ROUTINE start = nullptr;
  LPVOID parameter = nullptr;
  std::mutex mutex;
  std::condition_variable ended;
  bool finished = false;
  DWORD exitCode = STILL_ACTIVE;
};

std::atomic<DWORD> nextThreadId{1};
// Threads started here whose start routine has not returned (VwinRunningThreadCount).
std::atomic<LONG> runningThreads{0};
thread_local DWORD currentThreadId = 0;

std::mutex handlesMutex;
std::map<uintptr_t, std::shared_ptr<ThreadRecord>> handles;
uintptr_t nextHandle = 0x1000;

constexpr size_t kDefaultStack = 1 << 20;  // Windows' default reserve

std::shared_ptr<ThreadRecord> findThread(HANDLE handle) {
  std::lock_guard<std::mutex> lock(handlesMutex);
  auto it = handles.find(reinterpret_cast<uintptr_t>(handle));
  return it == handles.end() ? nullptr : it->second;
}

void* threadMain(void* argument) {
  // Takes over the reference that CreateThread made for the running thread.
  std::shared_ptr<ThreadRecord> record(
      std::move(*static_cast<std::shared_ptr<ThreadRecord>*>(argument)));
  delete static_cast<std::shared_ptr<ThreadRecord>*>(argument);
  currentThreadId = record->id;
  DWORD code = record->start(record->parameter);
  {
    std::lock_guard<std::mutex> lock(record->mutex);
    record->exitCode = code;
    record->finished = true;
  }
  record->ended.notify_all();
  runningThreads.fetch_sub(1);
  return nullptr;
}

}  // namespace

WINAPI_EXPORT HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES attributes, size_t stackSize,
                                         LPTHREAD_START_ROUTINE start, LPVOID parameter,
                                         DWORD creationFlags, LPDWORD threadId) {
  (void)attributes;
  if (!start) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (creationFlags & CREATE_SUSPENDED) {  // no caller needs a thread that waits to be resumed
    SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
  }
  auto record = std::make_shared<ThreadRecord>();
  record->id = nextThreadId.fetch_add(1);
  record->start = start;
  record->parameter = parameter;
  if (threadId) *threadId = record->id;

  size_t stack = stackSize ? stackSize : kDefaultStack;
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  stack *= 4;  // instrumented frames are several times larger
#endif
  if (stack < static_cast<size_t>(PTHREAD_STACK_MIN)) stack = PTHREAD_STACK_MIN;

  uintptr_t handle;
  {
    std::lock_guard<std::mutex> lock(handlesMutex);
    handle = nextHandle;
    nextHandle += 4;
    handles[handle] = record;
  }

  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
  pthread_attr_setstacksize(&attr, stack);
  auto* running = new std::shared_ptr<ThreadRecord>(record);
  pthread_t thread;
  runningThreads.fetch_add(1);
  int error = pthread_create(&thread, &attr, threadMain, running);
  pthread_attr_destroy(&attr);
  if (error != 0) {
    runningThreads.fetch_sub(1);
    delete running;
    {
      std::lock_guard<std::mutex> lock(handlesMutex);
      handles.erase(handle);
    }
    SetLastError(vwinErrorFromErrno(error));
    return nullptr;
  }
  return reinterpret_cast<HANDLE>(handle);
}

WINAPI_EXPORT DWORD WINAPI GetCurrentThreadId(void) {
  if (currentThreadId == 0) currentThreadId = nextThreadId.fetch_add(1);
  return currentThreadId;
}

WINAPI_EXPORT DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  std::shared_ptr<ThreadRecord> record = findThread(handle);
  if (!record) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  std::unique_lock<std::mutex> lock(record->mutex);
  if (milliseconds == INFINITE) {
    record->ended.wait(lock, [&] { return record->finished; });
    return WAIT_OBJECT_0;
  }
  bool finished = record->ended.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                         [&] { return record->finished; });
  return finished ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

WINAPI_EXPORT BOOL WINAPI GetExitCodeThread(HANDLE thread, LPDWORD exitCode) {
  std::shared_ptr<ThreadRecord> record = findThread(thread);
  if (!record || !exitCode) {
    SetLastError(record ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::lock_guard<std::mutex> lock(record->mutex);
  *exitCode = record->exitCode;
  return TRUE;
}

WINAPI_EXPORT BOOL WINAPI CloseHandle(HANDLE handle) {
  std::shared_ptr<ThreadRecord> record;
  {
    std::lock_guard<std::mutex> lock(handlesMutex);
    auto it = handles.find(reinterpret_cast<uintptr_t>(handle));
    if (it == handles.end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    record = std::move(it->second);
    handles.erase(it);
  }
  return TRUE;  // the record goes with the last holder, outside the table's lock
}

WINAPI_EXPORT LONG VwinRunningThreadCount(void) { return runningThreads.load(); }

WINAPI_EXPORT void WINAPI Sleep(DWORD milliseconds) {
  if (milliseconds == 0) {
    std::this_thread::yield();
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
