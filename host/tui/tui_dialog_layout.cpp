// Where a dialog's controls stand on the terminal (see host/tui/tui_dialog_layout.h).
// Tested by tests/host/tui/tui_app_test.cpp and tests/host/tui/tui_program_test.cpp.
#include "host/tui/tui_dialog_layout.h"

#include <algorithm>

#include "win32/user32/window.h"

namespace tui {
using vwin::firstCellFrom;
using vwin::floorDiv;

int stretch(int pixels) { return pixels * kStretchNumerator / kStretchDenominator; }

// A caption without its '&' marks, and the position of the marked letter (-1: none).
std::string plainCaption(const std::string& text, int* marked) {
  std::string out;
  *marked = -1;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) {
      ++i;
      if (text[i] != '&') *marked = static_cast<int>(out.size());
    }
    out.push_back(text[i]);
  }
  return out;
}

// A control's cells: its place in the dialog in pixels, laid out from the dialog's own first
// cell, so the layout is the same wherever the dialog stands. A control less than two rows high
// takes the row of its middle (a label and its field then share a row); a taller one the rows its
// edges lie in.
CellRect controlCells(const RECT& control, const RECT& dialog, const CellRect& origin) {
  RECT r{stretch(control.left - dialog.left), control.top - dialog.top,
         stretch(control.right - dialog.left), control.bottom - dialog.top};
  CellRect cells;
  cells.firstCol = origin.firstCol + firstCellFrom(r.left, vwin::kCellWidth);
  cells.lastCol = origin.firstCol + firstCellFrom(r.right, vwin::kCellWidth) - 1;
  if (r.bottom - r.top < 2 * vwin::kCellHeight) {
    cells.firstRow = cells.lastRow =
        origin.firstRow + floorDiv((r.top + r.bottom) / 2, vwin::kCellHeight);
  } else {
    cells.firstRow = origin.firstRow + floorDiv(r.top, vwin::kCellHeight);
    cells.lastRow = origin.firstRow + floorDiv(r.bottom - 1, vwin::kCellHeight);
  }
  return cells;
}

// The dialog's cells: from the cell its corner is in, as many rows and columns as it is high and
// wide.
CellRect dialogCells(const RECT& rect) {
  CellRect cells = cellsOf(rect);
  cells.lastRow = cells.firstRow + floorDiv(rect.bottom - rect.top - 1, vwin::kCellHeight);
  // Stretched about the dialog's middle, but never off the screen's left edge.
  int width = floorDiv(stretch(rect.right - rect.left) - 1, vwin::kCellWidth) + 1;
  int middle = (cells.firstCol + cells.lastCol + 1) / 2;
  cells.firstCol = std::max(0, middle - width / 2);
  cells.lastCol = cells.firstCol + width - 1;
  return cells;
}

std::vector<Control> controlsOf(HWND dialog) {
  std::vector<Control> out;
  vwin::Window* d = vwin::windowFromHandle(dialog);
  if (!d) return out;
  CellRect origin = dialogCells(d->rect);
  for (HWND child : d->children) {
    vwin::Window* c = vwin::windowFromHandle(child);
    if (!c || !(c->style & WS_VISIBLE)) continue;
    out.push_back({child, vwin::controlKind(*c), controlCells(c->rect, d->rect, origin), c->text,
                   c->enabled != false, c->style});
  }
  return out;
}

// How far text starting at (row, col) may run: to the next control on that row, or the edge.
int roomFrom(const std::vector<Control>& controls, const Control& self, int row, int col,
             int limit) {
  int end = limit;
  for (const Control& other : controls) {
    if (other.handle == self.handle || other.kind == vwin::ControlKind::kGroupBox) continue;
    if (other.cells.firstRow <= row && row <= other.cells.lastRow && other.cells.firstCol > col)
      end = std::min(end, other.cells.firstCol);
  }
  return std::max(0, end - col);
}

// The right edge (exclusive) that text inside a group box, or the dialog, stops at.
int innerRight(const std::vector<Control>& controls, const Control& self, const CellRect& dialog) {
  int right = dialog.lastCol;
  for (const Control& other : controls) {
    if (other.kind != vwin::ControlKind::kGroupBox) continue;
    const CellRect& g = other.cells;
    if (g.firstRow < self.cells.firstRow && self.cells.firstRow < g.lastRow &&
        g.firstCol < self.cells.firstCol && self.cells.firstCol < g.lastCol)
      right = std::min(right, g.lastCol);
  }
  return right;
}

DroppedList droppedList(const Control& c) {
  DroppedList list;
  list.items = vwin::comboItems(c.handle, &list.highlighted);
  list.rows = std::max(1, std::min(static_cast<int>(list.items.size()), 8));
  list.top = c.cells.firstRow + 1;
  list.first = list.highlighted >= list.rows ? list.highlighted - list.rows + 1 : 0;
  return list;
}

// The cells a click reaches a control in: those it is drawn in, a caption's run-on included.
CellRect clickCells(const std::vector<Control>& controls, const Control& c, const CellRect& box) {
  CellRect cells = c.cells;
  if (c.kind == vwin::ControlKind::kStatic || c.kind == vwin::ControlKind::kCheckBox)
    cells.lastCol =
        c.cells.firstCol +
        roomFrom(controls, c, c.cells.firstRow, c.cells.firstCol, innerRight(controls, c, box)) - 1;
  return cells;
}

bool contains(const CellRect& cells, int row, int col) {
  return cells.firstRow <= row && row <= cells.lastRow && cells.firstCol <= col &&
         col <= cells.lastCol;
}

HWND controlAt(HWND dialog, int row, int col) {
  vwin::Window* d = vwin::windowFromHandle(dialog);
  if (!d) return nullptr;
  CellRect box = dialogCells(d->rect);
  std::vector<Control> controls = controlsOf(dialog);
  for (const Control& c : controls)
    if (c.kind != vwin::ControlKind::kGroupBox && contains(clickCells(controls, c, box), row, col))
      return c.handle;
  return nullptr;
}

CellRect cellsOf(const RECT& rect) {
  CellRect cells;
  cells.firstCol = firstCellFrom(rect.left, vwin::kCellWidth);
  cells.lastCol = firstCellFrom(rect.right, vwin::kCellWidth) - 1;
  cells.firstRow = firstCellFrom(rect.top, vwin::kCellHeight);
  cells.lastRow = firstCellFrom(rect.bottom, vwin::kCellHeight) - 1;
  return cells;
}

}  // namespace tui
