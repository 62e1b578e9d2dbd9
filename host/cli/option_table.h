// The vantrel command's options, each defined once: its names, its value, how a shell completes
// it, its line in --help. The parser (command_args.cpp), --help and the synopsis
// (usage_text.cpp), the manual page (help2man reads --help) and the bash, zsh and fish
// completions (completion_scripts.cpp, made at build time) all read this table, so an option is
// added as one row here plus its use in applyOption.
// Threading: any; the table is constant.
// Tested by tests/host/cli/option_table_test.cpp.
#ifndef VANTREL_HOST_OPTION_TABLE_H_
#define VANTREL_HOST_OPTION_TABLE_H_

#include <span>
#include <string_view>

namespace vantrel {

enum class Option {
  kText,
  kFileTypes,
  kDirectories,
  kCaseSensitive,
  kRecurse,
  kRegex,
  kAsynchronous,
  kWholeWords,
  kOptions,
  kProject,
  kSelect,
  kFormat,
  kWindowsPaths,
  kAfter,
  kBefore,
  kAround,
  kFiles,
  kCounts,
  kNoIgnore,
  kExclude,
  kHidden,
  kFollow,
  kMaxFileSize,
  kScope,
  kThreads,
  kHelp,
  kVersion,
};

// What a shell offers for an option's value.
enum class ValueCompletion {
  kNone,         // free text: nothing to offer
  kFile,         // a file name
  kFileTypes,    // the dialog's bracketed file-type entries
  kDirectories,  // the dialog's bracketed directory entries and folder names
  kChoices,      // one of OptionRow::choices
};

// A row is written with designated initializers; what a row leaves out is the usual case.
struct OptionRow {
  Option id;
  char shortName = '\0';           // '\0' when there is none
  const char* longName = nullptr;  // nullptr when there is none
  const char* value = nullptr;     // the value's name in the help ("N", "FILE"); none: a switch
  const char* choices = nullptr;   // the values taken, separated by blanks, when a fixed set
  ValueCompletion completion = ValueCompletion::kNone;
  bool repeatable = false;   // may be given more than once, each adding to a list
  bool alsoOperand = false;  // also given as the command's operand (TEXT)
  bool endsCommand = false;  // answered at once, with nothing searched (--help, --version)
  const char* brief = "";    // one line for the shells' menus, without "[" or "]"
  // The --help text, its lines broken where the help shows them; nullptr when the next row's
  // text tells of this option too (-A, -B and -C share one).
  const char* help = nullptr;
};

std::span<const OptionRow> optionTable();

// The row of "--name" or "-c", or nullptr.
const OptionRow* findLongOption(std::string_view name);
const OptionRow* findShortOption(char name);

}  // namespace vantrel

#endif  // VANTREL_HOST_OPTION_TABLE_H_
