// Where a layer dialog's controls stand on the terminal: the cells of the dialog and of each
// visible control, laid out from the windows' pixel rectangles (pixels to cells as
// docs/architecture.md gives them), from the dialog's own first cell, so the layout is the same
// wherever the dialog stands. The drawing (host/tui/tui_dialog_view.cpp) and the mouse both go by
// it, so a click reaches what is drawn under it. Threading: the thread running the dialog's modal
// loop. Tested by tests/host/tui/tui_app_test.cpp and tests/host/tui/tui_program_test.cpp.
#ifndef VANTREL_HOST_TUI_DIALOG_LAYOUT_H_
#define VANTREL_HOST_TUI_DIALOG_LAYOUT_H_

#include <string>
#include <vector>

#include "win32/include/windef.h"
#include "win32/user32/controls.h"

namespace tui {

// A dialog is laid out wider than its dialog units give: its template was made for a
// proportional font, whose letters are narrower than a cell, and at this stretch every label and
// check box caption of the search dialog is shown whole at 80 columns. `stretch` applies it to a
// horizontal distance in pixels.
inline constexpr int kStretchNumerator = 5;
inline constexpr int kStretchDenominator = 4;
int stretch(int pixels);

// The cells a pixel rectangle covers (those whose centre lies in it), inclusive bounds; empty
// when last < first.
struct CellRect {
  int firstCol = 0;
  int firstRow = 0;
  int lastCol = -1;
  int lastRow = -1;
};
CellRect cellsOf(const RECT& rect);

// The dialog's cells: from the row its corner is in, as many rows as it is high; as many columns
// as it is wide stretched, about its middle.
CellRect dialogCells(const RECT& rect);

// A visible control of a dialog as the terminal shows it.
struct Control {
  HWND handle;
  vwin::ControlKind kind;
  CellRect cells;
  std::string text;
  bool enabled;
  DWORD style;
};

// A control's cells within the dialog (`dialog` in pixels, `origin` its cells). A control less
// than two rows high takes the row of its middle (a label and its field then share a row); a
// taller one the rows its edges lie in.
CellRect controlCells(const RECT& control, const RECT& dialog, const CellRect& origin);

// The dialog's visible controls, in the order of its children.
std::vector<Control> controlsOf(HWND dialog);

// How far text starting at (row, col) may run: to the next control on that row, or `limit`.
int roomFrom(const std::vector<Control>& controls, const Control& self, int row, int col,
             int limit);

// The right edge (exclusive) that text inside a group box, or the dialog, stops at.
int innerRight(const std::vector<Control>& controls, const Control& self, const CellRect& dialog);

// A caption without its '&' marks, and in *marked the position of the marked letter (-1: none).
std::string plainCaption(const std::string& text, int* marked);

// A dropped-down list under its field: its frame's top row, the entries shown (at most 8) and
// the first of them, so that the highlighted entry is in view.
struct DroppedList {
  std::vector<std::string> items;
  int highlighted = -1;
  int top = 0;
  int rows = 0;
  int first = 0;
};
DroppedList droppedList(const Control& c);

// The cells a click reaches a control in: those it is drawn in, a caption's run-on included.
CellRect clickCells(const std::vector<Control>& controls, const Control& c, const CellRect& box);

bool contains(const CellRect& cells, int row, int col);

// The control a click on cell (`row`, `col`) reaches, as the dialog is drawn (a caption's run-on
// cells included, group boxes not); null when none.
HWND controlAt(HWND dialog, int row, int col);

}  // namespace tui

#endif  // VANTREL_HOST_TUI_DIALOG_LAYOUT_H_
