// Ignore files read into patterns (see listing/rule_file.h).
// Tested by tests/listing/listing_rules_test.cpp.
#include "listing/rule_file.h"

#include <string_view>

#include "listing/small_file.h"

namespace vlisting {

std::shared_ptr<const RuleFile> parseRules(const std::string& text, std::string base) {
  auto file = std::make_shared<RuleFile>();
  file->base = std::move(base);
  // A UTF-8 byte order mark is no part of the first pattern, as git reads it.
  size_t at = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    if (auto pattern = IgnorePattern::parse(std::string_view(text).substr(at, end - at)))
      file->patterns.push_back(std::move(*pattern));
    at = end + 1;
  }
  if (file->patterns.empty()) return nullptr;
  return file;
}

std::shared_ptr<const RuleFile> readRules(const std::string& path, const std::string& base,
                                          SmallFile& outcome, bool followLink) {
  std::string text;
  outcome = readSmallFile(path, text, followLink);
  if (outcome != SmallFile::kRead) return nullptr;
  return parseRules(text, base);
}

}  // namespace vlisting
