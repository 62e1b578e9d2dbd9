// A service of our own hosts, not of the IDE: how many threads may use the host's file objects at
// once, and the hand-over of an open file object from the thread that read it to the thread that
// writes its hits. The real IDE answers E_NOINTERFACE for its id, and the add-on then searches on
// one thread exactly as it always has.
//
// Threading: `threadCount` on the thread that runs the search; `fileHandedOver` on the thread that
// takes the file over, once the thread that read it has let it go.
#ifndef VANTREL_ADDON_SEARCH_THREADS_H_
#define VANTREL_ADDON_SEARCH_THREADS_H_

#include "addon/ide.h"

struct SearchThreadsService : IUnknown {
  // Threads that may read files through the host's file objects at once, the caller's included;
  // 1 or less means one.
  virtual int STDMETHODCALLTYPE threadCount() = 0;
  // `file`, open, is read from now on by the calling thread (its host reads context lines around
  // the hits written next through it). Takes no reference.
  virtual void STDMETHODCALLTYPE fileHandedOver(HostFile* file) = 0;
};

// {5A1E3C2B-7D4F-4E8A-9B61-3C0D2E7F9A14}: an id the IDE does not know.
constexpr IID IID_SearchThreadsService = {
    0x5A1E3C2B, 0x7D4F, 0x4E8A, {0x9B, 0x61, 0x3C, 0x0D, 0x2E, 0x7F, 0x9A, 0x14}};

#endif  // VANTREL_ADDON_SEARCH_THREADS_H_
