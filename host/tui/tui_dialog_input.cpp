// The dialog's modal loop on the terminal (see host/tui/tui_dialog_input.h).
// Tested by tests/host/tui/tui_app_test.cpp and tests/host/tui/tui_program_test.cpp (editing a
// field at its caret).
#include "host/tui/tui_dialog_input.h"

#include <curses.h>

#include <string>
#include <vector>

#include "host/tui/tui_dialog_layout.h"
#include "host/tui/tui_dialog_view.h"
#include "host/tui/tui_keys.h"
#include "win32/include/winuser.h"
#include "win32/user32/controls.h"
#include "win32/user32/dialog.h"
#include "win32/user32/dialog_input.h"
#include "win32/user32/window.h"

namespace tui {
namespace {

// A click while a list is dropped down: on an entry it takes that entry, as Enter does on the
// highlighted one; anywhere else it only closes the list.
void clickDroppedList(HWND dialog, const Control& c, int row, int col) {
  DroppedList list = droppedList(c);
  int index = list.first + row - list.top - 1;
  bool onEntry = row > list.top && row <= list.top + list.rows && col > c.cells.firstCol &&
                 col < c.cells.lastCol && index < static_cast<int>(list.items.size());
  if (!onEntry) {
    VwinDialogKey(dialog, VK_F4, FALSE);
    return;
  }
  for (int at = list.highlighted; at < index; ++at) VwinDialogKey(dialog, VK_DOWN, FALSE);
  for (int at = list.highlighted; at > index && at > 0; --at) VwinDialogKey(dialog, VK_UP, FALSE);
  VwinDialogKey(dialog, VK_RETURN, FALSE);
}

// Ctrl-A and Ctrl-E go to the start and end of the focused field, Ctrl-U removes what is before
// the caret, Ctrl-W the word before it (or the selection).
void editKey(HWND dialog, int code) {
  HWND focus = GetFocus();
  vwin::Window* w = vwin::windowFromHandle(focus);
  if (!w || vwin::controlKind(*w) != vwin::ControlKind::kComboBox) return;
  if (code == 1) VwinDialogKey(dialog, VK_HOME, FALSE);
  if (code == 5) VwinDialogKey(dialog, VK_END, FALSE);
  if (code != 21 && code != 23) return;
  DWORD start = 0, end = 0;
  SendMessageA(focus, CB_GETEDITSEL, reinterpret_cast<WPARAM>(&start),
               reinterpret_cast<LPARAM>(&end));
  if (start != end) {
    VwinDialogKey(dialog, VK_BACK, FALSE);
    return;
  }
  char text[1024] = {};
  GetWindowTextA(focus, text, sizeof text);
  DWORD from = 0;
  if (code == 23) {
    from = end;
    while (from > 0 && text[from - 1] == ' ') --from;
    while (from > 0 && text[from - 1] != ' ') --from;
  }
  for (DWORD i = from; i < end; ++i) VwinDialogKey(dialog, VK_LEFT, TRUE);
  if (from < end) VwinDialogKey(dialog, VK_BACK, FALSE);
}

// A bracketed paste: its text goes into the focused field as typed, line ends as blanks, so a
// pasted line end never presses OK.
void pasteInto(HWND dialog) {
  for (char c : readPaste()) VwinDialogChar(dialog, c);
}

// What a key does in the dialog: the dialog's own keys, a click, typing and pastes into the
// focused field, Ctrl-Z to stop a search. True when the screen below is to be drawn again.
bool dialogKey(HWND dialog, const Key& key, HWND focus, const std::function<void()>& stop) {
  switch (key.type) {
    case Key::kEscape:
    case Key::kInterrupt:
      VwinDialogKey(dialog, VK_ESCAPE, FALSE);
      break;
    case Key::kEnter:
      VwinDialogKey(dialog, VK_RETURN, FALSE);
      break;
    case Key::kTab:
      VwinDialogKey(dialog, VK_TAB, FALSE);
      break;
    case Key::kBackTab:
      VwinDialogKey(dialog, VK_TAB, TRUE);
      break;
    case Key::kUp:
      VwinDialogKey(dialog, key.alt ? VK_F4 : VK_UP, FALSE);
      break;
    case Key::kDown:
      VwinDialogKey(dialog, key.alt ? VK_F4 : VK_DOWN, FALSE);
      break;
    case Key::kFunction:
      if (key.code == 4) VwinDialogKey(dialog, VK_F4, FALSE);
      break;
    case Key::kBackspace:
      VwinDialogKey(dialog, VK_BACK, FALSE);
      break;
    case Key::kDelete:
      VwinDialogKey(dialog, VK_DELETE, FALSE);
      break;
    case Key::kLeft:
      VwinDialogKey(dialog, VK_LEFT, key.shift);
      break;
    case Key::kRight:
      VwinDialogKey(dialog, VK_RIGHT, key.shift);
      break;
    case Key::kHome:
      VwinDialogKey(dialog, VK_HOME, key.shift);
      break;
    case Key::kEnd:
      VwinDialogKey(dialog, VK_END, key.shift);
      break;
    case Key::kResize:
      return true;
    case Key::kClick:
      clickDialog(dialog, key.row, key.col);
      break;
    case Key::kChar:
      if (key.alt) {
        if (focus && vwin::comboDropped(focus)) VwinDialogKey(dialog, VK_ESCAPE, FALSE);
        if (!VwinDialogMnemonic(dialog, static_cast<char>(key.code))) beep();
      } else if (key.code >= 0x20 && key.code != 0x7F) {
        VwinDialogChar(dialog, static_cast<char>(key.code));
      } else if (key.code == 26 && stop) {
        stop();
        return true;
      } else {
        editKey(dialog, key.code);
      }
      break;
    case Key::kPaste:
      pasteInto(dialog);
      break;
    default:
      break;
  }
  return false;
}

}  // namespace

bool clickDialog(HWND dialog, int row, int col) {
  HWND focus = GetFocus();
  if (focus && vwin::comboDropped(focus)) {
    for (const Control& c : controlsOf(dialog))
      if (c.handle == focus) clickDroppedList(dialog, c, row, col);
    return true;
  }
  HWND control = controlAt(dialog, row, col);
  vwin::Window* w = vwin::windowFromHandle(control);
  if (!w) return false;
  int id = GetDlgCtrlID(control);
  switch (vwin::controlKind(*w)) {
    case vwin::ControlKind::kComboBox: {
      if (!VwinDialogFocus(dialog, id)) return false;
      // The arrow at the field's right end drops the list down.
      std::vector<Control> controls = controlsOf(dialog);
      for (const Control& c : controls)
        if (c.handle == control && col == c.cells.lastCol) VwinDialogKey(dialog, VK_F4, FALSE);
      return true;
    }
    case vwin::ControlKind::kCheckBox:
    case vwin::ControlKind::kPushButton:
      return VwinDialogClick(dialog, id) != FALSE;
    case vwin::ControlKind::kStatic: {
      // A label leads to its field, as its underlined letter does.
      int marked = -1;
      std::string plain = plainCaption(w->text, &marked);
      return marked >= 0 && VwinDialogMnemonic(dialog, plain[static_cast<size_t>(marked)]);
    }
    default:
      return false;
  }
}

bool runDialog(HWND dialog, Palette& palette, const std::function<void()>& repaintBelow,
               const std::function<void()>& stop, const DialogNote& note) {
  if (!vwin::dialogState(dialog)) return false;
  bool repaint = true;
  FieldScroll scroll;
  while (!VwinDialogEnded(dialog, nullptr)) {
    if (repaint) {
      if (repaintBelow) repaintBelow();
      repaint = false;
    }
    drawDialog(dialog, palette, &scroll, note);
    refresh();
    Key key = readKey(-1);
    HWND focus = GetFocus();
    if (dialogKey(dialog, key, focus, stop)) repaint = true;
    // A closed list leaves its cells behind: the screen below is drawn again.
    if (focus && vwin::comboDropped(focus) != vwin::comboDropped(GetFocus())) repaint = true;
    if (focus && !vwin::comboDropped(focus) && key.type != Key::kNone) repaint = true;
  }
  curs_set(0);
  return true;
}

}  // namespace tui
