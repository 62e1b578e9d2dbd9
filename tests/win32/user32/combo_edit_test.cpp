// The combo box's edit field on the module's real "DLG_VANTREL" template: the caret and the edit
// selection under the keys a host sends (win32/user32/dialog_input.h), CB_GETEDITSEL and
// CB_SETEDITSEL, the text limit, the whole text selected when the field gains the focus, and which
// actions notify the dialog (a text change does, a caret move does not). Covers
// win32/user32/controls_combo.cpp and the key state and focus moves of
// win32/user32/dialog_input.cpp; the terminal's drawing of the field is covered by
// tests/host/tui/tui_program_test.cpp.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/cli/dialog_script.h"
#include "win32/include/windows.h"
#include "win32/user32/controls.h"
#include "win32/user32/dialog_input.h"
#include "win32/user32/display.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr int kText = 101, kFileType = 102, kDirectories = 103;

class ScriptedDisplay : public vwin::Display {
 public:
  void beep(UINT) override { ++beeps; }
  int messageBox(HWND, LPCSTR, LPCSTR, UINT) override { return 0; }
  bool runModal(HWND dialog) override { return script.run(dialog); }
  vantrel::DialogScript script;
  int beeps = 0;
};

// The edit notifications the dialog heard, as "id:code".
std::vector<std::string> notes;

INT_PTR CALLBACK noteEdits(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message != WM_COMMAND) return FALSE;
  int code = HIWORD(wParam);
  if (code == CBN_EDITCHANGE || code == CBN_EDITUPDATE)
    notes.push_back(std::to_string(LOWORD(wParam)) + ":" + std::to_string(code));
  if (LOWORD(wParam) == IDCANCEL) EndDialog(dialog, IDCANCEL);
  return TRUE;
}

std::string text(HWND dialog, int id) {
  char buffer[600];
  GetDlgItemTextA(dialog, id, buffer, sizeof buffer);
  return buffer;
}

// The edit selection as "start-end", from the answer and from the DWORDs written; they agree.
std::string selection(HWND dialog, int id) {
  DWORD start = 7777, end = 7777;
  LRESULT both = SendDlgItemMessageA(dialog, id, CB_GETEDITSEL, reinterpret_cast<WPARAM>(&start),
                                     reinterpret_cast<LPARAM>(&end));
  std::string answer = std::to_string(LOWORD(both)) + "-" + std::to_string(HIWORD(both));
  std::string written = std::to_string(start) + "-" + std::to_string(end);
  return answer == written ? answer : answer + " but wrote " + written;
}

class ComboEditTest : public ::testing::Test {
 protected:
  void SetUp() override {
    notes.clear();
    VwinSetDisplay(&display_);
  }
  void TearDown() override { VwinSetDisplay(nullptr); }
  vantrel::DialogScript& script() { return display_.script; }
  void run() {
    EXPECT_EQ(DialogBoxParamA(nullptr, "DLG_VANTREL", nullptr, noteEdits, 0), IDCANCEL);
    EXPECT_EQ(display_.script.error(), "");
  }
  // A step of the script: what the selection and text of the text field are now.
  void expect(const std::string& sel, const std::string& content) {
    script().then([sel, content](HWND dialog) {
      EXPECT_EQ(selection(dialog, kText), sel) << "text \"" << text(dialog, kText) << "\"";
      EXPECT_EQ(text(dialog, kText), content);
    });
  }
  void forgetNotes() {
    script().then([](HWND) { notes.clear(); });
  }
  ScriptedDisplay display_;
};

TEST_F(ComboEditTest, CaretKeysMoveAndShiftExtendsWithoutNotifying) {
  script().type(kText, "abcdef");
  expect("6-6", "abcdef");  // typing leaves the caret after the text
  forgetNotes();
  script().key(VK_LEFT);
  expect("5-5", "abcdef");
  script().key(VK_LEFT, true).key(VK_LEFT, true);
  expect("3-5", "abcdef");
  script().key(VK_RIGHT, true);  // the caret end moves back, the anchor stays
  expect("4-5", "abcdef");
  script().key(VK_HOME, true);
  expect("0-5", "abcdef");
  script().key(VK_RIGHT);  // an unshifted key drops the selection
  expect("1-1", "abcdef");
  script().key(VK_HOME).key(VK_LEFT);  // nothing left of the start
  expect("0-0", "abcdef");
  script().key(VK_END, true);
  expect("0-6", "abcdef");
  script().key(VK_END).key(VK_RIGHT).key(VK_RIGHT, true);  // nothing right of the end
  expect("6-6", "abcdef");
  script().then([](HWND) {
    EXPECT_EQ(GetKeyState(VK_SHIFT), 0) << "Shift is held only while its key is handled";
    EXPECT_THAT(notes, IsEmpty());
  });
  run();
}

TEST_F(ComboEditTest, DeleteAndBackspaceAtTheEdgesAndOnAnEmptyField) {
  script().type(kText, "abc");
  forgetNotes();
  script().key(VK_DELETE);  // after the last character: nothing
  expect("3-3", "abc");
  script().key(VK_BACK);
  expect("2-2", "ab");
  script().key(VK_HOME).key(VK_BACK);  // before the first: nothing
  expect("0-0", "ab");
  script().key(VK_DELETE);
  expect("0-0", "b");
  script().key(VK_DELETE).key(VK_DELETE).key(VK_BACK);
  expect("0-0", "");
  script().then([](HWND) {
    // Two changes notified, each as CBN_EDITUPDATE then CBN_EDITCHANGE; the rest did nothing.
    EXPECT_THAT(notes, ElementsAre("101:6", "101:5", "101:6", "101:5", "101:6", "101:5"));
  });
  run();
}

TEST_F(ComboEditTest, TypingGoesInAtTheCaretAndReplacesTheSelection) {
  script().type(kText, "nedle").key(VK_HOME).key(VK_RIGHT).character('e');
  expect("2-2", "needle");
  script().key(VK_END).key(VK_LEFT).key(VK_LEFT).key(VK_LEFT, true).key(VK_LEFT, true);
  expect("2-4", "needle");  // "ed" selected, the caret before it
  forgetNotes();
  script().character('X');
  expect("3-3", "neXle");
  script().then([](HWND) { EXPECT_THAT(notes, ElementsAre("101:6", "101:5")); });
  script().key(VK_RIGHT, true).key(VK_RIGHT, true).key(VK_BACK);  // "le" selected, then erased
  expect("3-3", "neX");
  script().key(VK_HOME, true).key(VK_DELETE);
  expect("0-0", "");
  run();
}

TEST_F(ComboEditTest, TheLimitCountsTheSelectionAsRoom) {
  script()
      .then([](HWND dialog) { SendDlgItemMessageA(dialog, kText, CB_LIMITTEXT, 4, 0); })
      .type(kText, "abcde");
  expect("4-4", "abcd");
  script().then([&](HWND) { EXPECT_EQ(display_.beeps, 1); });
  forgetNotes();
  script().key(VK_HOME).character('z');  // full, also in the middle
  expect("0-0", "abcd");
  script().key(VK_END).key(VK_LEFT, true).character('x');  // the selected "d" makes room
  expect("4-4", "abcx");
  script().then([&](HWND) {
    EXPECT_EQ(display_.beeps, 2);
    EXPECT_THAT(notes, ElementsAre("101:6", "101:5"));
  });
  run();
}

TEST_F(ComboEditTest, ATypedTextKeepsEveryByteInOneChange) {
  // Tab, line ends, Esc and other control characters are text here, not keys: the focus stays,
  // OK is not pressed and the dialog hears one change.
  const std::string typed = "a\tb\r\n\x01\x1b\x7f c";
  script().type(kText, "old").then([](HWND) { notes.clear(); }).type(kText, typed);
  expect("10-10", typed);
  script().then([](HWND dialog) {
    EXPECT_EQ(GetFocus(), GetDlgItem(dialog, kText));
    EXPECT_THAT(notes, ElementsAre("101:6", "101:5"));
  });
  run();
}

TEST_F(ComboEditTest, EditSelectionMessages) {
  script().then([](HWND dialog) {
    HWND combo = GetDlgItem(dialog, kText);
    auto setSel = [&](int start, int end) {
      return SendMessageA(combo, CB_SETEDITSEL, 0, MAKELPARAM(start, end));
    };
    SetWindowTextA(combo, "hello");
    EXPECT_EQ(selection(dialog, kText), "0-0");  // new text: the caret at its start
    EXPECT_EQ(setSel(1, 3), TRUE);
    EXPECT_EQ(selection(dialog, kText), "1-3");
    EXPECT_EQ(SendMessageA(combo, CB_GETEDITSEL, 0, 0), MAKELONG(1, 3));  // no DWORDs to write
    EXPECT_EQ(setSel(2, -1), TRUE);
    EXPECT_EQ(selection(dialog, kText), "2-5");
    EXPECT_EQ(setSel(-1, 0), TRUE);  // removed: the caret stays at the selection's moving end
    EXPECT_EQ(selection(dialog, kText), "5-5");
    EXPECT_EQ(setSel(9, 99), TRUE);  // past the end: at the end
    EXPECT_EQ(selection(dialog, kText), "5-5");
    setSel(4, 1);  // the caret goes to the second position, before the first
    EXPECT_EQ(selection(dialog, kText), "1-4");
    EXPECT_EQ(vwin::comboCaret(combo), 1u);
  });
  script().key(VK_LEFT, true);
  expect("0-4", "hello");
  script().then(
      [](HWND dialog) { SendDlgItemMessageA(dialog, kText, CB_SETEDITSEL, 0, MAKELPARAM(1, 4)); });
  forgetNotes();
  script().character('Z');
  expect("2-2", "hZo");
  script().then([](HWND) { EXPECT_THAT(notes, ElementsAre("101:6", "101:5")); });
  run();
}

TEST_F(ComboEditTest, GainingTheFocusSelectsTheWholeTextAndLosingItTheSelection) {
  script()
      .type(kText, "first")
      .type(kFileType, "*.c")
      .type(kDirectories, "src")
      .then([](HWND dialog) { VwinDialogFocus(dialog, kText); });
  expect("0-5", "first");  // VwinDialogFocus
  script().key(VK_LEFT).key(VK_TAB);
  script().then([](HWND dialog) {
    EXPECT_EQ(selection(dialog, kText), "4-4") << "a field without the focus keeps its caret";
    EXPECT_EQ(selection(dialog, kFileType), "0-3");  // Tab
  });
  script().key(VK_END).key(VK_LEFT).key(VK_TAB, true);
  expect("0-5", "first");  // Shift-Tab
  script().then([](HWND dialog) {
    EXPECT_EQ(selection(dialog, kFileType), "2-2");
    // "&File Type" leads to its field, which gets its text selected...
    EXPECT_TRUE(VwinDialogMnemonic(dialog, 'f'));
    EXPECT_EQ(GetFocus(), GetDlgItem(dialog, kFileType));
    EXPECT_EQ(selection(dialog, kFileType), "0-3");
  });
  // ...also when it had the focus already.
  script().key(VK_HOME).then([](HWND dialog) {
    EXPECT_EQ(selection(dialog, kFileType), "0-0");
    EXPECT_TRUE(VwinDialogMnemonic(dialog, 'F'));
    EXPECT_EQ(selection(dialog, kFileType), "0-3");
  });
  script().character('x');  // and typing replaces it
  script().then([](HWND dialog) { EXPECT_EQ(text(dialog, kFileType), "x"); });
  run();
}

TEST_F(ComboEditTest, AFieldsTextHasNoMnemonic) {
  // "R&D" typed into the text field: Alt+D still means "&Directories".
  script().type(kText, "R&D").then([](HWND dialog) {
    EXPECT_TRUE(VwinDialogMnemonic(dialog, 'd'));
    EXPECT_EQ(GetFocus(), GetDlgItem(dialog, kDirectories));
    EXPECT_FALSE(VwinDialogMnemonic(dialog, 'q'));
  });
  run();
}

TEST_F(ComboEditTest, AChosenListEntryIsInTheFieldAllSelected) {
  script()
      .then([](HWND dialog) {
        for (const char* item : {"alpha", "beta2"})
          SendDlgItemMessageA(dialog, kText, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
      })
      .type(kText, "typed")
      .key(VK_HOME)
      .key(VK_DOWN);  // the first entry
  expect("0-5", "alpha");
  script().key(VK_LEFT).pick(kText, 1);
  expect("0-5", "beta2");
  script().then([](HWND dialog) {
    SendDlgItemMessageA(dialog, kText, CB_SETCURSEL, 0, 0);
    EXPECT_EQ(selection(dialog, kText), "0-5");
    EXPECT_EQ(text(dialog, kText), "alpha");
  });
  script().character('z');
  expect("1-1", "z");
  run();
}

TEST_F(ComboEditTest, ScriptsNameTheEditKeys) {
  vantrel::DialogScript parsed;
  std::string error;
  ASSERT_TRUE(vantrel::DialogScript::parse(
      "type 101 abcd\nkey home\nkey right\nkey shift-end\nkey delete\nkey left\nkey end\n"
      "key shift-left\nchar z\n",
      &parsed, &error))
      << error;
  display_.script = parsed;
  display_.script.then([](HWND dialog) {
    EXPECT_EQ(text(dialog, kText), "z");
    EXPECT_EQ(selection(dialog, kText), "1-1");
  });
  run();
}

}  // namespace
