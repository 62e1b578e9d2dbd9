// Reading files ahead of the search that will open them (ReadAhead).
//
// The layer tells the host of every file search it answers (win32/kernel32/search_watch.h), with
// the plain files it lists in the order a walk will open them. Reader threads read those files,
// in that order, into memory, while the search scans the ones before; the file object
// (host/ide/host_file.h) then takes a file's bytes from here instead of reading it. The search's
// own thread is left with a stat and a copy from memory per file; the opening, reading and
// closing of files run beside it, on the other cores.
//
// Which searches are followed: a search's files are read only once a file listed under the same
// name pattern ("*.c") has been opened, so listings asked for their subdirectories ("*.*") are
// not read, and once a search under a pattern was passed over whole, that pattern's searches are
// no longer queued unless a file listed under it is opened. Announcements of a search that is still
// waiting in the queue (the counting pass lists the whole tree before the search asks for it again)
// are not queued twice.
//
// Invariants: the bytes handed out are the file's as they are when the file object opens it:
// the read records the file's identity, size and change times (fstat after open, before the
// read), a file changed within kSettled before its read (a change in the same tick of the file
// system's clock might not move its times) is not kept, and `take` compares a stat of the path
// made at the opening with that record, answering nothing on any difference. Files are opened
// read-only, never created, written or locked; only regular files are read. The bytes held
// (files read and not yet opened, room set aside for reads under way, and files open) never pass
// limits.heldBytes; a file larger than limits.fileBytes is left to be read when opened; the queue
// of listed files never passes limits.queuedFiles. Buffers are kept for reuse, at most
// limits.heldBytes of them idle, so a long search does not fault in fresh pages for every file.
// A file the search reaches before a reader did is read by the search itself and passed over
// here, so a slow reader never holds the search up.
// Ownership: installs itself as the layer's watcher for its lifetime (one at a time); the
// destructor stops and joins its threads. Bytes taken are the taker's until given back with
// `recycle` (or dropped). Threading: every member from any thread.
// Tested by tests/read_ahead_test.cpp.
#ifndef VANTREL_HOST_READ_AHEAD_H_
#define VANTREL_HOST_READ_AHEAD_H_

#include <pthread.h>
#include <sys/stat.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "win32/kernel32/search_watch.h"

namespace host {

// Buffers start on a page: the kernel copies a file's pages slowly into a destination a few bytes
// past a page boundary on some processors.
struct PageBufferFree {
  void operator()(char* bytes) const;
};
using PageBuffer = std::unique_ptr<char[], PageBufferFree>;

// One file's bytes, read ahead, with what identified the file when they were read.
struct ReadAheadFile {
  PageBuffer bytes;
  size_t capacity = 0;  // of `bytes`, for reuse
  long long size = 0;
  dev_t device = 0;
  ino_t inode = 0;
  struct timespec modified {};
  struct timespec changed {};
};

class ReadAhead final : public vwin::FileSearchWatcher {
 public:
  struct Limits {
    size_t heldBytes = 4u << 20;    // file bytes held at once
    size_t fileBytes = 512u << 10;  // a larger file is left to be read when opened
    size_t queuedFiles = 1u << 17;  // listed files waiting in the queue
    unsigned readers = 0;           // reader threads; 0: one per core, at most 4
  };
  // What happened to the files opened, for tests and measurements.
  struct Counts {
    long served = 0;  // answered from memory
    long stale = 0;   // read ahead, but the file was not the same at the opening
    long missed = 0;  // opened with nothing read ahead for them
    long waits = 0;   // openings that waited for a read under way
    size_t peakHeldBytes = 0;
  };

  ReadAhead() : ReadAhead(Limits()) {}
  explicit ReadAhead(Limits limits);
  ~ReadAhead() override;
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  void searched(const vwin::FileSearchSeen& seen) override;

  // The opening of `windowsName` (as the search spelled it; `posixPath` is where it maps to):
  // the file's bytes when they were read ahead and a stat of `posixPath` now shows the same file,
  // unchanged; NULL otherwise. Files listed before it that were never opened are dropped. Bytes
  // taken count as held until given back with `recycle`.
  std::unique_ptr<ReadAheadFile> take(const std::string& windowsName, const char* posixPath);
  // Gives back bytes that `take` answered (NULL: nothing); their buffer is kept for a later read.
  void recycle(std::unique_ptr<ReadAheadFile> file);

  Counts counts() const;
  // Bytes of files read and not given back (room set aside for reads under way left out).
  size_t heldBytes() const;

 private:
  enum class State : uint8_t { kWaiting, kReading, kRead, kPassed };
  struct Slot {
    uint32_t name;  // index into the batch's listing names
    State state = State::kWaiting;
    std::unique_ptr<ReadAheadFile> file;
  };
  // One search's files.
  struct Batch {
    uint64_t sequence;
    std::string key;  // windowsDir, NUL, pattern
    size_t dirLength;
    uint32_t pattern;
    std::shared_ptr<const vwin::DirectoryListing> listing;
    std::vector<Slot> slots;
    size_t next = 0;  // the first slot not yet opened or passed over
  };

  void run();
  // The next slot to read, claimed with room set aside for it; false when there is none (or no
  // room) now.
  bool claimLocked(uint64_t& sequence, size_t& slot, std::string& path);
  Batch* batchLocked(uint64_t sequence);
  void dropFrontLocked();
  void passSlotLocked(Batch& batch);
  void releaseLocked(size_t bytes);
  // Keeps the file's buffer for a later read, if there is room among the idle ones.
  void keepBuffer(ReadAheadFile& file);
  std::unique_ptr<ReadAheadFile> readFile(const std::string& path);
  // A buffer of at least `size` bytes, reused when one is idle.
  PageBuffer buffer(size_t size, size_t& capacity);

  const Limits limits_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;  // the readers: work or room, or stop
  std::condition_variable read_;  // an opening waits for the slot being read
  std::deque<Batch> batches_;
  std::unordered_map<std::string, int> queuedKeys_;
  std::unordered_map<std::string, uint32_t> patterns_;
  std::vector<bool> followed_;    // a file listed under the pattern was opened
  std::vector<bool> passedOver_;  // a search under it was passed without an opening
  uint64_t nextSequence_ = 1;
  size_t queuedFiles_ = 0;
  size_t held_ = 0;         // bytes read and not given back
  size_t reserved_ = 0;     // room set aside for reads under way
  int readersIdle_ = 0;     // readers waiting for work
  int readersWaiting_ = 0;  // readers waiting for room
  int openingsWaiting_ = 0;
  uint64_t readBatch_ = 0;  // where the readers go on
  size_t readSlot_ = 0;
  Counts counts_;
  bool stop_ = false;
  std::mutex poolMutex_;
  std::vector<PageBuffer> idle_[6];  // by capacity: 16 KiB << class
  size_t idleBytes_ = 0;
  std::vector<std::thread> threads_;
};

}  // namespace host

#endif  // VANTREL_HOST_READ_AHEAD_H_
