// The layer's window table: what an HWND stands for, shared by the dialog manager, the drawing
// calls and the host that shows windows.
//
// A window has a class name ("#32770" for dialogs, "static", "button", "combobox", or a host's
// own), a rectangle in screen pixels, a parent, a text, styles, an enabled flag and a surface of
// character cells. Pixels map to cells as a terminal shows them: a cell is kCellWidth pixels wide
// and kCellHeight high; the cell in column c and row r covers the pixels [c*W, c*W+W) and
// [r*H, r*H+H), and a rectangle covers the cells whose centre lies inside it. Text drawn at
// (x, y) puts its i-th character in column (x + i*W + W/2) / W of row (y + H/2) / H.
//
// Ownership: the table owns every Window; DestroyWindow frees a window and its children.
// Threading: handle lookups are locked; a window is used by one thread at a time, except its
// surface, which the host may copy from another thread under `surfaceMutex`.
#ifndef VANTREL_WIN32_WINDOW_H_
#define VANTREL_WIN32_WINDOW_H_

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "win32/gdi32/deferred_text.h"
#include "win32/include/winuser.h"

namespace vwin {

constexpr int kCellWidth = 8;
constexpr int kCellHeight = 16;

// Floor division, so that pixels left of or above the origin fall in cells -1, -2, ...
constexpr int floorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

// The first cell, along an axis of cells `size` pixels long, whose centre (c * size + size / 2)
// lies at or after pixel `edge`: a rectangle [from, to) covers the cells from
// firstCellFrom(from, size) up to, not including, firstCellFrom(to, size).
constexpr int firstCellFrom(int edge, int size) {
  return floorDiv(edge - size / 2 + size - 1, size);
}

struct Cell {
  char ch = ' ';
  COLORREF fg = RGB(0, 0, 0);
  COLORREF bg = RGB(192, 192, 192);
  bool operator==(const Cell&) const = default;
};

// A window's client area as character cells, row-major; cols x rows follow the client size.
struct Surface {
  int cols = 0;
  int rows = 0;
  std::vector<Cell> cells;
  Cell& at(int col, int row) { return cells[static_cast<size_t>(row) * cols + col]; }
  const Cell& at(int col, int row) const { return cells[static_cast<size_t>(row) * cols + col]; }
  // The characters of one row, for tests and plain renderings.
  std::string rowText(int row) const;
};

// A window procedure of the layer's own controls and dialogs: answers a message sent to the window.
using WindowProc = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

struct Window {
  HWND handle = nullptr;
  std::string className;
  std::string text;
  DWORD style = 0;
  DWORD exStyle = 0;
  int id = 0;
  RECT rect{};  // screen coordinates
  HWND parent = nullptr;
  bool enabled = true;
  std::vector<HWND> children;  // in creation (tab) order
  WindowProc proc;             // empty: only the default text messages are answered
  void* classData = nullptr;   // owned by the class that set it; freed through `freeClassData`
  std::function<void(void*)> freeClassData;
  std::mutex surfaceMutex;
  Surface surface;            // read it through copySurface: text drawn may wait in the queue
  DeferredText deferredText;  // drawn, not yet in `surface` (under surfaceMutex)
};

// Finds the window of a handle; NULL when the handle is not a live window.
Window* windowFromHandle(HWND window);

// Sets the size GetSystemMetrics(SM_CXSCREEN/SM_CYSCREEN) reports; by default 80 x 25 cells.
void setScreenSize(int width, int height);

// Resizes a window's surface to its client rectangle, keeping the cells that still fit.
void resizeSurface(Window& window);

// Copies a window's surface under its lock, with every draw made so far in its cells; an empty
// surface for a dead handle.
Surface copySurface(HWND window);

}  // namespace vwin

#endif  // VANTREL_WIN32_WINDOW_H_
