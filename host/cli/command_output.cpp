// The command's output (see host/cli/command_output.h).
// Tested by tests/host/cli/command_e2e_test.cpp.
#include "host/cli/command_output.h"

#include "host/ide/context_sink.h"
#include "host/ide/file_list_sink.h"
#include "host/ide/json_sink.h"
#include "host/ide/text_sink.h"

namespace vantrel {

std::shared_ptr<host::MessageSink> makeOutputSink(OutputFormat format, std::ostream& out,
                                                  const host::SinkOptions& options, int before,
                                                  int after) {
  std::shared_ptr<host::MessageSink> shown;
  switch (format) {
    case OutputFormat::kText:
      shown = std::make_shared<host::TextSink>(out, options);
      break;
    case OutputFormat::kJson:
      shown = std::make_shared<host::JsonSink>(out, options);
      break;
    case OutputFormat::kVimgrep:
      return std::make_shared<host::TextSink>(out, options, host::TextSink::Form::kVimgrep);
    case OutputFormat::kFiles:
      return std::make_shared<host::FileListSink>(out, options, host::FileListSink::Form::kFiles);
    case OutputFormat::kCounts:
      return std::make_shared<host::FileListSink>(out, options, host::FileListSink::Form::kCounts);
  }
  if (before > 0 || after > 0) return std::make_shared<host::ContextSink>(shown, before, after);
  return shown;
}

CommandOutput makeCommandOutput(const CommandLine& line, std::ostream& out, bool flushEachLine,
                                std::atomic<bool>& outputFailed) {
  host::SinkOptions options;
  options.windowsPaths = line.windowsPaths;
  options.flushEachLine = flushEachLine;
  CommandOutput output;
  output.shown = makeOutputSink(line.format, out, options, line.contextBefore, line.contextAfter);
  output.outcome = std::make_shared<OutcomeSink>(out, outputFailed);
  return output;
}

}  // namespace vantrel
