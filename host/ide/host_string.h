// The host's text object (HostString) and the small helpers with which the host's services take
// the texts the add-on hands them.
//
// Ownership: a String is born with one reference. Every service that receives a HostString
// argument takes over that reference: it reads the text with `takeText` and thereby releases it.
// Threading: a String belongs to one thread at a time (the one that made it or received it).
// Tested by tests/host/ide/host_object_test.cpp.
#ifndef VANTREL_HOST_HOST_STRING_H_
#define VANTREL_HOST_HOST_STRING_H_

#include <optional>
#include <string>

#include "host/ide/ref_counted.h"

namespace host {

class String final : public RefCounted<HostString> {
 public:
  String() = default;
  explicit String(std::string text) : text_(std::move(text)) {}

  // A NULL text is taken as empty; on exhaustion the text is left empty.
  void STDMETHODCALLTYPE setText(LPCSTR text) override;
  // Valid until the next setText or the last Release.
  LPCSTR STDMETHODCALLTYPE getText() override { return text_.c_str(); }

  // Moves the text into `out` when the caller holds the only reference (the String is about to
  // go), sparing a copy per hit; false, with nothing moved, otherwise.
  bool moveTextIfSole(std::string& out);

 private:
  std::string text_;
};

// A fresh String holding `text`, with one reference for the receiver; NULL on exhaustion.
HostString* newString(const std::string& text);

// Reads the text of a HostString argument and releases the argument (the reference the caller
// handed over). NULL gives no text.
std::optional<std::string> takeText(HostString* argument);

}  // namespace host

#endif  // VANTREL_HOST_HOST_STRING_H_
