// The vantrel command's options (see host/cli/option_table.h). A row's place is its place in
// --help, the synopsis and the completions.
// Tested by tests/host/cli/option_table_test.cpp.
#include "host/cli/option_table.h"

namespace vantrel {
namespace {

using enum ValueCompletion;

constexpr OptionRow kOptions[] = {
    {.id = Option::kText,
     .shortName = 't',
     .value = "TEXT",
     .alsoOperand = true,
     .brief = "the text (or pattern) to find",
     .help = "the text (or pattern) to find"},
    {.id = Option::kFileTypes,
     .shortName = 'f',
     .value = "TYPES",
     .completion = kFileTypes,
     .brief = "file types: masks, extensions or a bracketed entry",
     .help = "file types: masks or extensions separated by ';' (*.cpp;*.h or .c;.h),\n"
             "or a bracketed entry such as \"[Source Files (.c;.cpp;.cc)]\""},
    {.id = Option::kDirectories,
     .shortName = 'd',
     .value = "DIRS",
     .completion = kDirectories,
     .brief = "directories, or a bracketed entry",
     .help = "directories separated by ';', or \"[Current Directory]\", \"[Current Path]\",\n"
             "\"[Selected Nodes]\" (the nodes given with --select)"},
    {.id = Option::kCaseSensitive,
     .shortName = 's',
     .brief = "case sensitive",
     .help = "case sensitive"},
    {.id = Option::kRecurse,
     .shortName = 'r',
     .brief = "recurse into subdirectories (or child nodes)",
     .help = "recurse into subdirectories (or child nodes)"},
    {.id = Option::kRegex,
     .shortName = 'e',
     .brief = "the text is a regular expression",
     .help = "TEXT is a regular expression"},
    {.id = Option::kAsynchronous,
     .shortName = 'a',
     .brief = "asynchronous search (on a worker thread)",
     .help = "asynchronous search (on a worker thread)"},
    {.id = Option::kWholeWords,
     .shortName = 'w',
     .brief = "whole words only",
     .help = "whole words only"},
    {.id = Option::kOptions,
     .longName = "options",
     .value = "N",
     .brief = "set all five boxes from the bits of N",
     .help = "set all five boxes from the bits of N (1 case, 2 recurse, 4 regex,\n"
             "8 asynchronous, 16 whole words); -s -r -e -a -w tick boxes on top"},
    {.id = Option::kProject,
     .longName = "project",
     .value = "FILE",
     .completion = kFile,
     .brief = "open the project described by a JSON file",
     .help = "open the project described by the JSON file FILE (default: an empty\n"
             "project in the current directory)"},
    {.id = Option::kSelect,
     .longName = "select",
     .value = "NODE",
     .repeatable = true,
     .brief = "select the project nodes of that name",
     .help = "select the project node(s) of that name; may be repeated"},
    {.id = Option::kFormat,
     .longName = "format",
     .value = "FORMAT",
     .choices = "text json vimgrep",
     .completion = kChoices,
     .brief = "output format",
     .help = "text (default: FILE:LINE:COLUMN: TEXT lines), json (one event a line)\n"
             "or vimgrep (hit lines only, FILE:LINE:COLUMN:TEXT, for quickfix readers)"},
    {.id = Option::kWindowsPaths,
     .longName = "windows-paths",
     .brief = "show file paths as the add-on gives them",
     .help = "show file paths as the add-on gives them (Z:\\...) instead of POSIX paths"},
    {.id = Option::kAfter, .shortName = 'A', .value = "N", .brief = "show N lines after each hit"},
    {.id = Option::kBefore,
     .shortName = 'B',
     .value = "N",
     .brief = "show N lines before each hit"},
    {.id = Option::kAround,
     .shortName = 'C',
     .value = "N",
     .brief = "show N lines around each hit",
     .help = "show N lines after, before, or around each hit, as FILE-LINE-TEXT, with\n"
             "\"--\" between runs of lines that do not touch (text; json: context events)"},
    {.id = Option::kFiles,
     .shortName = 'l',
     .brief = "list each file with a hit once",
     .help = "list each file with a hit once, nothing else"},
    {.id = Option::kCounts,
     .shortName = 'c',
     .brief = "print FILE:COUNT for each file with hits",
     .help = "print FILE:COUNT for each file with hits, nothing else"},
    {.id = Option::kNoIgnore,
     .longName = "no-ignore",
     .brief = "search what ignore files name too",
     .help = "search what ignore files name too; by default an entry is passed over\n"
             "when git would ignore it (.gitignore files up to the repository's root,\n"
             ".git/info/exclude, git's excludes file) or a .ignore file names it"},
    {.id = Option::kExclude,
     .longName = "exclude",
     .value = "GLOB",
     .repeatable = true,
     .brief = "pass over entries the glob matches",
     .help = "pass over entries GLOB matches (gitignore syntax: build/, *_test.c,\n"
             "third_party/**; anchored at the current directory); may be repeated"},
    {.id = Option::kHidden,
     .longName = "hidden",
     .brief = "search dot-files and dot-folders too",
     .help = "search dot-files and dot-folders too (.git stays passed over)"},
    {.id = Option::kFollow,
     .longName = "follow",
     .brief = "enter folders reached through symbolic links",
     .help = "enter folders reached through symbolic links, each folder once a search\n"
             "(a loop of links ends; by default linked folders are passed over and counted)"},
    {.id = Option::kMaxFileSize,
     .longName = "max-filesize",
     .value = "N",
     .brief = "search files smaller than N bytes in this run",
     .help = "search files smaller than N bytes in this run (default: the registry\n"
             "value MaxFileSize under the add-on's key, else 16777216)"},
    {.id = Option::kScope,
     .longName = "scope",
     .value = "SCOPE",
     .choices = "code comments strings",
     .completion = kChoices,
     .repeatable = true,
     .brief = "keep hit lines with a match in C/C++ code, comments or strings",
     .help = "keep only hit lines with a match in SCOPE of a C or C++ file: code,\n"
             "comments or strings (literals); may be repeated, the scopes adding up;\n"
             "files of other types are kept whole"},
    {.id = Option::kThreads,
     .shortName = 'j',
     .longName = "threads",
     .value = "N",
     .brief = "read and scan files on N threads",
     .help = "read and scan files on N threads (default: the cores this process may\n"
             "use); the output is the same for every N, -j1 searches on one thread"},
    {.id = Option::kHelp,
     .shortName = 'h',
     .longName = "help",
     .endsCommand = true,
     .brief = "show the help and exit",
     .help = "show this help and exit"},
    {.id = Option::kVersion,
     .longName = "version",
     .endsCommand = true,
     .brief = "show the add-on's version and exit",
     .help = "show the add-on's version and exit"},
};

}  // namespace

std::span<const OptionRow> optionTable() { return kOptions; }

const OptionRow* findLongOption(std::string_view name) {
  for (const OptionRow& row : kOptions)
    if (row.longName && name == row.longName) return &row;
  return nullptr;
}

const OptionRow* findShortOption(char name) {
  for (const OptionRow& row : kOptions)
    if (row.shortName != '\0' && row.shortName == name) return &row;
  return nullptr;
}

}  // namespace vantrel
