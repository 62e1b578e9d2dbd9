// The full-screen terminal front end's run (see host/tui/tui_app.h; its state is
// host/tui/tui_app_state.h): the screen started and the layer's display put in place, the tool run
// once, then one key at a time until the user quits; the previous display is put back at the end.
// Keys typed during a blocking search are acted on first, in the order typed; a key goes to the
// live query or the filter being typed before it is looked up in the key table.
// Threading: the IDE's thread. Tested by tests/host/tui/tui_app_test.cpp and
// tests/host/tui/tui_program_test.cpp.
#include "host/tui/tui_app.h"

#include <curses.h>

#include "host/tui/tui_app_state.h"
#include "host/tui/tui_draw.h"
#include "host/tui/tui_quickfix.h"
#include "host/tui/tui_status_row.h"

namespace tui {

App::App(host::Host& host, const FrontEnd& frontEnd)
    : host_(host),
      frontEnd_(frontEnd),
      list_(std::make_shared<MessageList>(frontEnd.windowsPaths)),
      passedOver_(
          std::make_shared<host::PassedOverReport>([list = list_](const host::PassedOver& p) {
            std::string skipped = p.describe();
            if (!skipped.empty()) list->addLine("Passed over " + skipped);
          })),
      view_(*list_),
      live_(liveHooks()) {}

// The screen, the message window's sinks and the display the layer draws through; false when
// the terminal cannot be used.
bool App::start() {
  if (!screen_.start()) return false;
  useAsciiGlyphs(!screen_.unicode());
  if (host_.messageWindow()) {
    host_.messageWindow()->addSink(list_);
    host_.messageWindow()->addSink(passedOver_);  // after the list: its row follows the summary
  }
  fitToTerminal();
  display_ = std::make_unique<TerminalDisplay>(screen_, statusWindow(), [this] { repaint(); });
  if (frontEnd_.prepareFirstDialog) display_->setFirstDialogHandler(frontEnd_.prepareFirstDialog);
  display_->setConfirmedHandler([this](HWND dialog) { confirmed(dialog); });
  if (frontEnd_.dialogNote) display_->setDialogNote(frontEnd_.dialogNote);
  // A movement key typed during a blocking search moves the selection between two files, while
  // no other key waits before it.
  display_->setSearchKeyHandler([this](const Key& key) {
    if (editingFilter_ || actionFor(key) != Action::kMove) return false;
    view_.handleKey(key, listRows());
    repaint();
    refresh();
    return true;
  });
  display_->setResizeHandler([this] {
    fitToTerminal();
    // The status window was made anew at its new width: the stop key goes back into its last
    // cells, which the add-on's bar leaves to the host.
    paintStatusWindow(statusWindow());
    erase();
  });
  previousDisplay_ = VwinGetDisplay();
  VwinSetDisplay(display_.get());

  // The recent searches of earlier runs; a file that cannot be read is told, once the first
  // dialog is done, and in the list of searches.
  if (!recent_.open(quickfixDirectory(frontEnd_.stateDirectory), &earlier_, &recentProblem_) &&
      recentProblem_.empty())
    recentProblem_ = "Recent searches are not kept";
  return true;
}

// A paste, or a key while the live query or the filter is being typed, is theirs; any other key
// does what the key table binds it to.
void App::handleKey(const Key& key) {
  if (key.type == Key::kPaste) {
    if (live_.editing())
      live_.paste(readPaste(), LiveQuery::Clock::now());
    else
      pasteOnPage();
    return;
  }
  if (live_.editing() && key.type != Key::kNone && key.type != Key::kResize &&
      key.type != Key::kClick && key.type != Key::kWheel) {
    // Movement keys go to the page below; every other key is the query's.
    if (!live_.key(key, LiveQuery::Clock::now()) && actionFor(key) == Action::kMove)
      view_.handleKey(key, listRows());
    if (!live_.editing()) erase();
    return;
  }
  if (editingFilter_ && key.type != Key::kNone && key.type != Key::kResize &&
      key.type != Key::kClick && key.type != Key::kWheel) {
    filterKey(key);
    return;
  }
  if (key.type == Key::kResize) {
    fitToTerminal();
    erase();
    return;
  }
  act(actionFor(key), key);
}

void App::finish() {
  keepEndedSearches();
  VwinSetDisplay(previousDisplay_);
  display_.reset();
  screen_.stop();
}

int App::run() {
  if (!start()) return -1;
  repaint();
  refresh();
  search();
  if (!recentProblem_.empty()) note_ = recentProblem_;
  while (true) {
    display_->flushBeeps();
    if (!workerRunning() && showRefusal()) search();
    keepEndedSearches();
    if (quitting_) {
      if (!workerRunning()) break;
      note_ = "Waiting for the search to end (F2 stops it) ...";
    }
    live_.tick(LiveQuery::Clock::now());
    repaint();
    refresh();
    // Keys typed during a blocking search come first, in the order typed.
    Key key;
    if (!display_->takeTypedKey(&key)) key = readKey(live_.waitMs(LiveQuery::Clock::now()));
    handleKey(key);
  }
  finish();
  return list_->hitCount() > 0 ? 0 : 1;
}

int runTerminalFrontEnd(host::Host& host, const FrontEnd& frontEnd) {
  App app(host, frontEnd);
  return app.run();
}

}  // namespace tui
