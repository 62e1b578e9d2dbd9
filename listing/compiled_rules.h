// The patterns in force over a directory's entries, compiled for judging names fast.
//
// Patterns are tried in rank order (.ignore files ahead of git's, deeper files ahead of
// shallower, later lines ahead of earlier; the host's exclusions apart, ahead of all); the first
// that matches decides. A name is tried against the probes of its last byte, those of its first
// byte (of patterns that may end with any byte but start with a known one) and those of patterns
// that may start and end with any byte, each list in rank order, each probe first checked on the
// name's dots, first and last bytes; the lists of patterns whose names hold more than one dot are
// apart, so most names pass them over without a look.
//
// Invariant: a compiled set never changes once indexed; matching allocates nothing.
// Threading: any thread. Tested by tests/listing/listing_rules_test.cpp.
#ifndef VANTREL_LISTING_COMPILED_RULES_H_
#define VANTREL_LISTING_COMPILED_RULES_H_

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "listing/ignore_pattern.h"
#include "listing/rule_file.h"

namespace vlisting {

// What became of an entry, as kept among the verdicts (0: not judged yet).
enum Judged : uint8_t { kShownEntry = 1, kIgnoredByGit, kIgnoredByIgnoreFile, kExcludedEntry };

// One pattern in force over a directory's entries.
struct Candidate {
  const IgnorePattern* pattern;
  // For a pattern tested against whole paths, the directory they are relative to; nullptr for
  // one tested against names.
  const std::string* base;
  uint64_t rank;  // the higher is tried first
  Judged source;  // what an entry the pattern hides is
};

// The rank of a file's pattern: .ignore files ahead of git's, deeper files ahead of shallower
// (`file`, the file's place in its chain, grows with depth), later lines ahead of earlier.
inline uint64_t rankOf(Judged source, size_t file, size_t line) {
  return (source == kIgnoredByIgnoreFile ? uint64_t{1} << 63 : 0) | uint64_t{file} << 32 | line;
}

// What a name must be for a candidate to be worth trying, kept apart from the pattern so that
// passing over the many that cannot match reads a few bytes in a row.
struct Probe {
  uint32_t candidate = 0;
  NameShape shape;
};

struct Compiled {
  std::vector<IgnorePattern> owned;   // patterns made for this set alone
  std::string ownBase;                // the exclusions' directory
  std::vector<Candidate> candidates;  // highest rank first
  bool within = true;  // every base holds the directory's entries (not so for exclusions)
  // The probes by the byte a name must end with, else by the one it must start with, else
  // neither. The probes of last byte b are byLast[lastStart[b], lastStart[b + 1]), those of
  // first byte b byFirst[firstStart[b], firstStart[b + 1]).
  struct Lists {
    uint32_t lastStart[257] = {};
    uint32_t firstStart[257] = {};
    std::vector<Probe> byLast;
    std::vector<Probe> byFirst;
    std::vector<Probe> anyByte;
  };
  // Lists of the patterns whose names hold at most one dot, and of those whose names hold more.
  Lists lists[2];
  size_t maxDots = 0;  // the most dots a pattern asks for

  // Orders the candidates and makes the lists.
  void index();

  // The first candidate that matches the entry `name`, or nullptr; `full()` gives the entry's
  // absolute path, asked only when a pattern tests whole paths.
  template <class FullPath>
  const Candidate* firstMatch(std::string_view name, bool directory, FullPath&& full) const;
};

// The patterns of one rule file, from `source`, the `index`-th of its kind in its chain, but those
// a directory takes a component at a time; nullptr when none is left.
std::shared_ptr<const Compiled> compileFile(const RuleFile& file, Judged source, size_t index);

// The host's exclusions (`patterns` in gitignore syntax), anchored at `base`; nullptr for none.
std::shared_ptr<const Compiled> compileExclusions(const std::vector<std::string>& patterns,
                                                  const std::string& base);

template <class FullPath>
const Candidate* Compiled::firstMatch(std::string_view name, bool directory,
                                      FullPath&& full) const {
  auto tries = [&](const Candidate& c) {
    std::string_view subject = name;
    if (c.base) {
      std::string_view path = full();
      const std::string& base = *c.base;
      if (within || (path.size() > base.size() && path.compare(0, base.size(), base) == 0 &&
                     path[base.size()] == '/'))
        path.remove_prefix(base.size() + 1);
      subject = path;
    }
    return c.pattern->matches(subject, name, directory);
  };
  // The name's dots, counted as far as any pattern asks.
  size_t dots = 0;
  for (const char *at = name.data(), *end = at + name.size(); dots < maxDots; ++at, ++dots)
    if (!(at = static_cast<const char*>(std::memchr(at, '.', end - at)))) break;
  // The first match of each list; the one of lower index (higher rank) decides.
  uint32_t found = ~uint32_t{0};
  auto scan = [&](const Probe* p, const Probe* end) {
    for (; p != end && p->candidate < found; ++p)
      if (p->shape.admits(name, dots, directory) && tries(candidates[p->candidate])) {
        found = p->candidate;
        return;
      }
  };
  unsigned char last = static_cast<unsigned char>(name.back());
  unsigned char first = static_cast<unsigned char>(name.front());
  for (int k = 0; k < (dots > 1 ? 2 : 1); ++k) {
    const Lists& l = lists[k];
    scan(l.byLast.data() + l.lastStart[last], l.byLast.data() + l.lastStart[last + 1]);
    scan(l.byFirst.data() + l.firstStart[first], l.byFirst.data() + l.firstStart[first + 1]);
    scan(l.anyByte.data(), l.anyByte.data() + l.anyByte.size());
  }
  return found < candidates.size() ? &candidates[found] : nullptr;
}

}  // namespace vlisting

#endif  // VANTREL_LISTING_COMPILED_RULES_H_
