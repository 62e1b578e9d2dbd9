// The host's listing rules (see win32/kernel32/listing_rules.h).
// Tested by tests/ignore_test.cpp and tests/host/cli/command_e2e_test.cpp.
#include "win32/kernel32/listing_rules.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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

// The patterns of one ignore file, and the directory they are relative to.
struct RuleFile {
  std::string base;  // absolute, "" for the root
  std::vector<IgnorePattern> patterns;
};
using RuleFiles = std::vector<std::shared_ptr<const RuleFile>>;

// What became of an entry, as kept among the verdicts.
enum Judged : uint8_t { kShownEntry = 1, kIgnoredByGit, kIgnoredByIgnoreFile, kExcludedEntry };
static_assert(kShownEntry == 1, "ListingRules::kShown");

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
uint64_t rankOf(Judged source, size_t file, size_t line) {
  return (source == kIgnoredByIgnoreFile ? uint64_t{1} << 63 : 0) | uint64_t{file} << 32 | line;
}

// What a name must be for a candidate to be worth trying, kept apart from the pattern so that
// passing over the many that cannot match reads a few bytes in a row.
struct Probe {
  uint32_t candidate = 0;
  NameShape shape;
};

// The patterns in force over a directory's entries, ready to be tried in rank order: the first
// that matches decides. A name is tried against the probes of its last byte, those of its first
// byte (of patterns that may end with any byte but start with a known one) and those of
// patterns that may start and end with any byte, each list in rank order.
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
  // Lists of the patterns whose names hold at most one dot, and of those whose names hold more
  // (most names hold one: "*.mod.c" and "*.o.*" are passed over without a look).
  Lists lists[2];
  size_t maxDots = 0;  // the most dots a pattern asks for

  // Orders the candidates and makes the lists.
  void index() {
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

  // The first candidate that matches the entry `name`, or nullptr; `full()` gives the entry's
  // absolute path, asked only when a pattern tests whole paths.
  template <class FullPath>
  const Candidate* firstMatch(std::string_view name, bool directory, FullPath&& full) const {
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
};

// The ignore files in force in a directory; shared by its subdirectories that add none.
struct Chain {
  std::string gitDir;   // of the repository holding the directory; empty outside one
  RuleFiles git;        // git's excludes file, info/exclude, then .gitignore from the root down
  RuleFiles dotIgnore;  // .ignore files from the file system's root down
  // The files' patterns but the anchored ones taken a component at a time (see Pending); nullptr
  // when there is none.
  std::shared_ptr<const Compiled> compiled;
};

// An anchored pattern on its way down: the components of its text from `at` on are matched
// against the paths relative to the directory holding it. When one component is left, it is a
// name test of the directory's entries; else a subdirectory whose name matches the first one
// holds it with the rest.
struct Pending {
  const IgnorePattern* pattern;
  uint64_t rank;
  Judged source;
  uint32_t at;
};

}  // namespace

// What decides over the entries of one directory.
struct DirectoryRules {
  std::string dir;  // absolute, "" for the root
  bool ignoreFiles = false;
  bool dotNames = false;
  std::shared_ptr<const Compiled> excludes;
  std::shared_ptr<const Chain> chain;  // nullptr with ignore files off
  std::vector<Pending> pending;
  // Every pattern of the ignore files that may hide an entry here; nullptr when none may.
  std::shared_ptr<const Compiled> compiled;
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
  std::shared_ptr<const Compiled> excludes;
  std::string excludesFile;  // git's, from the user's configuration
  // Keyed by each rules' own `dir`, which lives as long as the entry.
  std::unordered_map<std::string_view, std::shared_ptr<const DirectoryRules>> directories;

  // Buckets for a large tree's directories from the start: growing the table a dozen times
  // during a search cost a percent of it on the kernel's tree.
  Settings() { directories.reserve(8192); }
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

// Leaves in `path` the absolute name of `posixDir`, reusing its buffer.
void absoluteDirectory(const char* posixDir, std::string& path) {
  path.clear();
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
    while (posixDir[0] == '.' && posixDir[1] == '/') posixDir += 2;
  }
  path += posixDir;
  // Most names need no change: absolute, with no empty, "." or ".." component.
  auto plain = [](std::string_view p) {
    if (p.size() < 2 || p[0] != '/' || p.back() == '/') return false;
    for (size_t at = 1; at < p.size();) {
      size_t end = std::min(p.find('/', at), p.size());
      std::string_view part = p.substr(at, end - at);
      if (part.empty() || part == "." || part == "..") return false;
      at = end + 1;
    }
    return true;
  };
  if (plain(path)) return;
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
  path.swap(result);
}

// Which of the names that change the rules a listing holds.
struct Present {
  bool git = true, gitignore = true, ignore = true;
};
Present presentIn(const DirectoryListing* listing) {
  Present present;
  if (!listing) return present;  // not known: each is looked for
  present = Present{false, false, false};
  for (const DirectoryListing::Name& n : listing->names) {
    if (n.length < 4 || n.length > 10) continue;
    std::string_view name(listing->name(n), n.length);
    present.git |= name == ".git";
    present.gitignore |= name == ".gitignore";
    present.ignore |= name == ".ignore";
  }
  return present;
}

// The patterns of a chain's files, but those a directory takes a component at a time.
std::shared_ptr<const Compiled> compile(const Chain& chain) {
  auto compiled = std::make_shared<Compiled>();
  for (Judged source : {kIgnoredByIgnoreFile, kIgnoredByGit}) {  // highest rank first
    const RuleFiles& files = source == kIgnoredByGit ? chain.git : chain.dotIgnore;
    for (size_t f = files.size(); f-- > 0;)
      for (size_t i = files[f]->patterns.size(); i-- > 0;) {
        const IgnorePattern& p = files[f]->patterns[i];
        if (p.reducible()) continue;
        compiled->candidates.push_back(
            Candidate{&p, p.anchored() ? &files[f]->base : nullptr, rankOf(source, f, i), source});
      }
  }
  if (compiled->candidates.empty()) return nullptr;
  compiled->index();
  return compiled;
}

// The rules of `dir` (absolute, "" for the root), built from its parent's; `own` (or NULL) is a
// listing of `dir`, which tells without a system call which of its ignore files exist. The caller
// holds the settings' lock.
std::shared_ptr<const DirectoryRules> rulesOf(Settings& s, std::string_view dir,
                                              const DirectoryListing* own = nullptr) {
  auto kept = s.directories.find(dir);
  if (kept != s.directories.end()) return kept->second;
  auto rules = std::make_shared<DirectoryRules>();
  rules->dir = dir;
  rules->ignoreFiles = s.ignoreFiles;
  rules->dotNames = s.dotNames;
  rules->excludes = s.excludes;
  if (s.ignoreFiles) {
    std::shared_ptr<const DirectoryRules> parent;
    if (!dir.empty()) parent = rulesOf(s, dir.substr(0, dir.rfind('/')));
    std::shared_ptr<const Chain> chain = parent ? parent->chain : std::make_shared<const Chain>();
    std::shared_ptr<Chain> changed;  // a copy of the parent's chain, when this directory adds to it
    auto change = [&]() -> Chain& {
      if (!changed) changed = std::make_shared<Chain>(*chain);
      return *changed;
    };
    Present present = presentIn(own);
    struct stat st;
    std::string dotGit = present.git ? rules->dir + "/.git" : std::string();
    bool repository = present.git && lstat(dotGit.c_str(), &st) == 0;
    // Anchored patterns of the parent's files whose next component is this directory's name.
    std::string_view leaf = dir.substr(dir.rfind('/') + 1);
    if (parent)
      for (const Pending& p : parent->pending) {
        if (repository && p.source == kIgnoredByGit) continue;
        std::string_view rest = std::string_view(p.pattern->text()).substr(p.at);
        size_t slash = rest.find('/');
        if (slash != std::string_view::npos && wildMatch(rest.substr(0, slash), leaf))
          rules->pending.push_back(
              Pending{p.pattern, p.rank, p.source, static_cast<uint32_t>(p.at + slash + 1)});
      }
    auto add = [&](RuleFiles& files, std::shared_ptr<const RuleFile> file, Judged source) {
      for (size_t i = 0; i < file->patterns.size(); ++i)
        if (file->patterns[i].reducible())
          rules->pending.push_back(
              Pending{&file->patterns[i], rankOf(source, files.size(), i), source, 0});
      files.push_back(std::move(file));
    };
    if (repository) {
      // A repository of its own: the rules of an enclosing one stop here.
      Chain& c = change();
      c.gitDir = gitDirectory(dotGit, rules->dir, S_ISDIR(st.st_mode));
      c.git.clear();
      std::string common = commonDirectory(c.gitDir);
      std::string excludesFile = s.excludesFile;
      readExcludesFile(common + "/config", excludesFile);
      for (const std::string& path : {excludesFile, common + "/info/exclude"})
        if (auto file = path.empty() ? nullptr : readRules(path, rules->dir))
          add(c.git, std::move(file), kIgnoredByGit);
    }
    if (!chain->gitDir.empty() || repository)
      if (present.gitignore)
        if (auto file = readRules(rules->dir + "/.gitignore", rules->dir))
          add(change().git, std::move(file), kIgnoredByGit);
    if (present.ignore)
      if (auto file = readRules(rules->dir + "/.ignore", rules->dir))
        add(change().dotIgnore, std::move(file), kIgnoredByIgnoreFile);
    if (changed) {
      changed->compiled = compile(*changed);
      chain = changed;
    }
    rules->chain = chain;
    // The anchored patterns left with one component test this directory's names.
    size_t tests = 0;
    for (const Pending& p : rules->pending)
      tests += p.pattern->text().find('/', p.at) == std::string::npos;
    if (!tests) {
      rules->compiled = chain->compiled;
    } else {
      auto compiled = std::make_shared<Compiled>();
      compiled->owned.reserve(tests);  // the candidates point into it
      if (chain->compiled) compiled->candidates = chain->compiled->candidates;
      for (const Pending& p : rules->pending) {
        if (p.pattern->text().find('/', p.at) != std::string::npos) continue;
        compiled->owned.push_back(
            IgnorePattern::nameTest(std::string_view(p.pattern->text()).substr(p.at),
                                    p.pattern->negated(), p.pattern->directoryOnly()));
        compiled->candidates.push_back(
            Candidate{&compiled->owned.back(), nullptr, p.rank, p.source});
      }
      compiled->index();
      rules->compiled = compiled;
    }
  }
  s.directories.emplace(std::string_view(rules->dir), rules);
  return rules;
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
  // The rules are kept with the listing, so that the walk's repeated listings of a directory
  // (by mask and for subdirectories, counting and searching) find them at no lookup.
  uint64_t key[2] = {s.generation.load(std::memory_order_acquire), currentDirectoryMoves()};
  {
    std::lock_guard<std::mutex> lock(listing->attachedMutex);
    if (listing->attached && std::equal(key, key + 2, listing->attachedKey))
      rules_ = std::static_pointer_cast<const DirectoryRules>(listing->attached);
  }
  if (!rules_) {
    thread_local std::string dir;  // its buffer serves every directory
    absoluteDirectory(posixDir, dir);
    {
      std::lock_guard<std::mutex> lock(s.mutex);
      rules_ = rulesOf(s, dir, listing.get());
    }
    std::lock_guard<std::mutex> lock(listing->attachedMutex);
    listing->attached = rules_;
    std::copy(key, key + 2, listing->attachedKey);
  }
  // No file and no exclusion in force (a tree outside any repository, with no .ignore): the
  // listing is what the files make it, at no cost per entry.
  if (!rules_->dotNames && !rules_->excludes && !rules_->compiled) {
    rules_.reset();
    return;
  }
  dotNames_ = rules_->dotNames;
  memoLock_ = std::unique_lock<std::mutex>(rules_->memoMutex);
  if (rules_->memoListing.lock() != listing) {
    rules_->memoListing = listing;
    rules_->verdicts.assign(listing->names.size(), 0);
  }
  verdicts_ = &rules_->verdicts;
}

ListingRules::~ListingRules() = default;

DWORD ListingRules::judge(size_t index, const char* name, size_t length, DWORD attributes,
                          uint8_t judged) const {
  uint8_t* kept = index < verdicts_->size() ? &(*verdicts_)[index] : nullptr;
  // The entry's absolute path, made only when needed, in a buffer the listing's entries share.
  std::string& path = path_;
  bool made = false;
  auto full = [&]() -> std::string_view {
    if (!made) {
      path.assign(rules_->dir);
      path += '/';
      path.append(name, length);
      made = true;
    }
    return path;
  };
  if (!judged) {
    std::string_view leaf(name, length);
    bool directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    judged = kShownEntry;
    const Candidate* decided = nullptr;
    if (rules_->excludes) decided = rules_->excludes->firstMatch(leaf, directory, full);
    if ((!decided || decided->pattern->negated()) && rules_->compiled)
      decided = rules_->compiled->firstMatch(leaf, directory, full);
    if (decided && !decided->pattern->negated()) judged = decided->source;
    if (kept) *kept = judged;
  }
  if (judged == kShownEntry) return attributes;
  if (count_ && countingPassedOver()) {
    full();
    notePassedOver(judged == kExcludedEntry         ? PassedOver::kExcluded
                   : judged == kIgnoredByIgnoreFile ? PassedOver::kIgnoredByIgnoreFile
                                                    : PassedOver::kIgnoredByGitRules,
                   path);
  }
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
    auto compiled = std::make_shared<vwin::Compiled>();
    char cwd[4096];
    vwin::absoluteDirectory(getcwd(cwd, sizeof cwd) ? cwd : "/", compiled->ownBase);
    compiled->within = false;
    std::string text;
    for (const char* p = rules->excludes; *p; p += std::strlen(p) + 1)
      text += std::string(p) + "\n";
    if (auto file = vwin::parseRules(text, "")) compiled->owned = file->patterns;
    for (size_t i = 0; i < compiled->owned.size(); ++i) {
      const vwin::IgnorePattern& p = compiled->owned[i];
      compiled->candidates.push_back(vwin::Candidate{
          &p, p.anchored() ? &compiled->ownBase : nullptr, i, vwin::kExcludedEntry});
    }
    compiled->index();
    if (!compiled->candidates.empty()) s.excludes = compiled;
  }
  s.excludesFile = s.ignoreFiles ? vwin::userExcludesFile() : "";
  s.generation.fetch_add(1, std::memory_order_release);
  s.active.store(s.ignoreFiles || s.dotNames || s.excludes, std::memory_order_release);
}
