// The file scan on the thread that runs the search (see search/scan.h): the file read into one
// block through the IDE's file object, the line scan over it, and the file's heading, entries and
// failure messages written into the message window as they come (search/file_report.h).
// Tested by tests/search/scan_test.cpp.
#include "search/scan.h"

#include "addon/tool_name.h"
#include "search/file_report.h"

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
  FileOutput out(job, path, group);
  file->setName(makeString(path));
  // A yes from probe: the IDE holds the file itself (open in an editor), and mode 0 reads its copy;
  // otherwise mode 2 reads the file as stored.
  if (!file->open(file->probe() ? 0 : 2)) {
    out.message(kCantOpenFile, false);
  } else {
    readAndScan(Scanner{job, job->regexProgram, true}, file, out);
    file->close();
  }
  group->Release();
  file->Release();
  service->Release();
  return out.hits();
}
