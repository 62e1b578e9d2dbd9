// A dialog drawn on the terminal (see host/tui/tui_dialog_view.h).
// Tested by tests/host/tui/tui_app_test.cpp (the documented dialog, cell for cell).
#include "host/tui/tui_dialog_view.h"

#include <curses.h>

#include <algorithm>
#include <string>
#include <vector>

#include "host/ide/text_encoding.h"
#include "host/tui/tui_dialog_layout.h"
#include "host/tui/tui_draw.h"
#include "win32/include/winuser.h"
#include "win32/user32/controls.h"
#include "win32/user32/dialog.h"
#include "win32/user32/window.h"

namespace tui {
namespace {

// The dialog's look: a grey face with black text, a navy caption, white edit fields.
constexpr COLORREF kFace = RGB(192, 192, 192);
constexpr COLORREF kText = RGB(0, 0, 0);
constexpr COLORREF kGreyText = RGB(128, 128, 128);
constexpr COLORREF kHighlight = RGB(0, 0, 128);
constexpr COLORREF kHighlightText = RGB(255, 255, 255);
constexpr COLORREF kField = RGB(255, 255, 255);

// Draws a caption (ASCII from the template) with its marked letter underlined.
void putCaption(int row, int col, const std::string& text, int width, int attr) {
  int marked = -1;
  std::string plain = plainCaption(text, &marked);
  std::string shown = host::toTerminalText(plain);
  put(row, col, shown, width, attr);
  if (marked >= 0 && marked < width && marked < static_cast<int>(plain.size()) &&
      shown.size() == plain.size())
    put(row, col + marked, std::string(1, plain[static_cast<size_t>(marked)]), 1,
        attr | A_UNDERLINE);
}

// The column at which byte `at` of the field's text is shown.
int columnOf(const std::string& text, size_t at) {
  return columns(host::toTerminalText(std::string_view(text).substr(0, at)));
}

// An edit field: its text from the first visible column on, the selection (while it has the
// focus) in the highlight colours, the caret where the terminal's cursor will be. The field
// scrolls only as far as it takes to keep the caret in view, as an edit control does; `scroll`
// holds its first visible column from one drawing to the next.
void drawCombo(const Control& c, bool focused, Palette& palette, int* scroll, int* cursorRow,
               int* cursorCol) {
  int width = c.cells.lastCol - c.cells.firstCol + 1;
  int row = c.cells.firstRow;
  if (width < 2) return;
  int field = palette.attribute(c.enabled ? kText : kGreyText, kField);
  std::string shown = host::toTerminalText(c.text);
  int room = width - 1;  // the caret after the last character needs a cell too
  DWORD selStart = 0, selEnd = 0;
  SendMessageA(c.handle, CB_GETEDITSEL, reinterpret_cast<WPARAM>(&selStart),
               reinterpret_cast<LPARAM>(&selEnd));
  size_t length = c.text.size();
  int startCol = columnOf(c.text, std::min<size_t>(selStart, length));
  int endCol = columnOf(c.text, std::min<size_t>(selEnd, length));
  int caretCol = columnOf(c.text, std::min<size_t>(vwin::comboCaret(c.handle), length));
  int last = columns(shown);
  // Keep the caret in view; do not leave blank room at the right that text could fill.
  *scroll = std::min(*scroll, std::max(0, last - room + 1));
  if (caretCol < *scroll) *scroll = caretCol;
  if (caretCol > *scroll + room - 1) *scroll = caretCol - room + 1;
  std::string_view visible = fromColumn(shown, *scroll);
  blank(row, c.cells.firstCol, room, field);
  put(row, c.cells.firstCol, visible, room, field);
  if (focused && endCol > startCol) {
    int from = std::max(startCol, *scroll), to = std::min(endCol, *scroll + room);
    if (to > from)
      put(row, c.cells.firstCol + from - *scroll, fromColumn(visible, from - *scroll), to - from,
          palette.attribute(kHighlightText, kHighlight));
  }
  attrset(palette.attribute(kText, kFace));
  mvaddch(row, c.cells.lastCol, ACS_DARROW);
  attrset(A_NORMAL);
  if (focused) {
    *cursorRow = row;
    *cursorCol = c.cells.firstCol + caretCol - *scroll;
  }
}

void drawDroppedList(const Control& c, Palette& palette) {
  DroppedList list = droppedList(c);
  const std::vector<std::string>& items = list.items;
  int highlighted = list.highlighted, rows = list.rows, top = list.top, first = list.first;
  int width = c.cells.lastCol - c.cells.firstCol + 1;
  int attr = palette.attribute(kText, kField);
  frame(top, c.cells.firstCol, top + rows + 1, c.cells.lastCol, attr);
  for (int r = 0; r < rows; ++r) {
    int index = first + r;
    std::string text =
        index < static_cast<int>(items.size()) ? host::toTerminalText(items[index]) : "";
    int rowAttr = index == highlighted ? palette.attribute(kHighlightText, kHighlight) : attr;
    put(top + 1 + r, c.cells.firstCol + 1, text, width - 2, rowAttr, true);
  }
}

// Answers the column of the button's caption.
int drawButton(const Control& c, bool focused, bool isDefault, Palette& palette) {
  int width = c.cells.lastCol - c.cells.firstCol + 1;
  int row = c.cells.firstRow;
  int marked = -1;
  std::string plain = plainCaption(c.text, &marked);
  int attr = focused ? palette.attribute(kHighlightText, kHighlight)
                     : palette.attribute(c.enabled ? kText : kGreyText, kFace);
  if (isDefault && c.enabled) attr |= A_BOLD;
  std::string label = (isDefault ? "< " : "[ ") + plain + (isDefault ? " >" : " ]");
  int pad = std::max(0, (width - static_cast<int>(label.size())) / 2);
  blank(row, c.cells.firstCol, width, palette.attribute(kText, kFace));
  put(row, c.cells.firstCol + pad, label, width - pad, attr);
  if (marked >= 0 && c.enabled)
    put(row, c.cells.firstCol + pad + 2 + marked, std::string(1, plain[marked]), 1,
        attr | A_UNDERLINE);
  return c.cells.firstCol + pad + 2;
}

// In place of a dialog cut by a terminal too small for it, which could not be used: what it
// needs (Esc still cancels it).
void drawNoRoom(int needCols, int needRows, int face) {
  std::string text = " The dialog needs " + std::to_string(needCols) + " x " +
                     std::to_string(needRows + 1) + " cells; the terminal has " +
                     std::to_string(COLS) + " x " + std::to_string(LINES) + ". ";
  for (int row = 0; row < LINES - 1; ++row) blank(row, 0, COLS, face);
  put(std::max(0, (LINES - 1) / 2), 0, text, COLS, face);
  curs_set(0);
}

// The note under the control it names, when there is a row for it inside the dialog.
void drawNote(HWND dialog, const std::vector<Control>& controls, const CellRect& box,
              const DialogNote& note, Palette& palette) {
  int noted = 0;
  std::string noteText = note(dialog, &noted);
  for (const Control& c : controls) {
    if (noteText.empty() || GetDlgCtrlID(c.handle) != noted || c.cells.lastRow + 1 >= box.lastRow)
      continue;
    put(c.cells.lastRow + 1, c.cells.firstCol, noteText, box.lastCol - c.cells.firstCol,
        palette.attribute(kHighlight, kFace));
  }
}

}  // namespace

void drawDialog(HWND dialog, Palette& palette, FieldScroll* scroll, const DialogNote& note) {
  FieldScroll fresh;
  if (!scroll) scroll = &fresh;
  vwin::Window* d = vwin::windowFromHandle(dialog);
  if (!d) return;
  CellRect box = dialogCells(d->rect);
  int face = palette.attribute(kText, kFace);
  int needCols = box.lastCol - box.firstCol + 1, needRows = box.lastRow - box.firstRow + 1;
  if (needCols > COLS || needRows > LINES - 1) {
    drawNoRoom(needCols, needRows, face);
    return;
  }
  for (int row = box.firstRow; row <= box.lastRow; ++row)
    blank(row, box.firstCol, box.lastCol - box.firstCol + 1, face);
  frame(box.firstRow, box.firstCol, box.lastRow, box.lastCol, face);
  std::string title = " " + host::toTerminalText(d->text) + " ";
  int titleWidth = columns(title);
  int titleCol = box.firstCol + std::max(1, (box.lastCol - box.firstCol + 1 - titleWidth) / 2);
  put(box.firstRow, titleCol, title, box.lastCol - titleCol,
      palette.attribute(kHighlightText, kHighlight) | A_BOLD);

  std::vector<Control> controls = controlsOf(dialog);
  HWND focus = GetFocus();
  int cursorRow = -1, cursorCol = -1;
  const Control* dropped = nullptr;
  for (const Control& c : controls) {
    const CellRect& r = c.cells;
    if (r.lastCol < r.firstCol || r.lastRow < r.firstRow) continue;
    int textAttr = palette.attribute(c.enabled ? kText : kGreyText, kFace);
    switch (c.kind) {
      case vwin::ControlKind::kGroupBox:
        frame(r.firstRow, r.firstCol, r.lastRow, r.lastCol, face);
        putCaption(r.firstRow, r.firstCol + 1, " " + c.text + " ", r.lastCol - r.firstCol - 1,
                   textAttr);
        break;
      case vwin::ControlKind::kStatic: {
        int right = innerRight(controls, c, box);
        putCaption(r.firstRow, r.firstCol, c.text,
                   roomFrom(controls, c, r.firstRow, r.firstCol, right), textAttr);
        break;
      }
      case vwin::ControlKind::kCheckBox: {
        bool checked = SendMessageA(c.handle, BM_GETCHECK, 0, 0) == BST_CHECKED;
        int right = innerRight(controls, c, box);
        int room = roomFrom(controls, c, r.firstRow, r.firstCol, right);
        int attr = c.handle == focus ? palette.attribute(kHighlightText, kHighlight) : textAttr;
        put(r.firstRow, r.firstCol, checked ? "[x] " : "[ ] ", room, textAttr);
        putCaption(r.firstRow, r.firstCol + 4, c.text, room - 4, attr);
        if (c.handle == focus) cursorRow = r.firstRow, cursorCol = r.firstCol + 1;
        break;
      }
      case vwin::ControlKind::kPushButton: {
        int caption =
            drawButton(c, c.handle == focus, (c.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON, palette);
        if (c.handle == focus) cursorRow = r.firstRow, cursorCol = caption;
        break;
      }
      case vwin::ControlKind::kComboBox:
        drawCombo(c, c.handle == focus, palette, &(*scroll)[c.handle], &cursorRow, &cursorCol);
        if (vwin::comboDropped(c.handle)) dropped = &c;
        break;
      default:
        break;
    }
  }
  if (note) drawNote(dialog, controls, box, note, palette);
  if (dropped) drawDroppedList(*dropped, palette);
  if (cursorRow >= 0 && !dropped) {
    move(cursorRow, cursorCol);
    curs_set(1);
  } else {
    curs_set(0);
  }
}

}  // namespace tui
