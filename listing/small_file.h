// Reading the small files the listing rules are made of: ignore files, a ".git" file, a git
// configuration file, a repository's "commondir".
//
// Threading: any thread. Tested by tests/listing/listing_rules_test.cpp.
#ifndef VANTREL_LISTING_SMALL_FILE_H_
#define VANTREL_LISTING_SMALL_FILE_H_

#include <string>

namespace vlisting {

// Leaves the contents of the file `path` in `text`; false when it cannot be read.
bool readSmallFile(const std::string& path, std::string& text);

}  // namespace vlisting

#endif  // VANTREL_LISTING_SMALL_FILE_H_
