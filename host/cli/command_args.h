// The vantrel command's arguments: what the user gives on the command line, parsed into the
// fields and boxes to enter into the search dialog and the project, format and paths to use.
// Which options there are, and how each is spelled, is host/cli/option_table.h's; what each does
// to this struct is applyOption's in command_args.cpp.
//
// A field not given stays unset (the dialog keeps what it shows). -l and -c are output formats
// of their own (the files with hits, their counts); context lines go with text and json only.
// Threading: any; no state.
// Tested by tests/host/cli/command_args_test.cpp.
#ifndef VANTREL_HOST_COMMAND_ARGS_H_
#define VANTREL_HOST_COMMAND_ARGS_H_

#include <optional>
#include <string>
#include <vector>

#include "listing/listing_switches.h"

namespace vantrel {

enum class OutputFormat {
  kText,     // the message window as lines
  kJson,     // one event a line
  kVimgrep,  // hit lines only, FILE:LINE:COLUMN:TEXT
  kFiles,    // -l: each file with a hit, once
  kCounts,   // -c: FILE:COUNT for each file with hits
};

// The most threads -j takes.
constexpr int kMostSearchThreads = 256;

struct CommandLine {
  std::optional<std::string> text;         // TEXT or -t
  std::optional<std::string> fileTypes;    // -f
  std::optional<std::string> directories;  // -d
  std::optional<int> options;              // --options=N: all five boxes, 0..31
  int tickedOptions = 0;                   // -s -r -e -a -w: boxes ticked on top
  std::optional<std::string> projectFile;  // --project
  std::vector<std::string> selectedNodes;  // --select, in order
  OutputFormat format = OutputFormat::kText;
  int contextBefore = 0;  // -B, or -C
  int contextAfter = 0;   // -A, or -C
  bool windowsPaths = false;
  // --no-ignore clears its ignoreFiles, --hidden sets hidden, each --exclude adds a pattern.
  vlisting::ListingSwitches listing;
  std::optional<unsigned long> maxFileSize;  // --max-filesize: bytes, for this run only
  unsigned scopes = 0;                       // --scope: host::ScopeBits; 0 keeps every hit line
  std::optional<int> threads;                // -j, --threads: 1 to kMostSearchThreads
  bool help = false;
  bool version = false;
};

// Parses argv[1..argc). Answers true, or false with one line (no newline) in `error`.
bool parseCommandLine(int argc, char* const* argv, CommandLine& line, std::string& error);

}  // namespace vantrel

#endif  // VANTREL_HOST_COMMAND_ARGS_H_
