// A message box on the terminal (see host/tui/tui_message_box.h).
// Tested by tests/host/tui/tui_app_test.cpp.
#include "host/tui/tui_message_box.h"

#include <curses.h>

#include <algorithm>
#include <cctype>
#include <vector>

#include "host/ide/text_encoding.h"
#include "host/tui/tui_draw.h"
#include "host/tui/tui_keys.h"
#include "win32/include/winuser.h"

namespace tui {
namespace {

struct Button {
  const char* label;  // the accelerator is the first letter
  int id;
};

std::vector<Button> buttonsOf(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
      return {{"OK", IDOK}, {"Cancel", IDCANCEL}};
    case MB_ABORTRETRYIGNORE:
      return {{"Abort", IDABORT}, {"Retry", IDRETRY}, {"Ignore", IDIGNORE}};
    case MB_YESNOCANCEL:
      return {{"Yes", IDYES}, {"No", IDNO}, {"Cancel", IDCANCEL}};
    case MB_YESNO:
      return {{"Yes", IDYES}, {"No", IDNO}};
    case MB_RETRYCANCEL:
      return {{"Retry", IDRETRY}, {"Cancel", IDCANCEL}};
    default:
      return {{"OK", IDOK}};
  }
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (true) {
    size_t end = text.find('\n', start);
    lines.push_back(host::toTerminalText(text.substr(start, end - start)));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

constexpr COLORREF kFace = RGB(192, 192, 192);
constexpr COLORREF kText = RGB(0, 0, 0);
constexpr COLORREF kHighlight = RGB(0, 0, 128);
constexpr COLORREF kHighlightText = RGB(255, 255, 255);

// Where a button is drawn: its row and its first and last columns.
struct Place {
  int row, first, last;
};

void draw(const std::vector<std::string>& lines, const std::string& caption,
          const std::vector<Button>& buttons, size_t chosen, Palette& palette,
          std::vector<Place>& places) {
  places.clear();
  int buttonsWidth = 0;
  for (const Button& b : buttons) buttonsWidth += static_cast<int>(std::string(b.label).size()) + 6;
  int width = std::max(buttonsWidth, columns(caption) + 4);
  for (const std::string& line : lines) width = std::max(width, columns(line) + 4);
  width = std::min(width, COLS);
  int height = static_cast<int>(lines.size()) + 5;
  int top = std::max(0, (LINES - height) / 2);
  int left = std::max(0, (COLS - width) / 2);
  int face = palette.attribute(kText, kFace);
  for (int r = 0; r < height; ++r) blank(top + r, left, width, face);
  frame(top, left, top + height - 1, left + width - 1, face);
  std::string title = " " + caption + " ";
  put(top, left + std::max(1, (width - columns(title)) / 2), title, width - 2,
      palette.attribute(kHighlightText, kHighlight) | A_BOLD);
  for (size_t i = 0; i < lines.size(); ++i)
    put(top + 2 + static_cast<int>(i), left + 2, lines[i], width - 4, face);
  int col = left + (width - buttonsWidth) / 2;
  int row = top + height - 2;
  for (size_t i = 0; i < buttons.size(); ++i) {
    std::string label = std::string("[ ") + buttons[i].label + " ]";
    int attr = i == chosen ? palette.attribute(kHighlightText, kHighlight) : face;
    put(row, col + 1, label, static_cast<int>(label.size()), attr);
    put(row, col + 3, std::string(1, buttons[i].label[0]), 1, attr | A_UNDERLINE);
    places.push_back({row, col + 1, col + static_cast<int>(label.size())});
    col += static_cast<int>(label.size()) + 2;
  }
}

}  // namespace

int runMessageBox(const std::string& text, const std::string& caption, UINT type, Palette& palette,
                  const std::function<void()>& repaintBelow) {
  std::vector<Button> buttons = buttonsOf(type);
  std::vector<std::string> lines = linesOf(text);
  std::string title = host::toTerminalText(caption);
  size_t chosen = 0;
  int escapeAnswer = 0;
  for (const Button& b : buttons)
    if (b.id == IDCANCEL) escapeAnswer = IDCANCEL;
  if (buttons.size() == 1) escapeAnswer = IDOK;
  bool repaint = true;
  std::vector<Place> places;
  curs_set(0);
  while (true) {
    if (repaint && repaintBelow) repaintBelow();
    repaint = false;
    draw(lines, title, buttons, chosen, palette, places);
    refresh();
    Key key = readKey(-1);
    switch (key.type) {
      case Key::kLeft:
      case Key::kBackTab:
        chosen = (chosen + buttons.size() - 1) % buttons.size();
        break;
      case Key::kRight:
      case Key::kTab:
        chosen = (chosen + 1) % buttons.size();
        break;
      case Key::kEnter:
        return buttons[chosen].id;
      case Key::kEscape:
      case Key::kInterrupt:
        if (escapeAnswer) return escapeAnswer;
        break;
      case Key::kResize:
        repaint = true;
        break;
      case Key::kPaste:
        readPaste();  // a paste presses nothing
        break;
      case Key::kClick:
        for (size_t i = 0; i < places.size(); ++i)
          if (key.row == places[i].row && key.col >= places[i].first && key.col <= places[i].last)
            return buttons[i].id;
        break;
      case Key::kChar:
        if (key.code == ' ') return buttons[chosen].id;
        for (const Button& b : buttons)
          if (std::toupper(key.code) == b.label[0]) return b.id;
        break;
      default:
        break;
    }
  }
}

}  // namespace tui
