// The full-screen program's run (see host/tui/tui_session.h).
// Tested by tests/host/tui/tui_program_test.cpp.
#include "host/tui/tui_session.h"

#include <limits.h>
#include <unistd.h>

#include <vector>

#include "dialog/search_dialog_ids.h"
#include "host/cli/command_dialog.h"
#include "host/cli/command_project.h"
#include "host/cli/listing_switches.h"
#include "host/ide/addon_session.h"
#include "host/ide/escape_note.h"
#include "host/ide/host.h"
#include "host/ide/text_encoding.h"
#include "host/tui/tui_app.h"
#include "listing/listing_policy.h"
#include "win32/include/winbase.h"
#include "win32/include/winuser.h"
#include "win32/user32/dialog_input.h"
#include "win32/user32/display.h"

namespace tui {
namespace {

using namespace dialog_ids;

// Threads the layer started whose work has not ended: a worker search the add-on started is one
// of them. Counted by the layer itself, so threads of libraries or of a sanitizer's runtime do
// not look like a search that never ends.
long threadCount() { return VwinRunningThreadCount(); }

// Clicks the option boxes of `dialog` whose state is not as `bits` say, as a user would.
void setBoxes(HWND dialog, int bits) {
  for (int i = 0; i < kBoxCount; ++i) {
    bool checked = IsDlgButtonChecked(dialog, kFirstBox + i) == BST_CHECKED;
    if (checked != ((bits & searchOptionOfBox(i)) != 0)) VwinDialogClick(dialog, kFirstBox + i);
  }
}

// What a dialog ended with OK holds, for the page's header.
SearchRequest readRequest(HWND dialog) {
  SearchRequest request;
  char text[1000];
  GetDlgItemTextA(dialog, kTextCombo, text, sizeof text);
  request.text = text;
  GetDlgItemTextA(dialog, kFileTypeCombo, text, sizeof text);
  request.fileTypes = text;
  GetDlgItemTextA(dialog, kDirectoriesCombo, text, sizeof text);
  request.directories = text;
  request.options = vantrel::checkedBoxes(dialog);
  request.known = true;
  return request;
}

// A request entered into the dialog as a user would, the text field last and focused.
void enterRequest(HWND dialog, const SearchRequest& request) {
  VwinDialogType(dialog, kFileTypeCombo, request.fileTypes.c_str());
  VwinDialogType(dialog, kDirectoriesCombo, request.directories.c_str());
  setBoxes(dialog, request.options);
  VwinDialogType(dialog, kTextCombo, request.text.c_str());
  VwinDialogFocus(dialog, kTextCombo);
}

// Under the text field: what a pattern asks that this syntax reads otherwise.
std::string dialogNote(HWND dialog, int* controlId) {
  *controlId = kTextCombo;
  if (!(vantrel::checkedBoxes(dialog) & RegularExpression)) return std::string();
  char text[1000];
  GetDlgItemTextA(dialog, kTextCombo, text, sizeof text);
  return host::toTerminalText(host::escapeNote(text));
}

}  // namespace

bool wantsTerminalFrontEnd(const vantrel::CommandLine& line) {
  return !line.text && line.format == vantrel::OutputFormat::kText && isatty(STDIN_FILENO) &&
         isatty(STDOUT_FILENO);
}

int runTerminalSession(const vantrel::CommandLine& line, const std::string& addOnPath,
                       std::ostream& err) {
  auto fail = [&err](const std::string& message) {
    err << "vantrel: " << message << std::endl;
    return 2;
  };
  host::ProjectDescription project;
  std::vector<ProjectNodeId> selected;
  std::string error;
  // The directories are not checked here: the dialog may still change them.
  if (!vantrel::openCommandProject(line.projectFile, line.selectedNodes, std::nullopt, project,
                                   selected, error))
    return fail(error);

  vantrel::applySearchScopeSwitches(line);
  vlisting::ListingSwitches rules = line.listing;
  host::HostConfig config;
  // One thread unless -j asks for more: the live query's searches, started and stopped as the
  // user types, are not yet proven on several threads.
  config.searchThreads = line.threads.value_or(1);
  host::Host ide(config);
  ide.messageWindow()->keepEvents(false);
  host::AddOnSession addOn(ide);
  if (!addOn.load(addOnPath, error)) return fail(error);
  addOn.start(project);
  long baseline = threadCount();

  FrontEnd frontEnd;
  frontEnd.windowsPaths = line.windowsPaths;
  frontEnd.scopes = line.scopes;
  frontEnd.runTool = [&] { return addOn.runTool(selected); };
  frontEnd.searchRunning = [&] { return threadCount() > baseline; };
  // Fields and boxes given on the command line are entered into the first dialog as a user
  // would; the text to find is left for the user, who gets the focus there.
  frontEnd.prepareFirstDialog = [&line](HWND dialog) {
    if (line.fileTypes) VwinDialogType(dialog, kFileTypeCombo, line.fileTypes->c_str());
    if (line.directories) VwinDialogType(dialog, kDirectoriesCombo, line.directories->c_str());
    vantrel::DialogInput given;
    given.options = line.options;
    given.ticked = line.tickedOptions;
    setBoxes(dialog, given.boxesFrom(vantrel::checkedBoxes(dialog)));
    VwinDialogFocus(dialog, kTextCombo);
  };
  frontEnd.readRequest = readRequest;
  frontEnd.enterRequest = enterRequest;
  frontEnd.dialogNote = dialogNote;
  frontEnd.describeRules = [&rules] { return vantrel::describeListingSwitches(rules); };
  frontEnd.toggleIgnoreFiles = [&rules] {
    rules.ignoreFiles = !rules.ignoreFiles;
    vlisting::applyListingSwitches(rules);
    return rules.ignoreFiles;
  };
  frontEnd.toggleFollowLinks = [&rules] {
    rules.follow = !rules.follow;
    vlisting::applyListingSwitches(rules);
    return rules.follow;
  };
  int status = runTerminalFrontEnd(ide, frontEnd);

  addOn.unload();
  if (status < 0) return fail("the terminal cannot be used full-screen");
  return status;
}

}  // namespace tui
