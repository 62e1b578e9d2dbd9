// One file's outcome, read and scanned ahead of its turn on any thread and written later, in walk
// order, on the thread that runs the search: its hits (line, column, display text) as compact
// records, or the failure message the file's scan writes, with its beep.
//
// Ownership: an outcome owns its record block (kept from file to file, freed by release) and, while
// it has hits, the open file object they came from, which its host reads context lines through
// when the hits are written; writeOutcome hands it over to the writing thread, then closes and
// releases it.
// Threading: readOutcome on one thread at a time; writeOutcome and dropOutcome on the thread that
// runs the search, after the reading thread has let go (the window's lock orders the two).
// Tested by tests/search/scan_window_test.cpp.
#ifndef VANTREL_SEARCH_FILE_OUTCOME_H_
#define VANTREL_SEARCH_FILE_OUTCOME_H_

#include <cstddef>

#include "addon/search_threads.h"
#include "search/file_report.h"

class FileOutcome final : public FileReport {
 public:
  FileOutcome() = default;
  FileOutcome(const FileOutcome&) = delete;
  FileOutcome& operator=(const FileOutcome&) = delete;
  ~FileOutcome() { release(); }

  // Takes the next file: its path (at most kPathSize - 1 characters) and the directories the walk
  // had counted when it came to it.
  void assign(LPCSTR path, LONG directories);
  // Opens, reads and scans the file with `scanner`. A file the IDE holds itself, and one whose
  // records could not be kept, is left to the writing thread, which reads it in its turn.
  void read(const Scanner& scanner);
  // Writes the outcome into the message window as the one-thread scan would have written it,
  // counting in the job; answers the hits written. Hits stop at the job's stop request, as a scan
  // does. `threads` (may be NULL) learns which thread reads the file from now on.
  LONG write(SearchJob* job, SearchThreadsService* threads);
  // Closes and releases the file object, forgets the hits; the record block is kept.
  void drop();
  // drop, and the record block freed.
  void release();

  LPCSTR path() const { return path_; }
  LONG directories() const { return directories_; }
  // Bytes this outcome holds (records and the block's reserve), for the window's bound.
  size_t bytesHeld() const { return capacity_; }

  void message(LPCSTR text, bool beep) override;
  void hit(LONG line, LONG column, const char* display) override;
  void hiddenByNul() override { hiddenByNul_ = true; }

 private:
  enum class State { kNone, kSkipped, kOnWriter, kScanned, kMessage, kHits };

  char path_[kPathSize] = {};
  LONG directories_ = 0;
  State state_ = State::kNone;
  HostFile* file_ = nullptr;
  LPCSTR message_ = nullptr;
  bool beep_ = false;
  bool recordsLost_ = false;
  bool hiddenByNul_ = false;
  char* records_ = nullptr;
  size_t used_ = 0;
  size_t capacity_ = 0;
};

#endif  // VANTREL_SEARCH_FILE_OUTCOME_H_
