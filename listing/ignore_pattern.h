// One line of an ignore file (.gitignore, .ignore, .git/info/exclude, git's excludes file) or one
// --exclude, read with git's rules, and its test against an entry.
//
// A blank line or one starting with "#" holds no pattern; "!" makes a pattern re-include what an
// earlier one ignored; "\" takes the next character literally ("\#", "\!", "\ "); trailing spaces
// are dropped unless escaped; a trailing "/" limits the pattern to directories. A pattern with a
// "/" at its start or in its middle is anchored: it matches the path relative to the ignore file's
// directory; any other pattern matches the last component at any depth. "*" and "?" match within
// one component, "[...]" a set of characters ("!" or "^" negates, ranges, "[:alpha:]" classes),
// "**/" at the start or "/**/" any number of directories, "/**" at the end everything inside.
//
// Invariant: a pattern never changes once parsed; matching allocates nothing, and a pattern that
// is a plain name or "*" and a plain tail (the usual "*.o") is compared without the general match,
// which any other pattern runs only on a subject holding its longest plain run.
// Threading: a parsed pattern may be used from any thread. Tested by
// tests/listing/ignore_pattern_test.cpp and tests/listing/listing_rules_test.cpp.
#ifndef VANTREL_LISTING_IGNORE_PATTERN_H_
#define VANTREL_LISTING_IGNORE_PATTERN_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vlisting {

// git's wildmatch with "/" special: whether `text` matches `pattern` as a whole.
bool wildMatch(std::string_view pattern, std::string_view text);

// What every entry name a pattern matches has: a listing checks it on each pattern that may apply
// to a name before matching, and it turns most away in a few compares of bytes in a row.
struct NameShape {
  bool directoryOnly = false;
  uint8_t dots = 0;        // dots the name holds at least
  uint8_t headLength = 0;  // bytes of `head` it starts with
  uint8_t tailLength = 0;  // bytes of `tail` it ends with, each masked by `tailMask`
  char head[8] = {};
  char tail[8] = {};
  char tailMask[8] = {};  // 0 where the name's byte may be any

  // `dotsInName`: how many dots `name` holds.
  bool admits(std::string_view name, size_t dotsInName, bool directory) const {
    if ((directoryOnly && !directory) || dotsInName < dots || name.size() < headLength ||
        name.size() < tailLength)
      return false;
    for (size_t i = 0; i < headLength; ++i)
      if (name[i] != head[i]) return false;
    const char* at = name.data() + name.size() - tailLength;
    for (size_t i = tailLength; i > 0; --i)
      if ((at[i - 1] & tailMask[i - 1]) != tail[i - 1]) return false;
    return true;
  }
};

class IgnorePattern {
 public:
  // The pattern of one line (without its line break), or nothing for a blank or comment line.
  static std::optional<IgnorePattern> parse(std::string_view line);
  // A pattern over names alone: `name` (one component, wildcards allowed) at any depth, negated
  // and limited to directories as told. What an anchored pattern leaves over one directory's
  // entries once the directories on its way matched.
  static IgnorePattern nameTest(std::string_view name, bool negated, bool directoryOnly);

  // Whether the pattern matches the entry whose path relative to the ignore file's directory is
  // `relative` (components joined by "/") and whose last component is `name`. Inline: a listing
  // asks it for every pattern in force of every entry, and most answers are a short compare.
  bool matches(std::string_view relative, std::string_view name, bool directory) const {
    if (directoryOnly_ && !directory) return false;
    std::string_view subject = anchored_ ? relative : name;
    if (firstByte_ >= 0 &&
        (subject.empty() || static_cast<unsigned char>(subject[0]) != firstByte_))
      return false;
    switch (kind_) {
      case Kind::kLiteral:
        return subject == plain_;
      case Kind::kTail: {
        // From the end, where names differ first ("*.o" against "a.c").
        if (subject.size() < plain_.size()) return false;
        const char* a = subject.data() + subject.size();
        const char* b = plain_.data() + plain_.size();
        while (b != plain_.data())
          if (*--a != *--b) return false;
        return true;
      }
      case Kind::kGeneral:
        break;
    }
    // A name without the pattern's longest plain run cannot match it.
    return subject.find(plain_) != std::string_view::npos && wildMatch(text_, subject);
  }
  bool negated() const { return negated_; }
  bool directoryOnly() const { return directoryOnly_; }
  bool anchored() const { return anchored_; }
  // Without "!", the leading "/" and the trailing "/": components joined by "/" when anchored.
  const std::string& text() const { return text_; }
  // Whether the pattern is anchored and may be taken a component at a time: each component
  // matches one component of the path (no "**", no escape, no set, no empty component).
  bool reducible() const { return reducible_; }
  // What every name the pattern matches looks like, checked ahead of the match.
  const NameShape& shape() const { return shape_; }
  // The bytes a subject the pattern matches may end with; empty when that may be any.
  const std::string& lastBytes() const { return lastBytes_; }
  // The byte the entry's name must start with, or -1 when that may be any.
  int nameFirstByte() const { return anchored_ ? -1 : firstByte_; }

 private:
  enum class Kind { kLiteral, kTail, kGeneral };
  void classify();    // sets what follows text_ from it and anchored_
  std::string text_;  // without "!", the leading "/" and the trailing "/"
  // kLiteral: the whole pattern; kTail: what follows the "*"; kGeneral: its longest run of
  // characters that match only themselves
  std::string plain_;
  Kind kind_ = Kind::kGeneral;
  bool negated_ = false;
  bool directoryOnly_ = false;
  bool anchored_ = false;
  std::string lastBytes_;
  int firstByte_ = -1;  // the byte a subject must start with, or -1 for any
  bool reducible_ = false;
  NameShape shape_;
};

}  // namespace vlisting

#endif  // VANTREL_LISTING_IGNORE_PATTERN_H_
