// A thread of an output stage's own (see host/ide/sink_thread.h).
// Tested by tests/host/ide/host_file_test.cpp.
#include "host/ide/sink_thread.h"

#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "host/ide/host_file.h"

namespace host {
namespace {

// What a record holds besides an event of MessageEvent::Kind.
enum Mark : uint8_t { kFlush = 100, kStop, kWrap, kBoxed };
// Where a record's file is.
enum FileState : uint8_t { kNoFile, kFile, kSameFile };

constexpr uint32_t roundUp(size_t bytes) { return static_cast<uint32_t>((bytes + 7) & ~size_t{7}); }

}  // namespace

// A record: this header, then its texts (text, tool, file, caption) back to back. The first
// eight bytes alone say how to pass a record: a wrap fills the end of the ring, and may be no
// longer than that.
struct SinkThread::Header {
  uint32_t size;  // bytes of the record, header included, a multiple of 8
  uint8_t what;   // the event's kind, or a Mark
  uint8_t fileState;
  uint16_t toolLength;
  int32_t group, handle, line, column, entryKind, answer;
  uint32_t type, textLength, fileLength, captionLength;
  File* lent;
  MessageEvent* boxed;  // an event too large for the ring, copied whole
};

SinkThread::SinkThread(std::function<void(const MessageEvent&, File*)> handle,
                       std::function<void()> flush)
    : handle_(std::move(handle)), flush_(std::move(flush)), ring_(new char[kRing]) {
  thread_ = std::thread([this] { run(); });
}

SinkThread::~SinkThread() {
  postMark(kStop);
  thread_.join();
}

char* SinkThread::claim(uint32_t size) {
  uint32_t offset = claimed_ % kRing;
  uint32_t skip = offset + size > kRing ? kRing - offset : 0;
  // The thread's count is read only when the ring looks full by what was last read of it: each
  // read of a line the other core writes costs a transfer of that line.
  while (claimed_ - handledSeen_ + skip + size > kRing) {
    uint32_t done = handled_.load(std::memory_order_acquire);
    if (claimed_ - done + skip + size > kRing) {
      if (claimed_ != published_) handOver(true);  // what it has not seen, it cannot free
      handled_.wait(done, std::memory_order_acquire);
      done = handled_.load(std::memory_order_acquire);
    }
    handledSeen_ = done;
  }
  if (skip) {
    Header wrap{};
    wrap.size = skip;
    wrap.what = kWrap;
    std::memcpy(ring_.get() + offset, &wrap, 8);
    claimed_ += skip;
  }
  return ring_.get() + claimed_ % kRing;
}

void SinkThread::publish(uint32_t size, bool now) {
  claimed_ += size;
  if (now || claimed_ - published_ >= kBatch) handOver(now);
}

void SinkThread::handOver(bool wake) {
  published_ = claimed_;
  posted_.store(published_, std::memory_order_release);
  if (!wake) return;
  { std::lock_guard<std::mutex> lock(wakeMutex_); }  // it is looking, or already waits
  wake_.notify_one();
}

void SinkThread::postMark(uint8_t what) {
  Header mark{};
  mark.size = roundUp(sizeof mark);
  mark.what = what;
  std::memcpy(claim(mark.size), &mark, sizeof mark);
  publish(mark.size, true);
}

void SinkThread::post(const MessageEvent& event, File* file) {
  Header header{};
  header.what = static_cast<uint8_t>(event.kind);
  header.lent = file;
  bool same = event.file && lastHadFile_ && *event.file == lastFile_;
  size_t fileBytes = event.file && !same ? event.file->size() : 0;
  size_t texts = event.text.size() + event.tool.size() + fileBytes + event.caption.size();
  try {
    if (texts > kRing / 4 || event.tool.size() > UINT16_MAX) {
      header.what = kBoxed;
      header.boxed = new MessageEvent(event);
      lastHadFile_ = false;
      texts = 0;
    } else if (event.file && !same) {
      lastFile_ = *event.file;
    }
  } catch (...) {
    lastHadFile_ = false;
    if (file) file->Release();
    throw;
  }
  if (header.what != kBoxed) {
    lastHadFile_ = event.file.has_value();
    header.fileState = !event.file ? kNoFile : same ? kSameFile : kFile;
    header.group = event.group;
    header.handle = event.handle;
    header.line = event.line;
    header.column = event.column;
    header.entryKind = event.entryKind;
    header.answer = event.answer;
    header.type = event.type;
    header.textLength = static_cast<uint32_t>(event.text.size());
    header.toolLength = static_cast<uint16_t>(event.tool.size());
    header.fileLength = static_cast<uint32_t>(fileBytes);
    header.captionLength = static_cast<uint32_t>(event.caption.size());
  }
  header.size = roundUp(sizeof header + texts);
  char* at = claim(header.size);
  std::memcpy(at, &header, sizeof header);
  at += sizeof header;
  if (header.what == kBoxed) return publish(header.size, false);
  auto put = [&at](const std::string& text, size_t length) {
    std::memcpy(at, text.data(), length);
    at += length;
  };
  put(event.text, event.text.size());
  put(event.tool, event.tool.size());
  if (fileBytes) put(*event.file, fileBytes);
  put(event.caption, event.caption.size());
  publish(header.size, false);
}

void SinkThread::flush() {
  postMark(kFlush);
  for (uint32_t done = handled_.load(std::memory_order_acquire); done != published_;
       done = handled_.load(std::memory_order_acquire))
    handled_.wait(done, std::memory_order_acquire);
  handledSeen_ = published_;
}

void SinkThread::read(const Header& header, const char* texts) {
  event_.kind = static_cast<MessageEvent::Kind>(header.what);
  event_.group = header.group;
  event_.handle = header.handle;
  event_.line = header.line;
  event_.column = header.column;
  event_.entryKind = header.entryKind;
  event_.answer = header.answer;
  event_.type = header.type;
  event_.text.assign(texts, header.textLength);
  texts += header.textLength;
  event_.tool.assign(texts, header.toolLength);
  texts += header.toolLength;
  if (header.fileState == kFile) {
    if (!event_.file) event_.file.emplace();
    event_.file->assign(texts, header.fileLength);
    texts += header.fileLength;
  } else if (header.fileState == kNoFile) {
    event_.file.reset();
  }
  event_.caption.assign(texts, header.captionLength);
}

bool SinkThread::lookAgain(uint32_t at) const {
  auto until = std::chrono::steady_clock::now() + kLookOn;
  for (;;) {
    for (int i = 0; i < 64; ++i) {
      if (posted_.load(std::memory_order_relaxed) != at) return true;
#if defined(__SSE2__)
      _mm_pause();
#endif
    }
    if (std::chrono::steady_clock::now() >= until) return false;
  }
}

void SinkThread::run() {
  uint32_t at = 0;
  uint32_t reported = 0;
  auto report = [&] {
    reported = at;
    handled_.store(at, std::memory_order_release);
    handled_.notify_all();
  };
  for (;;) {
    uint32_t posted = posted_.load(std::memory_order_acquire);
    if (posted == at) {
      if (reported != at) report();
      // Heavy output comes in batches microseconds apart: looking again for a while before going
      // to sleep keeps the two threads working side by side rather than in turns.
      if (lookAgain(at)) continue;
      std::unique_lock<std::mutex> lock(wakeMutex_);
      wake_.wait_for(lock, kLookEvery,
                     [&] { return posted_.load(std::memory_order_acquire) != at; });
      continue;
    }
    while (at != posted) {
      const char* record = ring_.get() + at % kRing;
      Header header;
      std::memcpy(&header, record, 8);
      if (header.what != kWrap) std::memcpy(&header, record, sizeof header);
      at += header.size;
      try {
        if (header.what == kStop) {
          report();
          return;
        } else if (header.what == kFlush) {
          flush_();
        } else if (header.what == kBoxed) {
          std::unique_ptr<MessageEvent> boxed(header.boxed);
          handle_(*boxed, header.lent);
        } else if (header.what != kWrap) {
          try {
            read(header, record + sizeof header);
          } catch (...) {
            if (header.lent) header.lent->Release();
            throw;
          }
          handle_(event_, header.lent);
        }
      } catch (...) {
      }
      if (header.what == kFlush || at - reported >= kReportEvery) report();
    }
  }
}

}  // namespace host
