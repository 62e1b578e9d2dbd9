// How an output shows the message window (see host/ide/sink_options.h).
// Tested by tests/host/ide/host_message_window_test.cpp.
#include "host/ide/sink_options.h"

#include <unistd.h>

namespace host {

SinkOptions SinkOptions::forDescriptor(int fd, bool windowsPaths) {
  return SinkOptions{windowsPaths, isatty(fd) == 1};
}

}  // namespace host
