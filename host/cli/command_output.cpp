// The command's output (see host/cli/command_output.h).
// Tested by tests/command_e2e_test.cpp.
#include "host/cli/command_output.h"

#include "host/ide/json_sink.h"
#include "host/ide/text_sink.h"

namespace vantrel {

std::shared_ptr<host::MessageSink> makeOutputSink(OutputFormat format, std::ostream& out,
                                                  const host::SinkOptions& options) {
  switch (format) {
    case OutputFormat::kJson:
      return std::make_shared<host::JsonSink>(out, options);
    case OutputFormat::kText:
      break;
  }
  return std::make_shared<host::TextSink>(out, options);
}

CommandOutput makeCommandOutput(const CommandLine& line, std::ostream& out, bool flushEachLine,
                                std::atomic<bool>& outputFailed) {
  host::SinkOptions options;
  options.windowsPaths = line.windowsPaths;
  options.flushEachLine = flushEachLine;
  CommandOutput output;
  output.shown = makeOutputSink(line.format, out, options);
  output.outcome = std::make_shared<OutcomeSink>(out, outputFailed);
  output.lineForEveryEvent = line.format == OutputFormat::kJson;
  return output;
}

}  // namespace vantrel
