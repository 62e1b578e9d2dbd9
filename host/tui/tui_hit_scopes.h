// Where the matches of a page's hits stand in their C and C++ files (host/ide/source_scopes.h):
// for each hit, the scopes (host::ScopeBits) of the matches on its line, the first at the column
// the add-on reported and the later ones found again as the search found them
// (host/ide/line_matches.h). Each file with hits is read again and lexed once, when its hits are
// first asked about; a file of another language, or one that cannot be read, has its hits in
// every scope (kept whole, as the command keeps them).
//
// Ownership: keeps the bits of the hits classified so far and the file read last.
// Threading: none of its own (used under host/tui/tui_message_list.h's lock).
// Tested by tests/host/tui/tui_quickfix_test.cpp (the scope key in the program).
#ifndef VANTREL_HOST_TUI_HIT_SCOPES_H_
#define VANTREL_HOST_TUI_HIT_SCOPES_H_

#include <cstdint>
#include <vector>

#include "host/ide/line_matches.h"
#include "host/ide/source_scopes.h"
#include "host/tui/tui_file_lines.h"
#include "host/tui/tui_page.h"

namespace tui {

class HitScopes {
 public:
  // Classifies the hits the page gained since (hits are only ever added).
  void classify(const Page& page);
  // The scope bits of hit `hit` (its index in the page), once classified.
  unsigned of(size_t hit) const { return hit < bits_.size() ? bits_[hit] : 7u; }

 private:
  std::vector<uint8_t> bits_;
  bool searchSet_ = false;
  host::LineMatches matches_;
  FileLines lines_;
  long file_ = -1;  // the file read and lexed last
  bool lexed_ = false;
  std::vector<host::ScopeSpan> spans_;
};

}  // namespace tui

#endif  // VANTREL_HOST_TUI_HIT_SCOPES_H_
