// The module's compiled resources, found through FindResourceA in the program that links the
// add-on's code, checked byte by byte: the version block, the topic list and the dialog template.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "win32/include/windows.h"

namespace {

std::vector<BYTE> resource(LPCSTR name, LPCSTR type) {
  HRSRC found = FindResourceA(nullptr, name, type);
  if (!found) return {};
  auto* data = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, found)));
  return std::vector<BYTE>(data, data + SizeofResource(nullptr, found));
}

// Reads little-endian fields and UTF-16 strings of ASCII text from a resource.
struct Reader {
  const std::vector<BYTE>& bytes;
  size_t at = 0;
  WORD word() {
    WORD v = static_cast<WORD>(bytes.at(at) | bytes.at(at + 1) << 8);
    at += 2;
    return v;
  }
  DWORD dword() {
    DWORD low = word();
    return low | static_cast<DWORD>(word()) << 16;
  }
  std::string text() {
    std::string s;
    for (WORD c; (c = word()) != 0;) s.push_back(static_cast<char>(c));
    return s;
  }
  // A class or menu field: an ordinal as "#n", else the string.
  std::string ordinalOrText() {
    if (bytes.at(at) == 0xFF && bytes.at(at + 1) == 0xFF) {
      at += 2;
      return "#" + std::to_string(word());
    }
    return text();
  }
  void align() { at = (at + 3) & ~size_t{3}; }
};

TEST(ResourceTest, VersionBlockNamesVersion1020ForWindowsNtDll) {
  std::vector<BYTE> block = resource(MAKEINTRESOURCEA(1), RT_VERSION);
  ASSERT_FALSE(block.empty());
  Reader r{block};
  EXPECT_EQ(r.word(), block.size());  // wLength
  EXPECT_EQ(r.word(), 52);            // the fixed part's size
  EXPECT_EQ(r.word(), 0);             // binary
  EXPECT_EQ(r.text(), "VS_VERSION_INFO");
  r.align();
  EXPECT_EQ(r.dword(), 0xFEEF04BDu);
  r.dword();                          // structure version
  EXPECT_EQ(r.dword(), 0x00010000u);  // file version 1.0
  EXPECT_EQ(r.dword(), 0x00020000u);  // .2.0
  EXPECT_EQ(r.dword(), 0x00010000u);  // product version 1.0
  EXPECT_EQ(r.dword(), 0x00020000u);  // .2.0
  r.dword();                          // flags mask
  EXPECT_EQ(r.dword(), 0u);           // flags
  EXPECT_EQ(r.dword(), 0x40004u);     // VOS_NT_WINDOWS32
  EXPECT_EQ(r.dword(), 2u);           // VFT_DLL

  // The string table: every "key" -> "value" below "StringFileInfo"\"040904E4".
  size_t found = 0;
  const char key[] = "040904E4";
  for (size_t i = 0; i + sizeof key * 2 <= block.size(); i += 2) {
    bool match = true;
    for (size_t k = 0; k < sizeof key && match; ++k)
      match = block[i + 2 * k] == static_cast<BYTE>(key[k]) && block[i + 2 * k + 1] == 0;
    if (match) found = i;
  }
  ASSERT_NE(found, 0u) << "no string table 040904E4";
  Reader table{block, found - 6};
  size_t tableEnd = table.at + table.word();
  table.word();
  table.word();
  EXPECT_EQ(table.text(), "040904E4");
  std::map<std::string, std::string> values;
  table.align();
  while (table.at < tableEnd) {
    size_t start = table.at;
    WORD length = table.word();
    table.word();
    table.word();
    std::string name = table.text();
    table.align();
    values[name] = table.at < start + length ? table.text() : "";
    table.at = start + length;
    table.align();
  }
  std::map<std::string, std::string> expected{
      {"CompanyName", ""},
      {"FileDescription", "Vantrel AddOn for Borland C++ 5.0 (v 1.0.2)"},
      {"FileVersion", "1.0.2"},
      {"InternalName", "Vantrel"},
      {"OriginalFilename", "Vantrel.dll"},
      {"ProductName", "Vantrel AddOn for Borland C++ 5.0 (v 1.0.2)"},
      {"ProductVersion", "1.0.2"}};
  EXPECT_EQ(values, expected);
}

TEST(ResourceTest, TopicListIsItsEighteenBytesUnderAnyCaseOfItsTypeName) {
  const std::vector<BYTE> expected{0x01, 0x00, 0x00, 0x10, 0x01, 0x00, 0x00, 0x00, 0x00,
                                   0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00};
  EXPECT_EQ(resource(MAKEINTRESOURCEA(1), "MPD_TOPICLIST"), expected);
  EXPECT_EQ(resource("#1", "mpd_topiclist"), expected);
}

TEST(ResourceTest, MissingResourcesAreReportedByWhatIsMissing) {
  EXPECT_EQ(FindResourceA(nullptr, "NO_SUCH_DIALOG", RT_DIALOG), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
  EXPECT_EQ(FindResourceA(nullptr, "DLG_VANTREL", RT_MENU), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_TYPE_NOT_FOUND));
  EXPECT_EQ(FindResourceA(nullptr, "DLG_VANTRE", RT_DIALOG), nullptr);
  EXPECT_NE(FindResourceA(nullptr, "dlg_vantrel", RT_DIALOG), nullptr);
}

TEST(ResourceTest, ALoadedModuleIsSearchedForItsOwnResourcesOnly) {
  // The loader's test module carries no resources, though this program does.
  std::string plain = std::string("Z:") + VANTREL_BUILD_DIR + "/tests/modules/vwin_test_module.so";
  HMODULE module = LoadLibraryA(plain.c_str());
  ASSERT_NE(module, nullptr) << GetLastError();
  EXPECT_EQ(FindResourceA(module, "DLG_VANTREL", RT_DIALOG), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_DATA_NOT_FOUND));
  FreeLibrary(module);

  // The add-on module carries its own copy, found inside the module's mapping.
  HMODULE addon = LoadLibraryA((std::string("Z:") + VANTREL_BUILD_DIR + "/vantrel.so").c_str());
  ASSERT_NE(addon, nullptr) << GetLastError();
  HRSRC found = FindResourceA(addon, MAKEINTRESOURCEA(1), "MPD_TOPICLIST");
  ASSERT_NE(found, nullptr);
  ASSERT_EQ(SizeofResource(addon, found), 18u);
  const void* inModule = LockResource(LoadResource(addon, found));
  HRSRC own = FindResourceA(nullptr, MAKEINTRESOURCEA(1), "MPD_TOPICLIST");
  EXPECT_NE(inModule, LockResource(LoadResource(nullptr, own)));
  EXPECT_EQ(memcmp(inModule, LockResource(LoadResource(nullptr, own)), 18), 0);
  FreeLibrary(addon);
}

TEST(ResourceTest, LanguagesAreUsEnglishAndNeutralForTheTopicList) {
  std::ifstream in(std::string(VANTREL_BUILD_DIR) + "/resources/vantrel.res", std::ios::binary);
  std::vector<BYTE> res((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(res.empty());
  std::map<std::string, WORD> languages;
  for (Reader r{res}; r.at + 8 <= res.size();) {
    size_t start = r.at;
    DWORD dataSize = r.dword();
    DWORD headerSize = r.dword();
    std::string type = r.ordinalOrText();
    std::string name = r.ordinalOrText();
    r.align();
    r.dword();
    r.word();
    languages[type + "/" + name] = r.word();
    r.at = (start + headerSize + dataSize + 3) & ~size_t{3};
  }
  std::map<std::string, WORD> expected{
      {"#0/#0", 0}, {"#5/DLG_VANTREL", 0x409}, {"#16/#1", 0x409}, {"MPD_TOPICLIST/#1", 0}};
  EXPECT_EQ(languages, expected);
}

struct Control {
  DWORD style;
  DWORD exStyle;
  int x, y, cx, cy;
  int id;
  std::string cls;
  std::string text;
  bool operator==(const Control&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Control& c) {
  return out << c.id << " " << c.cls << " \"" << c.text << "\" style 0x" << std::hex << c.style
             << std::dec << " " << c.x << "," << c.y << " " << c.cx << "x" << c.cy;
}

TEST(ResourceTest, DialogTemplateHoldsTheSearchDialogAsLaidOut) {
  std::vector<BYTE> t = resource("DLG_VANTREL", RT_DIALOG);
  ASSERT_FALSE(t.empty());
  Reader r{t};
  EXPECT_EQ(r.word(), 1);       // dlgVer
  EXPECT_EQ(r.word(), 0xFFFF);  // extended template
  r.dword();                    // help id
  EXPECT_EQ(r.dword(), static_cast<DWORD>(WS_EX_DLGMODALFRAME));
  EXPECT_EQ(r.dword(),
            static_cast<DWORD>(WS_POPUP | WS_VISIBLE | WS_CAPTION | DS_MODALFRAME | DS_SETFONT));
  WORD count = r.word();
  EXPECT_EQ(count, 14);
  EXPECT_EQ(static_cast<SHORT>(r.word()), 0);
  EXPECT_EQ(static_cast<SHORT>(r.word()), 0);
  EXPECT_EQ(r.word(), 233);
  EXPECT_EQ(r.word(), 135);
  EXPECT_EQ(r.ordinalOrText(), "");  // no menu
  EXPECT_EQ(r.ordinalOrText(), "");  // the standard dialog class
  EXPECT_EQ(r.text(), "Vantrel");
  EXPECT_EQ(r.word(), 8);  // point size
  r.word();                // weight
  r.word();                // italic, charset
  EXPECT_EQ(r.text(), "MS Sans Serif");

  const DWORD child = WS_CHILD | WS_VISIBLE;
  const DWORD combo = child | CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP;
  const DWORD check = child | BS_AUTOCHECKBOX | WS_TABSTOP;
  const std::string kStatic = "#130", kButton = "#128", kCombo = "#133";
  const std::vector<Control> expected{
      {child | SS_LEFT, 0, 3, 10, 41, 8, -1, kStatic, "&Text to find"},
      {combo, 0, 44, 9, 184, 73, 101, kCombo, ""},
      {child | SS_LEFT, 0, 4, 28, 39, 8, 109, kStatic, "&File Type"},
      {combo, 0, 44, 28, 184, 73, 102, kCombo, ""},
      {child | SS_LEFT, 0, 4, 46, 39, 8, 110, kStatic, "&Directories"},
      {combo, 0, 44, 44, 184, 73, 103, kCombo, ""},
      {child | BS_GROUPBOX | WS_GROUP, 0, 3, 62, 225, 51, -1, kButton, "Options"},
      {check, 0, 8, 73, 64, 12, 104, kButton, "Case &sensitive"},
      {check, 0, 129, 73, 93, 12, 105, kButton, "&Recurse Subdirectories"},
      {check, 0, 8, 86, 77, 12, 106, kButton, "Regular &Expression"},
      {check, 0, 129, 86, 93, 12, 107, kButton, "&Asynchronous Search"},
      {check, 0, 8, 99, 87, 12, 108, kButton, "&Whole Words only"},
      {child | BS_PUSHBUTTON | BS_CENTER | WS_TABSTOP, 0, 113, 118, 50, 14, 2, kButton, "&Cancel"},
      {child | BS_DEFPUSHBUTTON | BS_CENTER | WS_TABSTOP, 0, 177, 118, 50, 14, 1, kButton, "&OK"},
  };
  std::vector<Control> controls;
  for (int i = 0; i < count; ++i) {
    r.align();
    Control c;
    r.dword();  // help id
    c.exStyle = r.dword();
    c.style = r.dword();
    c.x = static_cast<SHORT>(r.word());
    c.y = static_cast<SHORT>(r.word());
    c.cx = static_cast<SHORT>(r.word());
    c.cy = static_cast<SHORT>(r.word());
    c.id = static_cast<int>(r.dword());
    c.cls = r.ordinalOrText();
    c.text = r.ordinalOrText();
    r.at += r.word();  // creation data
    controls.push_back(c);
  }
  EXPECT_EQ(controls, expected);
  EXPECT_LE(r.at, t.size());
}

}  // namespace
