// The file size limit as stored by hand in a real registry file: the add-on's reading when a
// search starts and the host's, which names the limit on the passed-over line, are one reading
// and agree on every stored form (leading zeros, other types, out of range, too long to read).
#include "dialog/max_file_size.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "host/ide/file_size_limit.h"
#include "tests/dialog/registry_test_base.h"

namespace {

class MaxFileSizeTest : public RegistryTestBase {
 protected:
  void store(DWORD type, const std::string& bytes) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(
        RegSetValueExA(key, kMaxFileSizeValue, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                       static_cast<DWORD>(bytes.size())),
        ERROR_SUCCESS);
    RegCloseKey(key);
  }
};

std::string dword(DWORD value) { return std::string(reinterpret_cast<const char*>(&value), 4); }

TEST_F(MaxFileSizeTest, TheAddOnAndTheHostReadEveryStoredFormAlike) {
  EXPECT_EQ(readMaxFileSize(), kDefaultMaxFileSize);  // no key at all
  EXPECT_EQ(host::fileSizeLimit().source, host::FileSizeLimit::Source::kDefault);
  struct Case {
    DWORD type;
    std::string bytes;
    LONG limit;  // 0: the default applies
  };
  const Case cases[] = {
      {REG_DWORD, dword(700000), 700000},
      {REG_DWORD, dword(1), 1},
      {REG_DWORD, dword(0), 0},
      {REG_DWORD, dword(2000000001), 0},
      {REG_DWORD, "\x10\x27", 0},  // two bytes are no DWORD
      {REG_SZ, std::string("1000000", 8), 1000000},
      {REG_SZ, std::string("00000001000000", 15), 1000000},  // leading zeros, over ten digits
      {REG_SZ, "2000000000", kMaxFileSizeCeiling},           // stored without its terminator
      {REG_SZ, std::string("2000000001", 11), 0},
      {REG_SZ, std::string("99999999999999999999", 21), 0},
      {REG_SZ, std::string(40, '1'), 0},  // longer than any limit's text: not read at all
      {REG_SZ, std::string("", 1), 0},
      {REG_SZ, std::string("12 ", 4), 0},
      {REG_SZ, std::string("-5", 3), 0},
      {REG_BINARY, dword(700000), 0},
  };
  for (const Case& c : cases) {
    store(c.type, c.bytes);
    LONG expected = c.limit ? c.limit : kDefaultMaxFileSize;
    EXPECT_EQ(readMaxFileSize(), expected) << c.bytes;
    host::FileSizeLimit host = host::fileSizeLimit();
    EXPECT_EQ(host.bytes, static_cast<unsigned long>(expected)) << c.bytes;
    EXPECT_EQ(host.source, c.limit ? host::FileSizeLimit::Source::kRegistry
                                   : host::FileSizeLimit::Source::kDefault)
        << c.bytes;
  }
}

}  // namespace
