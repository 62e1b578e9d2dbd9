// The host's SearchThreadsService: how many threads the add-on's search may read files on at once
// (the command's -j, the full-screen program's setting), and the hand-over of an open file object
// to the thread that writes its hits, so that the context lines around them are read through it
// there (File::openNow).
//
// Ownership: born with one reference. Threading: any thread.
// Tested by tests/search/scan_window_test.cpp.
#ifndef VANTREL_HOST_SEARCH_THREADS_H_
#define VANTREL_HOST_SEARCH_THREADS_H_

#include "addon/search_threads.h"
#include "host/ide/ref_counted.h"

namespace host {

// The cores this process may run on (at least 1): the default thread count of our hosts.
int usableCores();

class SearchThreads final : public RefCounted<SearchThreadsService> {
 public:
  explicit SearchThreads(int count)
      : RefCounted(IID_SearchThreadsService), count_(count < 1 ? 1 : count) {}

  int STDMETHODCALLTYPE threadCount() override { return count_; }
  // The file must be one of this host's file objects, open.
  void STDMETHODCALLTYPE fileHandedOver(HostFile* file) override;

 private:
  int count_;
};

}  // namespace host

#endif  // VANTREL_HOST_SEARCH_THREADS_H_
