// Writes a shell's completion file for vantrel: its template (packaging/completions/*.in) with
// each marker line replaced by what the command's option table (host/cli/option_table.h) says
// for that shell, so the completions offer exactly the options the parser takes.
//   completions_gen TEMPLATE OUTPUT
// Checked by tests/packaging/install_test.sh, which asks each shell to complete.
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "host/cli/option_table.h"

namespace {

using vantrel::OptionRow;
using vantrel::ValueCompletion;

// A text in single quotes for any of the three shells.
std::string quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string shortName(const OptionRow& row) { return std::string("-") + row.shortName; }
std::string longName(const OptionRow& row) { return std::string("--") + row.longName; }

// bash: `case $prev in` arms for the options that take a value, by what their value offers.
std::string bashValueCases() {
  std::string out, freeText;
  for (const OptionRow& row : vantrel::optionTable()) {
    if (!row.value) continue;
    std::string names;
    if (row.shortName) names = shortName(row);
    if (row.longName) names += (names.empty() ? "" : " | ") + longName(row);
    switch (row.completion) {
      case ValueCompletion::kNone:
        freeText += (freeText.empty() ? "" : " | ") + names;
        continue;
      case ValueCompletion::kFile:
        out += "    " + names +
               ")\n      compopt -o filenames 2>/dev/null\n"
               "      mapfile -t COMPREPLY < <(compgen -f -- \"$cur\")\n      return\n      ;;\n";
        break;
      case ValueCompletion::kFileTypes:
        out += "    " + names + ")\n      candidates=(\"${file_types[@]}\")\n      ;;\n";
        break;
      case ValueCompletion::kDirectories:
        out += "    " + names +
               ")\n      candidates=(\"${special_directories[@]}\")\n      want_folders=1\n"
               "      ;;\n";
        break;
      case ValueCompletion::kChoices:
        out += "    " + names + ")\n      COMPREPLY=($(compgen -W " + quoted(row.choices) +
               " -- \"$cur\"))\n      return\n      ;;\n";
        break;
    }
  }
  if (!freeText.empty()) out += "    " + freeText + ")\n      return\n      ;;\n";
  out.pop_back();
  return out;
}

// bash: every option as typed, a long one that takes a value with its "=".
std::string bashOptionWords() {
  std::string out;
  size_t lineStart = 0;
  for (const OptionRow& row : vantrel::optionTable()) {
    for (std::string word :
         {row.shortName ? shortName(row) : std::string(),
          row.longName ? longName(row) + (row.value ? "=" : "") : std::string()}) {
      if (word.empty()) continue;
      if (out.size() - lineStart + word.size() > 64) {
        out += "\n         ";
        lineStart = out.size();
      } else if (!out.empty()) {
        out += ' ';
      }
      out += word;
    }
  }
  return out;
}

// zsh: one _arguments option description a line, each ending the line with a backslash.
std::string zshOptionSpecs() {
  std::string out;
  for (const OptionRow& row : vantrel::optionTable()) {
    std::string rest = std::string("[") + row.brief + "]";
    if (row.value) {
      // In the message that follows, a colon is the next field's start unless escaped.
      rest += ':';
      for (const char* c = row.brief; *c; ++c)
        rest += *c == ':' ? std::string("\\:") : std::string(1, *c);
      rest += ':';
      switch (row.completion) {
        case ValueCompletion::kNone:
          rest += " ";
          break;
        case ValueCompletion::kFile:
          rest += "_files";
          break;
        case ValueCompletion::kFileTypes:
          rest += "->types";
          break;
        case ValueCompletion::kDirectories:
          rest += "->directories";
          break;
        case ValueCompletion::kChoices:
          rest += std::string("(") + row.choices + ")";
          break;
      }
    }
    // Both spellings of one option: brace expansion gives each the same description.
    std::string eq = row.value ? "=" : "";
    bool both = row.shortName && row.longName;
    std::string prefix = row.endsCommand  ? "(- *)"
                         : row.repeatable ? "*"
                         : both           ? "(" + shortName(row) + " " + longName(row) + ")"
                                          : "";
    if (both)
      out += "  " + quoted(prefix) + "{" + shortName(row) + "," + longName(row) + eq + "}" +
             quoted(rest) + " \\\n";
    else
      out += "  " + quoted(prefix + (row.shortName ? shortName(row) : longName(row) + eq) + rest) +
             " \\\n";
  }
  out.pop_back();
  return out;
}

// fish: one `complete` a line; a description begins with a capital, as fish's own do.
std::string fishCompletions() {
  std::string out;
  for (const OptionRow& row : vantrel::optionTable()) {
    out += "complete -c vantrel";
    if (row.shortName) out += std::string(" -s ") + row.shortName;
    if (row.longName) out += std::string(" -l ") + row.longName;
    if (row.value) {
      switch (row.completion) {
        case ValueCompletion::kNone:
          out += " -x";
          break;
        case ValueCompletion::kFile:
          out += " -r -F";
          break;
        case ValueCompletion::kFileTypes:
          out += " -x -a '(__vantrel_file_types)'";
          break;
        case ValueCompletion::kDirectories:
          out += " -x -a '(__vantrel_directories)'";
          break;
        case ValueCompletion::kChoices:
          out += " -x -a " + quoted(row.choices);
          break;
      }
    }
    std::string brief = row.brief;
    if (!brief.empty() && brief[0] >= 'a' && brief[0] <= 'z') brief[0] += 'A' - 'a';
    out += " -d " + quoted(brief) + "\n";
  }
  out.pop_back();
  return out;
}

// The text of a marker line, or false when the line is none.
bool markerText(const std::string& line, std::string& text) {
  if (line == "@BASH_VALUE_CASES@")
    text = bashValueCases();
  else if (line == "@ZSH_OPTION_SPECS@")
    text = zshOptionSpecs();
  else if (line == "@FISH_COMPLETIONS@")
    text = fishCompletions();
  else
    return false;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: completions_gen TEMPLATE OUTPUT\n";
    return 2;
  }
  // zsh reads brackets in a description as its own syntax.
  for (const OptionRow& row : vantrel::optionTable())
    if (std::string(row.brief).find_first_of("[]") != std::string::npos) {
      std::cerr << "completions_gen: the brief text of an option holds '[' or ']': " << row.brief
                << "\n";
      return 1;
    }
  std::ifstream in(argv[1]);
  if (!in) {
    std::cerr << "completions_gen: cannot read " << argv[1] << "\n";
    return 1;
  }
  std::ostringstream out;
  for (std::string line; std::getline(in, line);) {
    std::string text;
    if (!markerText(line, text)) {
      text = line;
      for (size_t at; (at = text.find("@BASH_OPTION_WORDS@")) != std::string::npos;)
        text.replace(at, 19, bashOptionWords());
    }
    out << text << '\n';
  }
  std::ofstream file(argv[2]);
  file << out.str();
  if (!file.flush()) {
    std::cerr << "completions_gen: cannot write " << argv[2] << "\n";
    return 1;
  }
  return 0;
}
