// One ignore file's patterns (.gitignore, .ignore, info/exclude, git's excludes file, or the
// host's exclusions), read with git's rules line by line (listing/ignore_pattern.h).
//
// Invariant: a rule file never changes once read; it is shared by every directory below its own.
// Threading: any thread. Tested by tests/listing/listing_rules_test.cpp.
#ifndef VANTREL_LISTING_RULE_FILE_H_
#define VANTREL_LISTING_RULE_FILE_H_

#include <memory>
#include <string>
#include <vector>

#include "listing/ignore_pattern.h"
#include "listing/small_file.h"

namespace vlisting {

// The patterns of one ignore file, and the directory they are relative to.
struct RuleFile {
  std::string base;  // absolute, "" for the root
  std::vector<IgnorePattern> patterns;
};
using RuleFiles = std::vector<std::shared_ptr<const RuleFile>>;

// The patterns of `text` relative to `base`; nullptr when it holds none.
std::shared_ptr<const RuleFile> parseRules(const std::string& text, std::string base);

// The patterns of the file `path` relative to `base`; nullptr when it holds none or was not read,
// with what became of the file in `outcome` (listing/small_file.h). `followLink`: whether a
// symbolic link at `path` is followed.
std::shared_ptr<const RuleFile> readRules(const std::string& path, const std::string& base,
                                          SmallFile& outcome, bool followLink = true);

}  // namespace vlisting

#endif  // VANTREL_LISTING_RULE_FILE_H_
