// How an output of the message window shows it, whatever its format: paths in POSIX or Windows
// form, and whether every line is flushed at once (a terminal) or only on demand (a pipe, a file).
// Threading: a value; no state.
// Tested by tests/host/ide/host_message_window_test.cpp.
#ifndef VANTREL_HOST_SINK_OPTIONS_H_
#define VANTREL_HOST_SINK_OPTIONS_H_

namespace host {

struct SinkOptions {
  bool windowsPaths = false;   // show paths as the add-on gave them
  bool flushEachLine = false;  // for a terminal; a pipe or file is flushed only on demand

  // The options for output to descriptor `fd`: each line flushed when it is a terminal.
  static SinkOptions forDescriptor(int fd, bool windowsPaths);
};

}  // namespace host

#endif  // VANTREL_HOST_SINK_OPTIONS_H_
