// The drop-down combo box (CBS_DROPDOWN): an edit text (the window's text) over an unsorted list
// (sorted with CBS_SORT), with the CB_* messages and CBN_* notifications of Windows' combo box.
// See win32/user32/controls.h. Tested by tests/win32/user32/dialog_manager_test.cpp and
// tests/win32/user32/combo_edit_test.cpp.
//
// The edit field has a caret and a selection as an edit control has: `anchor` is where the
// selection started and `caret` its moving end (the selection is between the two, empty when they
// are equal). Left, Right, Home and End move the caret (extending the selection while Shift is
// down, GetKeyState), Delete and Backspace delete the selection or the character after or before
// the caret, a character replaces the selection or goes in at the caret.
//
// Invariants: `selected` and `highlighted` are -1 or a valid index; anchor and caret are at most
// the text's length; a selection made by the user puts the item's text in the edit field, all of
// it selected, before CBN_SELCHANGE is sent; every change of the edit text by the user sends
// CBN_EDITUPDATE and CBN_EDITCHANGE, a mere caret move sends nothing.
#include <strings.h>

#include <algorithm>
#include <cstring>
#include <string_view>

#include "win32/include/winbase.h"
#include "win32/user32/controls.h"

namespace vwin {
namespace {

constexpr size_t kDefaultLimit = 30000;  // an edit control's default text limit

struct ComboState {
  std::vector<std::string> items;
  int selected = -1;
  bool dropped = false;
  int highlighted = -1;  // the list's current entry while dropped
  size_t anchor = 0;     // the edit selection's fixed end
  size_t caret = 0;      // the edit selection's moving end, where the caret is
  size_t limit = kDefaultLimit;

  size_t selectionStart() const { return std::min(anchor, caret); }
  size_t selectionEnd() const { return std::max(anchor, caret); }
  void place(size_t at) { anchor = caret = at; }
};

ComboState* stateOf(Window& w) { return static_cast<ComboState*>(w.classData); }

ComboState* stateOf(HWND handle) {
  Window* w = windowFromHandle(handle);
  return w && w->proc && w->classData && controlKind(*w) == ControlKind::kComboBox ? stateOf(*w)
                                                                                   : nullptr;
}

bool equalIgnoringCase(const std::string& a, const char* b) {
  std::string x = a, y = b;
  CharUpperBuffA(x.data(), static_cast<DWORD>(x.size()));
  CharUpperBuffA(y.data(), static_cast<DWORD>(y.size()));
  return x == y;
}

bool startsIgnoringCase(const std::string& item, const char* prefix) {
  size_t n = strlen(prefix);
  return item.size() >= n && equalIgnoringCase(item.substr(0, n), prefix);
}

// CB_FINDSTRING(EXACT): from the entry after `start` to the end, then from the top.
LRESULT find(const ComboState& s, WPARAM start, const char* text, bool exact) {
  if (!text || s.items.empty()) return CB_ERR;
  int count = static_cast<int>(s.items.size());
  int first = static_cast<int>(static_cast<INT_PTR>(start));
  first = first < 0 || first >= count ? 0 : first + 1;
  for (int n = 0; n < count; ++n) {
    int i = (first + n) % count;
    if (exact ? equalIgnoringCase(s.items[i], text) : startsIgnoringCase(s.items[i], text))
      return i;
  }
  return CB_ERR;
}

void selectAll(Window& w) {
  ComboState& s = *stateOf(w);
  s.anchor = 0;
  s.caret = w.text.size();
}

void select(Window& w, int index) {
  ComboState& s = *stateOf(w);
  s.selected = index;
  w.text = index >= 0 ? s.items[index] : std::string();
  selectAll(w);
}

void showList(HWND handle, Window& w, bool show) {
  ComboState& s = *stateOf(w);
  if (s.dropped == show) return;
  s.dropped = show;
  s.highlighted = show ? s.selected : -1;
  notifyParent(handle, show ? CBN_DROPDOWN : CBN_CLOSEUP);
}

// The user's choice of entry `index`: edit text, selection, CBN_SELCHANGE.
void choose(HWND handle, Window& w, int index) {
  ComboState& s = *stateOf(w);
  if (index < 0 || index >= static_cast<int>(s.items.size())) return;
  select(w, index);
  if (s.dropped) s.highlighted = index;
  notifyParent(handle, CBN_SELCHANGE);
}

void editChanged(HWND handle) {
  notifyParent(handle, CBN_EDITUPDATE);
  notifyParent(handle, CBN_EDITCHANGE);
}

// Replaces the edit selection with `text` (erases it when `text` is empty); the caret ends after
// the new text. Notifies when the edit text changed.
void replaceSelection(HWND handle, Window& w, std::string_view text) {
  ComboState& s = *stateOf(w);
  size_t start = s.selectionStart(), end = s.selectionEnd();
  if (start == end && text.empty()) return;
  w.text.replace(start, end - start, text);
  s.place(start + text.size());
  editChanged(handle);
}

// Left, Right, Home, End: the caret's new place; with Shift down the anchor stays.
void moveCaret(Window& w, UINT key) {
  ComboState& s = *stateOf(w);
  size_t to = s.caret;
  if (key == VK_LEFT)
    to = to > 0 ? to - 1 : 0;
  else if (key == VK_RIGHT)
    to = std::min(to + 1, w.text.size());
  else
    to = key == VK_HOME ? 0 : w.text.size();
  s.caret = to;
  if (GetKeyState(VK_SHIFT) >= 0) s.anchor = to;
}

LRESULT keyDown(HWND handle, Window& w, UINT key) {
  ComboState& s = *stateOf(w);
  int count = static_cast<int>(s.items.size());
  switch (key) {
    case VK_F4:
      showList(handle, w, !s.dropped);
      return 1;
    case VK_DOWN:
    case VK_UP: {
      int current = s.dropped ? s.highlighted : s.selected;
      int next = key == VK_DOWN ? std::min(current + 1, count - 1) : std::max(current - 1, 0);
      if (count > 0 && next != current) choose(handle, w, next);
      return 1;
    }
    case VK_RETURN:
    case VK_ESCAPE:
      if (!s.dropped) return 0;
      // Enter takes the highlighted entry even when the field was typed over since.
      if (key == VK_RETURN && s.highlighted >= 0 && w.text != s.items[s.highlighted])
        choose(handle, w, s.highlighted);
      showList(handle, w, false);
      return 1;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_HOME:
    case VK_END:
      moveCaret(w, key);
      return 1;
    case VK_BACK:
    case VK_DELETE:
      // Without a selection, the character before (Backspace) or after (Delete) the caret.
      if (s.anchor == s.caret) {
        if (key == VK_BACK && s.caret > 0) --s.anchor;
        if (key == VK_DELETE && s.caret < w.text.size()) ++s.anchor;
      }
      replaceSelection(handle, w, {});
      return 1;
    default:
      return 0;
  }
}

LRESULT character(HWND handle, Window& w, char ch) {
  ComboState& s = *stateOf(w);
  if (static_cast<unsigned char>(ch) < ' ') return 0;  // control characters are keys, not text
  // The selection makes room for the character; a full field refuses it and keeps its text.
  if (w.text.size() - (s.selectionEnd() - s.selectionStart()) >= s.limit) {
    MessageBeep(0);
    return 1;
  }
  replaceSelection(handle, w, std::string_view(&ch, 1));
  return 1;
}

}  // namespace

bool comboPaste(HWND combo, const char* text) {
  Window* w = windowFromHandle(combo);
  ComboState* s = stateOf(combo);
  if (!w || !s) return false;
  std::string_view pasted = text ? text : "";
  size_t kept = w->text.size() - (s->selectionEnd() - s->selectionStart());
  size_t room = kept < s->limit ? s->limit - kept : 0;
  if (pasted.size() > room) {
    pasted = pasted.substr(0, room);
    MessageBeep(0);
  }
  replaceSelection(combo, *w, pasted);
  return true;
}

void attachCombo(Window& window) {
  window.classData = new ComboState;
  window.freeClassData = [](void* p) { delete static_cast<ComboState*>(p); };
  window.proc = comboProc;
}

bool comboDropped(HWND combo) {
  ComboState* s = stateOf(combo);
  return s && s->dropped;
}

size_t comboCaret(HWND combo) {
  ComboState* s = stateOf(combo);
  return s ? s->caret : 0;
}

std::vector<std::string> comboItems(HWND combo, int* highlighted) {
  ComboState* s = stateOf(combo);
  if (highlighted) *highlighted = s ? s->highlighted : -1;
  return s ? s->items : std::vector<std::string>();
}

LRESULT comboProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* w = windowFromHandle(handle);
  if (!w) return 0;
  ComboState& s = *stateOf(*w);
  auto text = reinterpret_cast<const char*>(lParam);
  int count = static_cast<int>(s.items.size());
  int index = static_cast<int>(static_cast<INT_PTR>(wParam));
  switch (message) {
    case CB_ADDSTRING:
    case CB_INSERTSTRING: {
      std::string item = text ? text : "";
      int at = count;
      if (message == CB_INSERTSTRING) {
        if (index > count) return CB_ERR;
        if (index >= 0) at = index;
      } else if (w->style & CBS_SORT) {
        at = 0;
        while (at < count && strcasecmp(s.items[at].c_str(), item.c_str()) <= 0) ++at;
      }
      s.items.insert(s.items.begin() + at, std::move(item));
      if (s.selected >= at) ++s.selected;
      return at;
    }
    case CB_DELETESTRING:
      if (index < 0 || index >= count) return CB_ERR;
      s.items.erase(s.items.begin() + index);
      if (s.selected == index)
        s.selected = -1;
      else if (s.selected > index)
        --s.selected;
      s.highlighted = -1;
      return count - 1;
    case CB_GETCOUNT:
      return count;
    case CB_GETCURSEL:
      return s.selected;
    case CB_SETCURSEL:
      if (index < 0 || index >= count) {
        select(*w, -1);
        return CB_ERR;
      }
      select(*w, index);
      return index;
    case CB_GETLBTEXT:  // the caller sized the buffer with CB_GETLBTEXTLEN, as on Windows
      if (index < 0 || index >= count || !lParam) return CB_ERR;
      memcpy(reinterpret_cast<char*>(lParam), s.items[index].c_str(), s.items[index].size() + 1);
      return static_cast<LRESULT>(s.items[index].size());
    case CB_GETLBTEXTLEN:
      if (index < 0 || index >= count) return CB_ERR;
      return static_cast<LRESULT>(s.items[index].size());
    case CB_FINDSTRING:
    case CB_FINDSTRINGEXACT:
      return find(s, wParam, text, message == CB_FINDSTRINGEXACT);
    case CB_SELECTSTRING: {
      LRESULT found = find(s, wParam, text, false);
      if (found != CB_ERR) select(*w, static_cast<int>(found));
      return found;
    }
    case CB_RESETCONTENT:
      s.items.clear();
      s.selected = s.highlighted = -1;
      w->text.clear();
      s.place(0);
      return CB_OKAY;
    case CB_SHOWDROPDOWN:
      showList(handle, *w, wParam != 0);
      return TRUE;
    case CB_GETDROPPEDSTATE:
      return s.dropped;
    case CB_LIMITTEXT:
      s.limit = wParam ? static_cast<size_t>(wParam) : kDefaultLimit;
      return TRUE;
    case CB_SETEDITSEL: {
      // A start of -1 removes the selection, leaving the caret; an end of -1 is the text's end.
      // Past the end either one stops at the end.
      WORD start = LOWORD(lParam), end = HIWORD(lParam);
      size_t length = w->text.size();
      if (start == 0xFFFF) {
        s.anchor = s.caret;
        return TRUE;
      }
      s.anchor = std::min<size_t>(start, length);
      s.caret = end == 0xFFFF ? length : std::min<size_t>(end, length);
      return TRUE;
    }
    case CB_GETEDITSEL: {
      DWORD start = static_cast<DWORD>(s.selectionStart());
      DWORD end = static_cast<DWORD>(s.selectionEnd());
      if (wParam) *reinterpret_cast<DWORD*>(wParam) = start;
      if (lParam) *reinterpret_cast<DWORD*>(lParam) = end;
      return MAKELONG(start, end);
    }
    case WM_SETTEXT:  // as an edit control's: the caret at the start, nothing selected
      w->text = text ? text : "";
      s.place(0);
      return TRUE;
    case WM_SETFOCUS:
      selectAll(*w);
      notifyParent(handle, CBN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      if (s.dropped) showList(handle, *w, false);
      s.anchor = s.caret;  // the field keeps its caret but no selection
      notifyParent(handle, CBN_KILLFOCUS);
      return 0;
    case WM_KEYDOWN:
      return keyDown(handle, *w, static_cast<UINT>(wParam));
    case WM_CHAR:
      return character(handle, *w, static_cast<char>(wParam));
    default:
      return defaultTextMessage(*w, message, wParam, lParam);
  }
}

}  // namespace vwin
