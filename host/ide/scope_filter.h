// Hit lines by where their matches stand in C and C++ source (--scope): a stage before the
// command's outputs that passes a hit line on only when one of its matches starts in a scope
// asked for (code, comments, strings; see host/ide/source_scopes.h), and every other event as
// it comes. Each file with hits is read again once (host/ide/file_lines.h, the object the
// add-on has open) and lexed in its language as far as its hits; a line's matches are found again
// (host/ide/line_matches.h) from the column the add-on reported, the first in scope deciding.
// An entry kept is passed as the add-on wrote it. A file's group and heading are held until its
// first hit kept and dropped when none is; a file of another language (or one that cannot be read
// again) is kept whole and counted as not classified.
//
// Ownership: shares the sinks it passes events to.
// Threading: called under the message window's lock on the searching thread, as every sink;
// the counts are read after the search.
// Tested by tests/host/ide/scope_filter_test.cpp and tests/host/cli/command_e2e_test.cpp.
#ifndef VANTREL_HOST_SCOPE_FILTER_H_
#define VANTREL_HOST_SCOPE_FILTER_H_

#include <memory>
#include <string>
#include <vector>

#include "host/ide/file_lines.h"
#include "host/ide/line_matches.h"
#include "host/ide/message_event.h"
#include "host/ide/source_scopes.h"

namespace host {

// The scopes a search keeps, as bits.
enum ScopeBits : unsigned {
  kScopeCode = 1,
  kScopeComments = 2,
  kScopeStrings = 4,
};

class ScopeFilter final : public MessageSink {
 public:
  ScopeFilter(std::vector<std::shared_ptr<MessageSink>> next, unsigned scopes)
      : next_(std::move(next)), scopes_(scopes) {}

  // The search whose hits come next: its text and the dialog's option bits.
  void setSearch(const std::string& text, int options) { matches_.setSearch(text, options); }

  void event(const MessageEvent& event) override;
  bool writesFor(const MessageEvent& event) const override;
  void flush() override;

  unsigned scopes() const { return scopes_; }
  long leftOut() const { return leftOut_; }              // hit lines left out
  long notClassified() const { return notClassified_; }  // files with hits kept whole

 private:
  bool keeps(const MessageEvent& entry);
  void pass(const MessageEvent& event);
  // Passes the held group and heading on (a hit of theirs was kept, or another event came).
  void release();
  // Ends the held file's group: dropped with its heading when no hit of it was kept.
  void dropFile();

  std::vector<std::shared_ptr<MessageSink>> next_;
  unsigned scopes_;
  LineMatches matches_;
  FileLines lines_;
  ScopeLexer lexer_;
  int group_ = 0;            // the group of the file read last
  bool classified_ = false;  // that file was read and lexed
  MessageEvent groupEvent_;  // a group, held until what follows shows whether it is a file's
  bool groupHeld_ = false;
  MessageEvent heading_;  // a file's heading, held
  bool held_ = false;
  long leftOut_ = 0;
  long notClassified_ = 0;
};

// The scopes' words for the command's line: "code", "comments or strings", ...
std::string scopeWords(unsigned scopes);

}  // namespace host

#endif  // VANTREL_HOST_SCOPE_FILTER_H_
