// The vantrel command's --help and its synopsis, made from the option table
// (host/cli/option_table.h) and the few paragraphs around it.
// Threading: any; no state.
// Tested by tests/host/cli/option_table_test.cpp.
#ifndef VANTREL_HOST_USAGE_TEXT_H_
#define VANTREL_HOST_USAGE_TEXT_H_

#include <string>

namespace vantrel {

// The text of --help (help2man makes the manual page's options from it).
std::string usageText();

// "vantrel [TEXT] [-t TEXT] ..." with every option that searches, in the table's order, lines
// broken before 96 columns and continued under the first bracket (README shows it).
std::string synopsisText();

}  // namespace vantrel

#endif  // VANTREL_HOST_USAGE_TEXT_H_
