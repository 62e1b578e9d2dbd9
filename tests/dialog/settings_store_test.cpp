// The settings store on a real registry file: history lists, their pushes, the option word, values
// put there by hand (other types, gaps, oversized texts) and two processes pushing at once.
#include "dialog/settings_store.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/dialog/registry_test_base.h"

namespace {

class SettingsStoreTest : public RegistryTestBase {};

std::vector<std::string> history(const char* pattern) {
  static HistoryList list;  // 7.5 KB: kept off the stack of the test
  readHistory(pattern, &list);
  return std::vector<std::string>(list.entries, list.entries + list.count);
}

void pushAll(const char* pattern, const std::vector<std::string>& texts) {
  for (const std::string& text : texts) pushHistory(pattern, text.c_str());
}

bool keyExists() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

// Stores raw bytes under the add-on's key, as a user editing the registry by hand would.
void storeRaw(const char* name, DWORD type, const std::string& bytes) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                           static_cast<DWORD>(bytes.size())),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

std::string storedRaw(const char* name, DWORD* type) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return "<no key>";
  char buffer[64];
  DWORD size = sizeof buffer;
  LONG result = RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(key);
  return result == ERROR_SUCCESS ? std::string(buffer, size) : "<absent>";
}

TEST_F(SettingsStoreTest, EmptyRegistryReadsAsNothingAndOnlyAWriteCreatesTheKey) {
  EXPECT_TRUE(history(kTextToFindPattern).empty());
  EXPECT_TRUE(history(kFileMaskPattern).empty());
  EXPECT_TRUE(history(kDirectoriesPattern).empty());
  EXPECT_EQ(readOptions(), 0);
  char text[kSettingSize] = "untouched";
  EXPECT_FALSE(readSetting(kOptionsValue, text));
  EXPECT_STREQ(text, "untouched");
  EXPECT_FALSE(keyExists());

  pushHistory(kTextToFindPattern, "first");
  EXPECT_TRUE(keyExists());
  EXPECT_EQ(history(kTextToFindPattern), std::vector<std::string>{"first"});
  DWORD type = 0;
  EXPECT_EQ(storedRaw("TextToFind1", &type), std::string("first\0", 6));
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
}

TEST_F(SettingsStoreTest, PushMovesAnExistingEntryToTheTopAndKeepsTheRest) {
  pushAll(kFileMaskPattern, {"e5", "e4", "e3", "e2", "e1"});
  ASSERT_EQ(history(kFileMaskPattern), (std::vector<std::string>{"e1", "e2", "e3", "e4", "e5"}));
  pushHistory(kFileMaskPattern, "e3");
  EXPECT_EQ(history(kFileMaskPattern), (std::vector<std::string>{"e3", "e1", "e2", "e4", "e5"}));
  pushHistory(kFileMaskPattern, "e3");
  EXPECT_EQ(history(kFileMaskPattern), (std::vector<std::string>{"e3", "e1", "e2", "e4", "e5"}));
  // Letter case makes another entry; neither push removes the other spelling.
  pushHistory(kFileMaskPattern, "E3");
  EXPECT_EQ(history(kFileMaskPattern),
            (std::vector<std::string>{"E3", "e3", "e1", "e2", "e4", "e5"}));
  pushHistory(kFileMaskPattern, "e3");
  EXPECT_EQ(history(kFileMaskPattern),
            (std::vector<std::string>{"e3", "E3", "e1", "e2", "e4", "e5"}));
}

TEST_F(SettingsStoreTest, AFullListDropsItsOldestEntry) {
  std::vector<std::string> texts;
  for (int i = 1; i <= 15; ++i) texts.push_back("t" + std::to_string(i));
  pushAll(kDirectoriesPattern, texts);
  EXPECT_EQ(countHistoryEntries(kDirectoriesPattern), 15);
  pushHistory(kDirectoriesPattern, "new");
  std::vector<std::string> expected{"new"};
  for (int i = 15; i >= 2; --i) expected.push_back("t" + std::to_string(i));
  EXPECT_EQ(history(kDirectoriesPattern), expected);
  // Entries outside 1..15 are never read or written.
  writeHistoryEntry(kDirectoriesPattern, 16, "beyond");
  writeHistoryEntry(kDirectoriesPattern, 0, "before");
  DWORD type;
  EXPECT_EQ(storedRaw("Directories16", &type), "<absent>");
  EXPECT_EQ(storedRaw("Directories0", &type), "<absent>");
  storeRaw("Directories16", REG_SZ, std::string("by hand\0", 8));
  EXPECT_EQ(readHistoryEntry(kDirectoriesPattern, 16, nullptr), 0);
  EXPECT_EQ(countHistoryEntries(kDirectoriesPattern), 15);
}

TEST_F(SettingsStoreTest, OptionsAreStoredAsDecimalText) {
  DWORD type = 0;
  for (WORD options : {3, 31, 0}) {
    ASSERT_TRUE(writeOptions(options));
    std::string text = std::to_string(options);
    EXPECT_EQ(storedRaw("Options", &type), text + '\0');
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(readOptions(), options);
  }
}

TEST_F(SettingsStoreTest, OptionsTextsWrittenByHandParseLikeADecimalNumber) {
  const std::pair<const char*, WORD> cases[] = {
      {"abc12", 0}, {"70000", 70000 & 0xffff}, {"  +17xyz", 17}, {"", 0}, {"-1", 0xffff}};
  for (const auto& [text, expected] : cases) {
    storeRaw("Options", REG_SZ, std::string(text) + '\0');
    EXPECT_EQ(readOptions(), expected) << text;
  }
  // Other types are their raw bytes: a DWORD 7 is no digit, binary "12" loses its last byte.
  DWORD seven = 7;
  storeRaw("Options", REG_DWORD, std::string(reinterpret_cast<char*>(&seven), 4));
  EXPECT_EQ(readOptions(), 0);
  storeRaw("Options", REG_BINARY, "12");
  EXPECT_EQ(readOptions(), 1);
}

TEST_F(SettingsStoreTest, HandMadeValuesAreReadAsTheStoreReadsAnyValue) {
  // A gap after entry 1: two entries counted, only entry 1 shown.
  storeRaw("TextToFind1", REG_SZ, std::string("one\0", 4));
  storeRaw("TextToFind3", REG_SZ, std::string("three\0", 6));
  EXPECT_EQ(countHistoryEntries(kTextToFindPattern), 2);
  EXPECT_EQ(history(kTextToFindPattern), std::vector<std::string>{"one"});

  // A text without terminator loses its last character; an empty value is no entry.
  storeRaw("FileMask1", REG_SZ, "hello");
  storeRaw("FileMask2", REG_SZ, "");
  char text[kSettingSize];
  EXPECT_EQ(readHistoryEntry(kFileMaskPattern, 1, text), 'h');
  EXPECT_STREQ(text, "hell");
  EXPECT_EQ(readHistoryEntry(kFileMaskPattern, 2, text), 0);

  // 1999 bytes fit the scratch buffer and are cut to 499 characters; 2000 bytes read as absent.
  std::string long1999(1998, 'L');
  storeRaw("Directories1", REG_SZ, long1999 + '\0');
  storeRaw("Directories2", REG_SZ, std::string(1999, 'M') + '\0');
  std::fill(text, text + kSettingSize, '#');
  EXPECT_EQ(readHistoryEntry(kDirectoriesPattern, 1, text), 'L');
  EXPECT_EQ(std::string(text), std::string(499, 'L'));
  EXPECT_EQ(readHistoryEntry(kDirectoriesPattern, 2, nullptr), 0);
  EXPECT_EQ(countHistoryEntries(kDirectoriesPattern), 1);
}

TEST_F(SettingsStoreTest, TwoProcessesPushingAtOnceLoseNothing) {
  auto pusher = [](const char* pattern, const char* prefix) {
    pid_t pid = fork();
    if (pid != 0) return pid;
    for (int i = 0; i < 20; ++i) pushHistory(pattern, (prefix + std::to_string(i)).c_str());
    _exit(0);
  };
  pid_t a = pusher(kTextToFindPattern, "a");
  pid_t b = pusher(kFileMaskPattern, "b");
  int status;
  ASSERT_EQ(waitpid(a, &status, 0), a);
  EXPECT_EQ(status, 0);
  ASSERT_EQ(waitpid(b, &status, 0), b);
  EXPECT_EQ(status, 0);
  std::vector<std::string> expectedA, expectedB;
  for (int i = 19; i >= 5; --i) {
    expectedA.push_back("a" + std::to_string(i));
    expectedB.push_back("b" + std::to_string(i));
  }
  EXPECT_EQ(history(kTextToFindPattern), expectedA);
  EXPECT_EQ(history(kFileMaskPattern), expectedB);
}

}  // namespace
