// Free-standing lines and per-file headings in the IDE's message window, and the one message box
// (see search/output.h).
//
// Every text handed to the IDE is a fresh HostString made for that one call; the IDE takes it
// over. Formatting is bounded by the buffers (1000 bytes for messages, 500 for headings) and
// wvsprintfA's own 1024-byte limit; a longer result is cut at the buffer's end.
// Tested by tests/search/output_test.cpp.
#include "search/output.h"

#include <cstdarg>
#include <cstring>

#include "addon/host_access.h"
#include "addon/tool_name.h"

namespace {

constexpr int kMessageSize = 1000;
constexpr int kHeadingSize = 500;
constexpr int kShownMessage = 220;

// wvsprintfA bounded by a buffer smaller than its own limit: formats into a scratch area of the
// limit's size, then copies what fits.
void formatInto(char* buffer, int size, LPCSTR format, va_list args) {
  char scratch[1024];
  wvsprintfA(scratch, format, args);
  size_t length = strlen(scratch);
  if (length > static_cast<size_t>(size - 1)) length = static_cast<size_t>(size - 1);
  memcpy(buffer, scratch, length);
  buffer[length] = '\0';
}

void formatBounded(char* buffer, int size, LPCSTR format, ...) {
  va_list args;
  va_start(args, format);
  formatInto(buffer, size, format, args);
  va_end(args);
}

}  // namespace

void printMessage(LPCSTR format, ...) {
  char text[kMessageSize];
  va_list args;
  va_start(args, format);
  formatInto(text, sizeof text, format, args);
  va_end(args);

  auto* window = static_cast<MessageWindowService*>(getService(IID_MessageWindowService));
  if (!window) return;
  text[kShownMessage] = '\0';
  MessageGroup* group = window->openGroup(makeString(text), makeString(kToolName));
  if (group) {
    group->addHeading(nullptr, makeString(text));
    group->Release();
  }
  window->Release();
}

int writeFileHeading(MessageGroup* group, LPCSTR path) {
  char text[kHeadingSize];
  formatBounded(text, sizeof text, "Vantreling %s", path);
  return group->addHeading(makeString(path), makeString(text));
}

int showMessageBox(HWND owner, LPCSTR format, LPCSTR caption, UINT type, ...) {
  char text[kMessageSize];
  va_list args;
  va_start(args, type);
  formatInto(text, sizeof text, format, args);
  va_end(args);
  MessageBeep(type & MB_ICONMASK);
  return MessageBoxA(owner, text, caption, type);
}
