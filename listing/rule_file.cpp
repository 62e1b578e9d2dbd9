// Ignore files read into patterns (see listing/rule_file.h).
// Tested by tests/listing/listing_rules_test.cpp.
#include "listing/rule_file.h"

#include <string_view>

#include "listing/small_file.h"

namespace vlisting {

std::shared_ptr<const RuleFile> parseRules(const std::string& text, std::string base) {
  auto file = std::make_shared<RuleFile>();
  file->base = std::move(base);
  size_t at = 0;
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

std::shared_ptr<const RuleFile> readRules(const std::string& path, const std::string& base) {
  std::string text;
  if (!readSmallFile(path, text)) return nullptr;
  return parseRules(text, base);
}

}  // namespace vlisting
