// Reading files ahead of the search that will open them (ReadAhead).
//
// The layer tells the host of every file search it answers (win32/kernel32/search_watch.h), with
// the plain files it lists in the order a walk will open them. A thread of the read-ahead reads
// those files, in that order, into memory, while the search scans the ones before; the file
// object (host/ide/host_file.h) then takes a file's bytes from here instead of reading it.
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
// never pass limits.heldBytes (a file is read only while there is room for the largest one
// read, limits.fileBytes), and the queue of listed files never passes limits.queuedFiles.
// Ownership: installs itself as the layer's watcher for its lifetime (one at a time); the
// destructor stops and joins its thread. Threading: `searched` and `take` from any thread.
// Tested by tests/read_ahead_test.cpp.
#ifndef VANTREL_HOST_READ_AHEAD_H_
#define VANTREL_HOST_READ_AHEAD_H_

#include <sys/stat.h>

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

// One file's bytes, read ahead, with what identified the file when they were read.
struct ReadAheadFile {
  std::unique_ptr<char[]> bytes;
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
    size_t fileBytes = 1u << 20;    // a larger file is left to be read when opened
    size_t queuedFiles = 1u << 17;  // listed files waiting in the queue
  };
  // What happened to the files opened, for tests and measurements.
  struct Counts {
    long served = 0;  // answered from memory
    long stale = 0;   // read ahead, but the file was not the same at the opening
    long missed = 0;  // opened with nothing read ahead for them
    size_t peakHeldBytes = 0;
  };

  ReadAhead() : ReadAhead(Limits()) {}
  explicit ReadAhead(Limits limits);
  ~ReadAhead() override;
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  void searched(const vwin::FileSearchSeen& seen) override;

  // The opening of `windowsName` (as the search spelled it; `posixPath` is where it maps to):
  // true with the file's bytes in `out` when they were read ahead and a stat of `posixPath` now
  // shows the same file, unchanged. Files listed before it that were never opened are dropped.
  bool take(const std::string& windowsName, const char* posixPath, ReadAheadFile& out);

  Counts counts() const;
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
  // The next slot to read, claimed; false when there is none (or no room) now.
  bool claimLocked(uint64_t& sequence, size_t& slot, std::string& path);
  Batch* batchLocked(uint64_t sequence);
  void dropFrontLocked();
  void passSlotLocked(Batch& batch);

  const Limits limits_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;  // the reader: work or room, or stop
  std::condition_variable read_;  // an opening waits for the slot being read
  std::deque<Batch> batches_;
  std::unordered_map<std::string, int> queuedKeys_;
  std::unordered_map<std::string, uint32_t> patterns_;
  std::vector<bool> followed_;    // a file listed under the pattern was opened
  std::vector<bool> passedOver_;  // a search under it was passed without an opening
  uint64_t nextSequence_ = 1;
  size_t queuedFiles_ = 0;
  size_t held_ = 0;
  bool readerWantsRoom_ = false;  // the reader waits for bytes to be taken
  uint64_t readBatch_ = 0;        // where the reader goes on
  size_t readSlot_ = 0;
  Counts counts_;
  bool stop_ = false;
  std::thread thread_;
};

}  // namespace host

#endif  // VANTREL_HOST_READ_AHEAD_H_
