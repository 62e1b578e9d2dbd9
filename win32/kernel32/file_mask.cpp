// Windows' file name masks (see win32/kernel32/file_mask.h).
//
// A mask is folded and read into tokens once: "?", "*" and "." take their Windows meanings by
// what follows them, every other byte stands for itself. A name is matched by memoised descent
// over (token, position), so no mask makes a match exponential; a mask of "*" and plain bytes
// only ("*.c") is a test of the name's end, without the descent.
// Tested by tests/win32/kernel32/findfile_test.cpp.
#include "win32/kernel32/file_mask.h"

#include <mutex>
#include <utility>

#include "win32/include/winbase.h"
#include "win32/kernel32/ascii_fold.h"
#include "win32/kernel32/codepage.h"

namespace {

using vwin::foldAscii;

// Pattern tokens after the Windows translation of "?", "." and "*".
enum Token : int {
  kAny = 256,  // "*": any run of characters
  kDosStar,    // "*" before ".": any run that leaves the name's last dot still to match
  kDosQm,      // "?": one character, or none at a dot or the end of the name
  kDosDot,     // "." before a wildcard or at the end: a dot, or the end of the name
};

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

std::vector<int> compilePattern(std::string pattern) {
  std::vector<int> tokens;
  if (pattern == "*.*") return {kAny};
  CharUpperBuffA(pattern.data(), static_cast<DWORD>(pattern.size()));
  for (size_t i = 0; i < pattern.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(pattern[i]);
    bool last = i + 1 == pattern.size();
    char next = last ? '\0' : pattern[i + 1];
    if (c == '?') {
      tokens.push_back(kDosQm);
    } else if (c == '*') {
      tokens.push_back(next == '.' ? kDosStar : kAny);
    } else if (c == '.' && (last || next == '*' || next == '?')) {
      tokens.push_back(kDosDot);
    } else {
      tokens.push_back(c);
    }
  }
  return tokens;
}

}  // namespace

namespace vwin {

MaskMatcher::MaskMatcher(const std::string& mask)
    : tokens_(compilePattern(mask)), utf8_(GetACP() == CP_UTF8) {
  // "*" followed by plain characters only (a mask such as "*.c"): a name matches exactly when
  // it ends in them, ignoring case. (A "*" before a dot may not pass the name's last dot, but
  // a name ending in the rest has that rest's dot as its last.)
  bool plain = !tokens_.empty() && (tokens_[0] == kAny || tokens_[0] == kDosStar);
  for (size_t i = 1; plain && i < tokens_.size(); ++i) plain = tokens_[i] < 256;
  if (plain)
    for (size_t i = 1; i < tokens_.size(); ++i) suffix_.push_back(static_cast<char>(tokens_[i]));
  suffixOnly_ = plain;
}

bool MaskMatcher::matches(std::string_view name) {
  if (suffixOnly_) {
    if (name.size() < suffix_.size()) return false;
    size_t tail = name.size() - suffix_.size();
    if (asciiFrom(name, tail)) {
      for (size_t i = 0; i < suffix_.size(); ++i)
        if (foldAscii(static_cast<unsigned char>(name[tail + i])) !=
            static_cast<unsigned char>(suffix_[i]))
          return false;
      return true;
    }
    // Folded from the start of the character the tail begins in, as the whole name would be.
    size_t from = tail;
    while (from > 0 && tail - from < 3 && isContinuation(static_cast<unsigned char>(name[from])))
      --from;
    folded_.assign(name.substr(from));
    CharUpperBuffA(folded_.data(), static_cast<DWORD>(folded_.size()));
    return std::string_view(folded_).substr(tail - from) == suffix_;
  }
  folded_.assign(name);
  CharUpperBuffA(folded_.data(), static_cast<DWORD>(folded_.size()));
  name_ = folded_;
  lastDot_ = name_.rfind('.');
  memo_.assign((tokens_.size() + 1) * (name.size() + 1), 0);
  return at(0, 0);
}

bool MaskMatcher::at(size_t t, size_t n) {
  int8_t& m = memo_[t * (name_.size() + 1) + n];
  if (m) return m > 0;
  bool r = compute(t, n);
  m = r ? 1 : -1;
  return r;
}

bool MaskMatcher::compute(size_t t, size_t n) {
  size_t size = name_.size();
  if (t == tokens_.size()) return n == size;
  int tok = tokens_[t];
  switch (tok) {
    case kAny:
      for (size_t k = n; k <= size; ++k)
        if (at(t + 1, k)) return true;
      return false;
    case kDosStar: {
      // May run up to the last dot (which the rest must then match), or to the end when there
      // is no dot left.
      size_t limit = lastDot_ == std::string::npos || lastDot_ < n ? size : lastDot_;
      for (size_t k = n; k <= limit; ++k)
        if (at(t + 1, k)) return true;
      return false;
    }
    case kDosQm:
      if (n == size || name_[n] == '.') {
        size_t u = t;
        while (u < tokens_.size() && tokens_[u] == kDosQm) ++u;
        return at(u, n);
      }
      return at(t + 1, n + characterLength(n));
    case kDosDot:
      if (n == size) return at(t + 1, n);
      return name_[n] == '.' && at(t + 1, n + 1);
    default:
      return n < size && static_cast<unsigned char>(name_[n]) == tok && at(t + 1, n + 1);
  }
}

bool MaskMatcher::asciiFrom(std::string_view name, size_t from) {
  for (size_t i = from; i < name.size(); ++i)
    if (static_cast<unsigned char>(name[i]) >= 0x80) return false;
  return true;
}

size_t MaskMatcher::characterLength(size_t n) const {
  uint32_t codePoint;
  int length = 0;
  if (utf8_)
    length = vwin::utf8SequenceAt(reinterpret_cast<const unsigned char*>(name_.data()) + n,
                                  name_.size() - n, &codePoint);
  return length > 0 ? static_cast<size_t>(length) : 1;
}

std::shared_ptr<const std::vector<uint32_t>> matchedNames(const DirectoryListing& listing,
                                                          const std::string& namePattern,
                                                          LazyMatcher& matcher) {
  UINT codePage = GetACP();
  size_t kept = 0;
  {
    std::lock_guard<std::mutex> lock(listing.maskedMutex);
    for (const DirectoryListing::Masked& m : listing.masked) {
      if (m.codePage == codePage && m.mask == namePattern) return m.matched;
      kept += m.matched->size();
    }
  }
  auto matched = std::make_shared<std::vector<uint32_t>>();
  for (size_t i = 0; i < listing.names.size(); ++i) {
    const DirectoryListing::Name& entry = listing.names[i];
    if (matcher.get().matches(std::string_view(listing.name(entry), entry.length)))
      matched->push_back(static_cast<uint32_t>(i));
  }
  matched->shrink_to_fit();
  std::lock_guard<std::mutex> lock(listing.maskedMutex);
  // Within what the listing's size allows for; another thread may have kept the same meanwhile.
  if (listing.masked.size() < DirectoryListing::kMaskedKept &&
      kept + matched->size() <= listing.names.size()) {
    bool known = false;
    for (const DirectoryListing::Masked& m : listing.masked)
      known = known || (m.codePage == codePage && m.mask == namePattern);
    if (!known) listing.masked.push_back(DirectoryListing::Masked{namePattern, codePage, matched});
  }
  return matched;
}

}  // namespace vwin
