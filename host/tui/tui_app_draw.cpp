// The front end's screen (see host/tui/tui_app_state.h): the live query's rows, the page's list,
// the preview below or beside it and the status row, drawn whole on every repaint; the layer's
// screen is fitted to the terminal first when its size changed. The status row says what applies
// now: a dialog's or a box's keys, the add-on's bar, a worker search's counts, or the note and the
// keys of the selected row. Threading: the IDE's thread.
// Tested by tests/host/tui/tui_app_test.cpp and tests/host/tui/tui_program_test.cpp.
#include <curses.h>

#include <algorithm>
#include <tuple>

#include "host/ide/text_encoding.h"
#include "host/tui/tui_app_state.h"
#include "host/tui/tui_dialog_input.h"
#include "host/tui/tui_draw.h"
#include "host/tui/tui_message_box.h"
#include "host/tui/tui_status_row.h"
#include "win32/include/winuser.h"
#include "win32/user32/window.h"

namespace tui {

// The layer's screen is the terminal; the status window is its last row.
void App::fitToTerminal() {
  fittedCols_ = COLS;
  fittedLines_ = LINES;
  vwin::setScreenSize(COLS * vwin::kCellWidth, LINES * vwin::kCellHeight);
  if (HWND status = statusWindow())
    MoveWindow(status, 0, (LINES - 1) * vwin::kCellHeight, COLS * vwin::kCellWidth,
               vwin::kCellHeight, FALSE);
}

void App::drawStatus() {
  Palette& palette = screen_.palette();
  int last = LINES - 1;
  if (display_ && display_->inDialog()) {
    drawKeys(last, kDialogKeysHint, palette, false);
  } else if (display_ && display_->inBox()) {
    drawKeys(last, kBoxKeysHint, palette, false);
  } else if (display_ && display_->statusDrawn() && statusWindow()) {
    drawStatusWindow(statusWindow(), last, palette);
  } else if (starting_ && !workerRunning()) {
    // Confirmed, the add-on still counting the files before it draws its bar.
    drawKeys(last, " Searching ...   Esc Stop", palette, false);
  } else if (live_.editing()) {
    std::string line = " Enter Keep  Esc Back  Tab Field  Alt-C/R/E/W Box";
    if (workerRunning() && list_->pageCount() > 0) {
      PageSummary s = list_->summary(list_->pageCount() - 1);
      line += "   Searching: " + std::to_string(s.searched) + " files, " + std::to_string(s.hits) +
              (s.hits == 1 ? " hit" : " hits");
    }
    drawKeys(last, line, palette, false);
  } else if (editingFilter_) {
    drawKeys(last, " Filter: " + host::toTerminalText(filter_) + "_   Enter Keep  Esc Clear",
             palette, false);
  } else if (workerRunning() && list_->pageCount() > 0) {
    // A worker search draws no bar: its counts so far, from what it has written.
    PageSummary s = list_->summary(list_->pageCount() - 1);
    std::string counts = std::to_string(s.searched) + (s.searched == 1 ? " file, " : " files, ") +
                         std::to_string(s.hits) + (s.hits == 1 ? " hit" : " hits");
    std::string line = note_.empty()
                           ? " Searching: " + counts + "   " + keysHint(kWhileSearching).substr(1)
                           : " " + note_ + "   " + counts;
    drawKeys(last, line, palette, false);
  } else {
    // The keys that apply to what is selected.
    std::optional<Row> row = view_.selected();
    HintPlace place = kOnHit;
    if (row && row->kind == Row::kHeading) place = kOnHeading;
    if (row && row->kind == Row::kNotices) place = kOnNotices;
    if (row && (row->kind == Row::kMessage || row->kind == Row::kNotice)) place = kOnMessage;
    drawKeys(last, note_, palette, true, keysHint(place));
  }
}

// Below, the preview takes two fifths of the rows above the status row; beside, the right half.
int App::listRows() const {
  int rows = LINES - 1;
  if (preview_ != kBelow || rows < 12) return rows;
  // The preview takes what the list does not need, and at least two fifths.
  int most = rows - std::max(4, rows * 2 / 5);
  long needed = static_cast<long>(view_.origin() + view_.headerRows()) +
                static_cast<long>(list_->size(view_.page()));
  return static_cast<int>(
      std::clamp(needed, static_cast<long>(view_.origin()) + 3, static_cast<long>(most)));
}

int App::listColumns() const { return preview_ == kBeside && COLS >= 60 ? COLS / 2 : COLS; }

void App::repaint() {
  // A resize read by a dialog's or a search's loop lands here first.
  if (COLS != fittedCols_ || LINES != fittedLines_) {
    fitToTerminal();
    erase();
  }
  int rows = listRows(), cols = listColumns();
  int editor = live_.editing() ? live_.query().rows() : 0;
  if (editor > 0) live_.query().draw(0, COLS);
  view_.setOrigin(editor);
  view_.draw(rows, cols);
  if (preview_ != kNoPreview && (rows < LINES - 1 || cols < COLS)) drawPreview(rows, cols);
  drawStatus();
}

// The selected row's lines in its file, below the list's `rows` or beside its `cols`; scrolled
// back to the centre when the row changes.
void App::drawPreview(int rows, int cols) {
  std::optional<Row> row = view_.selected();
  Row shown = row ? *row : Row();
  SearchRequest request = list_->summary(view_.page()).request;
  auto place = std::make_tuple(view_.page(), shown.file, shown.line, shown.column,
                               static_cast<int>(shown.kind));
  if (place != previewOf_) previewScroll_ = 0;
  previewOf_ = place;
  if (rows < LINES - 1) {
    put(rows, 0, previewTitle(shown, COLS), COLS, A_REVERSE | A_DIM, true);
    previewScroll_ =
        previewPane_.draw(shown, request, rows + 1, 0, LINES - 2 - rows, COLS, previewScroll_);
  } else {
    int top = view_.origin() + view_.headerRows();  // beside the list, under the header
    for (int r = top; r < LINES - 1; ++r) mvaddstr(r, cols, glyphs().bar);
    put(top, cols + 1, previewTitle(shown, COLS - cols - 1), COLS - cols - 1, A_REVERSE | A_DIM,
        true);
    previewScroll_ = previewPane_.draw(shown, request, top + 1, cols + 1, LINES - 2 - top,
                                       COLS - cols - 1, previewScroll_);
  }
}

// The file's path as the list shows it (relative to the directory searched) and the line; when
// that does not fit, the file's name and line first, its directory after.
std::string App::previewTitle(const Row& row, int width) const {
  if (row.file < 0) return " Preview";
  long heading = list_->headingRow(view_.page(), row.file);
  std::string path = heading >= 0 ? list_->row(view_.page(), static_cast<size_t>(heading)).shown
                                  : host::toTerminalText(row.path);
  std::string line = ":" + std::to_string(row.line);
  std::string title = " " + path + line;
  size_t slash = path.rfind('/');
  if (columns(title) <= width || slash == std::string::npos) return title;
  return " " + path.substr(slash + 1) + line + "  " + path.substr(0, slash + 1);
}

}  // namespace tui
