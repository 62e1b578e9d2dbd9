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

std::optional<std::string> takeText(HostString* argument) {
  if (!argument) return std::nullopt;
  std::optional<std::string> text;
  try {
    text.emplace();
    // The host's own strings give up their text; another implementation's is copied.
    String* own = ownString(argument);
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
