// A service of our own hosts, not of the IDE: what a file's scan saw that its hits cannot show.
// A line ends at its first NUL byte for matching, as the IDE's add-on always had it; a hit behind
// that NUL is lost, and the scan tells the host so, where it learns of it at no cost (see
// search/scan_lines.cpp). The real IDE answers E_NOINTERFACE for the id, and nothing is told.
//
// Threading: called on the thread that runs the search, in walk order, before the search's
// summary line. Tested by tests/search/scan_test.cpp.
#ifndef VANTREL_ADDON_SCAN_NOTES_H_
#define VANTREL_ADDON_SCAN_NOTES_H_

#include "addon/ide.h"

struct ScanNotesService : IUnknown {
  // In the file `path`, a line held a match of the request behind a NUL byte, and no hit of
  // that line was written for it.
  virtual void STDMETHODCALLTYPE hitsHiddenByNul(LPCSTR path) = 0;
};

// {7C2D9E41-3B8A-4F60-A5D2-81E4C09B6F37}: an id the IDE does not know.
constexpr IID IID_ScanNotesService = {
    0x7C2D9E41, 0x3B8A, 0x4F60, {0xA5, 0xD2, 0x81, 0xE4, 0xC0, 0x9B, 0x6F, 0x37}};

#endif  // VANTREL_ADDON_SCAN_NOTES_H_
