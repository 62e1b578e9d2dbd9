// The host's listing rules (see win32/kernel32/listing_rules.h).
// Tested by tests/ignore_test.cpp and tests/host/cli/command_e2e_test.cpp.
#include "win32/kernel32/listing_rules.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <sstream>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "win32/include/winbase.h"
#include "win32/kernel32/attributes.h"
#include "win32/kernel32/ignore_pattern.h"
#include "win32/kernel32/listing_cache.h"
#include "win32/kernel32/passed_over.h"
#include "win32/kernel32/paths.h"

namespace vwin {

namespace {

// The patterns of one ignore file (or of the exclusions), and the directory they are relative to.
struct RuleFile {
  std::string base;  // absolute, "" for the root
  std::vector<IgnorePattern> patterns;
  // The patterns' indexes in groups, each ascending: by the byte a subject must end with (groups
  // 0-255); else by the byte the name must start with (256-511); else any (512). An entry is
  // tried against its last byte's group, its first byte's and group 512 only.
  // Group g is members[groupStart[g], groupStart[g + 1]).
  static constexpr int kAny = 512;
  std::vector<uint32_t> groupStart;
  std::vector<uint32_t> members;

  void group() {
    groupStart.assign(kAny + 2, 0);
    auto forEachGroup = [](const IgnorePattern& p, auto&& f) {
      if (!p.lastBytes().empty()) {
        for (char c : p.lastBytes()) f(static_cast<unsigned char>(c));
      } else {
        f(p.nameFirstByte() >= 0 ? 256 + p.nameFirstByte() : kAny);
      }
    };
    for (const IgnorePattern& p : patterns) forEachGroup(p, [&](int g) { ++groupStart[g + 1]; });
    for (int g = 0; g <= kAny; ++g) groupStart[g + 1] += groupStart[g];
    members.resize(groupStart[kAny + 1]);
    std::vector<uint32_t> next(groupStart.begin(), groupStart.end() - 1);
    for (uint32_t i = 0; i < patterns.size(); ++i)
      forEachGroup(patterns[i], [&](int g) { members[next[g]++] = i; });
  }
};
using RuleFiles = std::vector<std::shared_ptr<const RuleFile>>;

}  // namespace

// What decides over the entries of one directory: the files in force there, lowest first.
struct DirectoryRules {
  std::string dir;  // absolute, "" for the root
  bool ignoreFiles = false;
  bool dotNames = false;
  std::shared_ptr<const RuleFile> excludes;
  std::string gitDir;   // of the repository holding `dir`; empty outside one
  RuleFiles git;        // git's excludes file, info/exclude, then .gitignore from the root down
  RuleFiles dotIgnore;  // .ignore files from the file system's root down
  // The verdicts on the entries of one listing of `dir` (see ListingRules), by entry index:
  // 0 not judged yet, else a Judged value.
  mutable std::mutex memoMutex;
  mutable std::weak_ptr<const DirectoryListing> memoListing;
  mutable std::vector<uint8_t> verdicts;
};

namespace {

struct Settings {
  std::mutex mutex;
  std::atomic<bool> active{false};
  std::atomic<uint64_t> generation{1};  // moves on whenever the rules or ignore files are dropped
  bool ignoreFiles = false;
  bool dotNames = false;
  std::shared_ptr<const RuleFile> excludes;
  std::string excludesFile;  // git's, from the user's configuration
  std::unordered_map<std::string, std::shared_ptr<const DirectoryRules>> directories;
};

Settings& settings() {
  static Settings* s = new Settings;  // a worker may still search while the process exits
  return *s;
}

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
  file->group();
  return file;
}

bool readText(const std::string& path, std::string& text) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  text.clear();
  char buffer[16384];
  for (ssize_t got; (got = read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, got);
  close(fd);
  return true;
}

std::shared_ptr<const RuleFile> readRules(const std::string& path, const std::string& base) {
  std::string text;
  if (!readText(path, text)) return nullptr;
  return parseRules(text, base);
}

// Leaves in `value` the last core.excludesFile a git configuration file sets, "~/" expanded;
// `value` stays as it was when the file sets none.
void readExcludesFile(const std::string& configPath, std::string& value) {
  std::string text;
  if (!readText(configPath, text)) return;
  std::istringstream lines(text);
  std::string line, section;
  auto trim = [](std::string s) {
    size_t first = s.find_first_not_of(" \t\r");
    size_t last = s.find_last_not_of(" \t\r");
    return first == std::string::npos ? std::string() : s.substr(first, last - first + 1);
  };
  auto lower = [](std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
  };
  while (std::getline(lines, line)) {
    line = trim(line);
    if (line.empty() || line[0] == '#' || line[0] == ';') continue;
    if (line[0] == '[') {
      size_t end = line.find_first_of(" ]");
      section = lower(line.substr(1, end == std::string::npos ? std::string::npos : end - 1));
      continue;
    }
    size_t equals = line.find('=');
    if (section != "core" || equals == std::string::npos) continue;
    if (lower(trim(line.substr(0, equals))) != "excludesfile") continue;
    std::string v = trim(line.substr(equals + 1));
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
    const char* home = std::getenv("HOME");
    if (v.rfind("~/", 0) == 0 && home) v = home + v.substr(1);
    value = v;
  }
}

// git's excludes file as the user's configuration names it, or its default place.
std::string userExcludesFile() {
  const char* home = std::getenv("HOME");
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  std::string config = xdg && *xdg ? std::string(xdg) : home ? std::string(home) + "/.config" : "";
  std::string value = config.empty() ? "" : config + "/git/ignore";
  readExcludesFile("/etc/gitconfig", value);
  if (!config.empty()) readExcludesFile(config + "/git/config", value);
  if (home) readExcludesFile(std::string(home) + "/.gitconfig", value);
  return value;
}

// The repository directory a ".git" entry stands for: itself, or the one its "gitdir:" names.
std::string gitDirectory(const std::string& dotGit, const std::string& workTree, bool directory) {
  if (directory) return dotGit;
  std::string text;
  if (!readText(dotGit, text) || text.rfind("gitdir:", 0) != 0) return dotGit;
  std::string named = text.substr(7);
  while (!named.empty() && std::isspace(static_cast<unsigned char>(named.front())))
    named.erase(0, 1);
  while (!named.empty() && std::isspace(static_cast<unsigned char>(named.back()))) named.pop_back();
  return named[0] == '/' ? named : workTree + "/" + named;
}

// Where a repository keeps what its work trees share (info/exclude, config).
std::string commonDirectory(const std::string& gitDir) {
  std::string text;
  if (!readText(gitDir + "/commondir", text)) return gitDir;
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
  if (text.empty()) return gitDir;
  return text[0] == '/' ? text : gitDir + "/" + text;
}

std::string absoluteDirectory(const char* posixDir) {
  std::string path;
  if (posixDir[0] != '/') {
    // The current directory, read again only when it moved.
    thread_local std::string cwd;
    thread_local uint64_t cwdMoves = ~uint64_t{0};
    uint64_t moves = currentDirectoryMoves();
    if (moves != cwdMoves) {
      char buffer[4096];
      cwd = getcwd(buffer, sizeof buffer) ? buffer : "";
      cwdMoves = moves;
    }
    path = cwd;
    path += '/';
  }
  path += posixDir;
  std::string result;
  size_t at = 0;
  while (at < path.size()) {
    size_t end = path.find('/', at);
    if (end == std::string::npos) end = path.size();
    std::string_view part = std::string_view(path).substr(at, end - at);
    if (part == "..") {
      size_t cut = result.rfind('/');
      result.erase(cut == std::string::npos ? 0 : cut);
    } else if (!part.empty() && part != ".") {
      result += '/';
      result += part;
    }
    at = end + 1;
  }
  return result;
}

// Whether `name` is in the listing.
bool listed(const DirectoryListing& listing, std::string_view name) {
  for (const DirectoryListing::Name& n : listing.names)
    if (n.length == name.size() && std::memcmp(listing.name(n), name.data(), name.size()) == 0)
      return true;
  return false;
}

// The rules of `dir` (absolute, "" for the root), built from its parent's; `own` (or NULL) is a
// listing of `dir`, which tells without a system call which of its ignore files exist. The caller
// holds the settings' lock.
std::shared_ptr<const DirectoryRules> rulesOf(Settings& s, const std::string& dir,
                                              const DirectoryListing* own = nullptr) {
  auto kept = s.directories.find(dir);
  if (kept != s.directories.end()) return kept->second;
  auto rules = std::make_shared<DirectoryRules>();
  rules->dir = dir;
  rules->ignoreFiles = s.ignoreFiles;
  rules->dotNames = s.dotNames;
  rules->excludes = s.excludes;
  if (s.ignoreFiles) {
    if (!dir.empty()) {
      std::shared_ptr<const DirectoryRules> parent = rulesOf(s, dir.substr(0, dir.rfind('/')));
      rules->gitDir = parent->gitDir;
      rules->git = parent->git;
      rules->dotIgnore = parent->dotIgnore;
    }
    auto present = [own](const char* name) { return !own || listed(*own, name); };
    struct stat st;
    std::string dotGit = dir + "/.git";
    if (present(".git") && lstat(dotGit.c_str(), &st) == 0) {
      // A repository of its own: the rules of an enclosing one stop here.
      rules->gitDir = gitDirectory(dotGit, dir, S_ISDIR(st.st_mode));
      rules->git.clear();
      std::string common = commonDirectory(rules->gitDir);
      std::string excludesFile = s.excludesFile;
      readExcludesFile(common + "/config", excludesFile);
      for (const std::string& path : {excludesFile, common + "/info/exclude"})
        if (auto file = path.empty() ? nullptr : readRules(path, dir)) rules->git.push_back(file);
    }
    if (!rules->gitDir.empty() && present(".gitignore"))
      if (auto file = readRules(dir + "/.gitignore", dir)) rules->git.push_back(file);
    if (present(".ignore"))
      if (auto file = readRules(dir + "/.ignore", dir)) rules->dotIgnore.push_back(file);
  }
  s.directories.emplace(dir, rules);
  return rules;
}

enum class Verdict { kUndecided, kShown, kHidden };

// What became of an entry, as kept among the verdicts.
enum Judged : uint8_t { kShownEntry = 1, kIgnoredByGit, kIgnoredByIgnoreFile, kExcludedEntry };

// `within` tells that the file's directory holds the entry, as every ignore file in force for it
// does; an exclusion's may not, and then its anchored patterns see the absolute path.
Verdict decide(const RuleFile& file, std::string_view full, std::string_view name, bool directory,
               bool within = true) {
  std::string_view relative = full;
  if (within ||
      (full.size() > file.base.size() && full.compare(0, file.base.size(), file.base) == 0 &&
       full[file.base.size()] == '/'))
    relative = full.substr(file.base.size() + 1);
  // The last pattern that matches decides: the three groups are walked from their ends at once.
  const uint32_t* members = file.members.data();
  const std::vector<uint32_t>& start = file.groupStart;
  int groups[3] = {static_cast<unsigned char>(name.back()),
                   256 + static_cast<unsigned char>(name.front()), RuleFile::kAny};
  const uint32_t* begin[3];
  const uint32_t* end[3];
  for (int k = 0; k < 3; ++k) {
    begin[k] = members + start[groups[k]];
    end[k] = members + start[groups[k] + 1];
  }
  for (;;) {
    int pick = -1;
    for (int k = 0; k < 3; ++k)
      if (end[k] != begin[k] && (pick < 0 || end[k][-1] > end[pick][-1])) pick = k;
    if (pick < 0) break;
    const IgnorePattern& pattern = file.patterns[*--end[pick]];
    if (pattern.matches(relative, name, directory))
      return pattern.negated() ? Verdict::kShown : Verdict::kHidden;
  }
  return Verdict::kUndecided;
}

Verdict decide(const RuleFiles& files, std::string_view full, std::string_view name,
               bool directory) {
  for (auto it = files.rbegin(); it != files.rend(); ++it) {
    Verdict verdict = decide(**it, full, name, directory);
    if (verdict != Verdict::kUndecided) return verdict;
  }
  return Verdict::kUndecided;
}

}  // namespace

void forgetIgnoreFiles() {
  Settings& s = settings();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.directories.clear();
  s.generation.fetch_add(1, std::memory_order_release);
}

ListingRules::ListingRules(const char* posixDir,
                           const std::shared_ptr<const DirectoryListing>& listing, bool count)
    : count_(count) {
  Settings& s = settings();
  if (!s.active.load(std::memory_order_acquire)) return;
  // Each thread keeps the rules it found by the directory's name as given, so that the walk's
  // repeated requests for a directory cost one lookup, with no allocation once the name is kept.
  struct Found {
    uint64_t generation = 0;
    uint64_t moves = 0;  // a relative name depends on the current directory
    std::string key;
    std::unordered_map<std::string, std::shared_ptr<const DirectoryRules>> rules;
  };
  thread_local Found found;
  uint64_t generation = s.generation.load(std::memory_order_acquire);
  uint64_t moves = currentDirectoryMoves();
  if (found.generation != generation || found.moves != moves) {
    found.rules.clear();
    found.generation = generation;
    found.moves = moves;
  }
  found.key.assign(posixDir);
  auto kept = found.rules.find(found.key);
  if (kept != found.rules.end()) {
    rules_ = kept->second;
  } else {
    std::string dir = absoluteDirectory(posixDir);
    {
      std::lock_guard<std::mutex> lock(s.mutex);
      rules_ = rulesOf(s, dir, listing.get());
    }
    found.rules.emplace(found.key, rules_);
  }
  // No file and no exclusion in force (a tree outside any repository, with no .ignore): the
  // listing is what the files make it, at no cost per entry.
  if (!rules_->dotNames && !rules_->excludes && rules_->git.empty() && rules_->dotIgnore.empty()) {
    rules_.reset();
    return;
  }
  memoLock_ = std::unique_lock<std::mutex>(rules_->memoMutex);
  if (rules_->memoListing.lock() != listing) {
    rules_->memoListing = listing;
    rules_->verdicts.assign(listing->names.size(), 0);
  }
  verdicts_ = &rules_->verdicts;
}

ListingRules::~ListingRules() = default;

DWORD ListingRules::apply(size_t index, const char* name, size_t length, DWORD attributes) const {
  if (!rules_) return attributes;
  if (rules_->dotNames && name[0] == '.' && std::string_view(name, length) != ".git")
    attributes &= ~FILE_ATTRIBUTE_HIDDEN;
  if (vwinHiddenOrSystem(attributes)) return attributes;
  uint8_t* kept = index < verdicts_->size() ? &(*verdicts_)[index] : nullptr;
  uint8_t judged = kept ? *kept : 0;
  if (judged == kShownEntry) return attributes;
  // The entry's absolute path, in a buffer the listing's entries share, so that judging an entry
  // allocates nothing.
  std::string& path = path_;
  path.assign(rules_->dir);
  path += '/';
  path.append(name, length);
  if (!judged) {
    std::string_view full(path), leaf(name, length);
    bool directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    judged = kShownEntry;
    if (rules_->excludes &&
        decide(*rules_->excludes, full, leaf, directory, false) == Verdict::kHidden) {
      judged = kExcludedEntry;
    } else if (rules_->ignoreFiles) {
      Verdict verdict = decide(rules_->dotIgnore, full, leaf, directory);
      if (verdict == Verdict::kHidden)
        judged = kIgnoredByIgnoreFile;
      else if (verdict == Verdict::kUndecided &&
               decide(rules_->git, full, leaf, directory) == Verdict::kHidden)
        judged = kIgnoredByGit;
    }
    if (kept) *kept = judged;
  }
  if (judged == kShownEntry) return attributes;
  if (count_ && countingPassedOver())
    notePassedOver(judged == kExcludedEntry         ? PassedOver::kExcluded
                   : judged == kIgnoredByIgnoreFile ? PassedOver::kIgnoredByIgnoreFile
                                                    : PassedOver::kIgnoredByGitRules,
                   path);
  return attributes | FILE_ATTRIBUTE_HIDDEN;
}

}  // namespace vwin

WINAPI_EXPORT void VwinSetListingRules(const VWIN_LISTING_RULES* rules) {
  vwin::Settings& s = vwin::settings();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.directories.clear();
  s.ignoreFiles = rules && rules->ignoreFiles;
  s.dotNames = rules && rules->dotNames;
  s.excludes = nullptr;
  if (rules && rules->excludes) {
    std::string text;
    for (const char* p = rules->excludes; *p; p += std::strlen(p) + 1)
      text += std::string(p) + "\n";
    char cwd[4096];
    s.excludes =
        vwin::parseRules(text, vwin::absoluteDirectory(getcwd(cwd, sizeof cwd) ? cwd : "/"));
  }
  s.excludesFile = s.ignoreFiles ? vwin::userExcludesFile() : "";
  s.generation.fetch_add(1, std::memory_order_release);
  s.active.store(s.ignoreFiles || s.dotNames || s.excludes, std::memory_order_release);
}
