// Parsing the vantrel command's arguments (see host/cli/command_args.h).
// Tested by tests/host/cli/command_args_test.cpp.
#include "host/cli/command_args.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace vantrel {
namespace {

// Option bits as the dialog's boxes carry them: case, recurse, regex, async, whole words.
int tickBit(char flag) {
  switch (flag) {
    case 's':
      return 0x01;
    case 'r':
      return 0x02;
    case 'e':
      return 0x04;
    case 'a':
      return 0x08;
    case 'w':
      return 0x10;
  }
  return 0;
}

bool parseOptionsValue(const std::string& value, int& bits) {
  if (value.empty()) return false;
  // Decimal, as a user writes a number (a leading 0 is no octal), or hexadecimal after "0x".
  bool hex = value.size() > 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X');
  errno = 0;
  char* end = nullptr;
  long n = std::strtol(value.c_str(), &end, hex ? 16 : 10);
  if (errno != 0 || *end != '\0' || n < 0 || n > 0x1F) return false;
  bits = static_cast<int>(n);
  return true;
}

// A number of bytes, decimal, from 1 to 2,000,000,000 (what the add-on's limit takes).
bool parseFileSize(const std::string& value, unsigned long& bytes) {
  if (value.empty() || value.size() > 10 ||
      value.find_first_not_of("0123456789") != std::string::npos)
    return false;
  unsigned long long n = std::strtoull(value.c_str(), nullptr, 10);
  if (n == 0 || n > 2000000000ull) return false;
  bytes = static_cast<unsigned long>(n);
  return true;
}

// Splits "--name=value" into name and value; `hasValue` tells whether "=" was there.
void splitLong(const std::string& arg, std::string& name, std::string& value, bool& hasValue) {
  size_t eq = arg.find('=');
  hasValue = eq != std::string::npos;
  name = arg.substr(2, hasValue ? eq - 2 : std::string::npos);
  value = hasValue ? arg.substr(eq + 1) : std::string();
}

// The most characters the dialog's fields take; a longer value would be cut there into another
// search (a directory nobody named), so the command refuses it.
constexpr size_t kFieldLimit = 499;

// A count of context lines: decimal, at most a million (more would only ever mean "all").
bool parseLineCount(const std::string& value, int& count) {
  if (value.empty() || value.size() > 7 ||
      value.find_first_not_of("0123456789") != std::string::npos)
    return false;
  long n = std::strtol(value.c_str(), nullptr, 10);
  if (n > 1000000) return false;
  count = static_cast<int>(n);
  return true;
}

// The format given by --format, -l and -c, and the context asked, fit together: one format, and
// context lines only where lines are shown.
bool formatsAgree(const std::vector<OutputFormat>& given, bool context, std::string& error) {
  for (size_t i = 1; i < given.size(); ++i)
    if (given[i] != given[0]) {
      error = "choose one output: --format, -l or -c";
      return false;
    }
  if (context && !given.empty() && given[0] != OutputFormat::kText &&
      given[0] != OutputFormat::kJson) {
    error = "context lines (-A, -B, -C) go with the text and json formats only";
    return false;
  }
  return true;
}

bool withinFieldLimit(const std::optional<std::string>& value, const char* what,
                      std::string& error) {
  if (!value || value->size() <= kFieldLimit) return true;
  error = std::string(what) + " is " + std::to_string(value->size()) +
          " characters long; the dialog takes at most " + std::to_string(kFieldLimit);
  return false;
}

}  // namespace

bool parseCommandLine(int argc, char* const* argv, CommandLine& line, std::string& error) {
  bool onlyOperands = false;
  std::vector<OutputFormat> formats;         // as given, to refuse two different ones
  std::optional<int> before, after, around;  // -B, -A, -C
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto setText = [&](std::optional<std::string>& field, const std::string& value,
                       const char* what) {
      if (field) {
        error = std::string(what) + " given twice";
        return false;
      }
      field = value;
      return true;
    };
    if (onlyOperands || arg.size() < 2 || arg[0] != '-') {
      if (!setText(line.text, arg, "the text to find")) return false;
      continue;
    }
    if (arg == "--") {
      onlyOperands = true;
      continue;
    }
    if (arg.compare(0, 2, "--") == 0) {
      std::string name, value;
      bool hasValue = false;
      splitLong(arg, name, value, hasValue);
      // Options that take a value accept it after "=" or as the next argument.
      auto takeValue = [&]() -> bool {
        if (hasValue) return true;
        if (i + 1 >= argc) {
          error = "option --" + name + " needs a value";
          return false;
        }
        value = argv[++i];
        return true;
      };
      if (name == "help" || name == "version" || name == "windows-paths" || name == "no-ignore" ||
          name == "hidden") {
        if (hasValue) {
          error = "option --" + name + " takes no value";
          return false;
        }
        if (name == "help") line.help = true;
        if (name == "version") line.version = true;
        if (name == "windows-paths") line.windowsPaths = true;
        if (name == "no-ignore") line.ignoreFiles = false;
        if (name == "hidden") line.hidden = true;
      } else if (name == "exclude") {
        if (!takeValue()) return false;
        if (value.empty() || value.find('\n') != std::string::npos) {
          error = "--exclude wants a pattern such as build/ or *_test.c";
          return false;
        }
        line.excludes.push_back(value);
      } else if (name == "max-filesize") {
        if (!takeValue()) return false;
        unsigned long bytes = 0;
        if (!parseFileSize(value, bytes)) {
          error =
              "--max-filesize wants a number of bytes from 1 to 2000000000, not '" + value + "'";
          return false;
        }
        line.maxFileSize = bytes;
      } else if (name == "options") {
        if (!takeValue()) return false;
        int bits = 0;
        if (!parseOptionsValue(value, bits)) {
          error = "--options wants a number from 0 to 31, not '" + value + "'";
          return false;
        }
        line.options = bits;
      } else if (name == "project") {
        if (!takeValue()) return false;
        if (value.empty()) {
          error = "--project wants a file name";
          return false;
        }
        line.projectFile = value;
      } else if (name == "select") {
        if (!takeValue()) return false;
        line.selectedNodes.push_back(value);
      } else if (name == "format") {
        if (!takeValue()) return false;
        if (value == "text") {
          formats.push_back(OutputFormat::kText);
        } else if (value == "json") {
          formats.push_back(OutputFormat::kJson);
        } else if (value == "vimgrep") {
          formats.push_back(OutputFormat::kVimgrep);
        } else {
          error = "--format wants text, json or vimgrep, not '" + value + "'";
          return false;
        }
      } else {
        error = "unknown option '" + arg + "'";
        return false;
      }
      continue;
    }
    // Short options, grouped as in -rw; -t, -f and -d take the rest of the word or the next one.
    for (size_t k = 1; k < arg.size(); ++k) {
      char flag = arg[k];
      if (tickBit(flag)) {
        line.tickedOptions |= tickBit(flag);
        continue;
      }
      if (flag == 'h') {
        line.help = true;
        continue;
      }
      if (flag == 'l' || flag == 'c') {
        formats.push_back(flag == 'l' ? OutputFormat::kFiles : OutputFormat::kCounts);
        continue;
      }
      if (flag == 't' || flag == 'f' || flag == 'd' || flag == 'A' || flag == 'B' || flag == 'C') {
        std::string value;
        if (k + 1 < arg.size()) {
          value = arg.substr(k + 1);
        } else if (i + 1 < argc) {
          value = argv[++i];
        } else {
          error = std::string("option -") + flag + " needs a value";
          return false;
        }
        if (flag == 'A' || flag == 'B' || flag == 'C') {
          int count = 0;
          if (!parseLineCount(value, count)) {
            error = std::string("-") + flag + " wants a number of lines from 0 to 1000000, not '" +
                    value + "'";
            return false;
          }
          (flag == 'A' ? after : flag == 'B' ? before : around) = count;
          break;
        }
        bool ok = flag == 't'   ? setText(line.text, value, "the text to find")
                  : flag == 'f' ? setText(line.fileTypes, value, "-f")
                                : setText(line.directories, value, "-d");
        if (!ok) return false;
        break;
      }
      error = std::string("unknown option '-") + flag + "'";
      return false;
    }
  }
  // -A and -B say more than -C, whatever their order.
  line.contextBefore = before.value_or(around.value_or(0));
  line.contextAfter = after.value_or(around.value_or(0));
  if (!formatsAgree(formats, line.contextBefore > 0 || line.contextAfter > 0, error)) return false;
  if (!formats.empty()) line.format = formats[0];
  return withinFieldLimit(line.text, "the text to find", error) &&
         withinFieldLimit(line.fileTypes, "the file types (-f)", error) &&
         withinFieldLimit(line.directories, "the directories (-d)", error);
}

std::string usageText() {
  return R"(Usage: vantrel [TEXT] [OPTION]...
Search many files at once for a text or a regular expression and list every matching line.

The search dialog always runs: what is given here is typed into it and OK is pressed; a field
not given keeps what the dialog shows (the last value used, remembered in the registry).

Options:
  TEXT, -t TEXT      the text (or pattern) to find
  -f TYPES           file types: masks or extensions separated by ';' (*.cpp;*.h or .c;.h),
                     or a bracketed entry such as "[Source Files (.c;.cpp;.cc)]"
  -d DIRS            directories separated by ';', or "[Current Directory]", "[Current Path]",
                     "[Selected Nodes]" (the nodes given with --select)
  -s                 case sensitive
  -r                 recurse into subdirectories (or child nodes)
  -e                 TEXT is a regular expression
  -a                 asynchronous search (on a worker thread)
  -w                 whole words only
  --options=N        set all five boxes from the bits of N (1 case, 2 recurse, 4 regex,
                     8 asynchronous, 16 whole words); -s -r -e -a -w tick boxes on top
  --project=FILE     open the project described by the JSON file FILE (default: an empty
                     project in the current directory)
  --select=NODE      select the project node(s) of that name; may be repeated
  --format=FORMAT    text (default: FILE:LINE:COLUMN: TEXT lines), json (one event a line)
                     or vimgrep (hit lines only, FILE:LINE:COLUMN:TEXT, for quickfix readers)
  -A N, -B N, -C N   show N lines after, before, or around each hit, as FILE-LINE-TEXT, with
                     "--" between runs of lines that do not touch (text; json: context events)
  -l                 list each file with a hit once, nothing else
  -c                 print FILE:COUNT for each file with hits, nothing else
  --windows-paths    show file paths as the add-on gives them (Z:\...) instead of POSIX paths
  --no-ignore        search what ignore files name too; by default an entry is passed over
                     when git would ignore it (.gitignore files up to the repository's root,
                     .git/info/exclude, git's excludes file) or a .ignore file names it
  --exclude=GLOB     pass over entries GLOB matches (gitignore syntax: build/, *_test.c,
                     third_party/**; anchored at the current directory); may be repeated
  --hidden           search dot-files and dot-folders too (.git stays passed over)
  --max-filesize=N   search files smaller than N bytes in this run (default: the registry
                     value MaxFileSize under the add-on's key, else 500000)
  -h, --help         show this help and exit
  --version          show the add-on's version and exit

Each of TEXT, TYPES and DIRS is at most 499 characters, as the dialog's fields are.

Exit status:
  0                  a hit was listed
  1                  no hit was listed
  2                  the search could not run, or its results could not be written (the
                     reason on stderr)
  130                the search was stopped (Esc, Ctrl-C, Yes to the stop question)

Environment:
  VANTREL_REGISTRY   the settings file, instead of the one under FILES
  VANTREL_DRIVES     more drive letters, as 'C=/srv/src;D=/mnt/x' (Z: is always /)
  VANTREL_CODEPAGE   1252 or 65001: the code page to read texts, files and names in (default:
                     Windows-1252 for a single-byte locale, else UTF-8)
  VANTREL_ADDON      the add-on module (default: vantrel.so beside this program, else
                     ../lib/vantrel/vantrel.so from its folder)
  XDG_CONFIG_HOME    the folder that holds vantrel/registry.sqlite3 (default: ~/.config)

Files:
  $XDG_CONFIG_HOME/vantrel/registry.sqlite3
                     the settings: the last fifteen entries of each field and the options
)";
}

}  // namespace vantrel
