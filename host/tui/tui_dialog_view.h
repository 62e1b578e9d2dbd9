// A modal dialog of the layer drawn on the terminal: a box over the screen made from its windows'
// rectangles (pixels to cells as docs/architecture.md gives them, host/tui/tui_dialog_layout.h).
// Static texts and check box captions run on past their rectangle into free cells to their right
// (a cell is wider than the proportional font's letters the template was made for). The focused
// field shows the terminal's cursor at its caret and its selection in the highlight colours; a
// field scrolls only when its caret would leave the visible part. Keys and clicks are read by
// host/tui/tui_dialog_input.h.
// Threading: the thread running the dialog's modal loop, which owns the curses screen.
// Tested by tests/host/tui/tui_app_test.cpp (the documented dialog, cell for cell).
#ifndef VANTREL_HOST_TUI_DIALOG_VIEW_H_
#define VANTREL_HOST_TUI_DIALOG_VIEW_H_

#include <functional>
#include <map>
#include <string>

#include "host/tui/tui_dialog_layout.h"
#include "host/tui/tui_palette.h"
#include "win32/include/windef.h"

namespace tui {

// The first visible column of each edit field's text, kept from one drawing to the next so that a
// field scrolls only when its caret would leave the visible part.
using FieldScroll = std::map<HWND, int>;

// A line the front end shows in a dialog under one of its controls, for what the dialog holds now
// (the search dialog's pattern that asks what this syntax reads otherwise): the text, "" for none,
// and the control's id.
using DialogNote = std::function<std::string(HWND dialog, int* controlId)>;

// Draws the dialog (and a dropped-down list) over the screen, the terminal's cursor at the focused
// field's caret; does not refresh. Without `scroll`, each field scrolls from its start. A `note`
// is drawn in the row under its control, cut at the dialog's edge.
void drawDialog(HWND dialog, Palette& palette, FieldScroll* scroll = nullptr,
                const DialogNote& note = {});

}  // namespace tui

#endif  // VANTREL_HOST_TUI_DIALOG_VIEW_H_
