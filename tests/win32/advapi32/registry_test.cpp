// The registry on a real file: key and value semantics as Windows has them, the file's place and
// mode, setting aside a file that is not a registry, two writing processes, and a writer killed
// in the middle of its work.
//
// Child processes are forked before the parent touches the test's registry file, so no SQLite
// connection is ever carried across fork().
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "win32/advapi32/registry_override.h"
#include "win32/include/windows.h"

namespace {

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vantrel-registry-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    path_ = dir_ + "/registry.sqlite3";
    setenv("VANTREL_REGISTRY", path_.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("VANTREL_REGISTRY");
    std::string command = "rm -rf '" + dir_ + "'";
    ASSERT_EQ(system(command.c_str()), 0);
  }

  std::vector<std::string> filesInDir() {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir_.c_str())) {
      while (dirent* e = readdir(d))
        if (e->d_name[0] != '.') names.push_back(e->d_name);
      closedir(d);
    }
    return names;
  }

  std::string dir_;
  std::string path_;
};

HKEY createKey(const char* path) {
  HKEY key = nullptr;
  EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  return key;
}

LONG setText(HKEY key, const char* name, const std::string& text) {
  return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>(text.size() + 1));
}

std::string readText(HKEY key, const char* name) {
  char buffer[256] = {};
  DWORD size = sizeof buffer - 1;
  if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size) !=
      ERROR_SUCCESS)
    return "<absent>";
  return buffer;
}

TEST_F(RegistryTest, CreatesMissingParentsAndOpensKeysIgnoringCase) {
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Acme\\Tool", 0, KEY_READ, &key),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key, nullptr);

  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Acme\\Tool", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);

  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "software\\ACME\\tool", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
  RegCloseKey(key);

  HKEY parent = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\acme", 0, KEY_READ, &parent),
            ERROR_SUCCESS);
  HKEY child = nullptr;
  EXPECT_EQ(RegOpenKeyExA(parent, "TOOL", 0, KEY_READ, &child), ERROR_SUCCESS);
  RegCloseKey(child);
  RegCloseKey(parent);
  // The same path under another root is another key.
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Acme", 0, KEY_READ, &key),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "\\Software", 0, KEY_READ, &key), ERROR_BAD_PATHNAME);
  EXPECT_EQ(RegOpenKeyExA(reinterpret_cast<HKEY>(0x1234), "x", 0, KEY_READ, &key),
            ERROR_INVALID_HANDLE);
}

TEST_F(RegistryTest, QueryAnswersSizesAsWindowsDoes) {
  HKEY key = createKey("SOFTWARE\\Acme");
  ASSERT_EQ(setText(key, "Greeting", "hello"), ERROR_SUCCESS);

  DWORD type = 0, size = 0;
  ASSERT_EQ(RegQueryValueExA(key, "GREETING", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, 6u);

  BYTE small[4] = {'x', 'x', 'x', 'x'};
  size = sizeof small;
  type = 0;
  EXPECT_EQ(RegQueryValueExA(key, "greeting", nullptr, &type, small, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 6u);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));

  BYTE exact[6];
  size = sizeof exact;
  ASSERT_EQ(RegQueryValueExA(key, "Greeting", nullptr, nullptr, exact, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 6u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(exact), 6), std::string("hello\0", 6));

  EXPECT_EQ(RegQueryValueExA(key, "Greeting", nullptr, nullptr, exact, nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, &type, exact, &size), ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);
}

TEST_F(RegistryTest, ValuesKeepTheirTypeAndRawBytes) {
  HKEY key = createKey("SOFTWARE\\Acme");
  const BYTE binary[] = {0, 1, 0, 255, 0};
  ASSERT_EQ(RegSetValueExA(key, "Blob", 0, REG_BINARY, binary, sizeof binary), ERROR_SUCCESS);
  DWORD number = 0x12345678;
  ASSERT_EQ(RegSetValueExA(key, "Number", 0, REG_DWORD, reinterpret_cast<BYTE*>(&number), 4),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key, "Empty", 0, REG_SZ, nullptr, 0), ERROR_SUCCESS);
  // Setting again replaces type and bytes under the first spelling of the name.
  ASSERT_EQ(setText(key, "NUMBER", "7"), ERROR_SUCCESS);

  BYTE buffer[16];
  DWORD type = 0, size = sizeof buffer;
  ASSERT_EQ(RegQueryValueExA(key, "blob", nullptr, &type, buffer, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(std::vector<BYTE>(buffer, buffer + size), std::vector<BYTE>(binary, binary + 5));
  size = sizeof buffer;
  ASSERT_EQ(RegQueryValueExA(key, "Number", nullptr, &type, buffer, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, 2u);
  size = sizeof buffer;
  ASSERT_EQ(RegQueryValueExA(key, "Empty", nullptr, &type, buffer, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 0u);
  RegCloseKey(key);
}

// A value overridden for the process is read in place of the stored one, opens a key the file
// lacks (which a value written makes), and is never stored; removing the override shows the
// file's value again.
TEST_F(RegistryTest, OverriddenValuesAreReadButNeverStored) {
  HKEY key = createKey("SOFTWARE\\Acme");
  ASSERT_EQ(setText(key, "Limit", "7"), ERROR_SUCCESS);
  DWORD number = 600000;
  VwinOverrideRegistryValue("hkey_local_machine\\software\\ACME", "limit", REG_DWORD,
                            reinterpret_cast<BYTE*>(&number), sizeof number);
  VwinOverrideRegistryValue("HKEY_LOCAL_MACHINE\\SOFTWARE\\Nobody\\Sub", "X", REG_SZ,
                            reinterpret_cast<const BYTE*>("y"), 2);
  BYTE buffer[16];
  DWORD type = 0, size = sizeof buffer;
  ASSERT_EQ(RegQueryValueExA(key, "Limit", nullptr, &type, buffer, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(std::vector<BYTE>(buffer, buffer + size), (std::vector<BYTE>{0xC0, 0x27, 0x09, 0}));
  HKEY parent = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Nobody", 0, KEY_READ, &parent),
            ERROR_SUCCESS);
  RegCloseKey(parent);
  HKEY other = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Nobod", 0, KEY_READ, &other),
            ERROR_FILE_NOT_FOUND);
  // A key opened through an override takes a value written to it: the key is made in the file,
  // its parents with it (the add-on writes its history under the key its size limit overrides).
  HKEY sub = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Nobody\\Sub", 0, KEY_ALL_ACCESS, &sub),
            ERROR_SUCCESS);
  ASSERT_EQ(setText(sub, "Kept", "k"), ERROR_SUCCESS);
  RegCloseKey(sub);
  VwinOverrideRegistryValue("HKEY_LOCAL_MACHINE\\SOFTWARE\\Acme", "Limit", 0, nullptr, 0);
  VwinOverrideRegistryValue("HKEY_LOCAL_MACHINE\\SOFTWARE\\Nobody\\Sub", "X", 0, nullptr, 0);
  size = sizeof buffer;
  ASSERT_EQ(RegQueryValueExA(key, "Limit", nullptr, &type, buffer, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer)), "7");
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Nobody\\Sub", 0, KEY_READ, &sub),
            ERROR_SUCCESS);
  size = sizeof buffer;
  EXPECT_EQ(RegQueryValueExA(sub, "Kept", nullptr, &type, buffer, &size), ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueExA(sub, "X", nullptr, &type, buffer, &size), ERROR_FILE_NOT_FOUND);
  RegCloseKey(sub);
  RegCloseKey(key);
}

TEST_F(RegistryTest, AccessOfTheOpenKeyIsEnforced) {
  RegCloseKey(createKey("SOFTWARE\\Acme"));
  HKEY reader = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Acme", 0, KEY_READ, &reader),
            ERROR_SUCCESS);
  EXPECT_EQ(setText(reader, "x", "y"), ERROR_ACCESS_DENIED);
  RegCloseKey(reader);
  HKEY writer = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Acme", 0, KEY_SET_VALUE, &writer),
            ERROR_SUCCESS);
  EXPECT_EQ(setText(writer, "x", "y"), ERROR_SUCCESS);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(writer, "x", nullptr, nullptr, nullptr, &size), ERROR_ACCESS_DENIED);
  RegCloseKey(writer);
}

TEST_F(RegistryTest, FileIsPrivateToTheUserAndFoundThroughXdgConfigHome) {
  RegCloseKey(createKey("SOFTWARE\\Acme"));
  struct stat st;
  ASSERT_EQ(stat(path_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  unsetenv("VANTREL_REGISTRY");
  std::string config = dir_ + "/config";
  setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  mode_t old = umask(0);  // the mode must not depend on the umask
  HKEY key = createKey("SOFTWARE\\Elsewhere");
  umask(old);
  unsetenv("XDG_CONFIG_HOME");
  RegCloseKey(key);
  ASSERT_EQ(stat((config + "/vantrel/registry.sqlite3").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  ASSERT_EQ(stat((config + "/vantrel").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(RegistryTest, AnUnusablePlaceFailsEveryCallWithoutHarm) {
  setenv("VANTREL_REGISTRY", "/proc/self/no-such-dir/registry.sqlite3", 1);
  HKEY key = nullptr;
  EXPECT_NE(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Acme", 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(key, nullptr);
  EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, &key), ERROR_SUCCESS);
  DWORD size = 0;
  EXPECT_NE(RegQueryValueExA(HKEY_LOCAL_MACHINE, "x", nullptr, nullptr, nullptr, &size),
            ERROR_SUCCESS);
  // Back at a usable place, the registry works again.
  setenv("VANTREL_REGISTRY", path_.c_str(), 1);
  key = createKey("SOFTWARE\\Acme");
  EXPECT_EQ(setText(key, "v", "w"), ERROR_SUCCESS);
  RegCloseKey(key);
}

void expectSetAside(RegistryTest* test, const std::string& dir, const std::string& path,
                    const std::string& original) {
  (void)test;
  testing::internal::CaptureStderr();
  HKEY key = createKey("SOFTWARE\\Acme");
  EXPECT_EQ(setText(key, "After", "fresh"), ERROR_SUCCESS);
  EXPECT_EQ(readText(key, "After"), "fresh");
  RegCloseKey(key);
  std::string told = testing::internal::GetCapturedStderr();
  EXPECT_NE(told.find(path), std::string::npos) << told;
  EXPECT_EQ(told.find('\n'), told.size() - 1) << "told once: " << told;

  std::string asideName;
  DIR* d = opendir(dir.c_str());
  while (dirent* e = readdir(d))
    if (std::string(e->d_name).find(".damaged-") != std::string::npos &&
        std::string(e->d_name).find("-wal") == std::string::npos &&
        std::string(e->d_name).find("-shm") == std::string::npos)
      asideName = e->d_name;
  closedir(d);
  ASSERT_FALSE(asideName.empty());
  EXPECT_NE(told.find(asideName), std::string::npos);
  std::ifstream kept(dir + "/" + asideName, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(kept)), std::istreambuf_iterator<char>());
  EXPECT_EQ(bytes, original) << "the foreign file must be kept untouched";
}

TEST_F(RegistryTest, AFileThatIsNotARegistryIsKeptAsideAndANewOneStarted) {
  std::string garbage(5000, 'G');
  garbage.replace(0, 16, "not a database!!");
  std::ofstream(path_, std::ios::binary) << garbage;
  expectSetAside(this, dir_, path_, garbage);
}

TEST_F(RegistryTest, AnotherProgramsDatabaseIsKeptAside) {
  // A valid SQLite file without our mark: a registry file whose application id (header offset
  // 68) is patched to another program's, after the connection moved to a third file.
  std::string other = dir_ + "/other.sqlite3";
  std::string third = dir_ + "/third.sqlite3";
  setenv("VANTREL_REGISTRY", other.c_str(), 1);
  RegCloseKey(createKey("SOFTWARE\\Other"));
  setenv("VANTREL_REGISTRY", third.c_str(), 1);
  HKEY probe = nullptr;
  RegOpenKeyExA(HKEY_LOCAL_MACHINE, "x", 0, KEY_READ, &probe);  // closes `other`
  setenv("VANTREL_REGISTRY", path_.c_str(), 1);
  std::fstream f(other, std::ios::in | std::ios::out | std::ios::binary);
  f.seekp(68);
  f.write("ABCD", 4);
  f.close();
  std::ifstream in(other, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  in.close();
  ASSERT_EQ(rename(other.c_str(), path_.c_str()), 0);
  expectSetAside(this, dir_, path_, bytes);
}

// Each child sets `count` values of its own into one key and exits 0 only if every set succeeded.
pid_t spawnWriter(const char* prefix, int count) {
  pid_t pid = fork();
  if (pid != 0) return pid;
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Shared", 0, nullptr, 0, KEY_ALL_ACCESS,
                      nullptr, &key, nullptr) != ERROR_SUCCESS)
    _exit(2);
  for (int i = 0; i < count; ++i) {
    std::string name = std::string(prefix) + std::to_string(i);
    if (setText(key, name.c_str(), "value of " + name) != ERROR_SUCCESS) _exit(1);
  }
  RegCloseKey(key);
  _exit(0);
}

TEST_F(RegistryTest, TwoProcessesWritingAtOnceLoseNothing) {
  constexpr int kCount = 150;
  pid_t a = spawnWriter("a", kCount);
  pid_t b = spawnWriter("b", kCount);
  int statusA = 0, statusB = 0;
  ASSERT_EQ(waitpid(a, &statusA, 0), a);
  ASSERT_EQ(waitpid(b, &statusB, 0), b);
  EXPECT_TRUE(WIFEXITED(statusA) && WEXITSTATUS(statusA) == 0);
  EXPECT_TRUE(WIFEXITED(statusB) && WEXITSTATUS(statusB) == 0);

  testing::internal::CaptureStderr();
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Shared", 0, KEY_READ, &key),
            ERROR_SUCCESS);
  for (const char* prefix : {"a", "b"})
    for (int i = 0; i < kCount; ++i) {
      std::string name = std::string(prefix) + std::to_string(i);
      EXPECT_EQ(readText(key, name.c_str()), "value of " + name);
    }
  RegCloseKey(key);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "the file must still be sound";
}

TEST_F(RegistryTest, AWriterKilledMidWayLosesNoCompletedWrite) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Killed", 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
      _exit(2);
    std::string big(1500,
                    'x');  // large values keep the writer inside SQLite's I/O most of the time
    for (int i = 0;; ++i) {
      std::string name = "v" + std::to_string(i);
      if (setText(key, name.c_str(), big + name) != ERROR_SUCCESS) _exit(1);
      if (write(fds[1], &i, sizeof i) != sizeof i) _exit(3);
    }
  }
  close(fds[1]);
  int last = -1, i;
  while (last < 120 && read(fds[0], &i, sizeof i) == sizeof i) last = i;
  kill(pid, SIGKILL);
  // Writes reported after our decision still count as completed.
  int status;
  waitpid(pid, &status, 0);
  while (read(fds[0], &i, sizeof i) == sizeof i) last = i;
  close(fds[0]);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the writer failed on its own: " << status;
  ASSERT_GE(last, 120);

  testing::internal::CaptureStderr();
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Killed", 0, KEY_READ, &key),
            ERROR_SUCCESS);
  std::string big(1500, 'x');
  for (int n = 0; n <= last; ++n) {
    std::string name = "v" + std::to_string(n);
    char buffer[2000];
    DWORD size = sizeof buffer;
    ASSERT_EQ(RegQueryValueExA(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer),
                               &size),
              ERROR_SUCCESS)
        << name;
    EXPECT_EQ(std::string(buffer), big + name);
  }
  RegCloseKey(key);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "the file must still be sound";
  for (const std::string& name : filesInDir())
    EXPECT_EQ(name.find("damaged"), std::string::npos) << name;
}

// A registry that cannot grow (a full disk; here the file size limit) is still read, and a write
// fails whole with one line on stderr.
TEST_F(RegistryTest, ARegistryThatCannotGrowIsReadAndSaysOnceThatNothingIsSaved) {
  pid_t pid = fork();
  if (pid == 0) {
    HKEY key = createKey("SOFTWARE\\Acme");
    _exit(setText(key, "Kept", "old") == ERROR_SUCCESS ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_EQ(status, 0);
  std::string errFile = dir_ + "/stderr";
  pid = fork();
  if (pid == 0) {
    // Room for the files as they are (SQLite rebuilds the -shm in place), none to grow the -wal.
    rlim_t size = 0;
    for (const char* suffix : {"", "-wal", "-shm"}) {
      struct stat st;
      if (stat((path_ + suffix).c_str(), &st) != 0) _exit(3);
      size = std::max(size, static_cast<rlim_t>(st.st_size));
    }
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{size, size};
    setrlimit(RLIMIT_FSIZE, &limit);
    int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (err < 0 || dup2(err, 2) != 2) _exit(3);
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Acme", 0, KEY_ALL_ACCESS, &key) !=
            ERROR_SUCCESS ||
        readText(key, "Kept") != "old")
      _exit(4);
    if (setText(key, "New", std::string(3 * size, 'x')) == ERROR_SUCCESS) _exit(5);
    if (setText(key, "Newer", std::string(3 * size, 'y')) == ERROR_SUCCESS) _exit(6);
    _exit(readText(key, "Kept") == "old" ? 0 : 7);
  }
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
      << "child step " << WEXITSTATUS(status);
  std::ifstream errors(errFile);
  std::string text((std::istreambuf_iterator<char>(errors)), std::istreambuf_iterator<char>());
  std::string told =
      "vantrel: settings will not be saved: the registry " + path_ + " cannot be written (";
  EXPECT_EQ(text.substr(0, told.size()), told);
  EXPECT_EQ(text.find('\n'), text.size() - 1) << "told once: " << text;
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Acme", 0, KEY_READ, &key), ERROR_SUCCESS);
  EXPECT_EQ(readText(key, "New"), "<absent>");
  RegCloseKey(key);
}

}  // namespace
