// The host's scan notes (see host/ide/scan_notes.h).
#include "host/ide/scan_notes.h"

namespace host {

ScanNotes::ScanNotes(MessageWindow* window) : RefCounted(IID_ScanNotesService), window_(window) {
  window_->AddRef();
}

ScanNotes::~ScanNotes() { release(window_); }

void ScanNotes::hitsHiddenByNul(LPCSTR path) {
  try {
    window_->hitsHiddenByNul(path ? path : "");
  } catch (...) {
    // A note lost on exhaustion, as an entry would be.
  }
}

}  // namespace host
