// The vantrel command's run (see host/cli/command_run.h). Tested by
// tests/host/cli/command_e2e_test.cpp.
#include "host/cli/command_run.h"

#include <limits.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "host/cli/command_dialog.h"
#include "host/cli/command_output.h"
#include "host/cli/command_project.h"
#include "host/cli/command_status.h"
#include "host/cli/descriptor_buffer.h"
#include "host/cli/listing_switches.h"
#include "host/ide/addon_session.h"
#include "host/ide/escape_note.h"
#include "host/ide/host.h"
#include "host/ide/passed_over_report.h"
#include "host/ide/path_display.h"
#include "host/ide/text_encoding.h"
#include "host/posix/command_keys.h"
#include "host/posix/recording_display.h"
#include "search/option_bits.h"
#include "win32/kernel32/listing_cache.h"
#include "win32/user32/display.h"

namespace vantrel {
namespace {

// Set by SIGINT; read by the display (as Esc) and by the wait for a worker search.
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void onInterrupt(int) { interrupted.store(true); }

// Set when the results could not be written: the search is stopped as by Esc, since nobody can
// read what it would list, and the run ends with status 2.
std::atomic<bool> outputFailed{false};

// Installs the SIGINT handler for the length of a run. A second Ctrl-C ends the program as usual.
class InterruptScope {
 public:
  InterruptScope() {
    interrupted.store(false);
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &action, &previous_);
  }
  ~InterruptScope() { sigaction(SIGINT, &previous_, nullptr); }

 private:
  struct sigaction previous_ {};
};

// The recording display, with Ctrl-C read as Esc held down: a blocking search polls Esc before
// every file, and a press must not be lost to the read the progress line discards at its start.
// An Esc typed on the terminal is a press. On a terminal it shows the status window's drawing on
// the terminal's last line.
class CommandDisplay final : public host::RecordingDisplay {
 public:
  using RecordingDisplay::RecordingDisplay;
  SHORT asyncKeyState(int virtualKey) override {
    if (virtualKey == VK_ESCAPE && (interrupted.load() || outputFailed.load()))
      return static_cast<SHORT>(0x8001);
    if (virtualKey == VK_ESCAPE && keys_ && keys_->escapePressed()) return 0x0001;
    return RecordingDisplay::asyncKeyState(virtualKey);
  }
  void readKeys(TerminalKeys* keys) { keys_ = keys; }
  void surfaceChanged(HWND window) override {
    if (status_) status_->surfaceChanged(window);
  }
  void showStatus(TerminalStatus* status) { status_ = status; }

 private:
  TerminalStatus* status_ = nullptr;
  TerminalKeys* keys_ = nullptr;
};

void terminalSize(int& columns, int& rows) {
  columns = 80;
  rows = 24;
  struct winsize size {};
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 && size.ws_row > 0) {
    columns = size.ws_col;
    rows = size.ws_row;
  }
}

// Stays until every worker search the add-on started has ended. Ctrl-C or Esc on the terminal
// meanwhile runs the tool again and answers its stop question Yes, as a user would; so does a
// failed output.
void waitForWorkers(host::AddOnSession& addOn, CommandDisplay& display, TerminalKeys& keys,
                    const std::vector<ProjectNodeId>& selected, long baseline) {
  bool stopAsked = false;
  while (VwinRunningThreadCount() > baseline) {
    bool stop = interrupted.load() || outputFailed.load() || keys.escapePressed();
    if (stop && !stopAsked) {
      stopAsked = true;
      display.queueAnswer(IDYES);
      addOn.runTool(selected);
    }
    Sleep(10);
  }
}

int fail(std::ostream& err, const std::string& message) {
  err << "vantrel: " << message << std::endl;
  return 2;
}

// Output into a file in the searched tree would be read while it grows: the file is left out
// of the search, and the user told.
void withholdOutputFile() {
  struct stat output {};
  bool outputIsFile = fstat(STDOUT_FILENO, &output) == 0 && S_ISREG(output.st_mode);
  VwinWithholdFromListings(output.st_dev, outputIsFile ? output.st_ino : 0);
}

// Drives the dialogs the add-on opens: the search dialog with what the command line gives, its
// outcome kept in `dialog` and the search told to `results`.
host::RecordingDisplay::ModalDriver dialogDriver(const CommandLine& line, DialogOutcome& dialog,
                                                 const CommandOutput& results, std::ostream& err) {
  DialogInput input{line.text, line.fileTypes, line.directories, line.options, line.tickedOptions};
  return [input, &dialog, &results, &err, dialogRuns = 0](HWND window) mutable {
    // Only the first dialog is the user's; one opened again (a stop question that came too late) is
    // cancelled, so no second search starts.
    if (++dialogRuns > 1) return cancelSearchDialog(window);
    bool closed = driveSearchDialog(window, input, dialog);
    if (dialog.confirmed) results.setSearch(dialog.text, dialog.options);
    // Escapes other syntaxes read as classes are letters here: said before the search runs, the
    // pattern searched as it is.
    std::string note = dialog.confirmed && (dialog.options & RegularExpression)
                           ? host::escapeNote(dialog.text)
                           : std::string();
    if (!note.empty()) err << "vantrel: note: " << host::toTerminalText(note) << std::endl;
    return closed;
  };
}

// What a run tells once the add-on is unloaded: why no search ran, or what stands beside the
// results (the output file left out, what the walk passed over, what --scope left out) and a
// failed output. Answers the exit status.
int reportRun(bool ran, const DialogOutcome& dialog, const CommandLine& line,
              const host::PassedOverReport& passedOver, const CommandOutput& results,
              std::ostream& out, std::ostream& err) {
  if (!ran) return fail(err, host::noToolMessage());
  if (!dialog.shown) return fail(err, "the search dialog could not be shown");
  if (!dialog.confirmed) return fail(err, dialog.failure);
  out.flush();
  if (VwinWithheldFileListed())
    err << "vantrel: the output file lies in the searched tree; it was not searched" << std::endl;
  // What the walk passed over goes beside the message window's lines, never among them.
  host::PathDisplay paths(line.windowsPaths);
  std::string skipped = passedOver.last().describe(
      [&paths](const std::string& dir) { return host::toTerminalText(paths.show(dir)); });
  if (!skipped.empty()) err << "vantrel: passed over " << skipped << std::endl;
  std::string scoped = results.scopeReport();
  if (!scoped.empty()) err << "vantrel: " << scoped << std::endl;
  if (out.bad() || outputFailed.load()) {
    auto* buffer = dynamic_cast<host::DescriptorBuffer*>(out.rdbuf());
    std::string cause = buffer && buffer->error() ? std::strerror(buffer->error()) : "";
    return fail(err, "the results could not be written" + (cause.empty() ? "" : ": " + cause));
  }
  std::string error;
  int status = results.outcome->status(error);
  if (!error.empty()) return fail(err, error);
  return status;
}

}  // namespace

std::string findAddOn() {
  const char* named = std::getenv("VANTREL_ADDON");
  if (named && *named) return named;
  char program[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", program, sizeof program - 1);
  if (length <= 0) return "vantrel.so";
  std::string folder(program, static_cast<size_t>(length));
  folder.erase(folder.rfind('/') + 1);
  // A build folder has the module beside the program; an installed tree keeps it under
  // PREFIX/libexec/vantrel, beside PREFIX/bin (not under lib/, where a package would have to run
  // ldconfig for it on removal, though no program links it).
  std::string beside = folder + "vantrel.so";
  std::string prefix = folder.substr(0, folder.rfind('/', folder.size() - 2) + 1);
  std::string installed = prefix + "libexec/vantrel/vantrel.so";
  struct stat info;
  if (stat(beside.c_str(), &info) != 0 && stat(installed.c_str(), &info) == 0) return installed;
  return beside;
}

int runCommand(const CommandLine& line, const std::string& addOnPath, std::ostream& out,
               std::ostream& err) {
  host::ProjectDescription project;
  std::vector<ProjectNodeId> selected;
  std::string error;
  if (!openCommandProject(line.projectFile, line.selectedNodes, line.directories, project, selected,
                          error))
    return fail(err, error);
  withholdOutputFile();
  applySearchScopeSwitches(line);

  // A status window always exists, so Esc (and Ctrl-C) is polled by a blocking search; it is shown
  // on a terminal's last line, and drawn nowhere off a terminal.
  bool terminal = isatty(STDOUT_FILENO);
  host::HostConfig config;
  config.searchThreads = line.threads.value_or(host::usableCores());
  terminalSize(config.statusColumns, config.statusRow);
  config.statusRow -= 1;
  host::Host ide(config);
  outputFailed.store(false);
  CommandOutput results = makeCommandOutput(line, out, terminal, outputFailed);
  std::shared_ptr<TerminalStatus> bar;
  if (terminal)
    bar = std::make_shared<TerminalStatus>(out, ide.statusLine()->getStatusWindow(),
                                           config.statusColumns, *results.shown);
  ide.messageWindow()->keepEvents(false);
  if (bar) ide.messageWindow()->addSink(bar);  // before the output, to clear the bar
  results.attachTo(*ide.messageWindow());
  auto passedOver = std::make_shared<host::PassedOverReport>();
  ide.messageWindow()->addSink(passedOver);

  TerminalKeys keys;  // outlives the display that polls it
  CommandDisplay display(ide.messageWindow());
  display.showStatus(bar.get());
  display.readKeys(&keys);
  display.setDefaultAnswer(IDNO);
  DialogOutcome dialog;
  display.setModalDriver(dialogDriver(line, dialog, results, err));
  VwinSetDisplay(&display);
  InterruptScope interrupts;
  host::AddOnSession addOn(ide);
  if (!addOn.load(addOnPath, error)) {
    VwinSetDisplay(nullptr);
    return fail(err, error);
  }
  addOn.start(project);
  long baseline = VwinRunningThreadCount();
  passedOver->start();
  bool ran = addOn.runTool(selected);
  if (ran && dialog.confirmed && (dialog.options & Asynchronous))
    waitForWorkers(addOn, display, keys, selected, baseline);
  if (bar) bar->clear();
  addOn.unload();
  VwinSetDisplay(nullptr);
  ide.messageWindow()->flush();
  return reportRun(ran, dialog, line, *passedOver, results, out, err);
}

}  // namespace vantrel
