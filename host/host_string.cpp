// The host's text object (see host/host_string.h).
// Tested by tests/host_object_test.cpp.
#include "host/host_string.h"

#include <new>

namespace host {

void String::setText(LPCSTR text) {
  try {
    text_.assign(text ? text : "");
  } catch (...) {
    text_.clear();
  }
}

HostString* newString(const std::string& text) {
  try {
    return new String(text);
  } catch (...) {
    return nullptr;
  }
}

std::optional<std::string> takeText(HostString* argument) {
  if (!argument) return std::nullopt;
  std::optional<std::string> text;
  try {
    LPCSTR bytes = argument->getText();
    text.emplace(bytes ? bytes : "");
  } catch (...) {
    text.emplace();
  }
  argument->Release();
  return text;
}

}  // namespace host
