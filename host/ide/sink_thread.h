// A thread of an output stage's own: the searching thread hands each message window event over
// (written as a compact record into a ring of bytes) and goes on searching, while this thread
// reads the events back, in order, and hands them to the stage's handler. So what an output costs
// beyond the add-on's own lines (reading files again for context, formatting, writing) runs on the
// second core.
//
// Invariants: at most kRing bytes of records wait; when the ring is full the searching thread
// waits for the output, so memory stays bounded however slow the output is. Records are handed
// over in batches and the thread looks for them on its own every kLookEvery: waking a thread on
// another core costs the waker an interrupt to that core, and one search hands over tens of
// thousands of events. Only a flush, the stop and a full ring wake it. Every event is handled
// once, in the order handed over; `flush` returns once everything handed over before it was
// handled and the handler's flush ran. A handler that throws loses that event, not the thread.
// Ownership: owns the thread and the ring. An event can lend a file object (host/ide/host_file.h)
// open on the file it names; the handler takes it over and releases it. The destructor handles
// what waits, then joins.
// Threading: one thread hands over at a time (callers hold the message window's lock); the
// handlers run on this sink's thread only.
// Tested by tests/host/ide/host_file_test.cpp and, with ThreadSanitizer, by the command's tests
// (tests/host/cli/command_e2e_test.cpp).
#ifndef VANTREL_HOST_SINK_THREAD_H_
#define VANTREL_HOST_SINK_THREAD_H_

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "host/ide/message_event.h"

namespace host {

class File;

class SinkThread {
 public:
  // `handle` gets each event with the file lent with it (or NULL); `flush` runs for each flush.
  SinkThread(std::function<void(const MessageEvent&, File*)> handle, std::function<void()> flush);
  ~SinkThread();
  SinkThread(const SinkThread&) = delete;
  SinkThread& operator=(const SinkThread&) = delete;

  // Hands `event` over, with `file` lent to the handler; waits while the ring is full. The last
  // events of a search may wait for the flush.
  void post(const MessageEvent& event, File* file = nullptr);
  // Waits until everything handed over so far was handled, then the handler's flush ran.
  void flush();

 private:
  struct Header;
  static constexpr uint32_t kRing = 1u << 20;      // a power of two: positions wrap cleanly
  static constexpr uint32_t kBatch = 4096;         // bytes of records handed over at once
  static constexpr uint32_t kReportEvery = 16384;  // bytes handled between reports back
  // How long the thread keeps looking for the next batch before it sleeps, and how long it
  // sleeps before it looks again.
  static constexpr std::chrono::microseconds kLookOn{50};
  static constexpr std::chrono::microseconds kLookEvery{1000};

  // Room for a record of `size` bytes, contiguous in the ring, waiting for it if need be.
  char* claim(uint32_t size);
  // Counts the claimed record as written; hands records over when a batch is ready, or `now`.
  void publish(uint32_t size, bool now);
  // Hands every written record over; `wake` wakes the thread if it waits.
  void handOver(bool wake);
  // Writes a record without texts (a flush or the stop) and hands it over at once.
  void postMark(uint8_t what);
  void run();
  // Whether records past `at` come within kLookOn.
  bool lookAgain(uint32_t at) const;
  // The event of the record `header` into `event_`; false for a mark.
  void read(const Header& header, const char* texts);

  std::function<void(const MessageEvent&, File*)> handle_;
  std::function<void()> flush_;
  std::unique_ptr<char[]> ring_;
  // The posting side's own (under the message window's lock): bytes written, bytes handed over,
  // the thread's count as last read, and the file of the last event handed over.
  uint32_t claimed_ = 0;
  uint32_t published_ = 0;
  uint32_t handledSeen_ = 0;
  std::string lastFile_;
  bool lastHadFile_ = false;
  // The thread's own: the event read back.
  MessageEvent event_;
  // Shared, each on a line of its own: bytes handed over, and bytes handled (reported now and
  // then).
  alignas(64) std::atomic<uint32_t> posted_{0};
  alignas(64) std::atomic<uint32_t> handled_{0};
  std::mutex wakeMutex_;
  std::condition_variable wake_;
  std::thread thread_;
};

}  // namespace host

#endif  // VANTREL_HOST_SINK_THREAD_H_
