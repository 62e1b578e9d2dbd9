// The host's ScanNotesService: what the add-on's scan tells of a file beyond its hits, passed to
// the message window's sinks in order with its events (the passed-over report counts it).
//
// Ownership: born with one reference; holds one on the message window. Threading: any thread.
// Tested by tests/search/scan_test.cpp.
#ifndef VANTREL_HOST_SCAN_NOTES_H_
#define VANTREL_HOST_SCAN_NOTES_H_

#include "addon/scan_notes.h"
#include "host/ide/message_window.h"
#include "host/ide/ref_counted.h"

namespace host {

class ScanNotes final : public RefCounted<ScanNotesService> {
 public:
  explicit ScanNotes(MessageWindow* window);
  ~ScanNotes() override;

  void STDMETHODCALLTYPE hitsHiddenByNul(LPCSTR path) override;

 private:
  MessageWindow* window_;
};

}  // namespace host

#endif  // VANTREL_HOST_SCAN_NOTES_H_
