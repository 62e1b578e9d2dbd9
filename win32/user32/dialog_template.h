// Reading a binary dialog template (DLGTEMPLATEEX, as resource compilers write DIALOGEX) into the
// dialog, its font and its controls, texts converted from UTF-16 to the ANSI code page.
//
// Invariant: parsing never reads outside the given bytes; a truncated or malformed template is
// refused as a whole. Threading: pure function, any thread. Tested by
// tests/win32/user32/dialog_template_test.cpp and tests/win32/user32/dialog_manager_test.cpp.
#ifndef VANTREL_WIN32_DIALOG_TEMPLATE_H_
#define VANTREL_WIN32_DIALOG_TEMPLATE_H_

#include <string>
#include <vector>

#include "win32/include/windef.h"

namespace vwin {

struct DialogItemTemplate {
  DWORD style = 0;
  DWORD exStyle = 0;
  int x = 0, y = 0, cx = 0, cy = 0;  // dialog units
  int id = 0;
  std::string className;  // predefined atoms as their names: "button", "static", "combobox", ...
  std::string text;
};

struct DialogTemplate {
  DWORD style = 0;
  DWORD exStyle = 0;
  int x = 0, y = 0, cx = 0, cy = 0;  // dialog units
  std::string title;
  int pointSize = 0;
  std::string typeface;
  std::vector<DialogItemTemplate> items;
};

// Parses `size` bytes of a DLGTEMPLATEEX; false when they are not one.
bool parseDialogTemplate(const void* data, size_t size, DialogTemplate* out);

}  // namespace vwin

#endif  // VANTREL_WIN32_DIALOG_TEMPLATE_H_
