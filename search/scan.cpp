// The file scan (see search/scan.h): the file read into one block through the IDE's file object,
// the line scan over it, and the file's heading, entries and failure messages in the message
// window. Tested by tests/search/scan_test.cpp.
#include "search/scan.h"

#include <cstdlib>

#include "addon/tool_name.h"
#include "search/output.h"

namespace {

constexpr int kEntryKind = 5;

// One file's output: its group, its heading once written, and its share of the counters.
struct FileOutput {
  SearchJob* job;
  LPCSTR path;
  MessageGroup* group;
  int heading = 0;
  LONG hits = 0;
  bool counted = false;

  void ensureHeading() {
    if (!heading) heading = writeFileHeading(group, path);
  }

  void message(LPCSTR text, bool beep) {
    ensureHeading();
    group->addEntry(heading, makeString(text), nullptr, 0, 0, kEntryKind);
    if (beep) MessageBeep(0);
  }
};

void writeHit(void* context, LONG line, LONG column, const char* display) {
  FileOutput* out = static_cast<FileOutput*>(context);
  ++out->hits;
  ++out->job->hitCount;
  if (!out->counted) {
    out->counted = true;
    ++out->job->filesWithHits;
  }
  out->ensureHeading();
  out->group->addEntry(out->heading, makeString(display), makeString(out->path), line, column,
                       kEntryKind);
}

// Steps from the size to the scan of an opened file; the caller closes it.
void readAndScan(FileOutput* out, HostFile* file) {
  LONG size = file->seek(0, 2);
  if (size < 0) {
    // A failing seek gives no size to allocate or read by.
    out->message("Error reading file !", false);
    return;
  }
  if (size == 0) {
    out->message("File is 0 byte length !", true);
    return;
  }
  if (size >= out->job->maxFileSize) {
    out->message("File too large !", true);
    return;
  }
  char* buffer = static_cast<char*>(malloc(scanBufferSize(size)));
  if (!buffer) {
    out->message("Can not allocate memory to grep file !", true);
    return;
  }
  file->seek(0, 0);
  if (file->read(buffer, size) != size)
    out->message("Error reading file !", false);
  else
    scanLines(out->job, buffer, size, writeHit, out);
  free(buffer);
}

}  // namespace

LONG scanFile(SearchJob* job, LPCSTR path) {
  HostFile* file = makeFile();
  if (!file) return 0;
  auto* service = static_cast<MessageWindowService*>(getService(IID_MessageWindowService));
  MessageGroup* group =
      service ? service->openGroup(makeString(path), makeString(kToolName)) : nullptr;
  if (!group) {
    if (service) service->Release();
    file->Release();
    return 0;
  }
  FileOutput out{job, path, group};
  file->setName(makeString(path));
  if (!file->open(file->probe() ? 0 : 2)) {
    out.message("Can't open file !", false);
  } else {
    readAndScan(&out, file);
    file->close();
  }
  group->Release();
  file->Release();
  service->Release();
  return out.hits;
}
