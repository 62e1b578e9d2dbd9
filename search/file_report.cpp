// One file's reading, scanning and writing (see search/file_report.h).
// Tested by tests/search/scan_test.cpp.
#include "search/file_report.h"

#include <cstdlib>

#include "search/output.h"

const char kCantOpenFile[] = "Can't open file !";

namespace {

constexpr int kEntryKind = 5;

void reportHit(void* context, LONG line, LONG column, const char* display) {
  static_cast<FileReport*>(context)->hit(line, column, display);
}

}  // namespace

void readAndScan(const Scanner& scanner, HostFile* file, FileReport& report) {
  LONG size = file->seek(0, 2);
  if (size < 0) {
    // A failing seek gives no size to allocate or read by.
    report.message("Error reading file !", false);
    return;
  }
  if (size == 0) {
    report.message("File is 0 byte length !", true);
    return;
  }
  if (size >= scanner.job->maxFileSize) {
    report.message("File too large !", true);
    return;
  }
  char* buffer = static_cast<char*>(malloc(scanBufferSize(size)));
  if (!buffer) {
    report.message("Can not allocate memory to grep file !", true);
    return;
  }
  file->seek(0, 0);
  if (file->read(buffer, size) != size)
    report.message("Error reading file !", false);
  else if (bool hidden = false;
           scanLines(scanner, buffer, size, reportHit, &report, &hidden), hidden)
    report.hiddenByNul();
  free(buffer);
}

void FileOutput::ensureHeading() {
  if (!heading_) heading_ = writeFileHeading(group_, path_);
}

void FileOutput::message(LPCSTR text, bool beep) {
  ensureHeading();
  group_->addEntry(heading_, makeString(text), nullptr, 0, 0, kEntryKind);
  if (beep) MessageBeep(0);
}

void FileOutput::hit(LONG line, LONG column, const char* display) {
  if (++hits_ == 1) ++job_->filesWithHits;
  ++job_->hitCount;
  ensureHeading();
  group_->addEntry(heading_, makeString(display), makeString(path_), line, column, kEntryKind);
}

void FileOutput::hiddenByNul() {
  if (job_->scanNotes) job_->scanNotes->hitsHiddenByNul(path_);
}
