// The live query's editor (see host/tui/tui_live_query.h).
// Tested by tests/host/tui/tui_live_query_test.cpp.
#include "host/tui/tui_live_query.h"

#include <curses.h>

#include "host/ide/escape_note.h"
#include "host/ide/text_encoding.h"
#include "host/tui/tui_draw.h"
#include "host/tui/tui_hit_match.h"

namespace tui {
namespace {

constexpr int kCtrlU = 21, kCtrlW = 23;
// The dialog's fields hold 499 bytes.
constexpr size_t kFieldBytes = 499;

void dropLastCharacter(std::string& text) {
  while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0x80) text.pop_back();
  if (!text.empty()) text.pop_back();
}

// The boxes a key away, in the order drawn.
struct Box {
  char key;
  int bit;
  const char* name;
};
constexpr Box kBoxes[] = {
    {'c', 0x01, "Case"}, {'r', 0x02, "Recurse"}, {'e', 0x04, "Regex"}, {'w', 0x10, "Words"}};

}  // namespace

void LiveQuery::open(const SearchRequest& request) {
  wanted_ = request;
  focus_ = kText;
  lastEdit_ = {};
  edited(lastEdit_);
}

std::string& LiveQuery::field(Field f) {
  return f == kTypes ? wanted_.fileTypes : f == kDirectories ? wanted_.directories : wanted_.text;
}

void LiveQuery::edited(Clock::time_point now) {
  lastEdit_ = now;
  refusal_.clear();
  note_.clear();
  if (!(wanted_.options & kRegularExpression)) return;
  std::string reason;
  long at = HitMatcher::refusedAt(wanted_, &reason);
  if (at >= 0) {
    refusal_ = host::toTerminalText(reason);
    refusal_ += " (at column " + std::to_string(at + 1) + ")";
  } else {
    note_ = host::toTerminalText(host::escapeNote(wanted_.text));
  }
}

LiveQuery::Outcome LiveQuery::key(const Key& key, Clock::time_point now) {
  std::string& text = field(focus_);
  switch (key.type) {
    case Key::kEnter:
      return kKeep;
    case Key::kEscape:
    case Key::kInterrupt:
      return kBack;
    case Key::kTab:
      focus_ = static_cast<Field>((focus_ + 1) % kFields);
      return kHandled;
    case Key::kBackTab:
      focus_ = static_cast<Field>((focus_ + kFields - 1) % kFields);
      return kHandled;
    case Key::kBackspace:
      if (text.empty()) return kHandled;
      dropLastCharacter(text);
      break;
    case Key::kChar:
      if (key.alt) {
        for (const Box& box : kBoxes)
          if (key.code == box.key || key.code == box.key - 'a' + 'A') {
            wanted_.options ^= box.bit;
            edited(now);
            return kEdited;
          }
        return kHandled;
      }
      if (key.code == kCtrlU) {
        text.clear();
      } else if (key.code == kCtrlW) {
        while (!text.empty() && text.back() == ' ') text.pop_back();
        while (!text.empty() && text.back() != ' ') text.pop_back();
      } else if (key.code >= 0x20 && key.code != 0x7F && text.size() < kFieldBytes) {
        text.push_back(static_cast<char>(key.code));
      } else {
        return kHandled;
      }
      break;
    default:
      return kNotMine;
  }
  edited(now);
  return kEdited;
}

void LiveQuery::paste(const std::string& pasted, Clock::time_point now) {
  std::string& text = field(focus_);
  text += pasted.substr(0, kFieldBytes - std::min(kFieldBytes, text.size()));
  edited(now);
}

int LiveQuery::untilSettled(Clock::time_point now) const {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(kSettle - (now - lastEdit_));
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

int LiveQuery::rows() const { return refusal_.empty() && note_.empty() ? 3 : 4; }

void LiveQuery::draw(int top, int width) const {
  for (int r = 0; r < rows(); ++r) blank(top + r, 0, width, A_NORMAL);
  put(top, 0, " Find: ", width, A_BOLD);
  std::string text = host::toTerminalText(wanted_.text);
  // A text wider than the row shows its end, where the caret is.
  std::string_view shown = text;
  while (!shown.empty() && columns(shown) > width - 8) {
    shown.remove_prefix(1);
    while (!shown.empty() && (static_cast<unsigned char>(shown[0]) & 0xC0) == 0x80)
      shown.remove_prefix(1);
  }
  put(top, 7, shown, width - 7, A_NORMAL);
  std::string boxes;
  for (const Box& box : kBoxes)
    boxes += std::string(wanted_.options & box.bit ? " [x] " : " [ ] ") + box.name + " ";
  put(top + 1, 0, boxes + "  (Alt-C R E W)", width, A_NORMAL);
  std::string types = " Types: " + host::toTerminalText(wanted_.fileTypes);
  std::string dirs = "   Dirs: " + host::toTerminalText(wanted_.directories);
  put(top + 2, 0, types + dirs + "   (Tab)", width, A_NORMAL);
  // The caret: a cell in reverse video after the focused field's text.
  int row = top, col = 7 + columns(shown);
  if (focus_ == kTypes) {
    row = top + 2;
    col = columns(types);
  } else if (focus_ == kDirectories) {
    row = top + 2;
    col = columns(types) + columns(dirs);
  }
  if (col < width) put(row, col, " ", 1, A_REVERSE);
  if (rows() > 3) {
    std::string line = refusal_.empty() ? " Note: " + note_ : " Refused: " + refusal_;
    put(top + 3, 0, line, width, A_BOLD, true);
  }
}

}  // namespace tui
