// The live query's editor (see host/tui/tui_live_query.h).
// Tested by tests/host/tui/tui_live_query_test.cpp.
#include "host/tui/tui_live_query.h"

#include <curses.h>

#include "host/ide/escape_note.h"
#include "host/ide/text_encoding.h"
#include "host/tui/tui_draw.h"
#include "host/tui/tui_hit_match.h"
#include "search/option_bits.h"

namespace tui {
namespace {

constexpr int kCtrlA = 1, kCtrlE = 5, kCtrlU = 21, kCtrlW = 23;
// The dialog's fields hold 499 bytes.
constexpr size_t kFieldBytes = 499;

bool continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The start of the character before byte `at`, and the end of the one at `at`.
size_t characterBefore(const std::string& text, size_t at) {
  if (at == 0) return 0;
  do --at;
  while (at > 0 && continuation(text[at]));
  return at;
}
size_t characterAfter(const std::string& text, size_t at) {
  if (at >= text.size()) return text.size();
  do ++at;
  while (at < text.size() && continuation(text[at]));
  return at;
}

// The boxes a key away, in the order drawn.
struct Box {
  char key;
  int bit;
  const char* name;
};
constexpr Box kBoxes[] = {{'c', CaseSensitive, "Case"},
                          {'r', Recurse, "Recurse"},
                          {'e', RegularExpression, "Regex"},
                          {'w', WholeWords, "Words"}};

}  // namespace

void LiveQuery::open(const SearchRequest& request) {
  wanted_ = request;
  focus_ = kText;
  for (int f = 0; f < kFields; ++f) caret_[f] = field(static_cast<Field>(f)).size();
  lastEdit_ = {};
  edited(lastEdit_);
}

std::string& LiveQuery::field(Field f) {
  return f == kTypes ? wanted_.fileTypes : f == kDirectories ? wanted_.directories : wanted_.text;
}

const std::string& LiveQuery::field(Field f) const {
  return const_cast<LiveQuery*>(this)->field(f);
}

bool LiveQuery::editKey(const Key& key) {
  std::string& text = field(focus_);
  size_t& caret = caret_[focus_];
  auto erase = [&](size_t from, size_t to) {
    if (from == to) return false;
    text.erase(from, to - from);
    caret = from;
    return true;
  };
  switch (key.type) {
    case Key::kLeft:
      caret = characterBefore(text, caret);
      return false;
    case Key::kRight:
      caret = characterAfter(text, caret);
      return false;
    case Key::kHome:
      caret = 0;
      return false;
    case Key::kEnd:
      caret = text.size();
      return false;
    case Key::kBackspace:
      return erase(characterBefore(text, caret), caret);
    case Key::kDelete:
      return erase(caret, characterAfter(text, caret));
    default:
      break;
  }
  if (key.code == kCtrlA || key.code == kCtrlE) {
    caret = key.code == kCtrlA ? 0 : text.size();
    return false;
  }
  if (key.code == kCtrlU) return erase(0, caret);
  if (key.code == kCtrlW) {
    size_t from = caret;
    while (from > 0 && text[from - 1] == ' ') --from;
    while (from > 0 && text[from - 1] != ' ') --from;
    return erase(from, caret);
  }
  if (key.code < 0x20 || key.code == 0x7F || text.size() >= kFieldBytes) return false;
  text.insert(caret++, 1, static_cast<char>(key.code));
  return true;
}

void LiveQuery::edited(Clock::time_point now) {
  lastEdit_ = now;
  refusal_.clear();
  note_.clear();
  if (!(wanted_.options & RegularExpression)) return;
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
      [[fallthrough]];
    case Key::kBackspace:
    case Key::kDelete:
    case Key::kLeft:
    case Key::kRight:
    case Key::kHome:
    case Key::kEnd:
      if (!editKey(key)) return kHandled;
      edited(now);
      return kEdited;
    default:
      return kNotMine;
  }
}

void LiveQuery::paste(const std::string& pasted, Clock::time_point now) {
  std::string& text = field(focus_);
  std::string taken = pasted.substr(0, kFieldBytes - std::min(kFieldBytes, text.size()));
  text.insert(caret_[focus_], taken);
  caret_[focus_] += taken.size();
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
  // The part of a field before its caret, and the character under it, as the terminal shows them.
  auto beforeCaret = [this](Field f) {
    return host::toTerminalText(field(f).substr(0, caret_[f]));
  };
  auto underCaret = [this](Field f) {
    const std::string& text = field(f);
    size_t at = caret_[f];
    return at < text.size() ? host::toTerminalText(text.substr(at, characterAfter(text, at) - at))
                            : std::string(" ");
  };
  // A text wider than the row shows what lies before the caret, dropped from its start.
  std::string before = beforeCaret(kText);
  std::string_view head = before;
  while (!head.empty() && columns(head) > width - 8) {
    head.remove_prefix(1);
    while (!head.empty() && continuation(head[0])) head.remove_prefix(1);
  }
  put(top, 7, std::string(head) + host::toTerminalText(wanted_.text.substr(caret_[kText])),
      width - 7, A_NORMAL);
  std::string boxes;
  for (const Box& box : kBoxes)
    boxes += std::string(wanted_.options & box.bit ? " [x] " : " [ ] ") + box.name + " ";
  put(top + 1, 0, boxes + "  (Alt-C R E W)", width, A_NORMAL);
  std::string types = " Types: " + host::toTerminalText(wanted_.fileTypes);
  std::string dirs = "   Dirs: " + host::toTerminalText(wanted_.directories);
  put(top + 2, 0, types + dirs + "   (Tab)", width, A_NORMAL);
  // The caret: the cell of the focused field's character under it, in reverse video.
  int row = top, col = 7 + columns(head);
  if (focus_ == kTypes) {
    row = top + 2;
    col = columns(" Types: " + beforeCaret(kTypes));
  } else if (focus_ == kDirectories) {
    row = top + 2;
    col = columns(types) + columns("   Dirs: " + beforeCaret(kDirectories));
  }
  std::string under = underCaret(focus_);
  if (col < width) put(row, col, under, columns(under), A_REVERSE);
  if (rows() > 3) {
    std::string line = refusal_.empty() ? " Note: " + note_ : " Refused: " + refusal_;
    put(top + 3, 0, line, width, A_BOLD, true);
  }
}

}  // namespace tui
