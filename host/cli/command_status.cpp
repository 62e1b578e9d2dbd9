// The status window on a terminal (see host/cli/command_status.h).
// Tested by tests/host/cli/command_status_test.cpp.
#include "host/cli/command_status.h"

namespace vantrel {
namespace {

void colour(std::string& text, const char* kind, COLORREF c) {
  text += "\033[";
  text += kind;
  text += ";2;" + std::to_string(GetRValue(c)) + ";" + std::to_string(GetGValue(c)) + ";" +
          std::to_string(GetBValue(c)) + "m";
}

}  // namespace

std::string statusLineText(const vwin::Surface& surface, int columns) {
  std::string text = "\r";
  if (surface.rows < 1) return text;
  int count = surface.cols < columns ? surface.cols : columns;
  bool first = true;
  vwin::Cell previous;
  for (int col = 0; col < count; ++col) {
    const vwin::Cell& cell = surface.at(col, 0);
    if (first || cell.fg != previous.fg) colour(text, "38", cell.fg);
    if (first || cell.bg != previous.bg) colour(text, "48", cell.bg);
    unsigned char ch = static_cast<unsigned char>(cell.ch);
    text += ch < 0x20 || ch >= 0x7F ? ' ' : static_cast<char>(ch);
    previous = cell;
    first = false;
  }
  text += "\033[0m";
  return text;
}

void TerminalStatus::surfaceChanged(HWND window) {
  if (window != window_) return;
  auto now = std::chrono::steady_clock::now();
  if (shown_.load() && now - lastDraw_ < std::chrono::milliseconds(50)) return;
  lastDraw_ = now;
  // One cell short of the width, so the terminal never wraps the line.
  out_ << statusLineText(vwin::copySurface(window_), columns_ - 1) << std::flush;
  shown_.store(true);
}

void TerminalStatus::event(const host::MessageEvent& event) {
  if (output_.writesFor(event)) clear();
}

void TerminalStatus::clear() {
  if (shown_.exchange(false)) out_ << "\r\033[K" << std::flush;
}

}  // namespace vantrel
