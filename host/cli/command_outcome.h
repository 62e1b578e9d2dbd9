// What in the message window decides the command's exit status: a hit listed, the pattern
// refused, the summary line written. Shared by the POSIX and the Windows command.
//
// Threading: called by the message window under its lock, from the IDE's or the worker's thread;
// read after the search has ended.
#ifndef VANTREL_HOST_COMMAND_OUTCOME_H_
#define VANTREL_HOST_COMMAND_OUTCOME_H_

#include <string>

#include "host/ide/message_event.h"

namespace vantrel {

class OutcomeSink final : public host::MessageSink {
 public:
  void event(const host::MessageEvent& event) override {
    using Kind = host::MessageEvent::Kind;
    if (event.kind == Kind::Entry && event.file) hitListed = true;
    if (event.kind == Kind::Group) {
      if (event.text.rfind("Vantrel regular expression error", 0) == 0) refused = true;
      if (event.text.rfind("Vantrel : ", 0) == 0 &&
          event.text.find(" found in ") != std::string::npos)
        summaryWritten = true;
    }
  }
  bool hitListed = false;
  bool refused = false;
  bool summaryWritten = false;
};

}  // namespace vantrel

#endif  // VANTREL_HOST_COMMAND_OUTCOME_H_
