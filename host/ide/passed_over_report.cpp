// What a search passed over (see host/ide/passed_over_report.h).
// Tested by tests/host/ide/host_message_window_test.cpp and tests/host/cli/command_e2e_test.cpp.
#include "host/ide/passed_over_report.h"

#include "host/ide/addon_text.h"
#include "listing/passed_over.h"
#include "listing/small_file.h"

namespace host {
namespace {

// Only Windows refuses to open a file for its name; elsewhere aux.c is a file like any other.
#ifdef _WIN32
constexpr bool kDeviceNamesRefused = true;
#else
constexpr bool kDeviceNamesRefused = false;
#endif

void addReason(std::string& text, unsigned long count, const char* one, const char* many) {
  if (count == 0) return;
  if (!text.empty()) text += ", ";
  text += std::to_string(count) + " " + (count == 1 ? one : many);
}

// A missing directory as the user reads it: without the separator the search added, shown, and
// quoted when it holds what would make the list ambiguous.
std::string nameForUser(std::string name,
                        const std::function<std::string(const std::string&)>& show) {
  bool root = name.size() <= 1 || (name.size() == 3 && name[1] == ':');
  if (!root && (name.back() == '\\' || name.back() == '/')) name.pop_back();
  if (show) name = show(name);
  if (name.find_first_of(",;\"()") == std::string::npos) return name;
  std::string quoted = "\"";
  for (char c : name) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace

bool isWindowsDeviceName(std::string_view name) {
  name = name.substr(0, name.find('.'));
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  // ASCII letters only, so folding with 0x20 is exact; the digit of COMn and LPTn is 1 to 9.
  auto startsAs = [&](std::string_view device) {
    for (size_t i = 0; i < device.size(); ++i)
      if ((name[i] | 0x20) != device[i]) return false;
    return true;
  };
  if (name.size() == 3)
    return startsAs("con") || startsAs("prn") || startsAs("aux") || startsAs("nul");
  return name.size() == 4 && name[3] >= '1' && name[3] <= '9' &&
         (startsAs("com") || startsAs("lpt"));
}

std::string PassedOver::describe(const std::function<std::string(const std::string&)>& show) const {
  std::string text;
  addReason(text, missingDirectories, "directory not found", "directories not found");
  if (missingDirectories > 0 && !missingNames.empty()) {
    text += " (";
    for (size_t i = 0; i < missingNames.size(); ++i)
      text += (i ? ", " : "") + nameForUser(missingNames[i], show);
    if (missingDirectories > missingNames.size())
      text += " and " + std::to_string(missingDirectories - missingNames.size()) + " more";
    text += ")";
  }
  addReason(text, unreadableDirectories, "unreadable directory", "unreadable directories");
  addReason(text, longPaths, "path over 259 characters", "paths over 259 characters");
  addReason(text, uncarriedNames, "name no Windows path can carry",
            "names no Windows path can carry");
  addReason(text, ignoredByGitRules, "entry ignored (.gitignore)", "entries ignored (.gitignore)");
  addReason(text, ignoredByIgnoreFiles, "entry ignored (.ignore)", "entries ignored (.ignore)");
  addReason(text, excluded, "entry excluded (--exclude)", "entries excluded (--exclude)");
  std::string mib = std::to_string(vlisting::kSmallFileBytes >> 20) + " MiB)";
  addReason(text, refusedRuleFiles,
            ("rule file not read (not a regular file, or over " + mib).c_str(),
            ("rule files not read (not regular files, or over " + mib).c_str());
  addReason(text, linkedGitignores, ".gitignore not followed (a symbolic link, as git)",
            ".gitignore files not followed (symbolic links, as git)");
  addReason(text, linkedFolders, "linked folder not followed (--follow follows it)",
            "linked folders not followed (--follow follows them)");
  addReason(text, foldersReachedAgain, "folder reached again through a link (searched once)",
            "folders reached again through links (each searched once)");
  addReason(text, largeFiles, "file too large", "files too large");
  addReason(text, emptyFiles, "empty file", "empty files");
  addReason(text, unreadableFiles, "unreadable file", "unreadable files");
  addReason(text, deviceNames, "file named as a Windows device (aux, con, nul...)",
            "files named as Windows devices (aux, con, nul...)");
  if (hiddenByNul) {
    if (!text.empty()) text += ", ";
    text += "hits hidden by a NUL byte in " + std::to_string(hiddenByNul) +
            (hiddenByNul == 1 ? " file" : " files");
  }
  // Last, so that a row cut to a terminal's width keeps every count.
  if (largeFiles) {
    text += "; the size limit is " + std::to_string(fileSizeLimit.bytes) + " bytes";
    switch (fileSizeLimit.source) {
      case FileSizeLimit::Source::kDefault:
      case FileSizeLimit::Source::kHostDefault:
        text += " (--max-filesize=N or the registry value MaxFileSize raises it)";
        break;
      case FileSizeLimit::Source::kRegistry:
        text += ", the registry value MaxFileSize (--max-filesize=N overrides it)";
        break;
      case FileSizeLimit::Source::kThisRun:
        text += ", --max-filesize";
        break;
    }
  }
  return text;
}

void PassedOverReport::start() {
  FileSizeLimit limit = fileSizeLimit();  // read before the lock: the registry may be busy
  {
    std::lock_guard<std::mutex> lock(mutex_);
    running_ = PassedOver();
    running_.fileSizeLimit = limit;
  }
  vlisting::startPassedOverCount();
}

void PassedOverReport::event(const MessageEvent& event) {
  AddOnText text = classify(event);
  if (text == AddOnText::kFileHeading) {
    std::lock_guard<std::mutex> lock(mutex_);
    headingFile_ = *event.file;
    return;
  }
  if (text == AddOnText::kFileNotice) {
    std::lock_guard<std::mutex> lock(mutex_);
    NotSearched why = whyNotSearched(event.text);
    if (why == NotSearched::kTooLarge)
      ++running_.largeFiles;
    else if (why == NotSearched::kEmpty)
      ++running_.emptyFiles;
    else if (kDeviceNamesRefused && why == NotSearched::kNotOpened &&
             isWindowsDeviceName(headingFile_.substr(headingFile_.find_last_of("\\/:") + 1)))
      ++running_.deviceNames;
    else
      ++running_.unreadableFiles;
    return;
  }
  if (text != AddOnText::kSummary) return;
  using Why = vlisting::PassedOver;
  vlisting::PassedOverCount listed = vlisting::takePassedOverCount();
  PassedOver ended;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    running_.missingDirectories = listed[Why::kMissingDirectory];
    running_.unreadableDirectories = listed[Why::kUnreadableDirectory];
    running_.longPaths = listed[Why::kLongPath];
    running_.uncarriedNames = listed[Why::kUncarriedName];
    running_.ignoredByGitRules = listed[Why::kIgnoredByGitRules];
    running_.ignoredByIgnoreFiles = listed[Why::kIgnoredByIgnoreFile];
    running_.excluded = listed[Why::kExcluded];
    running_.refusedRuleFiles = listed[Why::kRuleFileRefused];
    running_.linkedGitignores = listed[Why::kGitignoreLink];
    running_.linkedFolders = listed[Why::kLinkedFolder];
    running_.foldersReachedAgain = listed[Why::kFolderReachedAgain];
    running_.missingNames = std::move(listed.missingNames);
    last_ = ended = running_;
    running_ = PassedOver();
  }
  if (onEnd_) onEnd_(ended);
}

void PassedOverReport::hitsHiddenByNul(const std::string&) {
  std::lock_guard<std::mutex> lock(mutex_);
  ++running_.hiddenByNul;
}

PassedOver PassedOverReport::last() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return last_;
}

}  // namespace host
