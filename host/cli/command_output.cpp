// The command's output (see host/cli/command_output.h).
// Tested by tests/host/cli/command_e2e_test.cpp.
#include "host/cli/command_output.h"

#include "host/ide/context_sink.h"
#include "host/ide/file_list_sink.h"
#include "host/ide/json_sink.h"
#include "host/ide/text_sink.h"

namespace vantrel {
namespace {

// The Windows command is a check of the module under Wine, where the copy of an open file that
// the thread reads is not made: it keeps the output on the searching thread.
#ifdef _WIN32
constexpr bool kOutputOnItsOwnThread = false;
#else
constexpr bool kOutputOnItsOwnThread = true;
#endif

}  // namespace

std::shared_ptr<host::MessageSink> makeOutputSink(OutputFormat format, std::ostream& out,
                                                  const host::SinkOptions& options, int before,
                                                  int after, std::atomic<bool>* outputFailed,
                                                  bool* onItsOwnThread) {
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
  if (before <= 0 && after <= 0) return shown;
  if (!outputFailed) return std::make_shared<host::ContextSink>(shown, before, after);
  // Reading files again for their context and writing it out runs on the second core.
  if (onItsOwnThread) *onItsOwnThread = true;
  return std::make_shared<host::ContextSink>(shown, before, after, [&out, outputFailed] {
    if (out.bad()) outputFailed->store(true);
  });
}

CommandOutput makeCommandOutput(const CommandLine& line, std::ostream& out, bool flushEachLine,
                                std::atomic<bool>& outputFailed) {
  host::SinkOptions options;
  options.windowsPaths = line.windowsPaths;
  options.flushEachLine = flushEachLine;
  // A terminal shows the lines as they come, between redraws of its status line, which asks the
  // output whether it writes for an event: lines for one are made on the searching thread.
  bool offerThread = kOutputOnItsOwnThread && !flushEachLine;
  bool ownThread = false;
  CommandOutput output;
  output.shown = makeOutputSink(line.format, out, options, line.contextBefore, line.contextAfter,
                                offerThread ? &outputFailed : nullptr, &ownThread);
  // The stream is then looked at only by the thread that writes it.
  output.outcome = std::make_shared<OutcomeSink>(ownThread ? nullptr : &out, outputFailed);
  if (line.scopes != 0) {
    output.scope = std::make_shared<host::ScopeFilter>(
        std::vector<std::shared_ptr<host::MessageSink>>{output.shown, output.outcome}, line.scopes);
  }
  return output;
}

std::string CommandOutput::scopeReport() const {
  if (!scope || (scope->leftOut() == 0 && scope->notClassified() == 0)) return {};
  unsigned kept = scope->scopes();
  std::string given;
  for (unsigned bit : {host::kScopeCode, host::kScopeComments, host::kScopeStrings}) {
    if (!(kept & bit)) continue;
    given += (given.empty() ? "--scope=" : " --scope=") + host::scopeWords(bit);
  }
  long out = scope->leftOut();
  std::string report =
      std::to_string(out) + (out == 1 ? " hit line" : " hit lines") + " left out by " + given;
  unsigned others = (host::kScopeCode | host::kScopeComments | host::kScopeStrings) & ~kept;
  if (out > 0 && others) report += " (in " + host::scopeWords(others) + ")";
  if (long files = scope->notClassified()) {
    report += "; " + std::to_string(files) + (files == 1 ? " file" : " files") +
              " with hits kept whole, not read as C or C++";
  }
  return report;
}

}  // namespace vantrel
