// The host's file object on real files in a temporary directory: read-only, regular files only,
// the size from the end position, the whole file in one read.
#include "host/ide/host_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <limits>
#include <memory>
#include <random>
#include <semaphore>
#include <string>

#include "host/ide/context_sink.h"
#include "host/ide/file_lines.h"
#include "host/ide/host.h"
#include "host/ide/host_string.h"
#include "host/ide/path_display.h"
#include "host/ide/recording_sink.h"
#include "win32/kernel32/codepage.h"
#include "win32/kernel32/paths.h"

namespace {

class HostFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    live_ = hostLiveObjects();
    char pattern[] = "/tmp/host_file_test.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::string command = "chmod -R u+rwx '" + dir_ + "' && rm -rf '" + dir_ + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(hostLiveObjects(), live_);
  }

  std::string write(const std::string& name, const std::string& content) {
    std::string path = dir_ + "/" + name;
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(::write(fd, content.data(), content.size()), static_cast<ssize_t>(content.size()));
    ::close(fd);
    return path;
  }

  static std::string windowsPath(const std::string& posix) {
    char out[MAX_PATH];
    EXPECT_GT(VwinToWindowsPath(posix.c_str(), out, sizeof out), 0u) << posix;
    return out;
  }

  // A file object named after `posix` through its Windows form, as the add-on names files.
  HostFile* named(const std::string& posix) {
    HostFile* file = host_.server()->createFile();
    file->setName(host::newString(windowsPath(posix)));
    return file;
  }

  long live_ = 0;
  std::string dir_;
  host::Host host_;
};

TEST_F(HostFileTest, ReadsANormalFileWholeInOneRead) {
  std::string content = "line one\r\nline two\n\x01\xff end";
  std::string path = write("Normal.c", content);
  HostFile* file = named(path);
  EXPECT_EQ(file->probe(), FALSE);
  ASSERT_NE(file->open(2), FALSE);
  ASSERT_EQ(file->seek(0, 2), static_cast<LONG>(content.size()));
  ASSERT_EQ(file->seek(0, 0), 0);
  std::string buffer(content.size() + 10, '\0');
  EXPECT_EQ(file->read(buffer.data(), static_cast<LONG>(content.size())),
            static_cast<LONG>(content.size()));
  EXPECT_EQ(buffer.substr(0, content.size()), content);
  // At the end a further read gives 0; seeking back re-reads; a read past the end stops there.
  EXPECT_EQ(file->read(buffer.data(), 5), 0);
  EXPECT_EQ(file->seek(-3, 2), static_cast<LONG>(content.size() - 3));
  EXPECT_EQ(file->read(buffer.data(), 100), 3);
  EXPECT_EQ(buffer.substr(0, 3), "end");
  EXPECT_EQ(file->seek(2, 0), 2);
  EXPECT_EQ(file->seek(3, 1), 5);
  EXPECT_EQ(file->read(buffer.data(), 3), 3);
  EXPECT_EQ(buffer.substr(0, 3), "one");
  // The host reads the file the add-on has open again through the same object, at an offset,
  // and the add-on's next read still starts where its last one ended.
  host::File* opened = host::File::openNow(windowsPath(path));
  ASSERT_EQ(opened, static_cast<host::File*>(file));
  EXPECT_EQ(host::File::openNow(windowsPath(path) + "x"), nullptr);
  EXPECT_EQ(opened->textSize(), static_cast<long long>(content.size()));
  EXPECT_EQ(opened->readAt(10, buffer.data(), 100), static_cast<LONG>(content.size() - 10));
  EXPECT_EQ(buffer.substr(0, 8), "line two");
  EXPECT_EQ(file->read(buffer.data(), 3), 3);
  EXPECT_EQ(buffer.substr(0, 3), "\r\nl");
  EXPECT_EQ(file->seek(-1, 0), -1);
  EXPECT_EQ(file->seek(0, 7), -1);
  EXPECT_EQ(file->read(buffer.data(), -1), -1);
  file->close();
  EXPECT_EQ(host::File::openNow(windowsPath(path)), nullptr);
  EXPECT_EQ(file->read(buffer.data(), 1), -1);
  EXPECT_EQ(file->seek(0, 2), -1);
  file->Release();
}

// The bytes of `units` as a UTF-16 file of either byte order, with its mark.
std::string utf16File(const std::u16string& units, bool bigEndian) {
  std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (char16_t u : units) {
    char high = static_cast<char>(u >> 8), low = static_cast<char>(u & 0xFF);
    bytes += bigEndian ? std::string{high, low} : std::string{low, high};
  }
  return bytes;
}

// What the file object hands over: the text after a UTF-8 mark, a UTF-16 file converted to the
// code page, with sizes, reads and seeks in the converted bytes.
TEST_F(HostFileTest, FilesWithAByteOrderMarkAreReadAsTheirText) {
  auto text = [&](const std::string& path) {
    HostFile* file = named(path);
    std::string read;
    if (file->open(0)) {
      LONG size = file->seek(0, 2);
      read.assign(static_cast<size_t>(size), '\0');
      file->seek(0, 0);
      EXPECT_EQ(file->read(read.data(), size + 5), size);
      if (size >= 2) {  // a seek lands in the converted bytes
        EXPECT_EQ(file->seek(-2, 2), size - 2);
        char tail[2];
        EXPECT_EQ(file->read(tail, 2), 2);
        EXPECT_EQ(std::string(tail, 2), read.substr(read.size() - 2));
      }
    }
    file->Release();
    return read;
  };
  std::u16string units = u"h\u00e9llo\r\nw\u00f6rld \u20ac\U0001F600\n";
  std::string le = write("le.rc", utf16File(units, false));
  std::string be = write("be.rc", utf16File(units, true));
  std::string lone = write("lone.rc", utf16File(u"a\xD800z\xDC00", false));
  UINT before = GetACP();
  ASSERT_TRUE(VwinSetAnsiCodePage(CP_UTF8));
  EXPECT_EQ(text(write("bom.c", "\xEF\xBB\xBFint x;\n")), "int x;\n");
  EXPECT_EQ(text(le), "h\xC3\xA9llo\r\nw\xC3\xB6rld \xE2\x82\xAC\xF0\x9F\x98\x80\n");
  EXPECT_EQ(text(be), text(le));
  EXPECT_EQ(text(lone), "a?z?");
  EXPECT_EQ(text(write("odd.rc", std::string("\xFF\xFE"
                                             "a\0b",
                                             5))),
            "a");  // odd byte dropped
  ASSERT_TRUE(VwinSetAnsiCodePage(1252));
  EXPECT_EQ(text(le), "h\xE9llo\r\nw\xF6rld \x80?\n");
  EXPECT_EQ(text(be), text(le));
  VwinSetAnsiCodePage(before);
  EXPECT_EQ(text(write("plain.c", "\xFF\xFF not a mark")), "\xFF\xFF not a mark");
}

TEST_F(HostFileTest, NameIsFoundCaseInsensitivelyThroughTheDriveMapping) {
  std::string path = write("MixedCase.TXT", "x");
  HostFile* file = named(dir_ + "/mixedcase.txt");
  ASSERT_NE(file->open(0), FALSE);  // mode 0 reads from disk as well: no editor buffers here
  EXPECT_EQ(file->seek(0, 2), 1);
  EXPECT_EQ(static_cast<host::File*>(file)->posixPath(), path);
  host::PathDisplay shown(false);
  EXPECT_EQ(shown.show(windowsPath(dir_ + "/mixedcase.txt")), path);  // looked up
  file->Release();

  // A path opened as spelled is shown as the file object opened it, with no second lookup: here
  // its directory's name changed case since, which a lookup would follow.
  ASSERT_EQ(mkdir((dir_ + "/d").c_str(), 0755), 0);
  std::string spelled = write("d/a.c", "y");
  file = named(spelled);
  ASSERT_NE(file->open(2), FALSE);
  ASSERT_EQ(rename((dir_ + "/d").c_str(), (dir_ + "/D").c_str()), 0);
  EXPECT_EQ(shown.show(windowsPath(spelled)), spelled);
  file->Release();
}

TEST_F(HostFileTest, EmptyFileOpensWithSizeZero) {
  HostFile* file = named(write("empty.c", ""));
  ASSERT_NE(file->open(2), FALSE);
  EXPECT_EQ(file->seek(0, 2), 0);
  char c;
  EXPECT_EQ(file->read(&c, 0), 0);
  EXPECT_EQ(file->read(&c, 1), 0);
  file->close();
  file->Release();
}

TEST_F(HostFileTest, MissingFileIsNotOpenedAndNotCreated) {
  std::string path = dir_ + "/missing.c";
  HostFile* file = named(path);
  EXPECT_EQ(file->open(2), FALSE);
  struct stat st;
  EXPECT_NE(stat(path.c_str(), &st), 0);
  file->Release();  // never opened: releasing without close is fine

  HostFile* unnamed = host_.server()->createFile();
  EXPECT_EQ(unnamed->open(2), FALSE);
  unnamed->setName(nullptr);
  EXPECT_EQ(unnamed->open(2), FALSE);
  unnamed->Release();
}

TEST_F(HostFileTest, AFileReleasedOpenIsClosedBeforeItIsUsedAgain) {
  // A released file object is kept for the next file: its descriptor must not stay open with it.
  auto descriptors = [] {
    int n = 0;
    for (int fd = 0; fd < 1024; ++fd) n += fcntl(fd, F_GETFD) != -1;
    return n;
  };
  std::string path = write("kept.c", "text");
  int before = descriptors();
  for (int round = 0; round < 3; ++round) {
    HostFile* file = named(path);
    ASSERT_NE(file->open(2), FALSE);
    EXPECT_EQ(descriptors(), before + 1);
    file->Release();  // no close: the last Release closes
    EXPECT_EQ(descriptors(), before) << round;
  }
}

TEST_F(HostFileTest, DirectoryAndFifoAreRefused) {
  std::string sub = dir_ + "/sub";
  ASSERT_EQ(mkdir(sub.c_str(), 0755), 0);
  std::string fifo = dir_ + "/pipe";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  for (const std::string& path : {sub, fifo, std::string("/dev/null")}) {
    HostFile* file = named(path);
    EXPECT_EQ(file->open(2), FALSE) << path;  // a FIFO without writer must not block either
    file->Release();
  }
}

TEST_F(HostFileTest, UnreadableFileFailsToOpen) {
  std::string path = write("secret.c", "hidden");
  ASSERT_EQ(chmod(path.c_str(), 0), 0);
  std::string readable = write("open.c", "seen");
  HostFile* file = named(path);
  HostFile* control = named(readable);
  if (geteuid() != 0) {
    EXPECT_EQ(file->open(2), FALSE);
    EXPECT_NE(control->open(2), FALSE);
  } else {
    // Root reads every file whatever its permissions: check as an unprivileged user instead,
    // in a child process that drops to "nobody".
    ASSERT_EQ(chmod(dir_.c_str(), 0755), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      if (setgid(65534) != 0 || setuid(65534) != 0) _exit(3);
      if (file->open(2)) _exit(1);
      if (!control->open(2)) _exit(2);
      _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: opened without permission, 2: control failed, "
                                         "3: could not drop privileges";
  }
  file->Release();
  control->Release();
}

TEST_F(HostFileTest, FileIsNeverWrittenOrChanged) {
  std::string path = write("keep.c", "unchanged");
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  struct stat before;
  ASSERT_EQ(stat(path.c_str(), &before), 0);
  HostFile* file = named(path);
  ASSERT_NE(file->open(2), FALSE);
  char buffer[32];
  EXPECT_EQ(file->read(buffer, 9), 9);
  ASSERT_NE(file->open(2), FALSE);  // reopening closes the first descriptor
  EXPECT_EQ(file->read(buffer, 3), 3);
  file->Release();  // the last release closes
  struct stat after;
  ASSERT_EQ(stat(path.c_str(), &after), 0);
  EXPECT_EQ(after.st_size, before.st_size);
  EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
  EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
  EXPECT_EQ(after.st_mode, before.st_mode);
}

TEST_F(HostFileTest, HugeFileReportsTheLargestPosition) {
  std::string path = write("huge.bin", "");
  ASSERT_EQ(truncate(path.c_str(), 3LL << 30), 0);  // sparse: no disk used
  HostFile* file = named(path);
  ASSERT_NE(file->open(2), FALSE);
  EXPECT_EQ(file->seek(0, 2), std::numeric_limits<LONG>::max());
  EXPECT_EQ(file->seek(0, 0), 0);
  file->Release();
}

TEST_F(HostFileTest, DescriptorsAreNotLeaked) {
  std::string path = write("many.c", "abc");
  int before = ::open("/dev/null", O_RDONLY);
  ::close(before);
  for (int i = 0; i < 50; ++i) {
    HostFile* file = named(path);
    ASSERT_NE(file->open(2), FALSE);
    if (i % 2) file->close();
    file->Release();
  }
  int after = ::open("/dev/null", O_RDONLY);
  ::close(after);
  EXPECT_EQ(after, before);
}

// Context made on a thread of its own reads the file the add-on had open, through a copy of its
// object: when the name is given to another file before the thread reads, the lines are still
// the searched file's, and no descriptor is left behind. Events come out whole and in order past
// the ring's size, through its wraps, and one too large for it.
TEST_F(HostFileTest, ContextOnItsOwnThreadReadsTheFileTheAddOnHadOpen) {
  // Holds the thread at the first hit, the event it starts with, until the test lets it go.
  struct HeldSink final : host::MessageSink {
    std::binary_semaphore go{0};
    bool held = false;
    std::shared_ptr<host::RecordingSink> next = std::make_shared<host::RecordingSink>();
    void event(const host::MessageEvent& event) override {
      if (!held && event.kind == host::MessageEvent::Kind::Entry) {
        held = true;
        go.acquire();
      }
      next->event(event);
    }
  };
  using Kind = host::MessageEvent::Kind;
  std::string path = write("shared.c", "one\ntwo\nthree\nfour\n");
  int firstFree = ::open("/dev/null", O_RDONLY);
  ::close(firstFree);
  auto held = std::make_shared<HeldSink>();
  std::atomic<int> written{0};
  {
    host::ContextSink sink(held, 1, 1, [&written] { ++written; });
    HostFile* file = named(path);
    ASSERT_NE(file->open(0), FALSE);
    host::MessageEvent group;
    group.group = 1;
    sink.event(group);
    host::MessageEvent hit;
    hit.kind = Kind::Entry;
    hit.group = 1;
    hit.file = windowsPath(path);
    hit.line = 3;
    hit.text = "three";
    sink.event(hit);
    file->close();
    file->Release();
    std::string other = write("other.c", "1\n2\n3\n4\n");
    ASSERT_EQ(std::rename(other.c_str(), path.c_str()), 0);
    held->go.release();
    host::MessageEvent big;
    big.kind = Kind::Entry;
    for (int i = 0; i < 3000; ++i) {
      big.line = i;
      big.text.assign(1000 + i % 7, static_cast<char>('a' + i % 26));
      sink.event(big);
    }
    big.text.assign(400000, 'z');
    sink.event(big);
    sink.flush();
  }
  std::vector<host::MessageEvent> context = held->next->events(Kind::Context);
  ASSERT_EQ(context.size(), 2u);
  EXPECT_EQ(context[0].text, "two");
  EXPECT_EQ(context[1].text, "four");
  std::vector<host::MessageEvent> entries = held->next->events(Kind::Entry);
  ASSERT_EQ(entries.size(), 3002u);
  for (int i = 0; i < 3000; ++i) {
    EXPECT_EQ(entries[i + 1].line, i);
    EXPECT_EQ(entries[i + 1].text, std::string(1000 + i % 7, static_cast<char>('a' + i % 26)));
  }
  EXPECT_EQ(entries.back().text.size(), 400000u);
  EXPECT_GT(written.load(), 3000);
  int nextFree = ::open("/dev/null", O_RDONLY);
  ::close(nextFree);
  EXPECT_EQ(nextFree, firstFree);
}

// The lines around hits, against a plain reading of the line ends (CR, LF, CR LF, LF CR; a last
// line needs none): files of random lines and ends, asked for lines in order with gaps short
// (reached line by line) and long (counted in bulk), and now and then from the top again.
TEST_F(HostFileTest, ContextLinesAreTheFilesLinesByTheAddOnsLineEnds) {
  std::mt19937 random(7);
  for (int round = 0; round < 40; ++round) {
    // Short lines and long ones (past the 16 and 64 bytes looked at at once), LF alone or all ends.
    unsigned endsInHundred = round % 2 ? 12 : 2;
    unsigned endKinds = round % 3 ? 4 : 1;
    std::string content;
    size_t length = 1 + random() % 3000;
    while (content.size() < length) {
      static const char* const kEnds[] = {"\n", "\r", "\r\n", "\n\r"};
      unsigned pick = random() % 100;
      content += pick < endsInHundred ? kEnds[pick % endKinds]
                                      : std::string(1, "abcdefghij \t"[pick % 12]);
    }
    std::vector<std::string> expected(1);
    for (size_t i = 0; i < content.size(); ++i) {
      char c = content[i];
      if (c != '\r' && c != '\n') {
        expected.back() += c;
        continue;
      }
      if (i + 1 < content.size() && (content[i + 1] == '\r' || content[i + 1] == '\n') &&
          content[i + 1] != c)
        ++i;
      expected.emplace_back();
    }
    if (expected.back().empty()) expected.pop_back();
    std::string path = write("lines" + std::to_string(round) + ".c", content);
    host::FileLines lines;
    ASSERT_TRUE(lines.load(windowsPath(path)));
    long number = 0;
    for (int ask = 0; ask < 200; ++ask) {
      number = random() % 10 == 0 ? 1 + static_cast<long>(random() % 5)
                                  : number + 1 + static_cast<long>(random() % (ask % 2 ? 3 : 12));
      std::string_view text;
      bool found = lines.line(number, text);
      ASSERT_EQ(found, number <= static_cast<long>(expected.size()))
          << "round " << round << " line " << number;
      if (found) {
        ASSERT_EQ(text, expected[static_cast<size_t>(number - 1)]) << "line " << number;
      }
    }
  }
}

}  // namespace
