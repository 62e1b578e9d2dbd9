// Reading files ahead of the search that will open them (see host/ide/read_ahead.h).
// Tested by tests/read_ahead_test.cpp.
#include "host/ide/read_ahead.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <string_view>

namespace host {
namespace {

// A file changed this lately may change again within the same tick of the file system's clock
// without its times moving: it is left to be read at its opening.
constexpr long long kSettledNanoseconds = 100'000'000;
// How many listed files, of the searches followed, an opening looks through for its own before it
// counts as unlisted.
constexpr size_t kLookAheadFiles = 4096;

long long nanoseconds(const struct timespec& t) { return t.tv_sec * 1'000'000'000LL + t.tv_nsec; }

bool sameTime(const struct timespec& a, const struct timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// The file's bytes with its record, or NULL when it is not a settled regular file of at most
// `limit` bytes that reads whole.
std::unique_ptr<ReadAheadFile> readFile(const std::string& path, size_t limit) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return nullptr;
  std::unique_ptr<ReadAheadFile> file;
  struct stat st;
  struct timespec now;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 0 &&
      static_cast<unsigned long long>(st.st_size) <= limit &&
      clock_gettime(CLOCK_REALTIME, &now) == 0 &&
      nanoseconds(now) - std::max(nanoseconds(st.st_mtim), nanoseconds(st.st_ctim)) >
          kSettledNanoseconds) {
    file = std::make_unique<ReadAheadFile>();
    file->size = st.st_size;
    file->device = st.st_dev;
    file->inode = st.st_ino;
    file->modified = st.st_mtim;
    file->changed = st.st_ctim;
    file->bytes = std::make_unique_for_overwrite<char[]>(static_cast<size_t>(st.st_size) + 1);
    long long done = 0;
    while (done < file->size) {
      ssize_t n = pread(fd, file->bytes.get() + done, static_cast<size_t>(file->size - done), done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += n;
    }
    if (done != file->size) file.reset();  // shrunk while read: its times have moved
  }
  ::close(fd);  // read-only: nothing to lose
  return file;
}

}  // namespace

ReadAhead::ReadAhead(Limits limits) : limits_(limits) {
  thread_ = std::thread([this] { run(); });
  VwinWatchFileSearches(this);
}

ReadAhead::~ReadAhead() {
  VwinWatchFileSearches(nullptr);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void ReadAhead::searched(const vwin::FileSearchSeen& seen) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (stop_ || queuedFiles_ + seen.files->size() > limits_.queuedFiles) return;
  // The same directory searched the same way while still queued: the walk's second pass. (Were
  // it changed since, its files are still found by name, or else read at their opening.)
  std::string key;
  key.reserve(seen.windowsDir.size() + seen.pattern.size() + 1);
  key.append(seen.windowsDir).push_back('\0');
  key.append(seen.pattern);
  if (queuedKeys_.count(key)) return;
  auto [known, added] = patterns_.emplace(std::string(seen.pattern), followed_.size());
  if (added) {
    followed_.push_back(false);
    passedOver_.push_back(false);
  }
  if (passedOver_[known->second] && !followed_[known->second]) return;
  Batch batch;
  batch.sequence = nextSequence_++;
  batch.dirLength = seen.windowsDir.size();
  batch.pattern = known->second;
  batch.listing = seen.listing;
  batch.slots.reserve(seen.files->size());
  for (uint32_t name : *seen.files) batch.slots.push_back(Slot{name, State::kWaiting, nullptr});
  queuedFiles_ += batch.slots.size();
  ++queuedKeys_[key];
  batch.key = std::move(key);
  batches_.push_back(std::move(batch));
  if (followed_[known->second]) wake_.notify_one();
}

ReadAhead::Batch* ReadAhead::batchLocked(uint64_t sequence) {
  if (batches_.empty() || sequence < batches_.front().sequence) return nullptr;
  size_t index = static_cast<size_t>(sequence - batches_.front().sequence);
  return index < batches_.size() ? &batches_[index] : nullptr;
}

void ReadAhead::passSlotLocked(Batch& batch) {
  Slot& slot = batch.slots[batch.next++];
  if (slot.state == State::kRead) held_ -= static_cast<size_t>(slot.file->size);
  slot.file.reset();
  slot.state = State::kPassed;  // one being read is thrown away when its read ends
  --queuedFiles_;
}

void ReadAhead::dropFrontLocked() {
  Batch& front = batches_.front();
  // Passed whole: searches under this pattern are not the ones the walk opens.
  if (front.next == 0) passedOver_[front.pattern] = true;
  while (front.next < front.slots.size()) passSlotLocked(front);
  auto key = queuedKeys_.find(front.key);
  if (key != queuedKeys_.end() && --key->second == 0) queuedKeys_.erase(key);
  batches_.pop_front();
}

bool ReadAhead::take(const std::string& windowsName, const char* posixPath, ReadAheadFile& out) {
  std::unique_ptr<ReadAheadFile> file;
  bool wake = false;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    size_t batchIndex = 0;
    size_t slotIndex = 0;
    bool found = false;
    size_t looked = 0;
    for (size_t b = 0; b < batches_.size() && looked < kLookAheadFiles && !found; ++b) {
      const Batch& batch = batches_[b];
      // Searches never opened from (the subdirectories' "*.*") are passed without counting.
      if (followed_[batch.pattern]) looked += batch.slots.size() - batch.next;
      if (windowsName.size() <= batch.dirLength ||
          windowsName.compare(0, batch.dirLength, batch.key, 0, batch.dirLength) != 0)
        continue;
      std::string_view rest(windowsName.data() + batch.dirLength,
                            windowsName.size() - batch.dirLength);
      for (slotIndex = batch.next; slotIndex < batch.slots.size(); ++slotIndex) {
        const vwin::DirectoryListing::Name& name =
            batch.listing->names[batch.slots[slotIndex].name];
        if (std::string_view(batch.listing->name(name), name.length) == rest) {
          found = true;
          batchIndex = b;
          break;
        }
      }
    }
    if (!found) {
      ++counts_.missed;
      return false;
    }
    // What was listed before it and never opened is passed over for good.
    for (size_t i = 0; i < batchIndex; ++i) dropFrontLocked();
    Batch& batch = batches_.front();
    while (batch.next < slotIndex) passSlotLocked(batch);
    uint64_t sequence = batch.sequence;
    if (!followed_[batch.pattern]) {
      // The first opening under this pattern: the reader starts from here.
      wake = true;
      followed_[batch.pattern] = true;
      readBatch_ = sequence;
      readSlot_ = slotIndex + 1;
    }
    // A slot being read is waited for: its read is already under way.
    auto current = [&]() -> Slot* {
      Batch* b = batchLocked(sequence);
      return b && slotIndex >= b->next ? &b->slots[slotIndex] : nullptr;
    };
    read_.wait(lock, [&] {
      Slot* s = current();
      return !s || s->state != State::kReading;
    });
    Slot* slot = current();
    if (slot) {
      if (slot->state == State::kRead) {
        held_ -= static_cast<size_t>(slot->file->size);
        file = std::move(slot->file);
        slot->state = State::kPassed;
      }
      Batch& now = *batchLocked(sequence);
      while (now.next <= slotIndex) passSlotLocked(now);
      if (now.next == now.slots.size() && &now == &batches_.front()) dropFrontLocked();
    }
    if (!file) ++counts_.missed;
    // A reader waiting for room is woken once there is room for two of the largest files, not
    // at every opening, so that it reads in runs.
    wake = wake ||
           (readerWantsRoom_ && (held_ == 0 || held_ + 2 * limits_.fileBytes <= limits_.heldBytes));
  }
  if (wake) wake_.notify_one();
  if (!file) return false;
  struct stat st;
  bool same = stat(posixPath, &st) == 0 && S_ISREG(st.st_mode) && st.st_dev == file->device &&
              st.st_ino == file->inode && st.st_size == file->size &&
              sameTime(st.st_mtim, file->modified) && sameTime(st.st_ctim, file->changed);
  std::lock_guard<std::mutex> lock(mutex_);
  if (!same) {
    ++counts_.stale;
    return false;
  }
  ++counts_.served;
  out = std::move(*file);
  return true;
}

bool ReadAhead::claimLocked(uint64_t& sequence, size_t& slot, std::string& path) {
  readerWantsRoom_ = held_ + limits_.fileBytes > limits_.heldBytes;
  if (batches_.empty() || readerWantsRoom_) return false;
  const Batch& front = batches_.front();
  if (readBatch_ < front.sequence) {
    readBatch_ = front.sequence;
    readSlot_ = front.next;
  }
  for (size_t index = static_cast<size_t>(readBatch_ - front.sequence); index < batches_.size();
       ++index) {
    Batch& batch = batches_[index];
    size_t start = batch.sequence == readBatch_ ? std::max(readSlot_, batch.next) : batch.next;
    readBatch_ = batch.sequence;
    readSlot_ = batch.slots.size();
    if (!followed_[batch.pattern]) continue;
    for (size_t i = start; i < batch.slots.size(); ++i) {
      if (batch.slots[i].state != State::kWaiting) continue;
      batch.slots[i].state = State::kReading;
      readSlot_ = i + 1;
      sequence = batch.sequence;
      slot = i;
      const vwin::DirectoryListing::Name& name = batch.listing->names[batch.slots[i].name];
      path = batch.listing->posixDir;
      if (path.empty() || path.back() != '/') path.push_back('/');
      path.append(batch.listing->name(name), name.length);
      return true;
    }
  }
  return false;
}

void ReadAhead::run() {
  std::unique_lock<std::mutex> lock(mutex_);
  std::string path;
  while (!stop_) {
    uint64_t sequence = 0;
    size_t index = 0;
    bool claimed = false;
    try {
      claimed = claimLocked(sequence, index, path);
    } catch (...) {
      // No path could be made: the opening reads the file itself.
    }
    if (!claimed) {
      wake_.wait(lock);
      continue;
    }
    lock.unlock();
    std::unique_ptr<ReadAheadFile> file;
    try {
      file = readFile(path, limits_.fileBytes);
    } catch (...) {
    }
    lock.lock();
    Batch* batch = batchLocked(sequence);
    Slot* slot = batch && index >= batch->next ? &batch->slots[index] : nullptr;
    if (slot && slot->state == State::kReading) {
      if (file) {
        held_ += static_cast<size_t>(file->size);
        counts_.peakHeldBytes = std::max(counts_.peakHeldBytes, held_);
        slot->file = std::move(file);
        slot->state = State::kRead;
      } else {
        slot->state = State::kPassed;
      }
    }
    read_.notify_all();
  }
}

ReadAhead::Counts ReadAhead::counts() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return counts_;
}

size_t ReadAhead::heldBytes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return held_;
}

}  // namespace host
