// The dialog manager on the module's real "DLG_VANTREL" template with a recording dialog
// procedure: building the dialog in pixels, the controls' messages and notifications, focus and
// Tab order, Enter and Esc, mnemonics, and how DialogBoxParamA ends. Input comes from the host's
// dialog script, through the same calls a terminal front end uses.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "host/cli/dialog_script.h"
#include "win32/include/windows.h"
#include "win32/user32/dialog_input.h"
#include "win32/user32/display.h"
#include "win32/user32/window.h"

namespace {

using ::testing::ElementsAre;

class ScriptedDisplay : public vwin::Display {
 public:
  void beep(UINT) override {}
  int messageBox(HWND, LPCSTR, LPCSTR, UINT) override { return 0; }
  bool runModal(HWND dialog) override {
    shown = dialog;
    return drive && script.run(dialog);
  }
  vantrel::DialogScript script;
  bool drive = true;
  HWND shown = nullptr;
};

// What the recording procedure saw: WM_COMMAND as "id:code", and the WM_INITDIALOG arguments.
std::vector<std::string> commands;
WPARAM initFocus;
LPARAM initParam;
bool disableOkAtStart;
bool endOnOk = true;

INT_PTR CALLBACK recordingProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      initFocus = wParam;
      initParam = lParam;
      if (disableOkAtStart) EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
      return TRUE;
    case WM_COMMAND:
      commands.push_back(std::to_string(LOWORD(wParam)) + ":" + std::to_string(HIWORD(wParam)));
      if (reinterpret_cast<HWND>(lParam) != GetDlgItem(dialog, LOWORD(wParam)))
        commands.back() += " (wrong control)";
      if (LOWORD(wParam) == IDOK && endOnOk) EndDialog(dialog, 7);
      if (LOWORD(wParam) == IDCANCEL) EndDialog(dialog, 3);
      return TRUE;
    default:
      return FALSE;
  }
}

class DialogManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    commands.clear();
    disableOkAtStart = false;
    endOnOk = true;
    VwinSetDisplay(&display_);
  }
  void TearDown() override { VwinSetDisplay(nullptr); }
  INT_PTR run(HWND owner = nullptr, LPARAM param = 0) {
    return DialogBoxParamA(nullptr, "DLG_VANTREL", owner, recordingProc, param);
  }
  vantrel::DialogScript& script() { return display_.script; }
  ScriptedDisplay display_;
};

std::string text(HWND dialog, int id) {
  char buffer[600];
  GetDlgItemTextA(dialog, id, buffer, sizeof buffer);
  return buffer;
}

RECT rectOf(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return r;
}

TEST_F(DialogManagerTest, BuildsTheTemplateInPixelsAndFocusesTheFirstTabStop) {
  HWND owner = CreateWindowExA(0, "ide", "IDE", WS_POPUP, 16, 32, 640, 400, nullptr, nullptr,
                               nullptr, nullptr);
  HWND seen = nullptr;
  script().then([&](HWND dialog) {
    seen = dialog;
    EXPECT_EQ(GetParent(dialog), owner);
    RECT r = rectOf(dialog);
    // 233 x 135 dialog units: 2 pixels a unit across (8 / 4), 2 down (16 / 8); at the owner.
    EXPECT_EQ(r.left, 16);
    EXPECT_EQ(r.top, 32);
    EXPECT_EQ(r.right - r.left, 466);
    EXPECT_EQ(r.bottom - r.top, 270);
    char caption[32];
    GetWindowTextA(dialog, caption, sizeof caption);
    EXPECT_STREQ(caption, "Vantrel");

    HWND combo = GetDlgItem(dialog, 101);
    RECT c = rectOf(combo);
    EXPECT_EQ(c.left - r.left, 88);
    EXPECT_EQ(c.top - r.top, 18);
    EXPECT_EQ(c.right - c.left, 368);
    EXPECT_EQ(c.bottom - c.top, vwin::kCellHeight);  // the closed combo box: one line
    RECT ok = rectOf(GetDlgItem(dialog, IDOK));
    EXPECT_EQ(ok.left - r.left, 354);
    EXPECT_EQ(ok.top - r.top, 236);
    EXPECT_EQ(ok.bottom - ok.top, 28);
    EXPECT_EQ(text(dialog, 105), "&Recurse Subdirectories");
    EXPECT_EQ(text(dialog, 101), "");
    EXPECT_EQ(vwin::windowFromHandle(GetDlgItem(dialog, 109))->className, "static");

    EXPECT_EQ(reinterpret_cast<HWND>(initFocus), combo);
    EXPECT_EQ(initParam, 42);
    EXPECT_EQ(GetFocus(), combo);
  });
  script().click(IDOK);
  EXPECT_EQ(run(owner, 42), 7);
  EXPECT_FALSE(IsWindow(seen)) << "the dialog is destroyed after EndDialog";
  DestroyWindow(owner);
}

TEST_F(DialogManagerTest, ComboBoxAnswersItsMessages) {
  script().then([](HWND dialog) {
    HWND combo = GetDlgItem(dialog, 102);
    auto send = [&](UINT message, WPARAM w, const char* l) {
      return SendMessageA(combo, message, w, reinterpret_cast<LPARAM>(l));
    };
    EXPECT_EQ(send(CB_ADDSTRING, 0, "beta"), 0);
    EXPECT_EQ(send(CB_ADDSTRING, 0, "Alpha"), 1);  // unsorted: order of adding
    EXPECT_EQ(send(CB_ADDSTRING, 0, "beta"), 2);
    EXPECT_EQ(send(CB_GETCOUNT, 0, nullptr), 3);
    EXPECT_EQ(send(CB_GETCURSEL, 0, nullptr), CB_ERR);
    EXPECT_EQ(send(CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), "ALPHA"), 1);
    EXPECT_EQ(send(CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), "BETA"), 0);
    EXPECT_EQ(send(CB_FINDSTRINGEXACT, 0, "BETA"), 2);  // searching after entry 0
    EXPECT_EQ(send(CB_FINDSTRINGEXACT, 2, "beta"), 0);  // and wrapping around
    EXPECT_EQ(send(CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), "alph"), CB_ERR);
    EXPECT_EQ(send(CB_FINDSTRING, static_cast<WPARAM>(-1), "alph"), 1);

    EXPECT_EQ(send(CB_SETCURSEL, 1, nullptr), 1);
    EXPECT_EQ(text(dialog, 102), "Alpha");
    EXPECT_EQ(send(CB_GETLBTEXTLEN, 1, nullptr), 5);
    char item[8];
    EXPECT_EQ(send(CB_GETLBTEXT, 1, item), 5);
    EXPECT_STREQ(item, "Alpha");
    EXPECT_EQ(send(CB_GETLBTEXT, 3, item), CB_ERR);
    EXPECT_EQ(send(CB_SETCURSEL, 9, nullptr), CB_ERR);
    EXPECT_EQ(send(CB_GETCURSEL, 0, nullptr), CB_ERR);
    EXPECT_EQ(text(dialog, 102), "");

    EXPECT_TRUE(send(WM_SETTEXT, 0, "typed"));
    EXPECT_EQ(GetWindowTextLengthA(combo), 5);
    EXPECT_TRUE(send(CB_SHOWDROPDOWN, TRUE, nullptr));
    EXPECT_TRUE(send(CB_GETDROPPEDSTATE, 0, nullptr));
    EXPECT_TRUE(send(CB_SHOWDROPDOWN, FALSE, nullptr));
    EXPECT_EQ(send(CB_RESETCONTENT, 0, nullptr), CB_OKAY);
    EXPECT_EQ(send(CB_GETCOUNT, 0, nullptr), 0);
    EXPECT_EQ(text(dialog, 102), "");
  });
  EXPECT_EQ(run(), 3);
  // Focus on the first tab stop notifies; setting the selection from code notifies nothing;
  // showing the list does.
  EXPECT_THAT(commands, ElementsAre("101:3", "102:7", "102:8", "2:0"));
}

TEST_F(DialogManagerTest, UserActionsNotifyAsTheKeyboardWould) {
  script()
      .type(101, "ab")
      .key(VK_TAB)
      .then([](HWND dialog) {
        SendDlgItemMessageA(dialog, 103, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("one"));
        SendDlgItemMessageA(dialog, 103, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("two"));
        commands.push_back("--");
      })
      .pick(103, 1)
      .then([](HWND dialog) { EXPECT_EQ(text(dialog, 103), "two"); })
      .type(103, "")
      .then([](HWND dialog) {
        EXPECT_EQ(text(dialog, 103), "");
        EXPECT_EQ(text(dialog, 101), "ab");
      })
      .click(IDCANCEL);
  EXPECT_EQ(run(), 3);
  // 101 typed (one change, as pasted), Tab to 102, then 103 focused, dropped, moved to entry 0
  // and 1, closed, cleared; the Cancel click takes the focus from it.
  EXPECT_THAT(commands,
              ElementsAre("101:3", "101:6", "101:5", "101:4", "102:3", "--", "102:4", "103:3",
                          "103:7", "103:1", "103:1", "103:8", "103:6", "103:5", "103:4", "2:0"));
}

TEST_F(DialogManagerTest, EnterPressesTheDefaultButtonOnlyWhileEnabled) {
  disableOkAtStart = true;
  script()
      .key(VK_RETURN)
      .then([](HWND dialog) {
        EXPECT_FALSE(VwinDialogEnded(dialog, nullptr));
        EXPECT_FALSE(VwinDialogClick(dialog, IDOK));
        SendDlgItemMessageA(dialog, 101, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("x"));
        SendDlgItemMessageA(dialog, 101, CB_SHOWDROPDOWN, TRUE, 0);
        EnableWindow(GetDlgItem(dialog, IDOK), TRUE);
      })
      .key(VK_RETURN)  // closes the dropped list only
      .then([](HWND dialog) {
        EXPECT_FALSE(VwinDialogEnded(dialog, nullptr));
        EXPECT_FALSE(SendDlgItemMessageA(dialog, 101, CB_GETDROPPEDSTATE, 0, 0));
      })
      .key(VK_RETURN);
  EXPECT_EQ(run(), 7);
  EXPECT_THAT(commands, ElementsAre("101:3", "101:7", "101:8", "1:0"));
}

TEST_F(DialogManagerTest, EnterOnAFocusedButtonPressesItAndEscapeCancels) {
  endOnOk = false;
  script().key(VK_TAB, true).key(VK_TAB, true).then([](HWND dialog) {
    EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDCANCEL));
  });
  script().key(VK_RETURN);
  EXPECT_EQ(run(), 3);
  commands.clear();

  display_.script = vantrel::DialogScript();
  display_.script.key(VK_RETURN).key(VK_ESCAPE);
  EXPECT_EQ(run(), 3);
  EXPECT_THAT(commands, ElementsAre("101:3", "1:0", "2:0"));
}

TEST_F(DialogManagerTest, TabVisitsTabStopsInOrderSkippingDisabledOnes) {
  std::vector<int> order;
  auto note = [&](HWND) { order.push_back(GetDlgCtrlID(GetFocus())); };
  script().then([](HWND dialog) { EnableWindow(GetDlgItem(dialog, 106), FALSE); });
  for (int i = 0; i < 10; ++i) script().then(note).key(VK_TAB);
  script().then(note).key(VK_TAB, true).then(note);
  run();
  EXPECT_THAT(order, ElementsAre(101, 102, 103, 104, 105, 107, 108, 2, 1, 101, 102, 101));
}

TEST_F(DialogManagerTest, CheckBoxesToggleByClickSpaceAndMnemonic) {
  script()
      .click(104)
      .then([](HWND dialog) {
        EXPECT_EQ(IsDlgButtonChecked(dialog, 104), BST_CHECKED);
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog, 104));
      })
      .character(' ')
      .then([](HWND dialog) {
        EXPECT_EQ(IsDlgButtonChecked(dialog, 104), BST_UNCHECKED);
        EXPECT_TRUE(VwinDialogMnemonic(dialog, 'w'));  // "&Whole Words only"
        EXPECT_EQ(IsDlgButtonChecked(dialog, 108), BST_CHECKED);
        EXPECT_TRUE(VwinDialogMnemonic(dialog, 'F'));  // "&File Type" leads to its combo box
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog, 102));
        EXPECT_FALSE(VwinDialogMnemonic(dialog, 'q'));
        EnableWindow(GetDlgItem(dialog, 107), FALSE);
        EXPECT_FALSE(VwinDialogClick(dialog, 107));
        EXPECT_EQ(IsDlgButtonChecked(dialog, 107), BST_UNCHECKED);
      })
      .check(105, true)
      .check(105, true);
  EXPECT_EQ(run(), 3);
  EXPECT_THAT(commands, ElementsAre("101:3", "101:4", "104:0", "104:0", "108:0", "102:3", "102:4",
                                    "105:0", "2:0"));
}

TEST_F(DialogManagerTest, DialogFailsWithoutADisplayOrAModalLoop) {
  VwinSetDisplay(nullptr);
  EXPECT_EQ(run(), -1);
  EXPECT_TRUE(commands.empty());

  VwinSetDisplay(&display_);
  display_.drive = false;
  EXPECT_EQ(run(), -1);
  EXPECT_FALSE(IsWindow(display_.shown));

  EXPECT_EQ(DialogBoxParamA(nullptr, "NO_SUCH_DIALOG", nullptr, recordingProc, 0), -1);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
}

TEST_F(DialogManagerTest, FocusReturnsToWhereItWasAfterTheDialog) {
  HWND before =
      CreateWindowExA(0, "ide", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  SetFocus(before);
  run();
  EXPECT_EQ(GetFocus(), before);
  DestroyWindow(before);
  EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(DialogManagerTest, ScriptsStopAtAnActionThatCannotBeDoneAndCancel) {
  disableOkAtStart = true;
  script().click(IDOK).check(104, true);
  EXPECT_EQ(run(), 3);
  EXPECT_EQ(display_.script.error(), "\"OK\" cannot be used: it is disabled");
  EXPECT_THAT(commands, ElementsAre("101:3", "2:0"));

  vantrel::DialogScript parsed;
  std::string error;
  ASSERT_TRUE(vantrel::DialogScript::parse(
      "# a user\ntype 101 two words\ncheck 104 on\npick 102 #0\nkey shift-tab\nclick 1\n", &parsed,
      &error))
      << error;
  display_.script = parsed;
  disableOkAtStart = false;
  commands.clear();
  EXPECT_EQ(run(), 3);  // control 102 is empty: the script stops there, and Esc ends the dialog
  EXPECT_EQ(display_.script.error(), "control 102 lists no entry #0");
  EXPECT_THAT(commands, ElementsAre("101:3", "101:6", "101:5", "101:4", "104:0", "2:0"));
  EXPECT_FALSE(vantrel::DialogScript::parse("type 101 x\nwiggle 3\n", &parsed, &error));
  EXPECT_EQ(error, "line 2: unknown action \"wiggle\"");
  EXPECT_FALSE(vantrel::DialogScript::parse("key hyperspace", &parsed, &error));
}

}  // namespace
