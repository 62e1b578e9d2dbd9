// The full-screen terminal front end (see host/tui/tui_app.h).
// Tested by tests/tui_app_test.cpp.
#include "host/tui/tui_app.h"

#include <curses.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "host/ide/passed_over_report.h"
#include "host/tui/tui_display.h"
#include "host/tui/tui_editor.h"
#include "host/tui/tui_keys.h"
#include "host/tui/tui_message_list.h"
#include "host/tui/tui_message_view.h"
#include "host/tui/tui_screen.h"
#include "host/tui/tui_status_row.h"
#include "win32/include/winuser.h"
#include "win32/user32/window.h"

namespace tui {
namespace {

class App {
 public:
  App(host::Host& host, const FrontEnd& frontEnd)
      : host_(host),
        frontEnd_(frontEnd),
        list_(std::make_shared<MessageList>(frontEnd.windowsPaths)),
        passedOver_(
            std::make_shared<host::PassedOverReport>([list = list_](const host::PassedOver& p) {
              std::string skipped = p.describe();
              if (!skipped.empty()) list->addLine("Passed over " + skipped);
            })),
        view_(*list_) {}

  int run();

 private:
  HWND statusWindow() const {
    return host_.statusLine() ? host_.statusLine()->getStatusWindow() : nullptr;
  }
  void fitToTerminal();
  void repaint();
  void runTool();
  void openSelected();
  void writeQuickfix();
  bool workerRunning() const { return frontEnd_.searchRunning && frontEnd_.searchRunning(); }

  host::Host& host_;
  const FrontEnd& frontEnd_;
  std::shared_ptr<MessageList> list_;
  // Adds the count of what a search passed over as a row after its summary.
  std::shared_ptr<host::PassedOverReport> passedOver_;
  MessageView view_;
  Screen screen_;
  std::unique_ptr<TerminalDisplay> display_;
  std::string note_;
  int fittedCols_ = 0;
  int fittedLines_ = 0;
};

// The layer's screen is the terminal; the status window is its last row.
void App::fitToTerminal() {
  fittedCols_ = COLS;
  fittedLines_ = LINES;
  vwin::setScreenSize(COLS * vwin::kCellWidth, LINES * vwin::kCellHeight);
  if (HWND status = statusWindow())
    MoveWindow(status, 0, (LINES - 1) * vwin::kCellHeight, COLS * vwin::kCellWidth,
               vwin::kCellHeight, FALSE);
}

void App::repaint() {
  // A resize read by a dialog's or a search's loop lands here first.
  if (COLS != fittedCols_ || LINES != fittedLines_) {
    fitToTerminal();
    erase();
  }
  view_.draw(LINES - 1);
  if (display_ && display_->inDialog())
    drawKeys(LINES - 1, kDialogKeysHint, screen_.palette(), false);
  else if (display_ && display_->inBox())
    drawKeys(LINES - 1, kBoxKeysHint, screen_.palette(), false);
  else if (display_ && display_->statusDrawn() && statusWindow())
    drawStatusWindow(statusWindow(), LINES - 1, screen_.palette());
  else
    drawKeys(LINES - 1, note_, screen_.palette());
}

void App::runTool() {
  note_.clear();
  if (!workerRunning()) passedOver_->start();  // else the tool asks whether to stop that search
  display_->setSearching(true);
  bool ran = frontEnd_.runTool();
  display_->setSearching(false);
  if (!ran) note_ = "No \"Vantrel\" tool in the add-on";
  erase();
  repaint();
  refresh();
}

void App::openSelected() {
  std::optional<Row> row = view_.selected();
  if (!row || row->kind != Row::kHit) return;
  std::vector<std::string> argv = editorCommand(row->path, row->line);
  screen_.suspend();
  int status = runCommand(argv);
  screen_.resume();
  Screen::takeInterrupt();  // a Ctrl-C meant for the editor
  if (status == 127 || status < 0)
    note_ = "Could not start " + argv[0];
  else if (status != 0)
    note_ = argv[0] + " ended with status " + std::to_string(status);
  else
    note_.clear();
  erase();
}

void App::writeQuickfix() {
  long lines = list_->writeQuickfix(frontEnd_.quickfixFile);
  if (lines < 0)
    note_ = "Cannot write " + frontEnd_.quickfixFile + ": " + std::strerror(errno);
  else
    note_ = "Wrote " + std::to_string(lines) + (lines == 1 ? " entry" : " entries") + " to " +
            frontEnd_.quickfixFile;
}

int App::run() {
  if (!screen_.start()) return -1;
  if (host_.messageWindow()) {
    host_.messageWindow()->addSink(list_);
    host_.messageWindow()->addSink(passedOver_);  // after the list: its row follows the summary
  }
  fitToTerminal();
  display_ = std::make_unique<TerminalDisplay>(screen_, statusWindow(), [this] { repaint(); });
  if (frontEnd_.prepareFirstDialog) display_->setFirstDialogHandler(frontEnd_.prepareFirstDialog);
  display_->setResizeHandler([this] {
    fitToTerminal();
    erase();
  });
  vwin::Display* previous = VwinGetDisplay();
  VwinSetDisplay(display_.get());

  repaint();
  refresh();
  runTool();
  bool quitting = false;
  while (true) {
    display_->flushBeeps();
    if (quitting) {
      if (!workerRunning()) break;
      note_ = "Waiting for the search to end (F2 stops it) ...";
    }
    repaint();
    refresh();
    Key key = readKey(100);
    switch (key.type) {
      case Key::kNone:
        break;
      case Key::kResize:
        fitToTerminal();
        erase();
        break;
      case Key::kFunction:
        if (key.code == 2) runTool();
        if (key.code == 10) quitting = true;
        break;
      case Key::kEnter:
        openSelected();
        break;
      case Key::kInterrupt:
        quitting = true;
        break;
      case Key::kClick:
        // A second click on a row (or a double click) opens it, as Enter does.
        if (view_.click(key.row, LINES - 1)) openSelected();
        break;
      case Key::kWheel:
        view_.wheel(key.code, LINES - 1);
        break;
      case Key::kChar:
        if (key.code == 'q' || key.code == 'Q') quitting = true;
        if (key.code == 'w' || key.code == 'W') writeQuickfix();
        break;
      default:
        view_.handleKey(key, LINES - 1);
        break;
    }
  }
  VwinSetDisplay(previous);
  display_.reset();
  screen_.stop();
  return list_->hitCount() > 0 ? 0 : 1;
}

}  // namespace

int runTerminalFrontEnd(host::Host& host, const FrontEnd& frontEnd) {
  App app(host, frontEnd);
  return app.run();
}

}  // namespace tui
