// git's excludes file from git's configuration (see listing/git_config.h).
// Tested by tests/listing/listing_rules_test.cpp.
#include "listing/git_config.h"

#include <cctype>
#include <cstdlib>
#include <string_view>

#include "listing/small_file.h"

namespace vlisting {

namespace {

// Includes followed within includes, at most: a file that includes itself ends there.
constexpr int kIncludeDepth = 10;

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

// One configuration file's text, read a character at a time; a value may go on over a line end
// escaped with a backslash.
class ConfigReader {
 public:
  ConfigReader(const std::string& text, const std::string& path, int depth, std::string& value)
      : text_(text), path_(path), depth_(depth), value_(value) {}

  // Reads the configuration file `path`, an include `depth` files deep, into `value`.
  static void readConfig(const std::string& path, int depth, std::string& value);

  void read() {
    while (at_ < text_.size()) {
      skipBlanks();
      if (at_ >= text_.size()) break;
      char c = text_[at_];
      if (c == '\n') {
        ++at_;
      } else if (c == '#' || c == ';') {
        skipLine();
      } else if (c == '[') {
        if (!readSection()) return;  // git stops at a broken header too
      } else if (std::isalpha(static_cast<unsigned char>(c))) {
        if (!readEntry()) return;
      } else {
        return;  // not git's syntax: git refuses the rest of the file
      }
    }
  }

 private:
  void skipBlanks() {
    while (at_ < text_.size() && blank(text_[at_])) ++at_;
  }
  void skipLine() {
    size_t end = text_.find('\n', at_);
    at_ = end == std::string::npos ? text_.size() : end + 1;
  }

  // "[name]", "[name \"sub\"]" or the older "[name.sub]"; the name is lower-cased, a quoted
  // subsection kept as written but for its escapes.
  bool readSection() {
    ++at_;
    section_.clear();
    while (at_ < text_.size() && (std::isalnum(static_cast<unsigned char>(text_[at_])) ||
                                  text_[at_] == '-' || text_[at_] == '.'))
      section_ += lower(text_[at_++]);
    if (at_ < text_.size() && blank(text_[at_])) {
      skipBlanks();
      if (at_ >= text_.size() || text_[at_] != '"') return false;
      ++at_;
      section_ += '.';
      while (at_ < text_.size() && text_[at_] != '"') {
        if (text_[at_] == '\n') return false;
        if (text_[at_] == '\\' && at_ + 1 < text_.size()) ++at_;
        section_ += text_[at_++];
      }
      if (at_ >= text_.size()) return false;
      ++at_;
    }
    if (at_ >= text_.size() || text_[at_] != ']') return false;
    ++at_;
    return true;
  }

  // "name = value", or "name" alone (a true boolean).
  bool readEntry() {
    std::string name;
    while (at_ < text_.size() &&
           (std::isalnum(static_cast<unsigned char>(text_[at_])) || text_[at_] == '-'))
      name += lower(text_[at_++]);
    skipBlanks();
    std::string value;
    if (at_ < text_.size() && text_[at_] == '=') {
      ++at_;
      if (!readValue(value)) return false;
    } else if (at_ < text_.size() && text_[at_] != '\n' && text_[at_] != '#' && text_[at_] != ';') {
      return false;
    } else {
      skipLine();
      return true;  // a boolean: neither key read here is one
    }
    use(name, value);
    return true;
  }

  // The value up to the line's end: blanks around it dropped, those inside kept, quotes removed,
  // an unquoted "#" or ";" starting a comment, and the escapes \\ \" \n \t \b and a backslash
  // before the line end (which goes on on the next line) taken.
  bool readValue(std::string& value) {
    bool quoted = false;
    size_t kept = 0;  // the value's length without its trailing unquoted blanks
    bool comment = false;
    while (at_ < text_.size()) {
      char c = text_[at_++];
      if (c == '\n') break;
      if (comment) continue;
      if (!quoted && blank(c)) {
        if (!value.empty()) value += c;
        continue;
      }
      if (!quoted && (c == '#' || c == ';')) {
        comment = true;
        continue;
      }
      if (c == '"') {
        quoted = !quoted;
        kept = value.size();
        continue;
      }
      if (c == '\\') {
        if (at_ >= text_.size()) return false;
        char e = text_[at_++];
        if (e == '\n') {
          kept = value.size();
          continue;
        }
        if (e == 'n')
          e = '\n';
        else if (e == 't')
          e = '\t';
        else if (e == 'b')
          e = '\b';
        else if (e != '\\' && e != '"')
          return false;
        c = e;
      }
      value += c;
      kept = value.size();
    }
    if (quoted) return false;
    value.resize(kept);
    return true;
  }

  void use(const std::string& name, std::string value) {
    if (value.rfind("~/", 0) == 0)
      if (const char* home = std::getenv("HOME")) value = home + value.substr(1);
    if (section_ == "core" && name == "excludesfile") {
      value_ = value;
    } else if (section_ == "include" && name == "path" && !value.empty()) {
      // Relative to the including file's directory.
      if (value[0] != '/') {
        size_t slash = path_.rfind('/');
        value = (slash == std::string::npos ? std::string() : path_.substr(0, slash + 1)) + value;
      }
      readConfig(value, depth_ + 1, value_);
    }
  }

  const std::string& text_;
  const std::string& path_;
  int depth_;
  std::string& value_;
  size_t at_ = 0;
  std::string section_;
};

void ConfigReader::readConfig(const std::string& path, int depth, std::string& value) {
  if (depth > kIncludeDepth) return;
  std::string text;
  if (readSmallFile(path, text) != SmallFile::kRead) return;
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);  // a byte order mark
  ConfigReader(text, path, depth, value).read();
}

}  // namespace

void readExcludesFile(const std::string& configPath, std::string& value) {
  ConfigReader::readConfig(configPath, 0, value);
}

}  // namespace vlisting

namespace vlisting {

std::string userExcludesFile() {
  const char* home = std::getenv("HOME");
#ifdef _WIN32
  if (!home || !*home) home = std::getenv("USERPROFILE");  // where git for Windows looks
#endif
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  std::string config = xdg && *xdg ? std::string(xdg) : home ? std::string(home) + "/.config" : "";
  std::string value = config.empty() ? "" : config + "/git/ignore";
  const char* noSystem = std::getenv("GIT_CONFIG_NOSYSTEM");
#ifndef _WIN32  // git for Windows keeps its system file where it is installed: not looked for
  if (!noSystem || !*noSystem) readExcludesFile("/etc/gitconfig", value);
#else
  (void)noSystem;
#endif
  if (!config.empty()) readExcludesFile(config + "/git/config", value);
  if (home) readExcludesFile(std::string(home) + "/.gitconfig", value);
  return value;
}

}  // namespace vlisting
