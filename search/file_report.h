// One file's reading and scanning, and one file's writing, shared by the one-thread search and the
// search on several threads: the steps from an open file's size to its scan report to a
// FileReport, which either writes into the message window at once (FileOutput, the one-thread
// search and every commit) or keeps the outcome for later (search/file_outcome.h).
//
// Threading: readAndScan runs on any thread with a Scanner of its own; FileOutput on the thread
// that runs the search. Tested by tests/search/scan_test.cpp.
#ifndef VANTREL_SEARCH_FILE_REPORT_H_
#define VANTREL_SEARCH_FILE_REPORT_H_

#include "search/scan.h"

class FileReport {
 public:
  // A failure written under the file's heading instead of hits, with a beep or without.
  virtual void message(LPCSTR text, bool beep) = 0;
  // A matching line, in file order.
  virtual void hit(LONG line, LONG column, const char* display) = 0;
  // After the scan: a match in the file was hidden by a NUL byte before it in its line.
  virtual void hiddenByNul() = 0;

 protected:
  ~FileReport() = default;
};

// The failure texts a file's scan writes.
extern const char kCantOpenFile[];

// Reads the open `file` whole and scans it for the request (a file of the job's maxFileSize bytes
// or more is refused, as are an empty file and one that cannot be read or allocated for).
void readAndScan(const Scanner& scanner, HostFile* file, FileReport& report);

// Writes one file's report into its group of the message window: the heading before the first
// line, the job's counters raised with each hit.
class FileOutput final : public FileReport {
 public:
  FileOutput(SearchJob* job, LPCSTR path, MessageGroup* group)
      : job_(job), path_(path), group_(group) {}
  void message(LPCSTR text, bool beep) override;
  void hit(LONG line, LONG column, const char* display) override;
  // Tells the host's scan notes, when it has them.
  void hiddenByNul() override;
  LONG hits() const { return hits_; }

 private:
  void ensureHeading();

  SearchJob* job_;
  LPCSTR path_;
  MessageGroup* group_;
  int heading_ = 0;
  LONG hits_ = 0;
};

#endif  // VANTREL_SEARCH_FILE_REPORT_H_
