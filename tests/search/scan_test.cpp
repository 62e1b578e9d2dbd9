// The file scan: line rules, columns, display texts, the whole-word rule and its retries, case
// folding, the size window and the failure messages, the stop flag, and the counters, on real
// temporary files read through the host's file object into a recording message window.
#include "search/scan.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/ide/host.h"
#include "host/posix/recording_display.h"
#include "tests/win32/kernel32/code_page.h"
#include "win32/kernel32/paths.h"
#include "win32/user32/display.h"

// Every malloc of the objects linked into this program comes here (-Wl,--wrap=malloc): one of
// at least `failMallocFrom` bytes fails while that is not 0, as on an exhausted machine.
std::atomic<size_t> failMallocFrom{0};
extern "C" void* __real_malloc(size_t size);
extern "C" void* __wrap_malloc(size_t size) {
  size_t from = failMallocFrom.load(std::memory_order_relaxed);
  if (from != 0 && size >= from) return nullptr;
  return __real_malloc(size);
}

namespace {

using host::MessageEvent;
using Kind = host::MessageEvent::Kind;

// One hit as the message window shows it.
struct Hit {
  int line;
  int column;
  std::string text;
  bool operator==(const Hit&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Hit& hit) {
  return out << hit.line << ":" << hit.column << ": " << hit.text;
}

using Hits = std::vector<Hit>;

// Around the host's own file object: counts reads and closes, and fails as a disk can (a seek to
// the end answering `endPosition`, a read answering `readShortBy` bytes too few), which the real
// host cannot be made to do on demand.
class FailingFile final : public HostFile {
 public:
  FailingFile(HostFile* inner, LONG endPosition, LONG readShortBy)
      : inner_(inner), endPosition_(endPosition), readShortBy_(readShortBy) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = --refs_;
    if (!left) {
      inner_->Release();
      delete this;
    }
    return left;
  }
  void STDMETHODCALLTYPE setName(HostString* name) override { inner_->setName(name); }
  BOOL STDMETHODCALLTYPE probe() override { return inner_->probe(); }
  BOOL STDMETHODCALLTYPE open(int mode) override { return inner_->open(mode); }
  LONG STDMETHODCALLTYPE read(void* buffer, LONG count) override {
    ++reads;
    LONG got = inner_->read(buffer, count);
    return got - readShortBy_;
  }
  LONG STDMETHODCALLTYPE seek(LONG offset, int origin) override {
    LONG position = inner_->seek(offset, origin);
    return origin == 2 && endPosition_ ? endPosition_ : position;
  }
  void STDMETHODCALLTYPE close() override {
    ++closes;
    inner_->close();
  }
  static inline int reads = 0;
  static inline int closes = 0;

 private:
  HostFile* inner_;
  LONG endPosition_;
  LONG readShortBy_;
  ULONG refs_ = 1;
};

class FailingServer final : public HostServer {
 public:
  FailingServer(HostServer* inner, LONG endPosition, LONG readShortBy)
      : inner_(inner), endPosition_(endPosition), readShortBy_(readShortBy) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    return inner_->QueryInterface(iid, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = --refs_;
    if (!left) {
      inner_->Release();
      delete this;
    }
    return left;
  }
  HostString* STDMETHODCALLTYPE createString() override { return inner_->createString(); }
  HostFile* STDMETHODCALLTYPE createFile() override {
    HostFile* file = inner_->createFile();
    return file ? new FailingFile(file, endPosition_, readShortBy_) : nullptr;
  }

 private:
  HostServer* inner_;
  LONG endPosition_;
  LONG readShortBy_;
  ULONG refs_ = 1;
};

class ScanFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vantrel_scan_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    directory_ = pattern;
    host_ = std::make_unique<host::Host>();
    recording_ = host_->record();
    display_ = std::make_unique<host::RecordingDisplay>(host_->messageWindow());
    VwinSetDisplay(display_.get());
    setHostServer(host_->serverReference());
    liveBefore_ = hostLiveObjects();
    textToFind[0] = '\0';
    searchOptions = CaseSensitive;
  }

  void TearDown() override {
    releaseHostServer();
    VwinSetDisplay(nullptr);
    display_.reset();
    host_.reset();
    EXPECT_EQ(hostLiveObjects(), 0);
    EXPECT_EQ(hostReleaseFaults(), 0);
    std::filesystem::remove_all(directory_);
  }

  // Has the scan's files made through a FailingServer from now on.
  void wrapFiles(LONG endPosition, LONG readShortBy) {
    releaseHostServer();
    setHostServer(new FailingServer(host_->serverReference(), endPosition, readShortBy));
    FailingFile::reads = FailingFile::closes = 0;
  }

  // Writes a file and answers its Windows path.
  std::string write(const std::string& name, const std::string& data) {
    std::string posix = directory_ + "/" + name;
    std::ofstream(posix, std::ios::binary) << data;
    return windowsPath(posix);
  }

  static std::string windowsPath(const std::string& posix) {
    char path[MAX_PATH];
    EXPECT_NE(VwinToWindowsPath(posix.c_str(), path, sizeof path), 0u);
    return path;
  }

  void find(const std::string& text, WORD options) {
    strcpy(textToFind, text.c_str());
    searchOptions = options;
  }

  // Scans one file and checks what every scan must hold: the answer agrees with the entries and
  // the counters, no host object is left, and the file's group is opened whatever happens.
  LONG scan(const std::string& path) {
    recording_->clear();
    LONG hitsBefore = job_.hitCount;
    LONG filesBefore = job_.filesWithHits;
    LONG hits = scanFile(&job_, path.c_str());
    EXPECT_EQ(hostLiveObjects(), liveBefore_);
    EXPECT_EQ(job_.hitCount - hitsBefore, hits);
    EXPECT_EQ(job_.filesWithHits - filesBefore, hits > 0 ? 1 : 0);
    std::vector<MessageEvent> events = recording_->events();
    EXPECT_FALSE(events.empty());
    if (!events.empty()) {
      EXPECT_EQ(events[0].kind, Kind::Group);
      EXPECT_EQ(events[0].text, path);
      EXPECT_EQ(events[0].tool, "Vantrel");
    }
    int fileEntries = 0;
    for (const MessageEvent& e : recording_->events(Kind::Entry)) fileEntries += e.file.has_value();
    EXPECT_EQ(fileEntries, hits);
    return hits;
  }

  // The hit entries of the last scan, checked for their heading, file and kind.
  Hits hits(const std::string& path) {
    Hits found;
    std::vector<MessageEvent> headings = recording_->events(Kind::Heading);
    for (const MessageEvent& e : recording_->events(Kind::Entry)) {
      EXPECT_TRUE(e.file.has_value());
      if (!e.file) continue;
      EXPECT_EQ(*e.file, path);
      EXPECT_EQ(e.entryKind, 5);
      EXPECT_EQ(headings.size(), 1u);
      if (!headings.empty()) {
        EXPECT_EQ(e.handle, headings[0].handle);
      }
      found.push_back({e.line, e.column, e.text});
    }
    if (!found.empty() && !headings.empty()) {
      EXPECT_EQ(headings[0].text, "Vantreling " + path);
      EXPECT_EQ(headings[0].file, path);
    }
    return found;
  }

  // Scans and answers the hits.
  Hits scanHits(const std::string& data, const std::string& text, WORD options = CaseSensitive) {
    find(text, options);
    std::string path = write("f.c", data);
    scan(path);
    return hits(path);
  }

  // The single message written for a failing file: heading, entry without file, beeps.
  void expectMessage(const std::string& path, const std::string& text, bool beep) {
    std::vector<MessageEvent> events = recording_->events();
    ASSERT_EQ(events.size(), beep ? 4u : 3u);
    EXPECT_EQ(events[1].kind, Kind::Heading);
    EXPECT_EQ(events[1].text, "Vantreling " + path);
    EXPECT_EQ(events[2].kind, Kind::Entry);
    EXPECT_EQ(events[2].text, text);
    EXPECT_FALSE(events[2].file.has_value());
    EXPECT_EQ(events[2].handle, events[1].handle);
    EXPECT_EQ(events[2].line, 0);
    EXPECT_EQ(events[2].column, 0);
    EXPECT_EQ(events[2].entryKind, 5);
    if (beep) {
      EXPECT_EQ(events[3].kind, Kind::Beep);
      EXPECT_EQ(events[3].type, 0u);
    }
  }

  std::string directory_;
  std::unique_ptr<host::Host> host_;
  std::shared_ptr<host::RecordingSink> recording_;
  std::unique_ptr<host::RecordingDisplay> display_;
  long liveBefore_ = 0;
  SearchJob job_;
};

TEST_F(ScanFileTest, CountsLinesByTheLineRules) {
  EXPECT_EQ(scanHits("abc", "abc"), (Hits{{1, 1, "abc"}}));
  EXPECT_EQ(scanHits("abc\r\n", "abc"), (Hits{{1, 1, "abc"}}));
  EXPECT_EQ(scanHits("a\n\nb", "b"), (Hits{{3, 1, "b"}}));
  EXPECT_EQ(scanHits("a\n\rb", "b"), (Hits{{2, 1, "b"}}));
  EXPECT_EQ(scanHits("a\r\nb", "b"), (Hits{{2, 1, "b"}}));
  EXPECT_EQ(scanHits("a\r\rb", "b"), (Hits{{3, 1, "b"}}));
  EXPECT_EQ(scanHits("xb\nb\r\n\r\nab", "b"), (Hits{{1, 2, "xb"}, {2, 1, "b"}, {4, 2, "ab"}}));
}

TEST_F(ScanFileTest, ANulEndsALinesTextButNotTheLine) {
  std::string data("ab\0cd\ncd", 8);
  EXPECT_EQ(scanHits(data, "cd"), (Hits{{2, 1, "cd"}}));
  EXPECT_EQ(scanHits(data, "ab"), (Hits{{1, 1, "ab"}}));
  // A line that starts with a NUL is empty.
  data = std::string("\0abc\nabc", 8);
  EXPECT_EQ(scanHits(data, "abc"), (Hits{{2, 1, "abc"}}));
  // A text running into a line end is no hit.
  EXPECT_EQ(scanHits("ab\ncd\nab\rcd", "b\nc"), Hits{});
}

TEST_F(ScanFileTest, ColumnsCountTheRawLineAndDisplayTextsDropLeadingBlanks) {
  EXPECT_EQ(scanHits("\t\tx=1\n", "x"), (Hits{{1, 3, "x=1"}}));
  EXPECT_EQ(scanHits("  a\tb\n", "b"), (Hits{{1, 5, "a b"}}));
  std::string line = std::string(249, 'a') + "needle" + std::string(45, 'z');
  ASSERT_EQ(line.size(), 300u);
  EXPECT_EQ(scanHits("first\n" + line + "\nlast", "needle"),
            (Hits{{2, 250, std::string(219, 'a')}}));
}

TEST_F(ScanFileTest, WholeWordsRetryOneCharacterAfterARefusedMatch) {
  EXPECT_EQ(scanHits("print(int x)", "int", CaseSensitive | WholeWords),
            (Hits{{1, 7, "print(int x)"}}));
  EXPECT_EQ(scanHits("int_x", "int", CaseSensitive | WholeWords), Hits{});
  EXPECT_EQ(scanHits("int-x", "int", CaseSensitive | WholeWords), (Hits{{1, 1, "int-x"}}));
  EXPECT_EQ(scanHits("\xE9int\xB0", "int", CaseSensitive | WholeWords),
            (Hits{{1, 2, "\xE9int\xB0"}}));
  // Overlapping occurrences are tried: "aa" in "aaa" is refused twice, then found in " aa".
  EXPECT_EQ(scanHits("aaa aa", "aa", CaseSensitive | WholeWords), (Hits{{1, 5, "aaa aa"}}));
  // Without the option the first occurrence counts.
  EXPECT_EQ(scanHits("print(int x)", "int"), (Hits{{1, 3, "print(int x)"}}));
  // A refused match at the end of a line does not reach into the next one.
  EXPECT_EQ(scanHits("xint\nint", "int", CaseSensitive | WholeWords), (Hits{{2, 1, "int"}}));
}

TEST_F(ScanFileTest, ALineWithThreeOccurrencesIsOneHit) {
  EXPECT_EQ(scanHits("foo foo foo\nbar\nfoo", "foo"), (Hits{{1, 1, "foo foo foo"}, {3, 1, "foo"}}));
  EXPECT_EQ(job_.hitCount, 2);
  EXPECT_EQ(job_.filesWithHits, 1);
}

TEST_F(ScanFileTest, IgnoringCaseShowsTheFilesOwnLetters) {
  // The driver upper-cases the text to find before the scan.
  EXPECT_EQ(scanHits("say Hello\n\thello there\nHELLO\nhelo", "HELLO", 0),
            (Hits{{1, 5, "say Hello"}, {2, 2, "hello there"}, {3, 1, "HELLO"}}));
  {
    ScopedCodePage windows1252(1252);
    EXPECT_EQ(scanHits("Caf\xE9 au lait", "CAF\xC9", WholeWords),
              (Hits{{1, 1, "Caf\xE9 au lait"}}));
  }
  EXPECT_EQ(scanHits("Caf\xC3\xA9 au lait", "CAF\xC3\x89", WholeWords),
            (Hits{{1, 1, "Caf\xC3\xA9 au lait"}}));
  EXPECT_EQ(scanHits("say Hello", "HELLO", CaseSensitive), Hits{});
}

TEST_F(ScanFileTest, ScansFilesBelow500000BytesOnly) {
  find("end", CaseSensitive);
  std::string path = write("empty.c", "");
  EXPECT_EQ(scan(path), 0);
  expectMessage(path, "File is 0 byte length !", true);

  std::string big(499999, 'x');
  for (size_t i = 99; i < big.size(); i += 100) big[i] = '\n';
  memcpy(&big[big.size() - 3], "end", 3);
  path = write("big.c", big);
  EXPECT_EQ(scan(path), 1);
  EXPECT_EQ(hits(path), (Hits{{5000, 97, std::string(96, 'x') + "end"}}));

  path = write("toobig.c", big + "\n");
  EXPECT_EQ(scan(path), 0);
  expectMessage(path, "File too large !", true);
}

TEST_F(ScanFileTest, AFileWhoseBufferCannotBeHadIsReportedWithABeep) {
  find("x", CaseSensitive);
  std::string path = write("large.c", std::string(400000, 'x'));
  failMallocFrom = 300000;  // the buffer for this file, nothing smaller
  LONG hits = scan(path);
  failMallocFrom = 0;
  EXPECT_EQ(hits, 0);
  expectMessage(path, "Can not allocate memory to grep file !", true);
  // The same file scans once memory is there again.
  EXPECT_EQ(scan(path), 1);
}

TEST_F(ScanFileTest, AFileThatCannotBeOpenedIsReportedWithoutBeep) {
  find("x", CaseSensitive);
  std::string path = windowsPath(directory_ + "/missing.c");
  EXPECT_EQ(scan(path), 0);
  expectMessage(path, "Can't open file !", false);
}

TEST_F(ScanFileTest, AFileWithoutHitsGetsAnEmptyGroup) {
  find("absent", CaseSensitive);
  std::string path = write("a.c", "int main() {}\n");
  EXPECT_EQ(scan(path), 0);
  EXPECT_EQ(recording_->events().size(), 1u);
}

TEST_F(ScanFileTest, AStopBeforeTheScanStillReadsTheFileButExaminesNoLine) {
  find("a", CaseSensitive);
  std::string path = write("a.c", "a\na\n");
  wrapFiles(0, 0);
  job_.stopRequested = 1;
  EXPECT_EQ(scan(path), 0);
  EXPECT_EQ(recording_->events().size(), 1u);
  EXPECT_EQ(FailingFile::reads, 1);
  EXPECT_EQ(FailingFile::closes, 1);
  job_.stopRequested = 0;
  EXPECT_EQ(scan(path), 2);
}

TEST_F(ScanFileTest, CountersAddUpOverSeveralFiles) {
  find("x", CaseSensitive);
  std::vector<std::string> paths = {write("1.c", "x\nx\n"), write("2.c", "y\n"),
                                    write("3.c", "yx\n")};
  LONG total = 0;
  for (const std::string& path : paths) total += scan(path);
  EXPECT_EQ(total, 3);
  EXPECT_EQ(job_.hitCount, 3);
  EXPECT_EQ(job_.filesWithHits, 2);
}

TEST_F(ScanFileTest, AFailingSeekOrReadIsAReadError) {
  find("a", CaseSensitive);
  std::string path = write("a.c", "a\na\n");
  for (LONG shortBy : {1, -1}) {
    wrapFiles(0, shortBy);
    EXPECT_EQ(scan(path), 0);
    expectMessage(path, "Error reading file !", false);
    EXPECT_EQ(FailingFile::reads, 1);
    EXPECT_EQ(FailingFile::closes, 1);
  }
  // A negative size is never allocated or read by.
  wrapFiles(-1, 0);
  EXPECT_EQ(scan(path), 0);
  expectMessage(path, "Error reading file !", false);
  EXPECT_EQ(FailingFile::reads, 0);
  EXPECT_EQ(FailingFile::closes, 1);
}

}  // namespace
