// The vantrel command's --help and synopsis (see host/cli/usage_text.h).
// Tested by tests/host/cli/option_table_test.cpp.
#include "host/cli/usage_text.h"

#include <string_view>
#include <vector>

#include "host/cli/option_table.h"

namespace vantrel {
namespace {

// The help's option column: two blanks, the names, and the text from this column on.
constexpr size_t kHelpColumn = 21;
constexpr size_t kSynopsisWidth = 95;

// "-f TYPES", "--options=N", "-h, --help"; the operand first for the option it stands for.
std::string helpLabel(const OptionRow& row) {
  std::string label;
  if (row.alsoOperand) label = std::string(row.value) + ", ";
  if (row.shortName) {
    label += std::string("-") + row.shortName;
    if (row.value) label += std::string(" ") + row.value;
  }
  if (row.longName) {
    if (row.shortName) label += ", ";
    label += std::string("--") + row.longName;
    if (row.value) label += std::string("=") + row.value;
  }
  return label;
}

// "[-t TEXT]", "[--format=text|json|vimgrep]", "[--select=NODE]...", "[-j N|--threads=N]".
std::string synopsisWord(const OptionRow& row) {
  std::string value;
  if (row.choices) {
    value = row.choices;
    for (char& c : value)
      if (c == ' ') c = '|';
  } else if (row.value) {
    value = row.value;
  }
  std::string word = "[";
  if (row.shortName) word += std::string("-") + row.shortName + (row.value ? " " + value : "");
  if (row.shortName && row.longName) word += "|";
  if (row.longName) word += std::string("--") + row.longName + (row.value ? "=" + value : "");
  word += "]";
  if (row.repeatable) word += "...";
  return word;
}

std::string optionLines() {
  std::string out, pending;  // pending: labels of rows told of by the next row's text
  for (const OptionRow& row : optionTable()) {
    pending += (pending.empty() ? "" : ", ") + helpLabel(row);
    if (!row.help) continue;
    std::string label = "  " + pending;
    pending.clear();
    if (label.size() + 2 > kHelpColumn) {
      out += label + "\n";
      label.clear();
    }
    std::string_view help = row.help;
    for (size_t start = 0; start <= help.size();) {
      size_t end = help.find('\n', start);
      if (end == std::string_view::npos) end = help.size();
      label.resize(kHelpColumn, ' ');
      out += label;
      out.append(help.substr(start, end - start));
      out += '\n';
      label.clear();
      start = end + 1;
    }
  }
  return out;
}

}  // namespace

std::string synopsisText() {
  std::vector<std::string> words;
  for (const OptionRow& row : optionTable()) {
    if (row.endsCommand) continue;
    if (row.alsoOperand) words.push_back("[" + std::string(row.value) + "]");
    words.push_back(synopsisWord(row));
  }
  std::string out = "vantrel";
  size_t lineStart = 0;
  for (const std::string& word : words) {
    if (out.size() - lineStart + 1 + word.size() > kSynopsisWidth) {
      out += "\n       ";
      lineStart = out.size() - 7;
    }
    out += " " + word;
  }
  return out + "\n";
}

std::string usageText() {
  return R"(Usage: vantrel [TEXT] [OPTION]...
Search many files at once for a text or a regular expression and list every matching line.

The search dialog always runs: what is given here is typed into it and OK is pressed; a field
not given keeps what the dialog shows (the last value used, remembered in the registry).

Options:
)" + optionLines() +
         R"(
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
                     ../libexec/vantrel/vantrel.so from its folder)
  XDG_CONFIG_HOME    the folder that holds vantrel/registry.sqlite3 (default: ~/.config)

Files:
  $XDG_CONFIG_HOME/vantrel/registry.sqlite3
                     the settings: the last fifteen entries of each field and the options
)";
}

}  // namespace vantrel
