// What one search passed over, and why, for the user: the directories and entries its listings
// passed over (listing/passed_over.h: those the Win32 layer could not list, and those the listing
// rules hid, ignored by .gitignore or .ignore files, or excluded), and the files the add-on
// refused, which its message window shows as an entry without a file under the file's heading
// ("File too large !", "File is 0 byte length !", "Can't open file !" and the other read failures).
//
// The report is a message-window sink: `start` begins a search's count (the layer's included),
// and the search's summary line ("Vantrel : ... found in ...") ends it, taking the layer's count
// there, so a worker search is reported when it ends, whenever that is.
// Threading: event() runs under the message window's lock on the searching thread; start and
// last may be called from any thread.
// Tested by tests/host/ide/host_message_window_test.cpp and tests/host/cli/command_e2e_test.cpp.
#ifndef VANTREL_HOST_PASSED_OVER_REPORT_H_
#define VANTREL_HOST_PASSED_OVER_REPORT_H_

#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "host/ide/file_size_limit.h"
#include "host/ide/message_event.h"

namespace host {

struct PassedOver {
  unsigned long missingDirectories = 0;
  unsigned long unreadableDirectories = 0;
  unsigned long longPaths = 0;
  unsigned long uncarriedNames = 0;
  unsigned long ignoredByGitRules = 0;
  unsigned long ignoredByIgnoreFiles = 0;
  unsigned long excluded = 0;
  unsigned long refusedRuleFiles = 0;     // not a regular file, or too large: not read
  unsigned long linkedGitignores = 0;     // symbolic links, not followed (as git)
  unsigned long linkedFolders = 0;        // not followed (without --follow)
  unsigned long foldersReachedAgain = 0;  // following links: searched once, by the first path
  unsigned long largeFiles = 0;
  unsigned long emptyFiles = 0;
  unsigned long unreadableFiles = 0;
  // Files that could not be opened because Windows keeps their names for devices (aux.c, con.h,
  // nul.txt, com1.log): counted apart from the unreadable ones, which they are not.
  unsigned long deviceNames = 0;
  // Files in which a hit was hidden by a NUL byte before it in its line (addon/scan_notes.h):
  // searched, but not every match shown.
  unsigned long hiddenByNul = 0;
  // The first few missing directories, as the search spelled them (Z:\src\gone\).
  std::vector<std::string> missingNames;
  FileSizeLimit fileSizeLimit;  // as the search started

  // "2 directories not found (/src/gone, old), 1 file too large; the size limit is 500000 bytes
  // (...)": every reason with a count, in this order, the missing directories named (up to a few,
  // then how many more) without their trailing separator, each shown through `show` when given (a
  // name holding ",", ";", a double quote or a parenthesis then quoted as in the directories
  // field), then, when files were too large, the limit that applied and how to raise it; empty
  // when nothing was passed over.
  std::string describe(const std::function<std::string(const std::string&)>& show = {}) const;
};

// Whether Windows takes the file name `name` (a path's last part, any case) for a device: CON,
// PRN, AUX, NUL, COM1-COM9 or LPT1-LPT9, alone or before an extension, trailing spaces aside.
bool isWindowsDeviceName(std::string_view name);

class PassedOverReport final : public MessageSink {
 public:
  using EndHandler = std::function<void(const PassedOver&)>;
  // `onEnd` (may be empty) gets the count at the end of every search, on the searching thread,
  // under the message window's lock.
  explicit PassedOverReport(EndHandler onEnd = {}) : onEnd_(std::move(onEnd)) {}

  void start();
  void event(const MessageEvent& event) override;
  void hitsHiddenByNul(const std::string& file) override;
  // The count of the last search that ended (all zero before one did).
  PassedOver last() const;

 private:
  EndHandler onEnd_;
  mutable std::mutex mutex_;
  PassedOver running_;
  PassedOver last_;
  std::string headingFile_;  // the file of the last file heading: a notice below it is its
};

}  // namespace host

#endif  // VANTREL_HOST_PASSED_OVER_REPORT_H_
