// Reading files ahead of the search that will open them (see host/posix/read_ahead.h).
// Tested by tests/read_ahead_test.cpp.
#include "host/posix/read_ahead.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
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

constexpr size_t kSmallestBuffer = 16u << 10;
constexpr size_t kPage = 4096;
constexpr int kBufferClasses = 6;  // 16 KiB to 512 KiB

// The smallest buffer class holding `size` bytes, or -1 for a size beyond the largest.
int bufferClass(size_t size) {
  for (int c = 0; c < kBufferClasses; ++c)
    if (size <= kSmallestBuffer << c) return c;
  return -1;
}

unsigned readerCount(unsigned asked) {
  if (asked) return asked;
  unsigned cores = std::thread::hardware_concurrency();
  return std::clamp(cores, 1u, 4u);
}

}  // namespace

ReadAhead::ReadAhead(Limits limits) : limits_(limits) {
  unsigned readers = readerCount(limits_.readers);
  for (unsigned i = 0; i < readers; ++i) threads_.emplace_back([this] { run(); });
  VwinWatchFileSearches(this);
}

ReadAhead::~ReadAhead() {
  VwinWatchFileSearches(nullptr);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

void PageBufferFree::operator()(char* bytes) const { std::free(bytes); }

PageBuffer ReadAhead::buffer(size_t size, size_t& capacity) {
  int c = bufferClass(size);
  if (c < 0) {
    capacity = size;
    return PageBuffer(
        static_cast<char*>(std::aligned_alloc(kPage, (size + kPage - 1) / kPage * kPage)));
  }
  capacity = kSmallestBuffer << c;
  {
    std::lock_guard<std::mutex> lock(poolMutex_);
    if (!idle_[c].empty()) {
      PageBuffer reused = std::move(idle_[c].back());
      idle_[c].pop_back();
      idleBytes_ -= capacity;
      return reused;
    }
  }
  return PageBuffer(static_cast<char*>(std::aligned_alloc(kPage, capacity)));
}

std::unique_ptr<ReadAheadFile> ReadAhead::readFile(const std::string& path) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return nullptr;
  std::unique_ptr<ReadAheadFile> file;
  struct stat st;
  struct timespec now;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 0 &&
      static_cast<unsigned long long>(st.st_size) <= limits_.fileBytes &&
      clock_gettime(CLOCK_REALTIME, &now) == 0 &&
      nanoseconds(now) - std::max(nanoseconds(st.st_mtim), nanoseconds(st.st_ctim)) >
          kSettledNanoseconds) {
    file = std::make_unique<ReadAheadFile>();
    file->size = st.st_size;
    file->device = st.st_dev;
    file->inode = st.st_ino;
    file->modified = st.st_mtim;
    file->changed = st.st_ctim;
    file->bytes = buffer(static_cast<size_t>(st.st_size), file->capacity);
    if (!file->bytes) {
      ::close(fd);
      return nullptr;
    }
    long long done = 0;
    while (done < file->size) {
      ssize_t n = pread(fd, file->bytes.get() + done, static_cast<size_t>(file->size - done), done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += n;
    }
    if (done != file->size) {  // shrunk while read: its times have moved
      keepBuffer(*file);
      file.reset();
    }
  }
  ::close(fd);  // read-only: nothing to lose
  return file;
}

void ReadAhead::keepBuffer(ReadAheadFile& file) {
  int c = bufferClass(file.capacity);
  if (!file.bytes || c < 0 || (kSmallestBuffer << c) != file.capacity) return;
  std::lock_guard<std::mutex> lock(poolMutex_);
  if (idleBytes_ + file.capacity > limits_.heldBytes) return;
  idle_[c].push_back(std::move(file.bytes));
  idleBytes_ += file.capacity;
}

void ReadAhead::recycle(std::unique_ptr<ReadAheadFile> file) {
  if (!file) return;
  keepBuffer(*file);
  bool wake;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    releaseLocked(static_cast<size_t>(file->size));
    wake = readersWaiting_ > 0 && held_ + reserved_ + 2 * limits_.fileBytes <= limits_.heldBytes;
  }
  // A reader waiting for room is woken once there is room for two of the largest files, not at
  // every opening, so that it reads in runs.
  if (wake) wake_.notify_all();
}

void ReadAhead::releaseLocked(size_t bytes) { held_ -= std::min(held_, bytes); }

void ReadAhead::searched(const vwin::FileSearchSeen& seen) {
  bool wake;
  {
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
    // Readers busy reading find the new files by themselves.
    wake = followed_[known->second] && readersIdle_ > 0;
  }
  if (wake) wake_.notify_all();
}

ReadAhead::Batch* ReadAhead::batchLocked(uint64_t sequence) {
  if (batches_.empty() || sequence < batches_.front().sequence) return nullptr;
  size_t index = static_cast<size_t>(sequence - batches_.front().sequence);
  return index < batches_.size() ? &batches_[index] : nullptr;
}

void ReadAhead::passSlotLocked(Batch& batch) {
  Slot& slot = batch.slots[batch.next++];
  if (slot.state == State::kRead) {
    releaseLocked(static_cast<size_t>(slot.file->size));
    keepBuffer(*slot.file);
  }
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

std::unique_ptr<ReadAheadFile> ReadAhead::take(const std::string& windowsName,
                                               const char* posixPath) {
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
      return nullptr;
    }
    // What was listed before it and never opened is passed over for good.
    for (size_t i = 0; i < batchIndex; ++i) dropFrontLocked();
    Batch& batch = batches_.front();
    while (batch.next < slotIndex) passSlotLocked(batch);
    uint64_t sequence = batch.sequence;
    if (!followed_[batch.pattern]) {
      // The first opening under this pattern: the readers start from here.
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
    if (current() && current()->state == State::kReading) {
      ++openingsWaiting_;
      ++counts_.waits;
      read_.wait(lock, [&] {
        Slot* s = current();
        return !s || s->state != State::kReading;
      });
      --openingsWaiting_;
    }
    Slot* slot = current();
    if (slot) {
      if (slot->state == State::kRead) {
        file = std::move(slot->file);  // its bytes stay held until given back
        slot->state = State::kPassed;
      }
      Batch& now = *batchLocked(sequence);
      while (now.next <= slotIndex) passSlotLocked(now);
      if (now.next == now.slots.size() && &now == &batches_.front()) dropFrontLocked();
    }
    if (!file) ++counts_.missed;
    wake = wake ||
           (readersWaiting_ > 0 && held_ + reserved_ + 2 * limits_.fileBytes <= limits_.heldBytes);
  }
  if (wake) wake_.notify_all();
  if (!file) return nullptr;
  struct stat st;
  bool same = stat(posixPath, &st) == 0 && S_ISREG(st.st_mode) && st.st_dev == file->device &&
              st.st_ino == file->inode && st.st_size == file->size &&
              sameTime(st.st_mtim, file->modified) && sameTime(st.st_ctim, file->changed);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++(same ? counts_.served : counts_.stale);
  }
  if (same) return file;
  recycle(std::move(file));
  return nullptr;
}

bool ReadAhead::claimLocked(uint64_t& sequence, size_t& slot, std::string& path) {
  if (batches_.empty() || held_ + reserved_ + limits_.fileBytes > limits_.heldBytes) return false;
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
      reserved_ += limits_.fileBytes;  // room for the largest file, until its size is known
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
    bool noRoom = held_ + reserved_ + limits_.fileBytes > limits_.heldBytes;
    try {
      claimed = claimLocked(sequence, index, path);
    } catch (...) {
      // No path could be made: the opening reads the file itself.
    }
    if (!claimed) {
      int& waiting = noRoom ? readersWaiting_ : readersIdle_;
      ++waiting;
      wake_.wait(lock);
      --waiting;
      continue;
    }
    lock.unlock();
    std::unique_ptr<ReadAheadFile> file;
    try {
      file = readFile(path);
    } catch (...) {
    }
    lock.lock();
    reserved_ -= limits_.fileBytes;
    Batch* batch = batchLocked(sequence);
    Slot* slot = batch && index >= batch->next ? &batch->slots[index] : nullptr;
    if (slot && slot->state == State::kReading && file) {
      held_ += static_cast<size_t>(file->size);
      counts_.peakHeldBytes = std::max(counts_.peakHeldBytes, held_);
      slot->file = std::move(file);
      slot->state = State::kRead;
    } else {
      if (slot && slot->state == State::kReading) slot->state = State::kPassed;
      if (file) {
        lock.unlock();
        keepBuffer(*file);  // never counted as held
        file.reset();
        lock.lock();
      }
    }
    if (openingsWaiting_) read_.notify_all();
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
