// Running the tool from the front end (see host/tui/tui_app_state.h): the dialog and its blocking
// search, a confirmed dialog's new page, a refused pattern's dialog again with the reason over it,
// a search run again (from the list of searches, with a raised size limit) and the live query's
// searches. A new search never starts while a worker search runs: the tool then asks whether to
// stop it, and the keys that would start one say so instead.
// Threading: the IDE's thread, the one that runs the tool.
// Tested by tests/host/tui/tui_app_test.cpp, tests/host/tui/tui_live_query_test.cpp and
// tests/host/tui/tui_program_test.cpp.
#include <curses.h>

#include <ctime>

#include "addon/tool_name.h"
#include "host/ide/file_size_limit.h"
#include "host/ide/text_encoding.h"
#include "host/tui/tui_app_state.h"
#include "host/tui/tui_dialog_view.h"
#include "host/tui/tui_draw.h"
#include "host/tui/tui_hit_match.h"
#include "host/tui/tui_message_box.h"
#include "host/tui/tui_size_limit.h"
#include "host/tui/tui_status_row.h"
#include "win32/include/winuser.h"
#include "win32/user32/dialog_input.h"

namespace tui {

void App::confirmed(HWND dialog) {
  SearchRequest request;
  if (frontEnd_.readRequest) request = frontEnd_.readRequest(dialog);
  if (frontEnd_.describeRules) request.rules = frontEnd_.describeRules();
  request.time = static_cast<int64_t>(std::time(nullptr));
  // A live query's search runs in the background whatever its boxes say; its page shows them.
  if (liveStarting_) request.options = liveRequest_.options;
  // The page keeps the scope of the page it was asked from (a live query's: the page edited).
  unsigned scopes = list_->pageCount() ? list_->scopes(view_.page()) : frontEnd_.scopes;
  list_->beginPage(request, liveStarting_);
  list_->setScopes(list_->pageCount() - 1, scopes);
  view_.showPage(list_->pageCount() - 1);
  starting_ = true;
}

void App::runTool() {
  note_.clear();
  paintStatusWindow(statusWindow());
  if (!workerRunning()) passedOver_->start();  // else the tool asks whether to stop that search
  display_->setSearching(true);
  bool ran = frontEnd_.runTool();
  display_->setSearching(false);
  starting_ = false;
  if (!ran) note_ = std::string("No \"") + kToolName + "\" tool in the add-on";
  erase();
  repaint();
  refresh();
}

// Runs the tool; a refused pattern opens the dialog again (with the reason over it) until a
// search runs or the dialog is cancelled.
void App::search() {
  runTool();
  while (!workerRunning() && showRefusal()) runTool();
}

// The newest page's search was refused: its page goes, and the next dialog gets the request back
// with the reason in a message box over it. False when there is nothing to show.
bool App::showRefusal() {
  size_t pages = list_->pageCount();
  if (pages == 0) return false;
  PageSummary s = list_->summary(pages - 1);
  if (s.refusal.empty() || s.files > 0 || !s.request.known || s.provisional) return false;
  list_->dropNewestPage();
  view_.showPage(list_->pageCount() ? list_->pageCount() - 1 : 0);
  std::string reason = s.refusal;
  SearchRequest request = s.request;
  // The add-on's line says what is wrong; the pattern under it, marked where its engine stopped
  // reading it, says where.
  long at = HitMatcher::refusedAt(request);
  if (at >= 0) {
    std::string before = host::toTerminalText(request.text.substr(0, static_cast<size_t>(at)));
    reason += "\n\n" + host::toTerminalText(request.text) + "\n" +
              std::string(static_cast<size_t>(columns(before)), ' ') + "^ here";
  }
  display_->setFirstDialogHandler([this, reason, request](HWND dialog) {
    if (frontEnd_.enterRequest) frontEnd_.enterRequest(dialog, request);
    runMessageBox(reason, kToolName, MB_OK | MB_ICONHAND, screen_.palette(), [this, dialog] {
      repaint();
      drawDialog(dialog, screen_.palette());
    });
  });
  return true;
}

// Runs `request` again, entered into the dialog with its own options and confirmed.
void App::rerun(const SearchRequest& request) {
  if (workerRunning()) {
    note_ = "A search still runs (F2 stops it)";
    return;
  }
  if (!request.known || !frontEnd_.enterRequest) return;
  display_->setFirstDialogHandler([this, request](HWND dialog) {
    frontEnd_.enterRequest(dialog, request);
    VwinDialogKey(dialog, VK_RETURN, FALSE);
  });
  search();
}

// The page's search again, with the size limit raised for this run so that it takes the files
// it refused as too large.
void App::raiseSizeLimit() {
  if (workerRunning()) {
    note_ = "A search still runs (F2 stops it)";
    return;
  }
  SearchRequest request = list_->summary(view_.page()).request;
  RaisedLimit raised = raisedLimit(list_->tooLargeFiles(view_.page()), host::fileSizeLimit().bytes);
  if (!request.known || raised.bytes == 0) {
    note_ = "No file was passed over as too large";
    return;
  }
  if (raised.overCeiling) {
    note_ = "The largest file has " + std::to_string(raised.largest) +
            " bytes, over what this key raises the limit to: --max-filesize=" +
            std::to_string(raised.largest + 1);
    return;
  }
  host::limitFileSizeForThisRun(raised.bytes);
  rerun(request);
  note_ = "Size limit " + std::to_string(raised.bytes) + " bytes from now on in this run";
}

LiveSearch::Hooks App::liveHooks() {
  LiveSearch::Hooks hooks;
  hooks.workerRunning = [this] { return workerRunning(); };
  hooks.askStop = [this] {
    display_->answerNextBox(IDYES);
    frontEnd_.runTool();
  };
  hooks.start = [this](const SearchRequest& request) {
    SearchRequest entered = request;
    entered.options |= Asynchronous;
    display_->setFirstDialogHandler([this, entered](HWND dialog) {
      frontEnd_.enterRequest(dialog, entered);
      VwinDialogKey(dialog, VK_RETURN, FALSE);
    });
    liveStarting_ = true;
    liveRequest_ = request;
    runTool();
    liveStarting_ = false;
  };
  hooks.dropPage = [this] { list_->dropNewestPage(); };
  hooks.keepPage = [this] { list_->keepNewestPage(); };
  hooks.goBack = [this] { view_.returnTo(livePlace_); };
  return hooks;
}

void App::openLiveQuery() {
  PageSummary s = list_->summary(view_.page());
  if (list_->pageCount() == 0 || !s.request.known || !frontEnd_.enterRequest) {
    note_ = "No search to edit";
    return;
  }
  if (live_.busy()) {
    note_ = "The last query's search is still being stopped";
    return;
  }
  livePlace_ = view_.place();
  live_.open(s.request);
  erase();
}

// The rules change for the searches to come; a page keeps the rules its search ran under.
void App::toggleIgnoreFiles() {
  if (!frontEnd_.toggleIgnoreFiles) return;
  if (workerRunning()) {
    note_ = "A search still runs (F2 stops it)";
    return;
  }
  note_ = frontEnd_.toggleIgnoreFiles() ? "Ignore files on from the next search"
                                        : "Ignore files off from the next search (i: on again)";
}

void App::toggleFollowLinks() {
  if (!frontEnd_.toggleFollowLinks) return;
  if (workerRunning()) {
    note_ = "A search still runs (F2 stops it)";
    return;
  }
  note_ = frontEnd_.toggleFollowLinks()
              ? "Linked folders followed from the next search, each folder once (f: not again)"
              : "Linked folders passed over from the next search";
}

}  // namespace tui
