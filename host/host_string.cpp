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

bool String::moveTextIfSole(std::string& out) {
  if (!soleReference()) return false;
  out = std::move(text_);
  return true;
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
    text.emplace();
    // The host's own strings give up their text; another implementation's is copied.
    auto* own = dynamic_cast<String*>(argument);
    if (!own || !own->moveTextIfSole(*text)) {
      LPCSTR bytes = argument->getText();
      text->assign(bytes ? bytes : "");
    }
  } catch (...) {
    text.emplace();
  }
  argument->Release();
  return text;
}

}  // namespace host
