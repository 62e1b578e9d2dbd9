// The host's status line (StatusLineService): hands out the window the add-on draws its
// progress line into, or none when the host shows no status line (off a terminal).
//
// The window is one row of cells, made in the layer's window table with the class name of a
// Windows status bar; the host renders its surface (a terminal's last line) or ignores it.
// Ownership: a StatusLine is born with one reference; it destroys its window at the last Release.
// The window handle given out stays the host's (the add-on never destroys it).
// Threading: getStatusWindow may be called from any thread.
// Tested by tests/host/ide/host_services_test.cpp.
#ifndef VANTREL_HOST_STATUS_LINE_H_
#define VANTREL_HOST_STATUS_LINE_H_

#include "host/ide/ref_counted.h"

namespace host {

class StatusLine final : public RefCounted<StatusLineService> {
 public:
  // A status line of `columns` cells at row `row` of the screen, or (columns 0) none.
  explicit StatusLine(int columns = 80, int row = 0);
  ~StatusLine() override;

  HWND STDMETHODCALLTYPE getStatusWindow() override { return window_; }

 private:
  HWND window_ = nullptr;
};

}  // namespace host

#endif  // VANTREL_HOST_STATUS_LINE_H_
