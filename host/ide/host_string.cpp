// The host's text object (see host/ide/host_string.h).
// Tested by tests/host/ide/host_object_test.cpp.
#include "host/ide/host_string.h"

#include <cstring>
#include <new>

namespace host {

void String::setText(LPCSTR text) {
  try {
    text_.assign(text ? text : "");
  } catch (...) {
    text_.clear();
  }
}

bool String::swapTextIfSole(std::string& out) {
  if (!soleReference()) return false;
  out.swap(text_);
  return true;
}

ULONG String::Release() {
  bool last = false;
  ULONG left = dropReference(last);
  if (last) StringPool::give(this);
  return left;
}

void String::recycle() {
  // A buffer a hit line or a path fills is kept; a rare long text is not held on to.
  constexpr size_t kLargestKept = 4096;
  if (text_.capacity() > kLargestKept)
    std::string().swap(text_);
  else
    text_.clear();
}

HostString* newString(const std::string& text) {
  try {
    return new String(text);
  } catch (...) {
    return nullptr;
  }
}

namespace {

// The table an interface pointer points at: by the object model every IDE interface follows, an
// interface pointer addresses a pointer to its function table, so two objects share it exactly
// when they are of the same class.
const void* functionTableOf(const HostString* object) {
  const void* table;
  std::memcpy(&table, static_cast<const void*>(object), sizeof table);
  return table;
}

// This host's String, or NULL for another implementation of HostString; one comparison instead
// of a run-time type search per hit.
String* ownString(HostString* argument) {
  static const void* const ownTable = [] {
    String probe;
    return functionTableOf(&probe);
  }();
  return functionTableOf(argument) == ownTable ? static_cast<String*>(argument) : nullptr;
}

}  // namespace

bool takeTextInto(HostString* argument, std::string& out) {
  if (!argument) return false;
  try {
    // The host's own strings trade their text for the buffer of `out`; another
    // implementation's is copied.
    String* own = ownString(argument);
    if (!own || !own->swapTextIfSole(out)) {
      LPCSTR bytes = argument->getText();
      out.assign(bytes ? bytes : "");
    }
  } catch (...) {
    out.clear();
  }
  argument->Release();
  return true;
}

std::optional<std::string> takeText(HostString* argument) {
  if (!argument) return std::nullopt;
  std::optional<std::string> text(std::in_place);
  takeTextInto(argument, *text);
  return text;
}

}  // namespace host
