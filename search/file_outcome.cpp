// One file's outcome, kept from its reading to its writing (see search/file_outcome.h).
// Tested by tests/search/scan_window_test.cpp.
#include "search/file_outcome.h"

#include <cstdlib>
#include <cstring>

#include "addon/tool_name.h"

namespace {

// A hit record: line, column and text length, then the text's bytes (no terminator).
struct RecordHead {
  LONG line;
  LONG column;
  LONG length;
};

constexpr size_t kFirstBlock = 4096;

}  // namespace

void FileOutcome::assign(LPCSTR path, LONG directories) {
  drop();
  size_t length = std::strlen(path);
  if (length > static_cast<size_t>(kPathSize - 1)) length = kPathSize - 1;
  std::memcpy(path_, path, length);
  path_[length] = '\0';
  directories_ = directories;
}

void FileOutcome::read(const Scanner& scanner) {
  HostFile* file = makeFile();
  if (!file) {
    state_ = State::kSkipped;  // as the one-thread scan, which then writes nothing for it
    return;
  }
  file->setName(makeString(path_));
  if (file->probe()) {
    // The IDE's own copy is read through the IDE's thread in its turn.
    file->Release();
    state_ = State::kOnWriter;
    return;
  }
  if (!file->open(2)) {
    file->Release();
    message(kCantOpenFile, false);
    return;
  }
  state_ = State::kScanned;
  readAndScan(scanner, file, *this);
  if (recordsLost_) {
    // No memory to keep every hit: the writing thread scans the file again as it writes.
    file->close();
    file->Release();
    used_ = 0;
    state_ = State::kOnWriter;
  } else if (state_ == State::kHits) {
    file_ = file;  // kept open for the lines around its hits
  } else {
    file->close();
    file->Release();
  }
}

void FileOutcome::message(LPCSTR text, bool beep) {
  state_ = State::kMessage;
  message_ = text;
  beep_ = beep;
}

void FileOutcome::hit(LONG line, LONG column, const char* display) {
  if (recordsLost_) return;
  RecordHead head{line, column, static_cast<LONG>(std::strlen(display))};
  size_t need = used_ + sizeof head + static_cast<size_t>(head.length);
  if (need > capacity_) {
    size_t grown = capacity_ ? capacity_ : kFirstBlock;
    while (grown < need) grown *= 2;
    char* block = static_cast<char*>(std::realloc(records_, grown));
    if (!block) {
      recordsLost_ = true;
      return;
    }
    records_ = block;
    capacity_ = grown;
  }
  std::memcpy(records_ + used_, &head, sizeof head);
  std::memcpy(records_ + used_ + sizeof head, display, static_cast<size_t>(head.length));
  used_ = need;
  state_ = State::kHits;
}

LONG FileOutcome::write(SearchJob* job, SearchThreadsService* threads) {
  if (state_ == State::kSkipped || state_ == State::kNone) return 0;
  if (state_ == State::kOnWriter) return scanFile(job, path_);
  auto* service = static_cast<MessageWindowService*>(getService(IID_MessageWindowService));
  MessageGroup* group =
      service ? service->openGroup(makeString(path_), makeString(kToolName)) : nullptr;
  if (!group) {
    if (service) service->Release();
    return 0;
  }
  FileOutput out(job, path_, group);
  if (state_ == State::kMessage) {
    out.message(message_, beep_);
  } else if (state_ == State::kHits) {
    if (threads) threads->fileHandedOver(file_);
    // Hits stop at a stop request as the scan's loop does between lines.
    char display[kDisplaySize];
    for (size_t at = 0; at < used_ && !job->stopRequested;) {
      RecordHead head;
      std::memcpy(&head, records_ + at, sizeof head);
      std::memcpy(display, records_ + at + sizeof head, static_cast<size_t>(head.length));
      display[head.length] = '\0';
      out.hit(head.line, head.column, display);
      at += sizeof head + static_cast<size_t>(head.length);
    }
  }
  if (hiddenByNul_) out.hiddenByNul();
  group->Release();
  service->Release();
  drop();
  return out.hits();
}

void FileOutcome::drop() {
  if (file_) {
    file_->close();
    file_->Release();
    file_ = nullptr;
  }
  state_ = State::kNone;
  message_ = nullptr;
  beep_ = false;
  recordsLost_ = false;
  hiddenByNul_ = false;
  used_ = 0;
}

void FileOutcome::release() {
  drop();
  std::free(records_);
  records_ = nullptr;
  capacity_ = 0;
}
