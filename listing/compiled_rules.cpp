// Patterns compiled for judging names (see listing/compiled_rules.h).
// Tested by tests/listing/listing_rules_test.cpp.
#include "listing/compiled_rules.h"

#include <algorithm>

namespace vlisting {

void Compiled::index() {
  auto higher = [](const Candidate& a, const Candidate& b) { return a.rank > b.rank; };
  if (!std::is_sorted(candidates.begin(), candidates.end(), higher))
    std::stable_sort(candidates.begin(), candidates.end(), higher);
  uint32_t lastCounts[2][257] = {}, firstCounts[2][257] = {};
  for (const Candidate& c : candidates) {
    const IgnorePattern& p = *c.pattern;
    maxDots = std::max<size_t>(maxDots, std::max<uint8_t>(p.shape().dots, 2));
    int k = p.shape().dots > 1;
    for (char b : p.lastBytes()) ++lastCounts[k][static_cast<unsigned char>(b) + 1];
    if (p.lastBytes().empty() && p.shape().headLength)
      ++firstCounts[k][static_cast<unsigned char>(p.shape().head[0]) + 1];
  }
  uint32_t nextLast[2][256], nextFirst[2][256];
  for (int k = 0; k < 2; ++k) {
    Lists& l = lists[k];
    for (int b = 0; b < 256; ++b) {
      l.lastStart[b + 1] = l.lastStart[b] + lastCounts[k][b + 1];
      l.firstStart[b + 1] = l.firstStart[b] + firstCounts[k][b + 1];
    }
    l.byLast.resize(l.lastStart[256]);
    l.byFirst.resize(l.firstStart[256]);
    std::copy(l.lastStart, l.lastStart + 256, nextLast[k]);
    std::copy(l.firstStart, l.firstStart + 256, nextFirst[k]);
  }
  for (uint32_t i = 0; i < candidates.size(); ++i) {
    const IgnorePattern& p = *candidates[i].pattern;
    int k = p.shape().dots > 1;
    Lists& l = lists[k];
    Probe probe{i, p.shape()};
    for (char b : p.lastBytes()) l.byLast[nextLast[k][static_cast<unsigned char>(b)]++] = probe;
    if (!p.lastBytes().empty()) continue;
    if (!p.shape().headLength)
      l.anyByte.push_back(probe);
    else
      l.byFirst[nextFirst[k][static_cast<unsigned char>(p.shape().head[0])]++] = probe;
  }
}

std::shared_ptr<const Compiled> compileFile(const RuleFile& file, Judged source, size_t index) {
  auto compiled = std::make_shared<Compiled>();
  for (size_t i = file.patterns.size(); i-- > 0;) {  // highest rank first
    const IgnorePattern& p = file.patterns[i];
    if (p.reducible()) continue;
    compiled->candidates.push_back(
        Candidate{&p, p.anchored() ? &file.base : nullptr, rankOf(source, index, i), source});
  }
  if (compiled->candidates.empty()) return nullptr;
  compiled->index();
  return compiled;
}

std::shared_ptr<const Compiled> compileExclusions(const std::vector<std::string>& patterns,
                                                  const std::string& base) {
  auto compiled = std::make_shared<Compiled>();
  compiled->ownBase = base;
  compiled->within = false;
  std::string text;
  for (const std::string& p : patterns) text += p + "\n";
  if (auto file = parseRules(text, "")) compiled->owned = file->patterns;
  for (size_t i = 0; i < compiled->owned.size(); ++i) {
    const IgnorePattern& p = compiled->owned[i];
    compiled->candidates.push_back(
        Candidate{&p, p.anchored() ? &compiled->ownBase : nullptr, i, kExcludedEntry});
  }
  if (compiled->candidates.empty()) return nullptr;
  compiled->index();
  return compiled;
}

}  // namespace vlisting
