// The add-on's version block as the vantrel command shows it for --version, on POSIX and Windows:
// the texts of the module's version resource (RT_VERSION), read through FindResourceA/LoadResource.
//
// Threading: any; no state. Tested by tests/host/cli/command_e2e_test.cpp (--version).
#ifndef VANTREL_HOST_COMMAND_VERSION_H_
#define VANTREL_HOST_COMMAND_VERSION_H_

#include <map>
#include <ostream>
#include <string>

#include "addon/platform.h"

namespace vantrel {

// The string values of a VS_VERSIONINFO block ("FileVersion", "FileDescription", ...), read from
// its first string table and converted from UTF-16 to UTF-8. Empty when the block is malformed.
std::map<std::string, std::string> parseVersionBlock(const void* data, size_t size);

// The string values of `module`'s version resource; empty when it has none.
std::map<std::string, std::string> readModuleVersion(HMODULE module);

// --version: loads the add-on at `addOnPath` and writes its version and description to `out`, or
// one line to `err`. Answers the exit status.
int showVersion(const std::string& addOnPath, std::ostream& out, std::ostream& err);

}  // namespace vantrel

#endif  // VANTREL_HOST_COMMAND_VERSION_H_
