// Windows' file name masks, as FindFirstFileA reads them: "*" any run of characters, "?" one
// character (or none before a dot or at the end), a "." followed by a wildcard or ending the mask
// also the end of a name without a dot, "*.*" every name; case-insensitive, mask and name folded
// alike by CharUpperBuffA in the ANSI code page, so in UTF-8 "?" is one whole sequence. The names
// of a directory's listing that a mask matched are kept with the listing.
//
// Invariant: what a listing keeps is, per mask and code page, the indexes its names matched, for
// at most kMaskedKept masks and never more indexes in all than the listing has names.
// Threading: a matcher belongs to one thread; matchedNames may be asked from any thread (the
// listing's kept matches are under its lock). Tested by tests/win32/kernel32/findfile_test.cpp.
#ifndef VANTREL_WIN32_FILE_MASK_H_
#define VANTREL_WIN32_FILE_MASK_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "win32/kernel32/listing_cache.h"

namespace vwin {

// A mask compiled once, matching names one after another.
class MaskMatcher {
 public:
  explicit MaskMatcher(const std::string& mask);

  // Whether `name` fits the mask.
  bool matches(std::string_view name);

 private:
  bool at(size_t t, size_t n);
  bool compute(size_t t, size_t n);
  // Whether name[from, end) is ASCII only, and no sequence runs into it from before.
  static bool asciiFrom(std::string_view name, size_t from);
  // The bytes of the character at name_[n] (n < size): a whole sequence in UTF-8, else one.
  size_t characterLength(size_t n) const;

  std::vector<int> tokens_;
  bool suffixOnly_ = false;
  bool utf8_;
  std::string suffix_;  // folded
  std::string folded_;  // the name (or its tail) being matched, folded
  std::string_view name_;
  size_t lastDot_ = std::string::npos;
  std::vector<int8_t> memo_;
};

// A mask's compiled form, made when first needed: a request answered from the names its mask
// matched before needs none.
class LazyMatcher {
 public:
  explicit LazyMatcher(const std::string& pattern) : pattern_(pattern) {}
  MaskMatcher& get() {
    if (!matcher_) matcher_.emplace(pattern_);
    return *matcher_;
  }

 private:
  const std::string& pattern_;
  std::optional<MaskMatcher> matcher_;
};

// Whether every name fits the mask: Windows' "*" and "*.*".
inline bool matchesEveryName(const std::string& namePattern) {
  return namePattern == "*" || namePattern == "*.*";
}

// The indexes of the listing's names that fit `namePattern` in the current ANSI code page,
// ascending: matched once per listing and mask, then kept with the listing while there is room
// for them (a search asks by the same mask in its counting pass and in its search).
std::shared_ptr<const std::vector<uint32_t>> matchedNames(const DirectoryListing& listing,
                                                          const std::string& namePattern,
                                                          LazyMatcher& matcher);

}  // namespace vwin

#endif  // VANTREL_WIN32_FILE_MASK_H_
