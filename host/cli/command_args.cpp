// Parsing the vantrel command's arguments (see host/cli/command_args.h).
// Tested by tests/host/cli/command_args_test.cpp.
#include "host/cli/command_args.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "dialog/max_file_size.h"
#include "host/cli/option_table.h"
#include "host/ide/scope_filter.h"
#include "search/option_bits.h"

namespace vantrel {
namespace {

// The box each of -s -r -e -a -w ticks.
int tickBit(Option box) {
  switch (box) {
    case Option::kCaseSensitive:
      return CaseSensitive;
    case Option::kRecurse:
      return Recurse;
    case Option::kRegex:
      return RegularExpression;
    case Option::kAsynchronous:
      return Asynchronous;
    case Option::kWholeWords:
      return WholeWords;
    default:
      return 0;
  }
}

bool parseOptionsValue(const std::string& value, int& bits) {
  if (value.empty()) return false;
  // Decimal, as a user writes a number (a leading 0 is no octal), or hexadecimal after "0x".
  bool hex = value.size() > 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X');
  errno = 0;
  char* end = nullptr;
  long n = std::strtol(value.c_str(), &end, hex ? 16 : 10);
  if (errno != 0 || *end != '\0' || n < 0 || n > kAllSearchOptions) return false;
  bits = static_cast<int>(n);
  return true;
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

// What the options given so far have said, before it is checked as a whole.
struct ParseState {
  CommandLine& line;
  std::string& error;
  std::vector<OutputFormat> formats;         // as given, to refuse two different ones
  std::optional<int> before, after, around;  // -B, -A, -C
};

bool setText(std::optional<std::string>& field, const std::string& value, const char* what,
             std::string& error) {
  if (field) {
    error = std::string(what) + " given twice";
    return false;
  }
  field = value;
  return true;
}

bool takeLineCount(std::optional<int>& count, char flag, const std::string& value,
                   std::string& error) {
  int n = 0;
  if (!parseLineCount(value, n)) {
    error =
        std::string("-") + flag + " wants a number of lines from 0 to 1000000, not '" + value + "'";
    return false;
  }
  count = n;
  return true;
}

// The values that must be checked before they are taken; each answers false with `error` set.
bool takeOptions(const std::string& value, CommandLine& line, std::string& error) {
  int bits = 0;
  if (!parseOptionsValue(value, bits)) {
    error = "--options wants a number from 0 to 31, not '" + value + "'";
    return false;
  }
  line.options = bits;
  return true;
}

bool takeProject(const std::string& value, CommandLine& line, std::string& error) {
  if (value.empty()) {
    error = "--project wants a file name";
    return false;
  }
  line.projectFile = value;
  return true;
}

bool takeFormat(const std::string& value, ParseState& state) {
  if (value == "text") {
    state.formats.push_back(OutputFormat::kText);
  } else if (value == "json") {
    state.formats.push_back(OutputFormat::kJson);
  } else if (value == "vimgrep") {
    state.formats.push_back(OutputFormat::kVimgrep);
  } else {
    state.error = "--format wants text, json or vimgrep, not '" + value + "'";
    return false;
  }
  return true;
}

bool takeExclude(const std::string& value, CommandLine& line, std::string& error) {
  if (value.empty() || value.find('\n') != std::string::npos) {
    error = "--exclude wants a pattern such as build/ or *_test.c";
    return false;
  }
  line.listing.excludes.push_back(value);
  return true;
}

bool takeMaxFileSize(const std::string& value, CommandLine& line, std::string& error) {
  LONG bytes = parseMaxFileSize(value.c_str());
  if (!bytes) {
    error = "--max-filesize wants a number of bytes from 1 to " +
            std::to_string(kMaxFileSizeCeiling) + ", not '" + value + "'";
    return false;
  }
  line.maxFileSize = static_cast<unsigned long>(bytes);
  return true;
}

bool takeScope(const std::string& value, CommandLine& line, std::string& error) {
  if (value == "code") {
    line.scopes |= host::kScopeCode;
  } else if (value == "comments") {
    line.scopes |= host::kScopeComments;
  } else if (value == "strings") {
    line.scopes |= host::kScopeStrings;
  } else {
    error = "--scope wants code, comments or strings, not '" + value + "'";
    return false;
  }
  return true;
}

// A thread count: decimal, 1 to kMostSearchThreads.
bool takeThreads(const std::string& value, CommandLine& line, std::string& error) {
  if (value.empty() || value.size() > 3 ||
      value.find_first_not_of("0123456789") != std::string::npos || std::stoi(value) < 1 ||
      std::stoi(value) > kMostSearchThreads) {
    error = "-j wants a number of threads from 1 to " + std::to_string(kMostSearchThreads) +
            ", not '" + value + "'";
    return false;
  }
  line.threads = std::stoi(value);
  return true;
}

// A switch: what it sets, always taken.
void takeSwitch(Option id, ParseState& state) {
  CommandLine& line = state.line;
  switch (id) {
    case Option::kWindowsPaths:
      line.windowsPaths = true;
      break;
    case Option::kFiles:
      state.formats.push_back(OutputFormat::kFiles);
      break;
    case Option::kCounts:
      state.formats.push_back(OutputFormat::kCounts);
      break;
    case Option::kNoIgnore:
      line.listing.ignoreFiles = false;
      break;
    case Option::kHidden:
      line.listing.hidden = true;
      break;
    case Option::kFollow:
      line.listing.follow = true;
      break;
    case Option::kHelp:
      line.help = true;
      break;
    case Option::kVersion:
      line.version = true;
      break;
    default:  // -s -r -e -a -w
      line.tickedOptions |= tickBit(id);
      break;
  }
}

// What one option given does to the command line; `value` is empty for a switch. Every option
// of the table has its case here (the compiler names one that has none).
bool applyOption(Option id, const std::string& value, ParseState& state) {
  CommandLine& line = state.line;
  std::string& error = state.error;
  switch (id) {
    case Option::kText:
      return setText(line.text, value, "the text to find", error);
    case Option::kFileTypes:
      return setText(line.fileTypes, value, "-f", error);
    case Option::kDirectories:
      return setText(line.directories, value, "-d", error);
    case Option::kOptions:
      return takeOptions(value, line, error);
    case Option::kProject:
      return takeProject(value, line, error);
    case Option::kSelect:
      line.selectedNodes.push_back(value);
      return true;
    case Option::kFormat:
      return takeFormat(value, state);
    case Option::kAfter:
      return takeLineCount(state.after, 'A', value, error);
    case Option::kBefore:
      return takeLineCount(state.before, 'B', value, error);
    case Option::kAround:
      return takeLineCount(state.around, 'C', value, error);
    case Option::kExclude:
      return takeExclude(value, line, error);
    case Option::kMaxFileSize:
      return takeMaxFileSize(value, line, error);
    case Option::kScope:
      return takeScope(value, line, error);
    case Option::kThreads:
      return takeThreads(value, line, error);
    case Option::kCaseSensitive:
    case Option::kRecurse:
    case Option::kRegex:
    case Option::kAsynchronous:
    case Option::kWholeWords:
    case Option::kWindowsPaths:
    case Option::kFiles:
    case Option::kCounts:
    case Option::kNoIgnore:
    case Option::kHidden:
    case Option::kFollow:
    case Option::kHelp:
    case Option::kVersion:
      takeSwitch(id, state);
      return true;
  }
  return true;
}

// "--name" or "--name=value"; an option that takes a value takes it after "=" or as the next
// argument.
bool parseLong(const std::string& arg, int& i, int argc, char* const* argv, ParseState& state) {
  size_t eq = arg.find('=');
  bool hasValue = eq != std::string::npos;
  std::string name = arg.substr(2, hasValue ? eq - 2 : std::string::npos);
  std::string value = hasValue ? arg.substr(eq + 1) : std::string();
  const OptionRow* row = findLongOption(name);
  if (!row) {
    state.error = "unknown option '" + arg + "'";
    return false;
  }
  if (!row->value && hasValue) {
    state.error = "option --" + name + " takes no value";
    return false;
  }
  if (row->value && !hasValue) {
    if (i + 1 >= argc) {
      state.error = "option --" + name + " needs a value";
      return false;
    }
    value = argv[++i];
  }
  return applyOption(row->id, value, state);
}

// Short options, grouped as in -rw; one that takes a value takes the rest of the word or the
// next argument.
bool parseShort(const std::string& arg, int& i, int argc, char* const* argv, ParseState& state) {
  for (size_t k = 1; k < arg.size(); ++k) {
    char flag = arg[k];
    const OptionRow* row = findShortOption(flag);
    if (!row) {
      state.error = std::string("unknown option '-") + flag + "'";
      return false;
    }
    if (!row->value) {
      if (!applyOption(row->id, std::string(), state)) return false;
      continue;
    }
    std::string value;
    if (k + 1 < arg.size()) {
      value = arg.substr(k + 1);
    } else if (i + 1 < argc) {
      value = argv[++i];
    } else {
      state.error = std::string("option -") + flag + " needs a value";
      return false;
    }
    return applyOption(row->id, value, state);
  }
  return true;
}

}  // namespace

bool parseCommandLine(int argc, char* const* argv, CommandLine& line, std::string& error) {
  ParseState state{line, error, {}, {}, {}, {}};
  bool onlyOperands = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    bool ok = true;
    if (onlyOperands || arg.size() < 2 || arg[0] != '-')
      ok = applyOption(Option::kText, arg, state);
    else if (arg == "--")
      onlyOperands = true;
    else if (arg.compare(0, 2, "--") == 0)
      ok = parseLong(arg, i, argc, argv, state);
    else
      ok = parseShort(arg, i, argc, argv, state);
    if (!ok) return false;
  }
  // -A and -B say more than -C, whatever their order.
  line.contextBefore = state.before.value_or(state.around.value_or(0));
  line.contextAfter = state.after.value_or(state.around.value_or(0));
  if (!formatsAgree(state.formats, line.contextBefore > 0 || line.contextAfter > 0, error))
    return false;
  if (!state.formats.empty()) line.format = state.formats[0];
  return withinFieldLimit(line.text, "the text to find", error) &&
         withinFieldLimit(line.fileTypes, "the file types (-f)", error) &&
         withinFieldLimit(line.directories, "the directories (-d)", error);
}

}  // namespace vantrel
