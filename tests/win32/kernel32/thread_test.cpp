// CreateThread and its companions: ids, waiting with and without timeouts, exit codes, handles
// closed while the thread runs on, refused requests.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <set>

#include "win32/include/winbase.h"

namespace {

struct Shared {
  DWORD idFromCreate = 0;
  std::atomic<DWORD> idSeenInside{0};
  std::atomic<bool> idWasWritten{false};
  std::atomic<bool> release{false};
  std::atomic<bool> done{false};
};

DWORD WINAPI waitForRelease(LPVOID parameter) {
  auto* shared = static_cast<Shared*>(parameter);
  shared->idWasWritten = shared->idFromCreate != 0;
  shared->idSeenInside = GetCurrentThreadId();
  while (!shared->release) Sleep(1);
  shared->done = true;
  return 42;
}

TEST(ThreadTest, IdIsWrittenBeforeTheThreadRunsAndMatchesItsOwn) {
  Shared shared;
  shared.release = true;
  HANDLE thread = CreateThread(nullptr, 0, waitForRelease, &shared, 0, &shared.idFromCreate);
  ASSERT_NE(thread, nullptr);
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_TRUE(shared.idWasWritten);
  EXPECT_EQ(shared.idSeenInside, shared.idFromCreate);
  EXPECT_NE(shared.idFromCreate, GetCurrentThreadId());
  EXPECT_NE(GetCurrentThreadId(), 0u);
  EXPECT_EQ(GetCurrentThreadId(), GetCurrentThreadId());
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, 42u);
  EXPECT_TRUE(CloseHandle(thread));
}

TEST(ThreadTest, WaitTimesOutWhileRunningAndExitCodeIsStillActive) {
  Shared shared;
  HANDLE thread = CreateThread(nullptr, 0, waitForRelease, &shared, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  auto before = std::chrono::steady_clock::now();
  EXPECT_EQ(WaitForSingleObject(thread, 30), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(30));
  EXPECT_EQ(WaitForSingleObject(thread, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));
  shared.release = true;
  EXPECT_EQ(WaitForSingleObject(thread, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, 42u);
  EXPECT_TRUE(CloseHandle(thread));
}

TEST(ThreadTest, ThreadRunsOnAfterItsHandleIsClosed) {
  Shared shared;
  HANDLE thread = CreateThread(nullptr, 0, waitForRelease, &shared, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  EXPECT_TRUE(CloseHandle(thread));
  shared.release = true;
  for (int i = 0; i < 10000 && !shared.done; ++i) Sleep(1);
  EXPECT_TRUE(shared.done);
  // The closed handle names nothing any more.
  EXPECT_EQ(WaitForSingleObject(thread, 0), static_cast<DWORD>(WAIT_FAILED));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(CloseHandle(thread));
  DWORD code;
  EXPECT_FALSE(GetExitCodeThread(thread, &code));
}

DWORD WINAPI reportId(LPVOID parameter) {
  *static_cast<DWORD*>(parameter) = GetCurrentThreadId();
  return 0;
}

TEST(ThreadTest, IdsAreUniqueAcrossThreads) {
  constexpr int kThreads = 8;
  DWORD seen[kThreads] = {};
  HANDLE threads[kThreads];
  for (int i = 0; i < kThreads; ++i) {
    threads[i] = CreateThread(nullptr, 0, reportId, &seen[i], 0, nullptr);
    ASSERT_NE(threads[i], nullptr);
  }
  std::set<DWORD> ids{GetCurrentThreadId()};
  for (int i = 0; i < kThreads; ++i) {
    EXPECT_EQ(WaitForSingleObject(threads[i], INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_TRUE(CloseHandle(threads[i]));
    EXPECT_NE(seen[i], 0u);
    ids.insert(seen[i]);
  }
  EXPECT_EQ(ids.size(), static_cast<size_t>(kThreads + 1));
}

DWORD WINAPI useStack(LPVOID) {
  // Most of the 1 MiB default, as a deep walk may need.
  volatile char block[768 * 1024];
  memset(const_cast<char*>(block), 1, sizeof block);
  return block[sizeof block - 1];
}

TEST(ThreadTest, DefaultStackHoldsAWindowsSizedFrame) {
  HANDLE thread = CreateThread(nullptr, 0, useStack, nullptr, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, 1u);
  CloseHandle(thread);
}

TEST(ThreadTest, RefusedRequestsAndSleep) {
  Shared shared;
  DWORD id = 0;
  EXPECT_EQ(CreateThread(nullptr, 0, waitForRelease, &shared, CREATE_SUSPENDED, &id), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  EXPECT_EQ(CreateThread(nullptr, 0, nullptr, nullptr, 0, &id), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_FALSE(CloseHandle(nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

  auto before = std::chrono::steady_clock::now();
  Sleep(20);
  EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(20));
}

}  // namespace
