// A path's components in normal form, as the layer's path mapping builds them: "." and empty
// components dropped, ".." taking the last part away but never going above where it started. A
// Windows path is read into one with "\\" and "/" both separating; a POSIX path with "/" alone.
//
// Invariant: the form is "" or "/part" repeated, no part empty, "." or "..".
// Threading: plain values. Tested by tests/win32/kernel32/paths_test.cpp.
#ifndef VANTREL_WIN32_PATH_COMPONENTS_H_
#define VANTREL_WIN32_PATH_COMPONENTS_H_

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace vwin {

// A path's components in normal form, "/a/b" ("" for none), built in storage the caller owns:
// empty components and "." are dropped, ".." removes the last part but never goes above the
// start. Each text applied needs room for its own length and one character more.
class Components {
 public:
  explicit Components(char* storage) : text_(storage) {}
  Components(const Components&) = delete;
  Components& operator=(const Components&) = delete;

  // Applies the components of `text`, separated by "/" and, with `backslashToo`, by "\".
  void apply(std::string_view text, bool backslashToo) {
    size_t i = 0;
    while (i < text.size()) {
      size_t end = i;
      while (end < text.size() && text[end] != '/' && !(backslashToo && text[end] == '\\')) ++end;
      std::string_view part = text.substr(i, end - i);
      if (part == "..") {
        if (length_ <= mark_) leftMark_ = true;
        while (length_ > 0 && text_[length_ - 1] != '/') --length_;
        if (length_ > 0) --length_;  // the separator before the removed part
      } else if (!part.empty() && part != ".") {
        text_[length_++] = '/';
        memcpy(text_ + length_, part.data(), part.size());
        length_ += part.size();
      }
      i = end + 1;
    }
  }
  std::string_view view() const { return std::string_view(text_, length_); }
  // Marks where the form ends now; from here on, whether a ".." takes away a part from before it.
  void mark() {
    mark_ = length_;
    leftMark_ = false;
  }
  size_t marked() const { return mark_; }
  bool leftMark() const { return leftMark_; }

 private:
  char* text_;
  size_t length_ = 0;
  size_t mark_ = 0;
  bool leftMark_ = false;
};

// A POSIX path in normal form ("/" for the root).
inline std::string normalPosix(std::string_view path) {
  std::string storage(path.size() + 1, '\0');
  Components parts(storage.data());
  parts.apply(path, false);
  return parts.view().empty() ? std::string("/") : std::string(parts.view());
}

}  // namespace vwin

#endif  // VANTREL_WIN32_PATH_COMPONENTS_H_
