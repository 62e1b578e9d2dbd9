// The search on several threads: the walk hands each file, in walk order, to a bounded window of
// files in flight; worker threads (and the search thread whenever it would otherwise wait) open,
// read and scan them into outcomes (search/file_outcome.h), and the search thread writes each
// outcome strictly in walk order, counting the file, drawing the progress line and polling Esc as
// the one-thread walk does when it comes to the file. So every call on the message window, every
// beep and every count is the one-thread search's.
//
// Bounds: at most kFilesPerThread files per thread (kMostFiles in all) in flight, each with hits
// holding its file open; a new file waits while the outcomes read and not yet written hold
// kOutcomeBytes or more.
// Stop: once the job's stop is asked, no file is taken any more, the workers end their file at
// their next check, and outcomes not yet written are dropped as files never reached.
// Ownership: the window owns its workers (ended by finish) and its outcomes; the job points to it
// while the searching walk runs.
// Threading: start, submit and finish on the thread that runs the search.
// Tested by tests/search/scan_window_test.cpp.
#ifndef VANTREL_SEARCH_SCAN_WINDOW_H_
#define VANTREL_SEARCH_SCAN_WINDOW_H_

#include <condition_variable>
#include <cstddef>
#include <mutex>

#include "addon/search_threads.h"
#include "search/job.h"

class FileOutcome;
struct Scanner;

constexpr int kFilesPerThread = 8;
constexpr int kMostFiles = 128;
constexpr int kMostThreads = 64;
constexpr size_t kOutcomeBytes = 8u << 20;

class ScanWindow {
 public:
  ScanWindow() = default;
  ScanWindow(const ScanWindow&) = delete;
  ScanWindow& operator=(const ScanWindow&) = delete;
  ~ScanWindow() { finish(); }

  // Starts up to `threads` - 1 workers (at most kMostThreads - 1) for the job's search; false,
  // with nothing started, when not one could start (the search then runs on its own thread).
  // `service` (may be NULL) learns of each file handed over for writing; the caller keeps it.
  bool start(SearchJob* job, int threads, SearchThreadsService* service);
  // The walk's next file, with the directories it has counted so far; writes the outcomes whose
  // turn has come, and works or waits while the window is full.
  void submit(LPCSTR path);
  // Writes what is left in walk order (after a stop: drops it), then ends the workers. Leaves the
  // job's directory count as it stood at the last file written after a stop.
  void finish();

 private:
  enum class Slot : unsigned char { kFree, kWaiting, kReading, kRead };

  static DWORD WINAPI workerMain(LPVOID window);
  void work();
  bool stopped() const { return job_->stopRequested.load() != 0; }
  // With the lock held: reads the next waiting file on this thread (lock let go meanwhile).
  void readNext(std::unique_lock<std::mutex>& lock, const Scanner& scanner);
  // With the lock held: writes the head's outcome (lock let go meanwhile).
  void writeHead(std::unique_lock<std::mutex>& lock);
  // With the lock held: writes every outcome read in turn; with `all`, works and waits until the
  // window is empty (or the search stopped).
  void writeReady(std::unique_lock<std::mutex>& lock, bool all);
  // With the lock held: waits a while for an outcome to be read, drawing the progress line and
  // polling Esc meanwhile, as a scan does inside a long line, so that a stop reaches the thread
  // reading a long file at once.
  void waitForRead(std::unique_lock<std::mutex>& lock);

  SearchJob* job_ = nullptr;
  SearchThreadsService* service_ = nullptr;
  FileOutcome* outcomes_ = nullptr;
  Slot* slots_ = nullptr;
  size_t capacity_ = 0;
  size_t head_ = 0;   // next to write
  size_t claim_ = 0;  // next to read
  size_t tail_ = 0;   // next free
  size_t bytes_ = 0;  // held by outcomes read and not written
  bool quit_ = false;
  std::mutex mutex_;
  std::condition_variable waiting_;  // workers: a file to read, or quit
  std::condition_variable read_;     // the search thread: an outcome read
  HANDLE workers_[kMostThreads] = {};
  int workerCount_ = 0;
};

#endif  // VANTREL_SEARCH_SCAN_WINDOW_H_
