// The host's text object (HostString) and the small helpers with which the host's services take
// the texts the add-on hands them.
//
// Ownership: a String is born with one reference. Every service that receives a HostString
// argument takes over that reference: it reads the text with `takeText` or `takeTextInto` and
// thereby releases it. A released String is kept for reuse with its buffer
// (host/ide/object_pool.h), and the server's createString hands it out again, so a hit's two
// strings cost no allocation once the first few hits have sized the buffers.
// Threading: a String belongs to one thread at a time (the one that made it or received it).
// Tested by tests/host/ide/host_object_test.cpp.
#ifndef VANTREL_HOST_HOST_STRING_H_
#define VANTREL_HOST_HOST_STRING_H_

#include <optional>
#include <string>

#include "host/ide/object_pool.h"
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

  // Swaps the text with `out` when the caller holds the only reference (the String is about to
  // go): `out` gets the text without a copy and the String the old buffer of `out` to reuse.
  // False, with nothing changed, otherwise.
  bool swapTextIfSole(std::string& out);

  ULONG STDMETHODCALLTYPE Release() override;

 private:
  friend class ObjectPool<String, 32>;
  void recycle();

  std::string text_;
};

using StringPool = ObjectPool<String, 32>;

// A fresh String holding `text`, with one reference for the receiver; NULL on exhaustion.
HostString* newString(const std::string& text);

// Reads the text of a HostString argument and releases the argument (the reference the caller
// handed over). NULL gives no text.
std::optional<std::string> takeText(HostString* argument);
// The same into `out`, whose buffer goes to the argument for reuse: false, with `out` left as
// it was, for NULL; an empty text on exhaustion.
bool takeTextInto(HostString* argument, std::string& out);

}  // namespace host

#endif  // VANTREL_HOST_HOST_STRING_H_
