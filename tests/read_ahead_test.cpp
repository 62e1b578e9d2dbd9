// The read-ahead (host/ide/read_ahead.h) with the layer's file search and the host's file object:
// bytes served are the file's as it is at the opening (files rewritten in place or replaced
// under a running search are read again, a file changed just before its read is never served
// from memory), the bytes held stay within the bound, and a search gives the same lines with it.
#include "host/posix/read_ahead.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "host/ide/host_file.h"
#include "host/ide/host_string.h"
#include "search/driver.h"
#include "search_fixture.h"
#include "win32/include/windows.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// A file's content of exactly `size` bytes: one line naming the file and its version, padded.
std::string content(int index, const std::string& version, size_t size = 64) {
  std::string text = "line " + version + " " + std::to_string(index) + " ";
  text.resize(size - 1, '.');
  return text + "\n";
}

std::string name(int index) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "f%02d.c", index);
  return buffer;
}

// Waits up to two seconds for `done`.
template <class Done>
bool waitFor(Done done) {
  for (int i = 0; i < 2000 && !done(); ++i) std::this_thread::sleep_for(1ms);
  return done();
}

class ReadAheadTest : public vantrel_test::SearchFixture {
 protected:
  // Files older than the file system's clock tick, so that they may be read ahead.
  void writeSettled(int count, const std::string& version) {
    for (int i = 0; i < count; ++i) write("sub/" + name(i), content(i, version));
    std::this_thread::sleep_for(150ms);
  }

  // The hit lines, "FILE: TEXT", in order.
  std::vector<std::string> hits() const {
    std::vector<std::string> out;
    for (const host::MessageEvent& e : sink->events(host::MessageEvent::Kind::Entry))
      if (e.file) out.push_back(e.file->substr(e.file->rfind('\\') + 1) + ": " + e.text);
    return out;
  }

  // The bytes of `path` read through a host file object.
  std::string readThrough(const std::string& path) {
    auto* file = new host::File(readAhead);
    host::String* n = new host::String();
    n->setText(path.c_str());
    file->setName(n);
    std::string bytes;
    if (file->open(2)) {
      LONG size = file->seek(0, 2);
      file->seek(0, 0);
      bytes.resize(static_cast<size_t>(size));
      EXPECT_EQ(file->read(bytes.data(), size), size);
      file->close();
    }
    file->Release();
    return bytes;
  }

  // Lists `mask` in `dir` as a walk does, opening every file in listing order.
  std::vector<std::string> walk(const std::string& dir, const std::string& mask) {
    std::vector<std::string> read;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + mask).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return read;
    do read.push_back(readThrough(dir + found.cFileName));
    while (FindNextFileA(search, &found));
    FindClose(search);
    return read;
  }

  std::shared_ptr<host::ReadAhead> readAhead;
};

// The host as the command builds it, with its own read-ahead.
class ReadAheadSearchTest : public ReadAheadTest {
 protected:
  void SetUp() override {
    ReadAheadTest::SetUp();
    host::ReadAhead::Limits limits;
    limits.readers = 1;  // files are read in listing order, one at a time
    host->setReadAhead(std::make_shared<host::ReadAhead>(limits));
  }
};

// Rewrites files on the search's thread as the scan of an earlier file begins, once the
// read-ahead holds the file about to be opened: in place (same size and inode) or replaced.
class RewritingSink final : public host::MessageSink {
 public:
  RewritingSink(host::ReadAhead* readAhead, fs::path dir)
      : readAhead_(readAhead), dir_(std::move(dir)) {}
  void event(const host::MessageEvent& event) override {
    if (event.kind != host::MessageEvent::Kind::Group) return;
    for (int i = 2; i < 30; i += 3) {
      if (event.text.size() < 5 || event.text.compare(event.text.size() - 5, 5, name(i)) != 0)
        continue;
      // The file about to be opened is read ahead once any bytes are held (it is read first).
      heldBefore += waitFor([&] { return readAhead_->heldBytes() > 0; }) ? 1 : 0;
      std::string now = content(i, "new");
      fs::path path = dir_ / name(i);
      if (i % 2 == 0) {
        int fd = ::open(path.c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(pwrite(fd, now.data(), now.size(), 0), static_cast<ssize_t>(now.size()));
        ::close(fd);
      } else {
        fs::path fresh = dir_ / "replacement.tmp";
        FILE* f = std::fopen(fresh.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(now.data(), 1, now.size(), f);
        std::fclose(f);
        fs::rename(fresh, path);
      }
      ++rewritten;
    }
  }
  void flush() override {}
  int rewritten = 0;
  int heldBefore = 0;

 private:
  host::ReadAhead* readAhead_;
  fs::path dir_;
};

TEST_F(ReadAheadSearchTest, FilesChangedUnderARunningSearchAreReadAgain) {
  writeSettled(30, "old");
  auto rewriting = std::make_shared<RewritingSink>(host->readAhead(), root / "sub");
  host->messageWindow()->addSink(rewriting);
  setField(textToFind, "line");
  setMask("*.c");
  setField(directories, win());
  searchOptions = Recurse | CaseSensitive;
  runSearch(job.get(), 0);  // blocking: the counting pass lists the tree first
  std::vector<std::string> expected;
  for (int i = 0; i < 30; ++i) {
    std::string text = content(i, i >= 2 && (i - 2) % 3 == 0 ? "new" : "old");
    text.pop_back();
    expected.push_back(name(i) + ": " + text);
  }
  EXPECT_EQ(hits(), expected);
  EXPECT_EQ(rewriting->rewritten, 10);
  host::ReadAhead::Counts counts = host->readAhead()->counts();
  // Every file rewritten after its read was found changed at its opening.
  EXPECT_EQ(rewriting->heldBefore, 10);
  EXPECT_EQ(counts.stale, 10);
  EXPECT_GT(counts.served, 0);
}

TEST_F(ReadAheadTest, HoldsNoMoreThanItsBoundAndServesTheFilesBytes) {
  host::ReadAhead::Limits limits;
  limits.heldBytes = 4096;
  limits.fileBytes = 1024;
  readAhead = std::make_shared<host::ReadAhead>(limits);
  std::vector<std::string> expected;
  for (int i = 0; i < 40; ++i) {
    expected.push_back(content(i, "old", i == 7 ? 2000 : 200));  // one too large to read ahead
    write("sub/" + name(i), expected.back());
  }
  std::this_thread::sleep_for(150ms);
  write("sub/" + name(20), expected[20] = content(20, "late", 200));  // within the clock's tick
  std::string dir = win("sub") + "\\";
  WIN32_FIND_DATAA first;
  HANDLE search = FindFirstFileA((dir + "*.c").c_str(), &first);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  std::vector<std::string> read{readThrough(dir + first.cFileName)};
  // The reader fills up to the bound, and no further.
  EXPECT_TRUE(waitFor([&] { return readAhead->heldBytes() >= 4096 - 1024; }));
  std::this_thread::sleep_for(20ms);
  EXPECT_LE(readAhead->heldBytes(), 4096u);
  while (FindNextFileA(search, &first)) read.push_back(readThrough(dir + first.cFileName));
  FindClose(search);
  EXPECT_EQ(read, expected);
  host::ReadAhead::Counts counts = readAhead->counts();
  EXPECT_LE(counts.peakHeldBytes, 4096u);
  EXPECT_GE(counts.served, 15);  // those held when the walk went on
  EXPECT_EQ(counts.served + counts.missed + counts.stale, 40);
  EXPECT_EQ(counts.stale, 0);
  // A file not listed by any search is read at its opening, and the queue is left as it was.
  EXPECT_EQ(readThrough(dir + name(3)), expected[3]);
  EXPECT_EQ(walk(dir, "*.c"), expected);
  readAhead.reset();
}

}  // namespace
