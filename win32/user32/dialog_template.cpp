// Reading DLGTEMPLATEEX (see win32/user32/dialog_template.h). Tested by
// tests/win32/user32/dialog_template_test.cpp and tests/win32/user32/dialog_manager_test.cpp.
//
// Layout: WORD dlgVer (1), WORD signature (0xFFFF), DWORD helpID, exStyle, style, WORD item
// count, SHORT x, y, cx, cy, then menu, class and title (each 0x0000, 0xFFFF + ordinal, or a
// UTF-16 string), with DS_SETFONT the font (WORD points, WORD weight, BYTE italic, BYTE charset,
// typeface). Each item starts on a DWORD boundary: DWORD helpID, exStyle, style, SHORT x, y, cx,
// cy, DWORD id, class, title, WORD size of creation data and the data.
#include "win32/user32/dialog_template.h"

#include <cstring>

#include "win32/include/winuser.h"

namespace vwin {
namespace {

class Cursor {
 public:
  Cursor(const BYTE* data, size_t size) : data_(data), size_(size) {}
  bool ok() const { return ok_; }
  WORD word() {
    if (!need(2)) return 0;
    WORD v = static_cast<WORD>(data_[at_] | data_[at_ + 1] << 8);
    at_ += 2;
    return v;
  }
  DWORD dword() {
    DWORD low = word();
    return low | static_cast<DWORD>(word()) << 16;
  }
  int shortValue() { return static_cast<SHORT>(word()); }
  BYTE byte() {
    if (!need(1)) return 0;
    return data_[at_++];
  }
  // A UTF-16 string in the ANSI code page: code units above 0xFF become '?'.
  std::string text() {
    std::string s;
    for (WORD unit; ok_ && (unit = word()) != 0;)
      s.push_back(unit <= 0xFF ? static_cast<char>(unit) : '?');
    return s;
  }
  // A menu, class or title field: an ordinal into *ordinal (-1 for a string) or a string.
  std::string ordinalOrText(int* ordinal) {
    *ordinal = -1;
    if (need(2) && data_[at_] == 0xFF && data_[at_ + 1] == 0xFF) {
      at_ += 2;
      *ordinal = word();
      return std::string();
    }
    return text();
  }
  void skip(size_t n) {
    if (need(n)) at_ += n;
  }
  void alignDword() { skip(((at_ + 3) & ~size_t{3}) - at_); }

 private:
  bool need(size_t n) {
    if (!ok_ || size_ - at_ < n) ok_ = false;
    return ok_;
  }
  const BYTE* data_;
  size_t size_;
  size_t at_ = 0;
  bool ok_ = true;
};

std::string atomName(int atom) {
  switch (atom) {
    case 0x80:
      return "button";
    case 0x81:
      return "edit";
    case 0x82:
      return "static";
    case 0x83:
      return "listbox";
    case 0x84:
      return "scrollbar";
    case 0x85:
      return "combobox";
    default:
      return "#" + std::to_string(atom);
  }
}

}  // namespace

bool parseDialogTemplate(const void* data, size_t size, DialogTemplate* out) {
  Cursor c(static_cast<const BYTE*>(data), size);
  DialogTemplate t;
  if (c.word() != 1 || c.word() != 0xFFFF) return false;
  c.dword();  // help id
  t.exStyle = c.dword();
  t.style = c.dword();
  int count = c.word();
  t.x = c.shortValue();
  t.y = c.shortValue();
  t.cx = c.shortValue();
  t.cy = c.shortValue();
  int ordinal;
  c.ordinalOrText(&ordinal);  // menu: dialogs of the layer have none
  c.ordinalOrText(&ordinal);  // class: always the dialog class here
  t.title = c.text();
  if (t.style & (DS_SETFONT)) {
    t.pointSize = c.word();
    c.word();  // weight
    c.byte();  // italic
    c.byte();  // charset
    t.typeface = c.text();
  }
  for (int i = 0; i < count && c.ok(); ++i) {
    c.alignDword();
    DialogItemTemplate item;
    c.dword();  // help id
    item.exStyle = c.dword();
    item.style = c.dword();
    item.x = c.shortValue();
    item.y = c.shortValue();
    item.cx = c.shortValue();
    item.cy = c.shortValue();
    item.id = static_cast<int>(c.dword());
    std::string cls = c.ordinalOrText(&ordinal);
    item.className = ordinal >= 0 ? atomName(ordinal) : cls;
    item.text = c.ordinalOrText(&ordinal);
    if (ordinal >= 0) item.text = "#" + std::to_string(ordinal);  // an icon or bitmap resource
    c.skip(c.word());                                             // creation data
    t.items.push_back(std::move(item));
  }
  if (!c.ok()) return false;
  *out = std::move(t);
  return true;
}

}  // namespace vwin
