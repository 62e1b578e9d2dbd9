// The drive mapping both ways on real directories: drives, separators, "." and "..", lookup of
// names without case, over-long paths; the current directory, environment variables and file
// attributes in Windows form.
#include "win32/kernel32/paths.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/win32/kernel32/code_page.h"
#include "win32/include/winbase.h"

namespace {

namespace fs = std::filesystem;

class PathsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vantrel-paths-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    char real[PATH_MAX];
    ASSERT_NE(realpath(pattern, real), nullptr);
    root = real;
    fs::create_directories(root + "/Sub/Deeper");
    touch(root + "/Sub/file.txt");
    savedCwd = fs::current_path();
    if (const char* drives = getenv("VANTREL_DRIVES")) savedDrives = drives;
    setenv("VANTREL_DRIVES", ("c=" + root + "/;Q=relative;D=" + root + "/Sub").c_str(), 1);
    VwinReloadDrives();
  }
  void TearDown() override {
    fs::current_path(savedCwd);
    VwinSyncCurrentDirectory();
    if (savedDrives.empty())
      unsetenv("VANTREL_DRIVES");
    else
      setenv("VANTREL_DRIVES", savedDrives.c_str(), 1);
    VwinReloadDrives();
    fs::remove_all(root);
  }
  static void touch(const std::string& path) { std::ofstream(path) << "x"; }

  std::string toPosix(const std::string& windows) {
    char out[4096];
    if (!VwinToPosixPath(windows.c_str(), out, sizeof out))
      return "error " + std::to_string(GetLastError());
    return out;
  }
  std::string toWindows(const std::string& posix) {
    char out[MAX_PATH];
    DWORD length = VwinToWindowsPath(posix.c_str(), out, sizeof out);
    if (length == 0) return "error " + std::to_string(GetLastError());
    EXPECT_EQ(length, strlen(out));
    return out;
  }

  std::string root;
  fs::path savedCwd;
  std::string savedDrives;
};

std::string error(DWORD code) { return "error " + std::to_string(code); }

TEST_F(PathsTest, DrivesSeparatorsAndDots) {
  EXPECT_EQ(toPosix("C:\\Sub\\file.txt"), root + "/Sub/file.txt");
  EXPECT_EQ(toPosix("c:/Sub\\\\file.txt"), root + "/Sub/file.txt");
  EXPECT_EQ(toPosix("C:\\"), root);
  EXPECT_EQ(toPosix("C:\\Sub\\.\\Deeper\\..\\file.txt"), root + "/Sub/file.txt");
  // ".." never leaves the drive.
  EXPECT_EQ(toPosix("C:\\..\\..\\Sub"), root + "/Sub");
  EXPECT_EQ(toPosix("D:\\file.txt"), root + "/Sub/file.txt");
  EXPECT_EQ(toPosix("Z:\\"), "/");
  EXPECT_EQ(toPosix("z:\\tmp\\..\\etc"), "/etc");
  // A drive with a relative directory is ignored, as is any unknown drive; UNC names no drive.
  EXPECT_EQ(toPosix("Q:\\x"), error(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(toPosix("E:\\x"), error(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(toPosix("\\\\server\\share\\x"), error(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(toPosix(""), error(ERROR_PATH_NOT_FOUND));
}

TEST_F(PathsTest, MissingComponentsAreFoundWithoutCase) {
  EXPECT_EQ(toPosix("C:\\SUB\\DEEPER"), root + "/Sub/Deeper");
  EXPECT_EQ(toPosix("C:\\sub\\FILE.TXT"), root + "/Sub/file.txt");
  // Several names fit: the first in byte order, unless one is spelled exactly.
  touch(root + "/abc");
  touch(root + "/ABC");
  touch(root + "/Abc");
  EXPECT_EQ(toPosix("C:\\aBc"), root + "/ABC");
  EXPECT_EQ(toPosix("C:\\abc"), root + "/abc");
  // What cannot be found stays as spelled, and so does everything after it.
  EXPECT_EQ(toPosix("C:\\SUB\\Missing\\FILE.TXT"), root + "/Sub/Missing/FILE.TXT");
  EXPECT_EQ(toPosix("C:\\sub\\file.txt\\x"), root + "/Sub/file.txt/x");
  // Letters beyond ASCII fold as the ANSI code page folds them.
  fs::create_directories(root + "/caf\xC3\xA9/\xD0\xBF\xD1\x80\xD0\xB8");
  touch(root + "/na\xEFve");
  {
    ScopedCodePage utf8(CP_UTF8);
    EXPECT_EQ(toPosix("C:\\CAF\xC3\x89\\\xD0\x9F\xD0\xA0\xD0\x98"),
              root + "/caf\xC3\xA9/\xD0\xBF\xD1\x80\xD0\xB8");
  }
  ScopedCodePage windows1252(1252);
  EXPECT_EQ(toPosix("C:\\NA\xCFVE"), root + "/na\xEFve");
}

TEST_F(PathsTest, SpelledMappingLooksNothingUpButChecksTheSame) {
  auto spelled = [](const std::string& windows) {
    char out[4096];
    if (!VwinToPosixPathAsSpelled(windows.c_str(), out, sizeof out))
      return "error " + std::to_string(GetLastError());
    return std::string(out);
  };
  // Where the names exist as spelled, the same answer as the full mapping.
  EXPECT_EQ(spelled("C:\\Sub\\.\\Deeper\\..\\file.txt"), toPosix("C:\\Sub\\file.txt"));
  fs::current_path(root);
  VwinSyncCurrentDirectory();
  EXPECT_EQ(spelled(".\\Sub\\file.txt"), root + "/Sub/file.txt");
  // Other letter case is left as it stands, for the caller to fall back on the full mapping.
  EXPECT_EQ(spelled("C:\\SUB\\FILE.TXT"), root + "/SUB/FILE.TXT");
  EXPECT_EQ(toPosix("C:\\SUB\\FILE.TXT"), root + "/Sub/file.txt");
  // Refused alike: unknown drives and paths of MAX_PATH characters.
  EXPECT_EQ(spelled("E:\\x"), error(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(spelled("C:\\" + std::string(MAX_PATH, 'a')), error(ERROR_FILENAME_EXCED_RANGE));
}

TEST_F(PathsTest, PathsOfMaxPathCharactersAreRefusedNeverCut) {
  std::string name(MAX_PATH - 4, 'n');  // "C:\" + name = 259 characters
  EXPECT_EQ(toPosix("C:\\" + name), root + "/" + name);
  EXPECT_EQ(toPosix("C:\\" + name + "x"), error(ERROR_FILENAME_EXCED_RANGE));
  // Dots that shorten the path do not let a long text in.
  EXPECT_EQ(toPosix("C:\\a\\..\\" + name), error(ERROR_FILENAME_EXCED_RANGE));
  // A relative path counts with the directory it is relative to ("D:\Deeper\").
  fs::current_path(root + "/Sub/Deeper");
  VwinSyncCurrentDirectory();
  std::string relative(MAX_PATH - 11, 'r');
  EXPECT_EQ(toPosix(relative), root + "/Sub/Deeper/" + relative);
  EXPECT_EQ(toPosix(relative + "r"), error(ERROR_FILENAME_EXCED_RANGE));

  char small[8];
  EXPECT_FALSE(VwinToPosixPath("C:\\Sub", small, sizeof small));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

TEST_F(PathsTest, RelativeAndRootedPathsUseTheCurrentDirectory) {
  fs::current_path(root + "/Sub/Deeper");
  VwinSyncCurrentDirectory();
  // The current directory is on D: (its directory is the longest prefix).
  EXPECT_EQ(toPosix("..\\FILE.txt"), root + "/Sub/file.txt");
  EXPECT_EQ(toPosix("."), root + "/Sub/Deeper");
  EXPECT_EQ(toPosix("\\file.txt"), root + "/Sub/file.txt");
  EXPECT_EQ(toPosix("d:deeper"), root + "/Sub/Deeper/deeper");
  EXPECT_EQ(toPosix("C:sub"), root + "/Sub");  // another drive: from its root
}

TEST_F(PathsTest, WindowsFormTakesTheLongestDrivePrefix) {
  EXPECT_EQ(toWindows(root + "/Sub/Deeper/x.c"), "D:\\Deeper\\x.c");
  EXPECT_EQ(toWindows(root + "/Sub"), "D:\\");
  EXPECT_EQ(toWindows(root + "//other/./y/../z"), "C:\\other\\z");
  EXPECT_EQ(toWindows(root), "C:\\");
  // A name that merely begins like a drive's directory is not on that drive.
  EXPECT_EQ(toWindows(root + "/Subway"), "C:\\Subway");
  std::string outside = root + "x/a";
  std::string expected = "Z:" + outside;
  for (char& c : expected)
    if (c == '/') c = '\\';
  EXPECT_EQ(toWindows(outside), expected);
  EXPECT_EQ(toWindows("/"), "Z:\\");
  EXPECT_EQ(toWindows("relative/x"), error(ERROR_INVALID_NAME));
  EXPECT_EQ(toWindows("/back\\slash"), error(ERROR_INVALID_NAME));
  EXPECT_EQ(toWindows("/" + std::string(MAX_PATH, 'l')), error(ERROR_FILENAME_EXCED_RANGE));

  char small[4];
  EXPECT_EQ(VwinToWindowsPath(root.c_str(), small, sizeof small), 3u);
  EXPECT_EQ(VwinToWindowsPath((root + "/a").c_str(), small, sizeof small), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
}

TEST_F(PathsTest, CurrentDirectoryInDriveFormWithWindowsSizes) {
  fs::current_path(root + "/Sub/Deeper");
  VwinSyncCurrentDirectory();
  char buffer[MAX_PATH];
  EXPECT_EQ(GetCurrentDirectoryA(sizeof buffer, buffer), 9u);
  EXPECT_STREQ(buffer, "D:\\Deeper");
  char tiny[9] = "unused";
  EXPECT_EQ(GetCurrentDirectoryA(sizeof tiny, tiny), 10u);  // needed, with the terminator
  EXPECT_STREQ(tiny, "unused");
  EXPECT_EQ(GetCurrentDirectoryA(0, nullptr), 10u);
  fs::current_path(root);
  VwinSyncCurrentDirectory();
  EXPECT_EQ(GetCurrentDirectoryA(sizeof buffer, buffer), 3u);
  EXPECT_STREQ(buffer, "C:\\");
}

TEST_F(PathsTest, OpenablePathsStayRelativeInsideTheCurrentDirectory) {
  auto openable = [](const std::string& windows) {
    char out[4096];
    if (!VwinToOpenablePath(windows.c_str(), out, sizeof out))
      return "error " + std::to_string(GetLastError());
    return std::string(out);
  };
  fs::current_path(root + "/Sub/Deeper");  // D:\Deeper
  VwinSyncCurrentDirectory();
  touch(root + "/Sub/Deeper/x.c");
  EXPECT_EQ(openable(".\\x.c"), "x.c");
  EXPECT_EQ(openable("a\\..\\x.c"), "x.c");
  EXPECT_EQ(openable("."), ".");
  // Leaving the directory, naming a drive or a root: the absolute form, as spelled. ".." never
  // goes above a drive's root, where the system's ".." would.
  EXPECT_EQ(openable("..\\file.txt"), root + "/Sub/file.txt");
  EXPECT_EQ(openable("..\\..\\file.txt"), root + "/Sub/file.txt");
  EXPECT_EQ(openable("C:\\SUB\\file.txt"), root + "/SUB/file.txt");
  EXPECT_EQ(openable("\\file.txt"), root + "/Sub/file.txt");
  // The whole path's length still counts, the current directory's ("D:\Deeper") included.
  EXPECT_EQ(openable(std::string(MAX_PATH - 11, 'n')), std::string(MAX_PATH - 11, 'n'));
  EXPECT_EQ(openable(std::string(MAX_PATH - 10, 'n')), error(ERROR_FILENAME_EXCED_RANGE));
  fs::current_path(root);  // C:\ itself
  VwinSyncCurrentDirectory();
  EXPECT_EQ(openable(std::string(MAX_PATH - 4, 'n')), std::string(MAX_PATH - 4, 'n'));
  EXPECT_EQ(openable(std::string(MAX_PATH - 3, 'n')), error(ERROR_FILENAME_EXCED_RANGE));
  fs::current_path(root + "/Sub/Deeper");
  VwinSyncCurrentDirectory();
  // What the system opens through the relative form is the file the full mapping names.
  std::ifstream in(openable("x.c"));
  std::string text;
  in >> text;
  EXPECT_EQ(text, "x");

  // The full form's length, which FindFirstFileA's MAX_PATH rule uses, from the same reading.
  struct {
    const char* path;
    const char* fullForm;
  } const forms[] = {
      {"x.c", "D:\\Deeper\\x.c"},
      {".", "D:\\Deeper"},
      {"a\\..\\.\\x.c", "D:\\Deeper\\x.c"},
      {"..\\file.txt", "D:\\file.txt"},
      {"..\\..\\..", "D:\\"},
      {"\\file.txt", "D:\\file.txt"},
      {"d:deeper", "D:\\Deeper\\deeper"},
      {"C:sub", "C:\\sub"},
      {"c:\\Sub\\.\\x\\", "C:\\Sub\\x"},
      {"C:", "C:\\"},
  };
  for (const auto& form : forms) {
    char out[4096];
    size_t length = 0;
    EXPECT_TRUE(vwin::toOpenablePath(form.path, out, sizeof out, &length)) << form.path;
    EXPECT_EQ(length, strlen(form.fullForm)) << form.path;
  }

  // In a walk's order: a directory, then its files, each answered from the directory's mapping
  // as long as nothing it depends on moved. Every answer, and its full form's length, is the
  // whole mapping's: across forms, prefixes that differ in case only, "." and ".." as last
  // names, the MAX_PATH rule, a move of the current directory and a new drive table.
  std::string fill(MAX_PATH - 17, 'f');  // "D:\Deeper\sub\" + fill + ".c": MAX_PATH - 1
  struct Step {
    const char* chdirTo;  // under root, before the step; nullptr: stay
    const char* drives;   // VANTREL_DRIVES before the step; nullptr: as it is
    bool openableForm;    // else as spelled
    std::string path;
    std::string posix;  // "error N" for a failure
    size_t fullLength;  // 0: not checked
  } const steps[] = {
      {nullptr, nullptr, true, "sub\\", "sub", 13},
      {nullptr, nullptr, true, "sub\\a.c", "sub/a.c", 17},
      {nullptr, nullptr, false, "sub\\a.c", root + "/Sub/Deeper/sub/a.c", 0},
      {nullptr, nullptr, true, "sub\\b.c", "sub/b.c", 17},
      {nullptr, nullptr, true, "SUB\\b.c", "SUB/b.c", 17},
      {nullptr, nullptr, true, "sub\\x\\", "sub/x", 15},
      {nullptr, nullptr, true, "sub\\b.c", "sub/b.c", 17},
      {nullptr, nullptr, true, "sub\\..", ".", 9},
      {nullptr, nullptr, true, "sub\\.", "sub", 13},
      {nullptr, nullptr, true, "sub\\" + fill + ".c", "sub/" + fill + ".c", MAX_PATH - 1},
      {nullptr, nullptr, true, "sub\\" + fill + ".cc", error(ERROR_FILENAME_EXCED_RANGE), 0},
      {nullptr, nullptr, true, ".\\x.c", "x.c", 13},
      {nullptr, nullptr, true, ".\\", ".", 9},
      {nullptr, nullptr, false, ".\\x.c", root + "/Sub/Deeper/x.c", 0},
      {"", nullptr, false, ".\\y.c", root + "/y.c", 0},
      {nullptr, nullptr, true, ".\\x.c", "x.c", 6},
      {nullptr, nullptr, true, "Sub\\x.c", "Sub/x.c", 10},
      {nullptr, nullptr, true, "C:\\Sub\\x.c", root + "/Sub/x.c", 10},
      {"/Sub", nullptr, true, "C:\\Sub\\y.c", root + "/Sub/y.c", 10},
      {nullptr, nullptr, true, "C:\\Sub\\", root + "/Sub", 6},
      {nullptr, nullptr, true, "Z:\\", "/", 3},
      {nullptr, nullptr, true, "Z:\\y.c", "/y.c", 6},
      {nullptr, nullptr, true, "C:\\Sub\\x.c", root + "/Sub/x.c", 10},
      {nullptr, "C=/elsewhere", true, "C:\\Sub\\y.c", "/elsewhere/Sub/y.c", 10},
  };
  fs::current_path(root + "/Sub/Deeper");
  VwinSyncCurrentDirectory();
  for (const Step& step : steps) {
    if (step.chdirTo) {
      fs::current_path(root + step.chdirTo);
      VwinSyncCurrentDirectory();
    }
    if (step.drives) {
      setenv("VANTREL_DRIVES", step.drives, 1);
      VwinReloadDrives();
    }
    char out[4096];
    size_t length = 0;
    BOOL mapped = step.openableForm
                      ? vwin::toOpenablePath(step.path.c_str(), out, sizeof out, &length)
                      : VwinToPosixPathAsSpelled(step.path.c_str(), out, sizeof out);
    EXPECT_EQ(mapped ? std::string(out) : error(GetLastError()), step.posix) << step.path;
    if (step.fullLength) {
      EXPECT_EQ(length, step.fullLength) << step.path;
    }
  }
}

TEST_F(PathsTest, SetCurrentDirectoryMovesTheProcessAndRelativePathsFollow) {
  // Looked up without case, as any path; shown on the drive whose directory fits best.
  ASSERT_TRUE(SetCurrentDirectoryA("c:\\sub\\deeper"));
  char buffer[MAX_PATH];
  EXPECT_EQ(GetCurrentDirectoryA(sizeof buffer, buffer), 9u);
  EXPECT_STREQ(buffer, "D:\\Deeper");
  EXPECT_EQ(fs::current_path(), fs::path(root + "/Sub/Deeper"));
  EXPECT_EQ(toPosix("x.c"), root + "/Sub/Deeper/x.c");
  EXPECT_EQ(toPosix("..\\file.txt"), root + "/Sub/file.txt");

  // Failures leave the directory where it was.
  EXPECT_FALSE(SetCurrentDirectoryA("..\\file.txt"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIRECTORY));
  EXPECT_FALSE(SetCurrentDirectoryA("C:\\Missing"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_FALSE(SetCurrentDirectoryA(("C:\\" + std::string(MAX_PATH, 'x')).c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
  EXPECT_STREQ((GetCurrentDirectoryA(sizeof buffer, buffer), buffer), "D:\\Deeper");
  EXPECT_EQ(fs::current_path(), fs::path(root + "/Sub/Deeper"));

  // A chdir behind the layer's back is seen once the host says so.
  fs::current_path(root);
  EXPECT_STREQ((GetCurrentDirectoryA(sizeof buffer, buffer), buffer), "D:\\Deeper");
  VwinSyncCurrentDirectory();
  EXPECT_STREQ((GetCurrentDirectoryA(sizeof buffer, buffer), buffer), "C:\\");
}

TEST_F(PathsTest, EnvironmentNamesIgnoreCaseAndPathIsTranslated) {
  setenv("VANTREL_TEST_Var", "value", 1);
  char buffer[64];
  EXPECT_EQ(GetEnvironmentVariableA("vantrel_test_VAR", buffer, sizeof buffer), 5u);
  EXPECT_STREQ(buffer, "value");
  char tiny[5] = "zzzz";
  EXPECT_EQ(GetEnvironmentVariableA("VANTREL_TEST_VAR", tiny, sizeof tiny), 6u);
  EXPECT_STREQ(tiny, "zzzz");
  unsetenv("VANTREL_TEST_Var");
  SetLastError(0);
  EXPECT_EQ(GetEnvironmentVariableA("VANTREL_TEST_VAR", buffer, sizeof buffer), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ENVVAR_NOT_FOUND));

  std::string savedPath = getenv("PATH") ? getenv("PATH") : "";
  fs::current_path(root);
  VwinSyncCurrentDirectory();
  setenv("PATH", (root + "/Sub/Deeper:/usr/bin::Sub:/has\\backslash").c_str(), 1);
  char path[512];
  DWORD length = GetEnvironmentVariableA("Path", path, sizeof path);
  setenv("PATH", savedPath.c_str(), 1);
  EXPECT_STREQ(path, "D:\\Deeper;Z:\\usr\\bin;C:\\;D:\\");
  EXPECT_EQ(length, strlen(path));
}

TEST_F(PathsTest, FileAttributes) {
  EXPECT_EQ(GetFileAttributesA("C:\\sub"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_EQ(GetFileAttributesA("C:\\Sub\\FILE.TXT"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
  touch(root + "/.hidden");
  EXPECT_EQ(GetFileAttributesA("C:\\.hidden"),
            static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN));
  touch(root + "/locked");
  chmod((root + "/locked").c_str(), 0444);
  EXPECT_EQ(GetFileAttributesA("C:\\locked"),
            static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY));
  ASSERT_EQ(mkfifo((root + "/fifo").c_str(), 0600), 0);
  EXPECT_TRUE(GetFileAttributesA("C:\\fifo") & FILE_ATTRIBUTE_SYSTEM);
  fs::create_directory_symlink(root + "/Sub", root + "/loop");
  DWORD link = GetFileAttributesA("C:\\loop");
  EXPECT_TRUE(link & FILE_ATTRIBUTE_SYSTEM);
  EXPECT_TRUE(link & FILE_ATTRIBUTE_DIRECTORY);
  fs::create_symlink(root + "/Sub/file.txt", root + "/alias");
  EXPECT_EQ(GetFileAttributesA("C:\\alias"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));

  EXPECT_EQ(GetFileAttributesA("C:\\Sub\\none.txt"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(GetFileAttributesA("C:\\NoDir\\none.txt"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(GetFileAttributesA(("C:\\" + std::string(MAX_PATH, 'l')).c_str()),
            INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
}

}  // namespace
