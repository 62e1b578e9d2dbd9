// The scripted user of a modal dialog (see host/cli/dialog_script.h).
// Tested by tests/win32/user32/dialog_manager_test.cpp and tests/dialog/search_dialog_test.cpp.
#include "host/cli/dialog_script.h"

#include <sstream>

#include "host/cli/dialog_input.h"

namespace vantrel {
namespace {

// A control's text as a user reads it: without the '&' marking its mnemonic.
std::string label(HWND dialog, int id) {
  char text[256] = {};
  GetDlgItemTextA(dialog, id, text, sizeof text);
  std::string shown;
  for (const char* p = text; *p; ++p)
    if (*p != '&' || p[1] == '&') shown.push_back(*p);
  return shown.empty() ? "control " + std::to_string(id) : "\"" + shown + "\"";
}

}  // namespace

DialogScript::Action& DialogScript::add(Kind kind, int id) {
  actions_.emplace_back();
  actions_.back().kind = kind;
  actions_.back().id = id;
  return actions_.back();
}

DialogScript& DialogScript::type(int id, std::string text) {
  add(Kind::kType, id).text = std::move(text);
  return *this;
}

DialogScript& DialogScript::pick(int id, int index) {
  add(Kind::kPickIndex, id).index = index;
  return *this;
}

DialogScript& DialogScript::pick(int id, std::string entry) {
  add(Kind::kPickEntry, id).text = std::move(entry);
  return *this;
}

DialogScript& DialogScript::check(int id, bool checked) {
  add(Kind::kCheck, id).flag = checked;
  return *this;
}

DialogScript& DialogScript::click(int id) {
  add(Kind::kClick, id);
  return *this;
}

DialogScript& DialogScript::key(UINT virtualKey, bool shift) {
  Action& action = add(Kind::kKey, 0);
  action.key = virtualKey;
  action.flag = shift;
  return *this;
}

DialogScript& DialogScript::character(char c) {
  add(Kind::kChar, 0).text = std::string(1, c);
  return *this;
}

DialogScript& DialogScript::then(std::function<void(HWND)> look) {
  add(Kind::kThen, 0).look = std::move(look);
  return *this;
}

DialogScript& DialogScript::require(std::function<std::string(HWND)> why) {
  add(Kind::kRequire, 0).why = std::move(why);
  return *this;
}

bool DialogScript::perform(HWND dialog, const Action& a) {
  HWND control = a.id ? GetDlgItem(dialog, a.id) : nullptr;
  if (a.id && !control) {
    error_ = "the dialog has no control " + std::to_string(a.id);
    return false;
  }
  if (control && !IsWindowEnabled(control)) {
    error_ = label(dialog, a.id) + " cannot be used: it is disabled";
    return false;
  }
  switch (a.kind) {
    case Kind::kType:
      if (VwinDialogType(dialog, a.id, a.text.c_str())) return true;
      error_ = "cannot type into " + label(dialog, a.id);
      return false;
    case Kind::kPickIndex:
    case Kind::kPickEntry: {
      int index = a.index;
      if (a.kind == Kind::kPickEntry)
        index = static_cast<int>(SendMessageA(control, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                              reinterpret_cast<LPARAM>(a.text.c_str())));
      if (index >= 0 && VwinDialogPick(dialog, a.id, index)) return true;
      error_ = "control " + std::to_string(a.id) + " lists no entry " +
               (a.kind == Kind::kPickEntry ? "\"" + a.text + "\"" : "#" + std::to_string(a.index));
      return false;
    }
    case Kind::kCheck: {
      bool isChecked = IsDlgButtonChecked(dialog, a.id) == BST_CHECKED;
      if (isChecked == a.flag) return true;
      if (VwinDialogClick(dialog, a.id) &&
          (IsDlgButtonChecked(dialog, a.id) == BST_CHECKED) == a.flag)
        return true;
      error_ = label(dialog, a.id) + " cannot be " + (a.flag ? "ticked" : "cleared");
      return false;
    }
    case Kind::kClick:
      if (VwinDialogClick(dialog, a.id)) return true;
      error_ = label(dialog, a.id) + " cannot be pressed";
      return false;
    case Kind::kKey:
      VwinDialogKey(dialog, a.key, a.flag);  // a key without effect is no failure, as for a user
      return true;
    case Kind::kChar:
      VwinDialogChar(dialog, a.text[0]);
      return true;
    case Kind::kThen:
      a.look(dialog);
      return true;
    case Kind::kRequire:
      error_ = a.why(dialog);
      return error_.empty();
  }
  return false;
}

bool DialogScript::run(HWND dialog) {
  error_.clear();
  for (const Action& action : actions_) {
    if (VwinDialogEnded(dialog, nullptr)) break;
    if (!perform(dialog, action)) break;
  }
  if (!VwinDialogEnded(dialog, nullptr)) VwinDialogKey(dialog, VK_ESCAPE, FALSE);
  return VwinDialogEnded(dialog, nullptr) != FALSE;
}

bool DialogScript::parse(const std::string& text, DialogScript* script, std::string* error) {
  static const std::pair<const char*, UINT> kKeys[] = {
      {"tab", VK_TAB},      {"enter", VK_RETURN}, {"escape", VK_ESCAPE},  {"up", VK_UP},
      {"down", VK_DOWN},    {"f4", VK_F4},        {"backspace", VK_BACK}, {"space", VK_SPACE},
      {"left", VK_LEFT},    {"right", VK_RIGHT},  {"home", VK_HOME},      {"end", VK_END},
      {"delete", VK_DELETE}};
  std::istringstream lines(text);
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    std::istringstream words(line);
    std::string verb;
    if (!(words >> verb) || verb[0] == '#') continue;
    auto fail = [&](const std::string& why) {
      if (error) *error = "line " + std::to_string(number) + ": " + why;
      return false;
    };
    auto rest = [&]() {
      std::string r;
      std::getline(words, r);
      return r.empty() ? r : r.substr(1);  // one blank separates the text
    };
    int id = 0;
    if (verb == "type" || verb == "pick" || verb == "check" || verb == "click") {
      if (!(words >> id)) return fail("\"" + verb + "\" needs a control id");
    }
    if (verb == "type") {
      script->type(id, rest());
    } else if (verb == "pick") {
      std::string entry = rest();
      if (entry.size() > 1 && entry[0] == '#' &&
          entry.find_first_not_of("0123456789", 1) == std::string::npos)
        script->pick(id, std::stoi(entry.substr(1)));
      else
        script->pick(id, entry);
    } else if (verb == "check") {
      std::string state;
      words >> state;
      if (state != "on" && state != "off") return fail("\"check\" needs on or off");
      script->check(id, state == "on");
    } else if (verb == "click") {
      script->click(id);
    } else if (verb == "key") {
      std::string name;
      words >> name;
      bool shift = name.rfind("shift-", 0) == 0;
      if (shift) name = name.substr(6);
      bool known = false;
      for (const auto& [keyName, vk] : kKeys)
        if (name == keyName) {
          script->key(vk, shift);
          known = true;
        }
      if (!known) return fail("unknown key \"" + name + "\"");
    } else if (verb == "char") {
      std::string c = rest();
      if (c.size() != 1) return fail("\"char\" needs one character");
      script->character(c[0]);
    } else {
      return fail("unknown action \"" + verb + "\"");
    }
  }
  return true;
}

}  // namespace vantrel
