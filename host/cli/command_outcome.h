// What in the message window decides the command's exit status: a hit listed, the search
// refused (and why), the summary line written, a user break; and whether the stream that shows
// the results has failed. Shared by the POSIX and the Windows command.
//
// Threading: called by the message window under its lock, from the IDE's or the worker's thread;
// the fields are read after the search has ended, `outputFailed` at any time.
#ifndef VANTREL_HOST_COMMAND_OUTCOME_H_
#define VANTREL_HOST_COMMAND_OUTCOME_H_

#include <atomic>
#include <ostream>
#include <string>

#include "host/ide/addon_text.h"
#include "host/ide/message_event.h"

namespace vantrel {

// The exit status of a search the user stopped (Esc, Ctrl-C, Yes to the stop question), as shells
// report a program ended by Ctrl-C, so scripts tell it from "no hits".
constexpr int kStatusStopped = 130;

// Comes after the sink that shows the results, so it also sees when their stream has failed;
// `shownOn` NULL when they are written on a thread of their own, which then watches the stream.
class OutcomeSink final : public host::MessageSink {
 public:
  OutcomeSink(std::ostream* shownOn, std::atomic<bool>& outputFailed)
      : shownOn_(shownOn), outputFailed_(outputFailed) {}
  void event(const host::MessageEvent& event) override {
    using host::AddOnText;
    AddOnText text = host::classify(event);
    if (text == AddOnText::kHit) hitListed = true;
    // The add-on's own lines that end a search without its summary say why.
    if (host::refusesSearch(text)) {
      refused = true;
      reason = event.text;
    }
    if (text == AddOnText::kSummary) summaryWritten = true;
    if (text == AddOnText::kUserBreak) userBreak = true;
    if (shownOn_ && shownOn_->bad()) outputFailed_.store(true);
  }
  // The exit status of a search that ran to its end: 0 a hit listed, 1 none, kStatusStopped a
  // user break, 2 a search the add-on refused or left without its summary (the reason in `why`).
  int status(std::string& why) const {
    if (refused) why = reason;
    if (!refused && !summaryWritten) why = "the search ended without its summary";
    if (!why.empty()) return 2;
    return userBreak ? kStatusStopped : hitListed ? 0 : 1;
  }

  bool hitListed = false;
  bool refused = false;
  bool summaryWritten = false;
  bool userBreak = false;
  std::string reason;

 private:
  std::ostream* shownOn_;
  std::atomic<bool>& outputFailed_;
};

}  // namespace vantrel

#endif  // VANTREL_HOST_COMMAND_OUTCOME_H_
