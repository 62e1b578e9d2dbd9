// The rules of each directory, built from its parent's (see listing/directory_rules.h).
// Tested by tests/listing/listing_rules_test.cpp.
#include "listing/directory_rules.h"

#include <sys/stat.h>
#include <unistd.h>

#include <string_view>
#include <unordered_map>

#include "listing/git_config.h"
#include "listing/git_repository.h"
#include "win32/kernel32/listing_cache.h"
#include "win32/kernel32/paths.h"

namespace vlisting {

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

// Leaves in `path` the absolute name of `posixDir`, reusing its buffer.
void absoluteDirectory(const char* posixDir, std::string& path) {
  path.clear();
  if (posixDir[0] != '/') {
    // The current directory, read again only when it moved.
    thread_local std::string cwd;
    thread_local uint64_t cwdMoves = ~uint64_t{0};
    uint64_t moves = vwin::currentDirectoryMoves();
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
Present presentIn(const vwin::DirectoryListing* listing) {
  Present present;
  if (!listing) return present;  // not known: each is looked for
  present = Present{false, false, false};
  for (const vwin::DirectoryListing::Name& n : listing->names) {
    if (n.length < 4 || n.length > 10) continue;
    std::string_view name(listing->name(n), n.length);
    present.git |= name == ".git";
    present.gitignore |= name == ".gitignore";
    present.ignore |= name == ".ignore";
  }
  return present;
}

// The rules of `dir` (absolute, "" for the root), built from its parent's; `own` (or NULL) is a
// listing of `dir`. The caller holds the settings' lock.
std::shared_ptr<const DirectoryRules> rulesOf(Settings& s, std::string_view dir,
                                              const vwin::DirectoryListing* own = nullptr) {
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
      changed->compiled = compileFiles(changed->git, changed->dotIgnore);
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

void setListingRules(const ListingSwitches& switches) {
  Settings& s = settings();
  std::string base;
  char cwd[4096];
  absoluteDirectory(getcwd(cwd, sizeof cwd) ? cwd : "/", base);
  std::shared_ptr<const Compiled> excludes = compileExclusions(switches.excludes, base);
  std::string excludesFile = switches.ignoreFiles ? userExcludesFile() : "";
  std::lock_guard<std::mutex> lock(s.mutex);
  s.directories.clear();
  s.ignoreFiles = switches.ignoreFiles;
  s.dotNames = switches.hidden;
  s.excludes = std::move(excludes);
  s.excludesFile = std::move(excludesFile);
  s.generation.fetch_add(1, std::memory_order_release);
  s.active.store(s.ignoreFiles || s.dotNames || s.excludes, std::memory_order_release);
}

bool listingRulesActive() { return settings().active.load(std::memory_order_acquire); }

void forgetIgnoreFiles() {
  Settings& s = settings();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.directories.clear();
  s.generation.fetch_add(1, std::memory_order_release);
}

uint64_t rulesGeneration() { return settings().generation.load(std::memory_order_acquire); }

std::shared_ptr<const DirectoryRules> directoryRules(const char* posixDir,
                                                     const vwin::DirectoryListing* listing) {
  thread_local std::string dir;  // its buffer serves every directory
  absoluteDirectory(posixDir, dir);
  Settings& s = settings();
  std::lock_guard<std::mutex> lock(s.mutex);
  return rulesOf(s, dir, listing);
}

}  // namespace vlisting
