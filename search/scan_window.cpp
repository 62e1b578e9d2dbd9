// The window of files in flight (see search/scan_window.h).
// Tested by tests/search/scan_window_test.cpp.
#include "search/scan_window.h"

#include <chrono>
#include <new>

#include "regex/grepclass.h"
#include "search/file_outcome.h"
#include "search/progress.h"

bool ScanWindow::start(SearchJob* job, int threads, SearchThreadsService* service) {
  if (threads > kMostThreads) threads = kMostThreads;
  if (threads < 2) return false;
  long files = static_cast<long>(threads) * kFilesPerThread;
  capacity_ = static_cast<size_t>(files < kMostFiles ? files : kMostFiles);
  outcomes_ = new (std::nothrow) FileOutcome[capacity_];
  slots_ = new (std::nothrow) Slot[capacity_];
  if (!outcomes_ || !slots_) {
    delete[] outcomes_;
    delete[] slots_;
    outcomes_ = nullptr;
    slots_ = nullptr;
    return false;
  }
  for (size_t i = 0; i < capacity_; ++i) slots_[i] = Slot::kFree;
  job_ = job;
  service_ = service;
  head_ = claim_ = tail_ = bytes_ = 0;
  quit_ = false;
  for (int i = 0; i < threads - 1; ++i) {
    DWORD id = 0;
    HANDLE worker = CreateThread(nullptr, 0, workerMain, this, 0, &id);
    if (!worker) break;
    workers_[workerCount_++] = worker;
  }
  if (workerCount_ == 0) {
    finish();
    return false;
  }
  return true;
}

DWORD WINAPI ScanWindow::workerMain(LPVOID window) {
  static_cast<ScanWindow*>(window)->work();
  return 0;
}

void ScanWindow::work() {
  // A pattern keeps the state of its match: each thread runs a copy of its own.
  GREPCLASS* pattern = nullptr;
  if (job_->regexProgram) {
    pattern = new (std::nothrow) GREPCLASS(textToFind);
    if (!pattern || pattern->errorCount != 0) {
      delete pattern;
      return;  // the other threads read its share
    }
  }
  const Scanner scanner{job_, pattern, false};
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    waiting_.wait(lock, [this] { return quit_ || (claim_ < tail_ && !stopped()); });
    if (quit_) break;
    readNext(lock, scanner);
  }
  lock.unlock();
  delete pattern;
}

void ScanWindow::readNext(std::unique_lock<std::mutex>& lock, const Scanner& scanner) {
  size_t at = claim_++ % capacity_;
  slots_[at] = Slot::kReading;
  lock.unlock();
  outcomes_[at].read(scanner);
  lock.lock();
  slots_[at] = Slot::kRead;
  bytes_ += outcomes_[at].bytesHeld();
  read_.notify_one();
}

void ScanWindow::writeHead(std::unique_lock<std::mutex>& lock) {
  size_t at = head_ % capacity_;
  size_t held = outcomes_[at].bytesHeld();
  lock.unlock();
  // The file's turn, as the one-thread walk comes to it: counted, the progress line drawn with
  // the directories counted by then, Esc polled, then its outcome written.
  FileOutcome& outcome = outcomes_[at];
  LONG walked = job_->directoriesSearched;
  ++job_->filesSearched;
  job_->directoriesSearched = outcome.directories();
  updateProgress(job_, 0);
  outcome.write(job_, service_);
  // After a stop the walk goes no further, as it goes no further after this file alone.
  if (!stopped()) job_->directoriesSearched = walked;
  // A block grown for a file of many hits goes back now rather than staying with its slot.
  if (outcome.bytesHeld() > kOutcomeBytes / kMostFiles) outcome.release();
  lock.lock();
  bytes_ -= held;
  slots_[at] = Slot::kFree;
  ++head_;
}

void ScanWindow::writeReady(std::unique_lock<std::mutex>& lock, bool all) {
  const Scanner own{job_, job_->regexProgram, true};
  while (head_ < tail_ && !stopped()) {
    if (slots_[head_ % capacity_] == Slot::kRead)
      writeHead(lock);
    else if (!all)
      return;
    else if (claim_ < tail_)
      readNext(lock, own);
    else
      waitForRead(lock);
  }
}

void ScanWindow::waitForRead(std::unique_lock<std::mutex>& lock) {
  if (read_.wait_for(lock, std::chrono::milliseconds(50)) == std::cv_status::no_timeout) return;
  lock.unlock();
  updateProgress(job_, 0);
  lock.lock();
}

void ScanWindow::submit(LPCSTR path) {
  if (!slots_ || stopped()) return;
  const Scanner own{job_, job_->regexProgram, true};
  std::unique_lock<std::mutex> lock(mutex_);
  writeReady(lock, false);
  while (!stopped() && (tail_ - head_ == capacity_ || bytes_ >= kOutcomeBytes)) {
    if (slots_[head_ % capacity_] == Slot::kRead)
      writeHead(lock);
    else if (claim_ < tail_)
      readNext(lock, own);
    else
      waitForRead(lock);
  }
  if (stopped()) return;
  size_t at = tail_ % capacity_;
  outcomes_[at].assign(path, job_->directoriesSearched);
  slots_[at] = Slot::kWaiting;
  ++tail_;
  waiting_.notify_one();
}

void ScanWindow::finish() {
  if (!slots_) return;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    writeReady(lock, true);
    quit_ = true;
    waiting_.notify_all();
  }
  for (int i = 0; i < workerCount_; ++i) {
    WaitForSingleObject(workers_[i], INFINITE);
    CloseHandle(workers_[i]);
    workers_[i] = nullptr;
  }
  workerCount_ = 0;
  // What is left was stopped before its turn: files never reached.
  delete[] outcomes_;
  delete[] slots_;
  outcomes_ = nullptr;
  slots_ = nullptr;
  head_ = claim_ = tail_ = bytes_ = 0;
}
