// The full-screen terminal front end (see host/tui/tui_app.h).
// Tested by tests/host/tui/tui_app_test.cpp and tests/host/tui/tui_program_test.cpp.
#include "host/tui/tui_app.h"

#include <curses.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <iterator>
#include <memory>
#include <tuple>

#include "host/ide/file_size_limit.h"
#include "host/ide/passed_over_report.h"
#include "host/ide/scope_filter.h"
#include "host/ide/text_encoding.h"
#include "host/tui/tui_dialog_input.h"
#include "host/tui/tui_dialog_view.h"
#include "host/tui/tui_display.h"
#include "host/tui/tui_draw.h"
#include "host/tui/tui_editor.h"
#include "host/tui/tui_hit_match.h"
#include "host/tui/tui_key_bindings.h"
#include "host/tui/tui_keys.h"
#include "host/tui/tui_live_search.h"
#include "host/tui/tui_message_box.h"
#include "host/tui/tui_message_list.h"
#include "host/tui/tui_message_view.h"
#include "host/tui/tui_preview.h"
#include "host/tui/tui_quickfix.h"
#include "host/tui/tui_recent_searches.h"
#include "host/tui/tui_screen.h"
#include "host/tui/tui_search_list.h"
#include "host/tui/tui_size_limit.h"
#include "host/tui/tui_status_row.h"
#include "win32/include/winuser.h"
#include "win32/user32/dialog_input.h"
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
        view_(*list_),
        live_(liveHooks()) {}

  int run();

 private:
  HWND statusWindow() const {
    return host_.statusLine() ? host_.statusLine()->getStatusWindow() : nullptr;
  }
  void fitToTerminal();
  void repaint();
  // The rows and columns of the list, and where the preview goes (none while it is off).
  int listRows() const;
  int listColumns() const;
  void drawStatus();
  std::string previewTitle(const Row& row, int width) const;
  void runTool();
  void search();
  bool showRefusal();
  void confirmed(HWND dialog);
  void openRow(const Row& row);
  void openSelected();
  void writeQuickfix();
  void showSearchList();
  void rerun(const SearchRequest& request);
  void raiseSizeLimit();
  void keepEndedSearches();
  void clearOlderPages();
  void toggleIgnoreFiles();
  void cycleScope(bool back);
  void showPage(long page);
  bool workerRunning() const { return frontEnd_.searchRunning && frontEnd_.searchRunning(); }
  LiveSearch::Hooks liveHooks();
  void openLiveQuery();

  host::Host& host_;
  const FrontEnd& frontEnd_;
  std::shared_ptr<MessageList> list_;
  std::shared_ptr<host::PassedOverReport> passedOver_;
  MessageView view_;
  LiveSearch live_;
  bool liveStarting_ = false;     // the dialog being confirmed is a live query's
  SearchRequest liveRequest_;     // and this is its search, with the user's own boxes
  MessageView::Place livePlace_;  // where the page edited stood
  Screen screen_;
  std::unique_ptr<TerminalDisplay> display_;
  std::string note_;
  int fittedCols_ = 0;
  int fittedLines_ = 0;
  int quickfixes_ = 0;
  enum PreviewPlace { kNoPreview, kBelow, kBeside };
  PreviewPlace preview_ = kNoPreview;
  Preview previewPane_;
  int previewScroll_ = 0;  // lines past the centred place (J, K); 0 again on another row
  std::tuple<size_t, long, int, int, int> previewOf_{};  // the row it applies to
  RecentSearches recent_;
  std::vector<RecentSearch> earlier_;  // of earlier runs and of pages cleared since, oldest first
  std::string recentProblem_;          // why they could not be read, for the list of searches
  bool quitting_ = false;
  bool starting_ = false;  // a search was confirmed and its tool has not returned yet
  bool editingFilter_ = false;
  std::string filter_;
  void filterKey(const Key& key);
  void pasteOnPage();
  void act(Action action, const Key& key);
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
  if (preview_ != kNoPreview && (rows < LINES - 1 || cols < COLS)) {
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
  drawStatus();
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
  if (!ran) note_ = "No \"Vantrel\" tool in the add-on";
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
    runMessageBox(reason, "Vantrel", MB_OK | MB_ICONHAND, screen_.palette(), [this, dialog] {
      repaint();
      drawDialog(dialog, screen_.palette());
    });
  });
  return true;
}

void App::openRow(const Row& row) {
  if (row.file < 0 || (row.kind != Row::kHit && row.kind != Row::kHeading)) return;
  std::vector<std::string> argv = editorCommand(row.path, row.line, row.column);
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

void App::openSelected() {
  std::optional<Row> row = view_.selected();
  if (!row) return;
  if (row->kind == Row::kNotices) {
    view_.toggleSelected();
    return;
  }
  openRow(*row);
}

void App::writeQuickfix() {
  if (list_->pageCount() == 0) {
    note_ = "No hits to write";
    return;
  }
  std::string dir = quickfixDirectory(frontEnd_.stateDirectory);
  std::string path =
      dir + "/search-" + std::to_string(getpid()) + "-" + std::to_string(++quickfixes_) + ".qf";
  long lines = -1;
  QuickfixCounts counts;
  if (makeDirectories(dir)) lines = list_->writeQuickfix(view_.page(), path, &counts);
  if (lines < 0) {
    note_ = "Cannot write " + path + ": " + std::strerror(errno);
    return;
  }
  pruneQuickfixes(dir);
  // The hits the filter lets through, of the page's; those whose names no line can carry.
  note_ = "Wrote " + std::to_string(lines);
  if (lines < counts.total) note_ += " of " + std::to_string(counts.total);
  note_ += counts.total == 1 ? " hit" : " hits";
  if (counts.leftOut > 0)
    note_ +=
        " (" + std::to_string(counts.leftOut) +
        (counts.leftOut == 1 ? " left out: its file's name" : " left out: their files' names") +
        " cannot be a quickfix line's)";
  note_ += ": vim -q " + shellWord(path);
}

// Typing narrows the page as it goes; Enter keeps the filter, Esc (or emptying it) drops it.
void App::filterKey(const Key& key) {
  bool changed = true;
  if (key.type == Key::kEnter) {
    editingFilter_ = false;
    changed = false;
  } else if (key.type == Key::kEscape || key.type == Key::kInterrupt) {
    editingFilter_ = false;
    filter_.clear();
  } else if (key.type == Key::kBackspace) {
    if (filter_.empty()) editingFilter_ = false;
    // One character: its UTF-8 continuation bytes with it.
    while (!filter_.empty() && (static_cast<unsigned char>(filter_.back()) & 0xC0) == 0x80)
      filter_.pop_back();
    if (!filter_.empty()) filter_.pop_back();
  } else if (key.type == Key::kChar && key.code == 21) {  // Ctrl-U
    filter_.clear();
  } else if (key.type == Key::kChar && !key.alt && key.code >= 0x20 && key.code != 0x7F) {
    filter_.push_back(static_cast<char>(key.code));
  } else {
    changed = false;
  }
  if (!changed) return;
  view_.refilter([this] { list_->setFilter(view_.page(), filter_); });
}

// A paste never acts as keys: it goes into the filter being typed, or nowhere.
void App::pasteOnPage() {
  std::string text = readPaste();
  if (!editingFilter_) {
    note_ = "A paste goes into the filter: / first";
    return;
  }
  filter_ += text;
  view_.refilter([this] { list_->setFilter(view_.page(), filter_); });
}

void App::showPage(long page) {
  long pages = static_cast<long>(list_->pageCount());
  if (page < 0 || page >= pages) return;
  view_.showPage(static_cast<size_t>(page));
}

void App::showSearchList() {
  // An earlier search asked again later is listed once, as the later one.
  for (size_t i = 0; i < earlier_.size();) {
    bool later = false;
    for (size_t j = i + 1; j < earlier_.size() && !later; ++j)
      later = sameSearch(earlier_[i].request, earlier_[j].request);
    for (size_t p = 0; p < list_->pageCount() && !later; ++p)
      later = sameSearch(earlier_[i].request, list_->summary(p).request);
    if (later)
      earlier_.erase(earlier_.begin() + static_cast<long>(i));
    else
      ++i;
  }
  std::vector<std::string> lines;
  for (const RecentSearch& search : earlier_) lines.push_back(describeRecent(search));
  for (size_t i = 0; i < list_->pageCount(); ++i) lines.push_back(describePage(*list_, i));
  if (lines.empty() && recentProblem_.empty()) {
    note_ = "No search yet";
    return;
  }
  if (lines.empty()) lines.push_back(" No search yet");
  size_t current = list_->pageCount() ? earlier_.size() + view_.page() : lines.size() - 1;
  SearchListChoice choice =
      runSearchList(lines, current, recentProblem_, screen_.palette(), [this] { repaint(); });
  erase();
  if (choice.action == SearchListChoice::kClose ||
      choice.index >= earlier_.size() + list_->pageCount())
    return;
  // A search of this run shows its page on Enter; an earlier one has none: it runs again.
  bool earlier = choice.index < earlier_.size();
  if (choice.action == SearchListChoice::kShow && !earlier) {
    showPage(static_cast<long>(choice.index - earlier_.size()));
    return;
  }
  rerun(earlier ? earlier_[choice.index].request
                : list_->summary(choice.index - earlier_.size()).request);
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

// A search that ended goes into the recent searches, for the runs to come.
void App::keepEndedSearches() {
  for (size_t i = 0; i < list_->pageCount(); ++i) {
    if (!list_->takeEnded(i)) continue;
    PageSummary s = list_->summary(i);
    std::string problem;
    if (!recent_.add({s.request, s.hits, s.files, s.stopped}, &problem) && !problem.empty())
      note_ = problem;
  }
}

// The cleared pages' searches stay in the list of searches, as an earlier run's do.
void App::clearOlderPages() {
  keepEndedSearches();
  for (size_t i = 0; i + 1 < list_->pageCount(); ++i) {
    PageSummary s = list_->summary(i);
    if (s.request.known && s.refusal.empty())
      earlier_.push_back({s.request, s.hits, s.files, s.stopped});
  }
  if (earlier_.size() > static_cast<size_t>(RecentSearches::kKept))
    earlier_.erase(earlier_.begin(), earlier_.end() - RecentSearches::kKept);
  list_->clearOlderPages();
  view_.showPage(0);
  note_ = "Cleared the older pages";
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

// The page's hits in code, comments, strings, comments and strings, then all again (back: the
// other way round).
void App::cycleScope(bool back) {
  static constexpr unsigned kCycle[] = {0, host::kScopeCode, host::kScopeComments,
                                        host::kScopeStrings,
                                        host::kScopeComments | host::kScopeStrings};
  constexpr size_t kSteps = std::size(kCycle);
  if (list_->pageCount() == 0) {
    note_ = "No hits to show by scope";
    return;
  }
  size_t page = view_.page();
  unsigned now = list_->scopes(page);
  size_t at = 0;
  while (at < kSteps && kCycle[at] != now) ++at;
  unsigned next = kCycle[(at + (back ? kSteps - 1 : 1)) % kSteps];
  view_.refilter([this, page, next] { list_->setScopes(page, next); });
  note_ = next == 0 ? "Every hit shown (s: by scope)"
                    : "The hits in " + host::scopeWords(next) + " (s: the next scope)";
}

// What a key bound in host/tui/tui_key_bindings.h does between searches.
void App::act(Action action, const Key& key) {
  switch (action) {
    case Action::kNone:
      break;
    case Action::kSearch:
      search();
      break;
    case Action::kStop:
      if (workerRunning()) search();  // the tool asks whether to stop it
      break;
    case Action::kQuit:
      quitting_ = true;
      break;
    case Action::kOpen:
      openSelected();
      break;
    case Action::kClick:
      // A second click on a row (or a double click) opens it, as Enter does.
      if (key.col < listColumns() && view_.click(key.row, listRows())) openSelected();
      break;
    case Action::kWheel:
      view_.wheel(key.code, listRows());
      break;
    case Action::kMove:
      view_.handleKey(key, listRows());
      break;
    case Action::kQuickfix:
      writeQuickfix();
      break;
    case Action::kPreviousPage:
      if (view_.page() == 0 || list_->pageCount() == 0)
        note_ = "This is the first page";
      else
        showPage(static_cast<long>(view_.page()) - 1);
      break;
    case Action::kNextPage:
      if (view_.page() + 1 >= list_->pageCount())
        note_ = "This is the last page (l lists the searches)";
      else
        showPage(static_cast<long>(view_.page()) + 1);
      break;
    case Action::kPreviewDown:
    case Action::kPreviewUp: {
      if (preview_ == kNoPreview) {
        note_ = "p shows the preview";
        break;
      }
      // Half the pane a key, the selection left where it is.
      int pane = preview_ == kBelow ? LINES - 2 - listRows() : LINES - 2 - view_.headerRows();
      int step = std::max(1, pane / 2);
      previewScroll_ += action == Action::kPreviewDown ? step : -step;
      break;
    }
    case Action::kOrder: {
      if (list_->pageCount() == 0) break;
      bool byPath = !list_->byPath(view_.page());
      view_.reorder([&] { list_->orderByPath(view_.page(), byPath); });
      note_ = byPath ? "Files by path (o: in the order found)" : "Files in the order found";
      break;
    }
    case Action::kSearches:
      showSearchList();
      break;
    case Action::kIgnoreFiles:
      toggleIgnoreFiles();
      break;
    case Action::kScope:
      cycleScope(key.type == Key::kChar && key.code == 'S');
      break;
    case Action::kClear:
      clearOlderPages();
      break;
    case Action::kFold:
      view_.toggleSelected();
      break;
    case Action::kLiveQuery:
      openLiveQuery();
      break;
    case Action::kRaiseSizeLimit:
      raiseSizeLimit();
      break;
    case Action::kFilter:
      if (list_->pageCount() == 0) break;
      editingFilter_ = true;
      filter_ = list_->filter(view_.page());
      break;
    case Action::kStopForShell:
      screen_.stopForShell();
      erase();
      break;
    case Action::kPreview:
      // Off, below the list, beside it, off.
      preview_ = preview_ == kNoPreview ? kBelow : preview_ == kBelow ? kBeside : kNoPreview;
      erase();
      break;
    case Action::kNextHit:
    case Action::kPreviousHit: {
      // The neighbouring hit, opened at once; the list stays where it is.
      bool next = action == Action::kNextHit;
      if (view_.stepHit(next ? 1 : -1))
        openSelected();
      else
        note_ = next ? "No next hit" : "No previous hit";
      break;
    }
  }
}

int App::run() {
  if (!screen_.start()) return -1;
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
  vwin::Display* previous = VwinGetDisplay();
  VwinSetDisplay(display_.get());

  // The recent searches of earlier runs; a file that cannot be read is told, once the first
  // dialog is done, and in the list of searches.
  if (!recent_.open(quickfixDirectory(frontEnd_.stateDirectory), &earlier_, &recentProblem_) &&
      recentProblem_.empty())
    recentProblem_ = "Recent searches are not kept";
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
    if (key.type == Key::kPaste) {
      if (live_.editing())
        live_.paste(readPaste(), LiveQuery::Clock::now());
      else
        pasteOnPage();
      continue;
    }
    if (live_.editing() && key.type != Key::kNone && key.type != Key::kResize &&
        key.type != Key::kClick && key.type != Key::kWheel) {
      // Movement keys go to the page below; every other key is the query's.
      if (!live_.key(key, LiveQuery::Clock::now()) && actionFor(key) == Action::kMove)
        view_.handleKey(key, listRows());
      if (!live_.editing()) erase();
      continue;
    }
    if (editingFilter_ && key.type != Key::kNone && key.type != Key::kResize &&
        key.type != Key::kClick && key.type != Key::kWheel) {
      filterKey(key);
      continue;
    }
    if (key.type == Key::kResize) {
      fitToTerminal();
      erase();
      continue;
    }
    act(actionFor(key), key);
  }
  keepEndedSearches();
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
