// git's excludes file, as the user's and the repository's git configuration name it
// (core.excludesFile), else its default place ($XDG_CONFIG_HOME/git/ignore).
//
// The configuration files are read as git reads them, for the keys used here: sections
// ("[core]", "[section \"sub\"]", "[section.sub]") and names without regard to case; a value's
// blanks around it dropped, "#" and ";" starting a comment outside quotes, double quotes
// removed, the escapes \\ \" \n \t \b, and a backslash at a line's end going on on the next
// line; "~/" at the head of a path the home directory. "[include] path = FILE" is read in place
// (a relative FILE beside the file including it, ten deep at most); "[includeIf ...]" is not
// followed. GIT_CONFIG_NOSYSTEM leaves /etc/gitconfig unread, as for git. A file git would refuse
// as malformed is read up to the fault.
//
// Threading: any thread. Tested by tests/listing/listing_rules_test.cpp.
#ifndef VANTREL_LISTING_GIT_CONFIG_H_
#define VANTREL_LISTING_GIT_CONFIG_H_

#include <string>

namespace vlisting {

// Leaves in `value` the last core.excludesFile the git configuration file `configPath` sets,
// "~/" expanded; `value` stays as it was when the file sets none.
void readExcludesFile(const std::string& configPath, std::string& value);

// git's excludes file as the user's configuration (system, XDG, home) names it, or its default
// place; "" when there is none.
std::string userExcludesFile();

}  // namespace vlisting

#endif  // VANTREL_LISTING_GIT_CONFIG_H_
