// The rules of each directory, built from its parent's (see listing/directory_rules.h).
// Tested by tests/listing/listing_rules_test.cpp.
#include "listing/directory_rules.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <string_view>
#include <unordered_map>

#include "listing/git_config.h"
#include "listing/git_repository.h"
#include "listing/passed_over.h"
#include "listing/system_path.h"
#include "win32/kernel32/listing_cache.h"
#ifndef _WIN32
#include "win32/kernel32/paths.h"
#endif

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
  // The name tests of directories, by the patterns and where they stand in them.
  std::map<std::vector<Pending>, std::shared_ptr<const Compiled>> nameTests;

  // Buckets for a large tree's directories from the start: growing the table a dozen times
  // during a search cost a percent of it on the kernel's tree.
  Settings() { directories.reserve(8192); }
};

Settings& settings() {
  static Settings* s = new Settings;  // a worker may still search while the process exits
  return *s;
}

#ifdef _WIN32
// Windows' hosts name directories as the system does, through no link of the POSIX kind.
char* realDirectory(const std::string&) { return nullptr; }
#define lstat stat
#else
char* realDirectory(const std::string& dir) { return realpath(dir.c_str(), nullptr); }
#endif

// The current directory in the rules' form (see listing/system_path.h).
std::string currentDirectory() {
  char buffer[4096];
  return rulesPath(getcwd(buffer, sizeof buffer) ? buffer : "/");
}

// The name tests `tests` (anchored patterns and where their last component starts), compiled.
std::shared_ptr<const Compiled> compileNameTests(const std::vector<Pending>& tests) {
  auto compiled = std::make_shared<Compiled>();
  compiled->owned.reserve(tests.size());  // the candidates point into it
  for (const Pending& p : tests) {
    const IgnorePattern& pattern = *p.pattern;
    compiled->owned.push_back(IgnorePattern::nameTest(std::string_view(pattern.text()).substr(p.at),
                                                      pattern.negated(), pattern.directoryOnly()));
    compiled->candidates.push_back(Candidate{&compiled->owned.back(), nullptr, p.rank, p.source});
  }
  compiled->index();
  return compiled;
}

// Counts a rule file that was there but not read: refused, or a link not followed.
void noteUnread(SmallFile outcome, const std::string& path) {
  if (outcome == SmallFile::kRefused)
    notePassedOver(PassedOver::kRuleFileRefused, path);
  else if (outcome == SmallFile::kLink)
    notePassedOver(PassedOver::kGitignoreLink, path);
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
    std::string_view leaf = dir.substr(dir.rfind('/') + 1);
    if (!dir.empty()) {
      std::string_view parentDir = dir.substr(0, dir.rfind('/'));
      if (!s.directories.count(parentDir)) {
        // A walk's first directory: its work tree is found from where it really is, as git finds
        // it, whatever links the name given passes through.
        if (char* resolved = realDirectory(std::string(dir))) {
          std::string real = resolved;
          free(resolved);
          if (real != dir) {
            std::shared_ptr<const DirectoryRules> same = rulesOf(s, real, own);
            rules->realDir = same->base();
            rules->chain = same->chain;
            rules->pending = same->pending;
            rules->nameTests = same->nameTests;
            s.directories.emplace(std::string_view(rules->dir), rules);
            return rules;
          }
        }
      }
      parent = rulesOf(s, parentDir);
      if (!parent->realDir.empty()) rules->realDir = parent->realDir + "/" + std::string(leaf);
    }
    const std::string& base = rules->base();
    std::shared_ptr<const Chain> chain = parent ? parent->chain : std::make_shared<const Chain>();
    std::shared_ptr<Chain> changed;  // a copy of the parent's chain, when this directory adds to it
    auto change = [&]() -> Chain& {
      if (!changed) changed = std::make_shared<Chain>(*chain);
      return *changed;
    };
    Present present = presentIn(own);
    struct stat st;
    std::string dotGit = present.git ? base + "/.git" : std::string();
    bool repository = present.git && lstat(systemPath(dotGit).c_str(), &st) == 0;
    // Name tests: the anchored patterns left with one component, in this directory.
    std::vector<Pending> tests;
    auto take = [&](const IgnorePattern* pattern, uint64_t rank, Judged source, uint32_t at) {
      bool last = pattern->text().find('/', at) == std::string::npos;
      (last ? tests : rules->pending).push_back(Pending{pattern, rank, source, at});
    };
    if (parent)
      for (const Pending& p : parent->pending) {
        if (repository && p.source == kIgnoredByGit) continue;
        std::string_view rest = std::string_view(p.pattern->text()).substr(p.at);
        size_t slash = rest.find('/');
        if (wildMatch(rest.substr(0, slash), leaf))
          take(p.pattern, p.rank, p.source, static_cast<uint32_t>(p.at + slash + 1));
      }
    auto add = [&](Chain& c, std::shared_ptr<const RuleFile> file, Judged source) {
      RuleFiles& files = source == kIgnoredByGit ? c.git : c.dotIgnore;
      for (size_t i = 0; i < file->patterns.size(); ++i)
        if (file->patterns[i].reducible())
          take(&file->patterns[i], rankOf(source, files.size(), i), source, 0);
      (source == kIgnoredByGit ? c.gitSets : c.ignoreSets)
          .push_back(compileFile(*file, source, files.size()));
      files.push_back(std::move(file));
    };
    if (repository) {
      // A repository of its own: the rules of an enclosing one stop here.
      Chain& c = change();
      SmallFile outcome;
      c.gitDir = gitDirectory(dotGit, base, outcome);
      noteUnread(outcome, dotGit);
      c.git.clear();
      c.gitSets.clear();
      std::string common = commonDirectory(c.gitDir);
      std::string excludesFile = s.excludesFile;
      readExcludesFile(common + "/config", excludesFile);
      for (const std::string& path : {excludesFile, common + "/info/exclude"})
        if (!path.empty()) {
          if (auto file = readRules(path, base, outcome)) add(c, std::move(file), kIgnoredByGit);
          noteUnread(outcome, path);
        }
    }
    // git reads no .gitignore through a symbolic link in a work tree; a .ignore is followed.
    SmallFile outcome;
    if ((!chain->gitDir.empty() || repository) && present.gitignore) {
      std::string path = base + "/.gitignore";
      if (auto file = readRules(path, base, outcome, false))
        add(change(), std::move(file), kIgnoredByGit);
      noteUnread(outcome, path);
    }
    if (present.ignore) {
      std::string path = base + "/.ignore";
      if (auto file = readRules(path, base, outcome))
        add(change(), std::move(file), kIgnoredByIgnoreFile);
      noteUnread(outcome, path);
    }
    if (changed) {
      // Each file's own set, shared with every directory below: only the order is made here.
      changed->sets.clear();
      for (const auto* kind : {&changed->ignoreSets, &changed->gitSets})
        for (size_t f = kind->size(); f-- > 0;)
          if ((*kind)[f]) changed->sets.push_back((*kind)[f]);
      chain = changed;
    }
    rules->chain = chain;
    if (!tests.empty()) {
      // Shared by every directory that the same patterns reach with the same components left
      // ("*/x" leaves "x" in each directory of the level below its file).
      std::shared_ptr<const Compiled>& shared = s.nameTests[tests];
      if (!shared) shared = compileNameTests(tests);
      rules->nameTests = shared;
    }
  }
  s.directories.emplace(std::string_view(rules->dir), rules);
  return rules;
}

}  // namespace

void absoluteDirectory(const char* posixDir, std::string& path) {
  path.clear();
  if (posixDir[0] != '/') {
    // The current directory, read again only when it moved.
    thread_local std::string cwd;
    thread_local uint64_t cwdMoves = ~uint64_t{0};
#ifdef _WIN32
    uint64_t moves = 0;  // the Windows command stays where it started
#else
    uint64_t moves = vwin::currentDirectoryMoves();
#endif
    if (moves != cwdMoves) {
      cwd = currentDirectory();
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

void setListingRules(const ListingSwitches& switches) {
  Settings& s = settings();
  std::string base;
  absoluteDirectory(currentDirectory().c_str(), base);
  std::shared_ptr<const Compiled> excludes = compileExclusions(switches.excludes, base);
  std::string excludesFile = switches.ignoreFiles ? userExcludesFile() : "";
  std::lock_guard<std::mutex> lock(s.mutex);
  s.directories.clear();
  s.nameTests.clear();
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
  s.nameTests.clear();
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
